// The host of a repair run from a shell: message boxes become text, the program folder is the one
// named on the command line, and a request to end the program becomes an exception.
#pragma once

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

#include "platform/host.h"

namespace ornetta::repair_cli {

// Thrown by ConsoleHost::EndProgram: the caller decides whether the run can go on.
struct EndRequested {};

class ConsoleHost : public platform::Host {
 public:
  // Boxes with the critical icon go to `err`, the others to `out`. `before_output` runs first
  // (it ends a progress bar's line).
  ConsoleHost(std::filesystem::path program_folder, std::ostream& out, std::ostream& err,
              std::function<void()> before_output = {});

  void MessageBox(const std::string& text, int icon, const std::string& title) override;
  using platform::Host::MessageBox;
  [[noreturn]] void EndProgram() override;
  std::filesystem::path ProgramFolder() const override { return folder_; }
  void ProcessPendingMessages() override {}
  void SetDefaultPointer() override {}
  CivilDateTime Now() const override { return SystemClock().Now(); }

 private:
  std::filesystem::path folder_;
  std::ostream& out_;
  std::ostream& err_;
  std::function<void()> before_output_;
};

// A message box's text as lines for a terminal: "\r\n" and "\r" become "\n", and every line but
// the first is indented under the title.
std::string AsText(const std::string& text, int icon, const std::string& title);

}  // namespace ornetta::repair_cli
