// The window's tests run in one QApplication, offscreen, with the style the program uses.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char** argv) {
  // Never on a real display, and on a screen the window fits on (1280 x 1024 at 96 dots per inch):
  // the plain offscreen screen is narrower than the window.
  if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith("offscreen:"))
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" UI_TEST_SCREEN);
  QApplication app(argc, argv);
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
