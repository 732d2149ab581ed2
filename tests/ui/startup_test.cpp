// The application object as the program makes it, started with the toolkit's own options on its
// command line and a settings file of the toolkit's in the user's configuration folder: neither
// takes effect, and the file dialog writes nothing there.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QProxyStyle>
#include <QTemporaryDir>
#include <QTest>

#include "tests/support/recording_host.h"
#include "tests/ui/window_test.h"
#include "ui/application.h"

namespace ornetta::ui {
namespace {

QTemporaryDir* config_home = nullptr;
QByteArray planted_settings;
QString program_name;

QString SettingsFile() { return config_home->filePath("QtProject.conf"); }

TEST(StartUpTest, TheToolkitsCommandLineOptionsTakeNoEffect) {
  EXPECT_EQ(QApplication::arguments(), QStringList{program_name});
  EXPECT_EQ(QApplication::layoutDirection(), Qt::LeftToRight) << "-reverse";
  EXPECT_TRUE(qApp->styleSheet().isEmpty()) << "-stylesheet";
  auto* style = qobject_cast<QProxyStyle*>(QApplication::style());
  ASSERT_NE(style, nullptr) << "-style";
  EXPECT_EQ(style->baseStyle()->name(), "fusion");
  testing::RecordingHost host{"/nonexistent"};
  frmRepairCompact window{host};
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_EQ(window.windowTitle(), "ORNETTA") << "-qwindowtitle";
  EXPECT_EQ(window.size(), QSize(836, 552)) << "-qwindowgeometry";
  EXPECT_EQ(window.grab().toImage().pixelColor(300, 270), QColor(0x80, 0xC0, 0xFF)) << "the window's own colour";
  EXPECT_EQ(window.optDBRepair()->layoutDirection(), Qt::LeftToRight);
}

class SettingsTest : public WindowTest {};

TEST_F(SettingsTest, TheFileDialogNeitherReadsNorWritesTheToolkitsSettings) {
  Start();
  QStringList history;
  FileDialogAnswerer canceller([&](QFileDialog* dialog) {
    history = dialog->history();
    dialog->reject();
  });
  Press(window.cmdSelectDB());
  ASSERT_TRUE(canceller.answered);
  EXPECT_FALSE(history.contains("/planted/by/the/test")) << history.join(", ").toStdString();
  QFile settings(SettingsFile());
  ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
  EXPECT_EQ(settings.readAll(), planted_settings) << "nothing written";
  EXPECT_EQ(QDir(config_home->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList{"QtProject.conf"});
  EXPECT_TRUE(boxes.seen.empty());
}

}  // namespace
}  // namespace ornetta::ui

int main(int argc, char** argv) {
  if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith("offscreen:"))
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" UI_TEST_SCREEN);
  using namespace ornetta::ui;
  QTemporaryDir home;
  config_home = &home;
  qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
  planted_settings =
      "[FileDialog]\nhistory=file:///planted/by/the/test\nlastVisited=file:///planted/by/the/test\nviewMode=List\n";
  QFile settings(SettingsFile());
  if (!settings.open(QIODevice::WriteOnly) || settings.write(planted_settings) != planted_settings.size()) return 2;
  settings.close();
  QTemporaryDir elsewhere;
  QFile sheet(elsewhere.filePath("hostile.qss"));
  if (!sheet.open(QIODevice::WriteOnly)) return 2;
  sheet.write("QWidget { background: red; }");
  sheet.close();
  const std::string sheet_path = elsewhere.filePath("hostile.qss").toStdString();
  std::string options[] = {"-reverse",      "-stylesheet", sheet_path,         "-style",     "windows",
                           "-qwindowtitle", "Hijacked",    "-qwindowgeometry", "100x100+0+0"};
  std::vector<char*> toolkit_argv{argv[0]};
  for (std::string& o : options) toolkit_argv.push_back(o.data());
  program_name = QString::fromLocal8Bit(argv[0]);
  const auto app = MakeApplication(static_cast<int>(toolkit_argv.size()), toolkit_argv.data());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
