// The Repair command: runs the repair that belongs to the window's selected option and reports
// it. The window's way into the repair layer.
#pragma once

#include <string>

#include "data/clsProd.h"
#include "data/engine/statement_watch.h"
#include "platform/host.h"
#include "repair/access_application.h"
#include "repair/progress.h"

namespace ornetta::repair {

// The option buttons, in the order the command tests them.
enum class Option { OptSQL, optsysDate, optScreenProb, optDBRepair };

// What the command reads of the window at the moment of the click.
class RepairView {
 public:
  virtual ~RepairView() = default;
  virtual bool Selected(Option option) const = 0;
  virtual std::string txtSQLText() const = 0;
  virtual std::string txtCurrDBText() const = 0;
};

class RepairCommand {
 public:
  RepairCommand(clsProd& objProd, platform::Host& host, RepairView& view);

  void set_progress(ProgressSink* progress) { progress_ = progress; }
  void set_access_factory(AccessApplicationFactory factory) { access_factory_ = std::move(factory); }
  // Looks in while a repair's statement runs (a window stays alive); its "no" stops the statement.
  void set_statement_look_in(StatementWatch::LookIn look_in) { look_in_ = std::move(look_in); }

  // Opens the year database when the connection is closed, runs the selected repair, reports it,
  // and closes the connection. A click while a command runs (the repair lets queued input through)
  // is refused: it does nothing.
  void cmdOK_Click();

  bool running() const { return running_; }
  // What went wrong in the last failed database repair, or "".
  const std::string& last_failure_reason() const { return last_failure_reason_; }

  // The date repair's statement for the day of `today` (its time is not used), in a form the engine
  // reads the same in every locale.
  static std::string DateRepairStatement(const CivilDateTime& today);

 private:
  enum class Outcome { kDone, kFailed, kStopped };
  void RunSelectedRepair();
  Outcome RunStatement(const std::string& statement);
  // The fixed messages of a statement repair; a stopped one says so first.
  void Report(Outcome outcome, const char* done, const char* failed, int done_icon, int failed_icon);

  clsProd& objProd_;
  platform::Host& host_;
  RepairView& view_;
  ProgressSink* progress_ = nullptr;
  AccessApplicationFactory access_factory_ = DefaultAccessApplicationFactory();
  StatementWatch::LookIn look_in_;
  bool running_ = false;
  std::string last_failure_reason_;
};

}  // namespace ornetta::repair
