// How a running repair tells the window how far it has come.
#pragma once

#include <string>

namespace ornetta::repair {

enum class Stage { kBackup, kCompactYear, kSwapYear, kCompactStart, kSwapStart, kDone };

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // A new stage begins; `text` says it in words for the user.
  virtual void OnStage(Stage stage, const std::string& text) = 0;
  // How far the current stage has come, 0 to 1.
  virtual void OnFraction(double fraction) = 0;
};

}  // namespace ornetta::repair
