#include "ui/progress_dialog.h"

#include <QApplication>

#include "platform/host.h"

namespace ornetta::ui {

ProgressDialog::ProgressDialog(QWidget* parent) : dialog_(parent) {
  dialog_.setWindowTitle(QString::fromStdString(platform::kVendorTitle));
  dialog_.setLabelText("Repairing and compacting the databases...");
  dialog_.setCancelButton(nullptr);  // a swap must not be interrupted half way
  dialog_.setRange(0, 100);
  dialog_.setMinimumDuration(0);
  dialog_.setWindowModality(Qt::ApplicationModal);
  dialog_.setAutoClose(false);
  dialog_.setAutoReset(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  dialog_.show();
  Repaint();
}

ProgressDialog::~ProgressDialog() {
  dialog_.hide();
  QApplication::restoreOverrideCursor();
}

void ProgressDialog::OnStage(repair::Stage stage, const std::string& text) {
  if (stage == repair::Stage::kDone) {
    dialog_.hide();
    return;
  }
  dialog_.setLabelText(QString::fromStdString(text) + "...");
  // Until the stage reports how far it has come (the checks and swaps never do), a moving bar
  // shows that it is working rather than a bar stuck at nothing.
  dialog_.setRange(0, 0);
  Repaint();
}

void ProgressDialog::OnFraction(double fraction) {
  if (dialog_.maximum() == 0) dialog_.setRange(0, 100);
  dialog_.setValue(static_cast<int>(fraction * 100));
  Repaint();
}

void ProgressDialog::Repaint() {
  // Paint only: queued input waits for the repair's own yields.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace ornetta::ui
