// The repair's stages and progress on a shell's output: a bar redrawn in place on a terminal,
// plain lines otherwise (a log file, a pipe, a scheduled job's mail).
#pragma once

#include <ostream>
#include <string>

#include "repair/progress.h"

namespace ornetta::repair_cli {

class ProgressPrinter : public repair::ProgressSink {
 public:
  ProgressPrinter(std::ostream& out, bool terminal) : out_(out), terminal_(terminal) {}

  void OnStage(repair::Stage stage, const std::string& text) override;
  void OnFraction(double fraction) override;

  // Ends the bar's line, so that what is printed next starts on a line of its own.
  void EndLine();

 private:
  void Draw();

  std::ostream& out_;
  bool terminal_;
  bool bar_shown_ = false;
  int percent_ = -1;  // the last one shown
};

}  // namespace ornetta::repair_cli
