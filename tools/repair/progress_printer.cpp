#include "tools/repair/progress_printer.h"

#include <algorithm>

namespace ornetta::repair_cli {

namespace {
constexpr int kBarWidth = 40;
constexpr int kStageCount = static_cast<int>(repair::Stage::kDone);
constexpr int kPlainStep = 25;  // percent between two plain lines
}  // namespace

void ProgressPrinter::OnStage(repair::Stage stage, const std::string& text) {
  EndLine();
  percent_ = -1;
  if (stage == repair::Stage::kDone)
    out_ << text << "\n";
  else
    out_ << "[" << static_cast<int>(stage) + 1 << "/" << kStageCount << "] " << text << "\n";
  out_.flush();
}

void ProgressPrinter::OnFraction(double fraction) {
  // The engine reports many times a second: only a change of the whole percent is drawn.
  const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100);
  if (percent == percent_) return;
  if (terminal_) {
    percent_ = percent;
    Draw();
  } else if (percent / kPlainStep > std::max(percent_, 0) / kPlainStep) {
    percent_ = percent / kPlainStep * kPlainStep;
    out_ << "      " << percent_ << "%\n";
    out_.flush();
  }
}

void ProgressPrinter::Draw() {
  const int filled = percent_ * kBarWidth / 100;
  out_ << "\r      [" << std::string(filled, '#') << std::string(kBarWidth - filled, '.') << "] " << percent_ << "%";
  out_.flush();
  bar_shown_ = true;
}

void ProgressPrinter::EndLine() {
  if (!bar_shown_) return;
  out_ << "\n";
  out_.flush();
  bar_shown_ = false;
}

}  // namespace ornetta::repair_cli
