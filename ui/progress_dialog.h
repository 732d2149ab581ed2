// Shows a running repair: its stage in words and how far the current step has come.
#pragma once

#include <QProgressDialog>

#include "repair/progress.h"

namespace ornetta::ui {

class ProgressDialog : public repair::ProgressSink {
 public:
  explicit ProgressDialog(QWidget* parent);
  ~ProgressDialog() override;

  void OnStage(repair::Stage stage, const std::string& text) override;
  void OnFraction(double fraction) override;

  QProgressDialog& dialog() { return dialog_; }

 private:
  void Repaint();
  QProgressDialog dialog_;
};

}  // namespace ornetta::ui
