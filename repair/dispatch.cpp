#include "repair/dispatch.h"

#include <cstdio>
#include <optional>
#include <set>
#include <utility>

#include "data/values/error.h"
#include "repair/repair_compact.h"

namespace ornetta::repair {

namespace {
const char* const kQueryOk = "Query Successfully Executed";
const char* const kQueryFailed = "QUERY NOT SUCCESSFUL???";
const char* const kRequestOk = "Your Request Successfully Executed";
const char* const kRequestFailed = "Your Request NOT successfully Excuted!!!!!!!";
const char* const kCheckFileName = "Check the Database FileName Listed / Selected....";
const char* const kSqlError = "SQL Statement Error";
const char* const kOnlineUsers = "Delete * from OnLineUsers";
const char* const kStopped = "Cancelled before it finished: nothing in the database was changed.";

// Only the space character counts as a blank here: tabs and line breaks at the ends stay.
std::string TrimSpaces(const std::string& s) {
  const size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// Thrown to end the command at once (the statement-error case).
struct EndCommand {};

struct ClearFlag {
  bool& flag;
  ~ClearFlag() { flag = false; }
};
}  // namespace

RepairCommand::RepairCommand(clsProd& objProd, platform::Host& host, RepairView& view)
    : objProd_(objProd), host_(host), view_(view) {}

std::string RepairCommand::DateRepairStatement(const CivilDateTime& today) {
  char date[16];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", today.year, today.month, today.day);
  return std::string("Delete * from logs where dates>#") + date + "#";
}

void RepairCommand::cmdOK_Click() {
  if (running_) return;
  running_ = true;
  ClearFlag clear{running_};

  // The command goes on with the next step after an error, reporting each error once.
  std::set<std::pair<long, std::string>> reported;
  auto step = [&](auto&& body) {
    try {
      body();
    } catch (const EndCommand&) {
      throw;
    } catch (const std::exception& e) {
      if (view_.Selected(Option::OptSQL)) {
        host_.MessageBox(kSqlError, platform::kIconNone);
        throw EndCommand{};
      }
      host_.SetDefaultPointer();
      const Error* error = dynamic_cast<const Error*>(&e);
      const long number = error ? error->Number() : 0;
      const std::string description = e.what();
      if (number != err::kDialogCancelled && reported.insert({number, description}).second)
        host_.MessageBox(std::to_string(number) + ",    " + description, platform::kIconNone);
    }
  };

  try {
    step([&] {
      if (!objProd_.dbconnection) throw ObjectRequiredError();
      // Another repair may have put a new file in the database's place since the window opened
      // it: this connection would read and write the old one, gone from the folder.
      if (objProd_.dbconnection->FileReplaced()) objProd_.dbconnection->Close();
      if (objProd_.dbconnection->State() == Connection::kStateClosed) objProd_.Get_Connection();
    });
    step([&] { RunSelectedRepair(); });
    step([&] {
      if (!objProd_.dbconnection) throw ObjectRequiredError();
      if (objProd_.dbconnection->State() == Connection::kStateOpen) objProd_.dbconnection->Close();
    });
  } catch (const EndCommand&) {
  }
}

RepairCommand::Outcome RepairCommand::RunStatement(const std::string& statement) {
  std::optional<StatementWatch> watch;
  if (look_in_ && objProd_.dbconnection && objProd_.dbconnection->NativeHandle())
    watch.emplace(objProd_.dbconnection->NativeHandle(), look_in_);
  if (objProd_.update_rec2(statement)) return Outcome::kDone;
  return watch && watch->stopped() ? Outcome::kStopped : Outcome::kFailed;
}

void RepairCommand::Report(Outcome outcome, const char* done, const char* failed, int done_icon, int failed_icon) {
  if (outcome == Outcome::kDone)
    host_.MessageBox(done, done_icon);
  else if (outcome == Outcome::kFailed)
    host_.MessageBox(failed, failed_icon);
  else
    host_.MessageBox(std::string(kStopped) + "\r\n\r\n" + failed, failed_icon);
}

void RepairCommand::RunSelectedRepair() {
  using platform::kIconCritical, platform::kIconInformation, platform::kIconNone;
  if (view_.Selected(Option::OptSQL)) {
    Report(RunStatement(TrimSpaces(view_.txtSQLText())), kQueryOk, kQueryFailed, kIconNone, kIconNone);
  } else if (view_.Selected(Option::optsysDate)) {
    Report(RunStatement(DateRepairStatement(host_.Now())), kRequestOk, kRequestFailed, kIconInformation, kIconCritical);
  } else if (view_.Selected(Option::optScreenProb)) {
    Report(RunStatement(kOnlineUsers), kRequestOk, kRequestFailed, kIconInformation, kIconCritical);
  } else if (view_.Selected(Option::optDBRepair)) {
    const std::string file_name = Get_File_Name(view_.txtCurrDBText());
    if (file_name.empty()) {
      host_.MessageBox(kCheckFileName, platform::kIconCritical, platform::kVendorTitle);
      return;
    }
    RepairContext context{objProd_, host_, progress_, access_factory_, "", {}, {}};
    Repair_Compact_DB(context, file_name);
    last_failure_reason_ = context.failure_reason;
  }
}

}  // namespace ornetta::repair
