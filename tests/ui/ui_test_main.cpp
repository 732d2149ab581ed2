// The window's tests run in one application made as the program makes it, offscreen.
#include <gtest/gtest.h>

#include "ui/application.h"

int main(int argc, char** argv) {
  // Never on a real display, and on a screen the window fits on (1280 x 1024 at 96 dots per inch):
  // the plain offscreen screen is narrower than the window.
  if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith("offscreen:"))
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" UI_TEST_SCREEN);
  const auto app = ornetta::ui::MakeApplication(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
