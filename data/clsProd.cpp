// clsProd's statements, lookups, recordsets and text helpers.
#include "data/clsProd.h"

#include "data/values/datetime.h"
#include "data/values/error.h"
#include "data/crypto/password.h"
#include "data/values/sql_quoting.h"
#include "data/values/utf8.h"

namespace ornetta {

namespace {
constexpr int kMaxInt16 = 32767;

// A date literal the engine reads the same whatever the user's regional settings.
std::string DateLiteralText(double dt) {
  std::string text = FormatStoredDate(CivilFromSerial(dt));
  if (text.compare(10, 9, " 00:00:00") == 0) text.resize(10);
  return text;
}
}  // namespace

clsProd::clsProd(platform::Host& host, std::function<void()> mark_database_missing)
    : host_(host), mark_database_missing_(std::move(mark_database_missing)) {}

std::shared_ptr<Recordset> clsProd::OpenRecordset(const std::string& statement, Recordset::ParameterPrompt prompt) {
  auto rs = std::make_shared<Recordset>();
  rs->SetParameterPrompt(std::move(prompt));
  rs->Open(statement, dbconnection, Recordset::kOpenDynamic, Recordset::kLockOptimistic);
  return rs;
}

void clsProd::RunStatement(const std::string& statement, Recordset::ParameterPrompt prompt) {
  OpenRecordset(statement, std::move(prompt));
}

void clsProd::er_hnd(const std::string& log, double dt) {
  // The text is logged exactly as given: its apostrophes are doubled so that it cannot end the
  // literal early and become part of the statement.
  try {
    RunStatement("insert into errlog VALUES (" + QuotedText(log) + ", #" + DateLiteralText(dt) + "#)");
  } catch (...) {
  }
}

void clsProd::Recordset_Creation(const std::string& strquery) {
  dbrec = std::make_shared<Recordset>();
  dbrec->Open(strquery, dbconnection, Recordset::kOpenDynamic, Recordset::kLockOptimistic);
}

void clsProd::RecordSet_Close() {
  if (!dbrec) throw ObjectRequiredError();
  dbrec->Close();
  dbrec.reset();
}

Variant clsProd::Retrieve_Id(const std::string& querry) {
  auto rs = OpenRecordset(querry);
  Variant result = Variant::MakeInteger(0);
  if (!rs->Eof() && !rs->Fields(0).IsNull()) result = rs->Fields(0);
  rs->Close();
  return result;
}

std::string clsProd::Retrieve_Name(const std::string& querry) {
  auto rs = OpenRecordset(querry);
  std::string result;
  if (!rs->Eof() && !rs->Fields(0).IsNull()) result = rs->Fields(0).ToText();
  rs->Close();
  return result;
}

void clsProd::open_temp_rec(const std::string& querry) {
  tmp_Rec = std::make_shared<Recordset>();
  tmp_Rec->Open(querry, dbconnection, Recordset::kOpenDynamic, Recordset::kLockOptimistic);
}

void clsProd::close_temp_rec() {
  if (!tmp_Rec) throw ObjectRequiredError();
  tmp_Rec->Close();
  tmp_Rec.reset();
}

bool clsProd::chk_rec_exst(const std::string& querry) {
  auto rs = OpenRecordset(querry);
  const bool found = !rs->Eof();
  rs->Close();
  return found;
}

Variant clsProd::encryp_decryp(const std::string& chk) {
  // The length and the counter are 16-bit: 32767 characters overflow, after the last one.
  const size_t n = utf8::Length(chk);
  if (n > static_cast<size_t>(kMaxInt16)) throw OverflowError();
  std::string shifted = crypto::ShiftCodes(chk);
  if (n == static_cast<size_t>(kMaxInt16)) throw OverflowError();
  return Variant::MakeString(std::move(shifted));  // moved, not copied: the result may be the password
}

std::string clsProd::Str_Split_Using_Separator(const std::string& Src_Str, const std::string& sep, int16_t pos) {
  if (pos == 0) {
    host_.MessageBox("Position Error", platform::kIconNone);
    return "";
  }
  if (sep.empty()) return "";
  std::string s = Src_Str;
  int i = 1;
  // Each skipped field is dropped with the first character of its separator.
  size_t sep_first_char = 0;  // its length in bytes
  utf8::Decode(sep, sep_first_char);
  for (size_t p; (p = s.find(sep)) != std::string::npos && i != pos;) {
    s.erase(0, p + sep_first_char);
    if (i == kMaxInt16) throw OverflowError();
    ++i;
  }
  const size_t p = s.find(sep);
  if (p != std::string::npos) return s.substr(0, p);
  return i == pos ? s : "";
}

void clsProd::update_rec(const std::string& strr) {
  try {
    RunStatement(strr);
  } catch (...) {
    return;
  }
  host_.MessageBox("Successfully executed your Request...", platform::kIconNone);
}

bool clsProd::update_rec2(const std::string& strr) {
  try {
    RunStatement(strr, [this](const std::string& name) { return host_.InputBox(name, "Enter Parameter Value"); });
    return true;
  } catch (...) {
    return false;
  }
}

std::string clsProd::Password() { return crypto::ShiftCodes(crypto::StoredPasswordConstant()); }

}  // namespace ornetta
