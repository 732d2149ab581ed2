// How a running repair tells whoever shows it how far it has come: the window's progress dialog,
// or ornetta-repair's printer.
#pragma once

#include <string>

namespace ornetta::repair {

// In the order a run passes them; each database is compacted, its copy verified, then swapped in.
enum class Stage { kBackup, kCompactYear, kVerifyYear, kSwapYear, kCompactStart, kVerifyStart, kSwapStart, kDone };

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // A new stage begins; `text` says it in words for the user.
  virtual void OnStage(Stage stage, const std::string& text) = 0;
  // How far the current stage has come, 0 to 1.
  virtual void OnFraction(double fraction) = 0;
};

}  // namespace ornetta::repair
