// Progress windows: the repair's stages, and a long statement's wait with its Cancel button.
//
// A progress window is up only while work really runs, shows the busy pointer only while it is
// up, and is taken down before any message box (QtHost), so that no message ever sits in front
// of a window that still says the work goes on.
#pragma once

#include <QProgressDialog>
#include <chrono>
#include <memory>

#include "repair/progress.h"

namespace ornetta::ui {

// An application-modal progress window that holds the busy pointer while it is shown.
class BusyWindow : public QProgressDialog {
 public:
  BusyWindow(QWidget* parent, const QString& label, bool cancellable);

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  bool holds_pointer_ = false;
};

// Hides every progress window that is up (before a message box is shown).
void TakeDownProgressWindows();

// The repair's progress: nothing is shown until the repair reports its first stage.
class ProgressDialog : public repair::ProgressSink {
 public:
  explicit ProgressDialog(QWidget* parent);
  ~ProgressDialog() override;

  void OnStage(repair::Stage stage, const std::string& text) override;
  void OnFraction(double fraction) override;

  // The window, once a stage has made it; nullptr before.
  BusyWindow* dialog() const { return dialog_.get(); }

 private:
  void Repaint();
  QWidget* parent_;
  std::unique_ptr<BusyWindow> dialog_;
};

// A statement's wait: the window repaints while the statement runs; after a second the progress
// window comes up, and its Cancel button stops the statement.
class StatementProgress {
 public:
  static constexpr std::chrono::milliseconds kShowAfter{1000};

  explicit StatementProgress(QWidget* parent);
  ~StatementProgress();

  // The look-in of the statement's watch: false once the user has cancelled.
  bool KeepGoing(std::chrono::milliseconds elapsed);

  BusyWindow* dialog() const { return dialog_.get(); }

 private:
  QWidget* parent_;
  std::unique_ptr<BusyWindow> dialog_;
};

}  // namespace ornetta::ui
