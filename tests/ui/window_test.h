// The window on a fresh demo installation, with its message boxes answered as a person would.
#pragma once

#include <gtest/gtest.h>

#include <QTest>

#include "tests/support/installation.h"
#include "tests/ui/message_boxes.h"
#include "ui/frmRepairCompact.h"

namespace ornetta::ui {

class WindowTest : public ::testing::Test {
 protected:
  void Start() {
    window.Form_Load();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  }
  void Choose(QRadioButton* option) { QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(8, option->height() / 2)); }
  void Press(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
  void Repair() {
    QTest::mouseClick(window.cmdOK(), Qt::LeftButton);
    QApplication::processEvents();
  }

  testing::DemoInstallation install;
  TestHost host{install.program_folder()};
  MessageBoxAnswerer boxes;
  frmRepairCompact window{host};
};

}  // namespace ornetta::ui
