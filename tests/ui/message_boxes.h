// Reads and answers the real message boxes the window shows, as a person would.
#pragma once

#include <QTimer>
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

// While alive, accepts every modal message box shortly after it appears and records it.
class MessageBoxAnswerer {
 public:
  MessageBoxAnswerer();
  std::vector<testing::ShownMessage> seen;

 private:
  QTimer timer_;
};

}  // namespace ornetta::ui
