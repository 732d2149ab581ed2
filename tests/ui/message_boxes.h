// Reads and answers the real message boxes the window shows, as a person would.
#pragma once

#include <QFileDialog>
#include <QMessageBox>
#include <QObject>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/recording_host.h"
#include "ui/qt_host.h"

namespace ornetta::ui {

// A Qt host whose program folder is a test installation and whose "end the program" throws.
class TestHost : public QtHost {
 public:
  explicit TestHost(std::filesystem::path folder) : folder_(std::move(folder)) {
    end_program = [] { throw testing::ProgramEnded{}; };
  }
  std::filesystem::path ProgramFolder() const override { return folder_; }

 private:
  std::filesystem::path folder_;
};

// What else was on the screen when a message box came up.
struct Behind {
  bool progress_window;  // a progress window still showing
  bool busy_pointer;     // the busy pointer in force over the box
};

// While alive, answers every modal message box shortly after it appears and records it (its icon
// only when it is drawn): a box with OK alone is accepted; a question gets the next of `presses`
// clicked, or Escape when none is left.
class MessageBoxAnswerer {
 public:
  MessageBoxAnswerer();
  std::vector<testing::ShownMessage> seen;
  std::vector<Behind> behind;                         // one for each box seen
  std::vector<QMessageBox::StandardButtons> buttons;  // one for each box seen
  std::vector<QMessageBox::StandardButton> presses;

 private:
  QTimer timer_;
};

// While alive, hands the first file dialog that comes up to `answer`, which must close it.
class FileDialogAnswerer {
 public:
  explicit FileDialogAnswerer(std::function<void(QFileDialog* dialog)> answer);
  bool answered = false;

 private:
  QTimer timer_;
};

// While alive, counts the progress windows shown, and answers each with `answer` (if set) once
// it is up.
class ProgressWatcher : public QObject {
 public:
  ProgressWatcher();
  ~ProgressWatcher() override;
  int shown = 0;
  std::function<void(QWidget* progress)> answer;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace ornetta::ui
