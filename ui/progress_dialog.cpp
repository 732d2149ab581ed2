#include "ui/progress_dialog.h"

#include <QApplication>
#include <limits>

#include "platform/host.h"

namespace ornetta::ui {

BusyWindow::BusyWindow(QWidget* parent, const QString& label, bool cancellable) : QProgressDialog(parent) {
  setWindowTitle(QString::fromStdString(platform::kVendorTitle));
  setLabelText(label);
  if (!cancellable) setCancelButton(nullptr);
  setWindowModality(Qt::ApplicationModal);
  setAutoClose(false);
  setAutoReset(false);
  // Shown when the caller says so, never by the toolkit's own timer or estimate: a window that
  // a message box took down must not come back over the message.
  setMinimumDuration(std::numeric_limits<int>::max());
  reset();
  setRange(0, 0);
}

void BusyWindow::showEvent(QShowEvent* event) {
  QProgressDialog::showEvent(event);
  if (holds_pointer_) return;
  holds_pointer_ = true;
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

void BusyWindow::hideEvent(QHideEvent* event) {
  QProgressDialog::hideEvent(event);
  if (!holds_pointer_) return;
  holds_pointer_ = false;
  QApplication::restoreOverrideCursor();
}

void TakeDownProgressWindows() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* busy = dynamic_cast<BusyWindow*>(w); busy && busy->isVisible()) busy->hide();
}

ProgressDialog::ProgressDialog(QWidget* parent) : parent_(parent) {}

ProgressDialog::~ProgressDialog() = default;

void ProgressDialog::OnStage(repair::Stage stage, const std::string& text) {
  if (stage == repair::Stage::kDone) {
    if (dialog_) dialog_->hide();
    return;
  }
  if (!dialog_) dialog_ = std::make_unique<BusyWindow>(parent_, QString(), false);
  dialog_->setLabelText(QString::fromStdString(text) + "...");
  // Until the stage reports how far it has come (the checks and swaps never do), a moving bar
  // shows that it is working rather than a bar stuck at nothing.
  dialog_->setRange(0, 0);
  dialog_->show();
  Repaint();
}

void ProgressDialog::OnFraction(double fraction) {
  if (!dialog_) return;
  if (dialog_->maximum() == 0) dialog_->setRange(0, 100);
  dialog_->setValue(static_cast<int>(fraction * 100));
  Repaint();
}

void ProgressDialog::Repaint() {
  // Paint only: queued input waits for the repair's own yields.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

StatementProgress::StatementProgress(QWidget* parent) : parent_(parent) {}

StatementProgress::~StatementProgress() = default;

bool StatementProgress::KeepGoing(std::chrono::milliseconds elapsed) {
  if (!dialog_ && elapsed >= kShowAfter) {
    dialog_ = std::make_unique<BusyWindow>(
        parent_, "Working on the database...\nCancel stops it and leaves the database as it was.", true);
    dialog_->show();
  }
  // Once the modal progress window is up, input reaches only its Cancel button; before, the
  // user's input waits and the window only repaints.
  if (dialog_ && dialog_->isVisible())
    QCoreApplication::processEvents();
  else
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  return !(dialog_ && dialog_->wasCanceled());
}

}  // namespace ornetta::ui
