// The keyboard as on the desktop the users come from, with real key events to the focused
// control: only keys that type a character select the statement option, Enter presses the
// focused button, and the focused control shows it.
#include <QPushButton>
#include <map>

#include "tests/ui/window_test.h"

namespace ornetta::ui {
namespace {

using testing::ShownMessage;

class KeyboardTest : public WindowTest {
 protected:
  void SetUp() override {
    Start();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  }
  // A key as the keyboard sends it: to whichever control has the focus.
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    QTest::keyClick(focused, key, modifiers);
    QApplication::processEvents();
  }
  void ClickInto(QLineEdit* box) { QTest::mouseClick(box, Qt::LeftButton); }
};

// Pixels that plainly differ between two pictures of one control (a faint tint does not count).
int PlainlyDifferentPixels(const QImage& a, const QImage& b) {
  int n = 0;
  for (int y = 0; y < std::min(a.height(), b.height()); ++y)
    for (int x = 0; x < std::min(a.width(), b.width()); ++x) {
      const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
      n += std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) + std::abs(p.blue() - q.blue()) > 150;
    }
  return n;
}

TEST_F(KeyboardTest, TabbingOutOfTheStatementBoxKeepsTheChosenRepair) {
  const long long errlog_rows = testing::QueryCount(install.year_database(), "errlog");
  ASSERT_GT(errlog_rows, 0);
  ClickInto(window.txtSQL());
  QTest::keyClicks(window.txtSQL(), "DELETE FROM errlog");
  ASSERT_TRUE(window.OptSQL()->isChecked());
  // The user changes their mind, clicks into the box, and goes to Repair with the keyboard.
  Choose(window.optDBRepair());
  ClickInto(window.txtSQL());
  ASSERT_EQ(QApplication::focusWidget(), window.txtSQL());
  Key(Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), window.cmdExit());
  Key(Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), window.cmdOK());
  EXPECT_TRUE(window.optDBRepair()->isChecked()) << "Tab types nothing";
  Key(Qt::Key_Space);
  EXPECT_EQ(boxes.seen,
            (std::vector<ShownMessage>{{"Database Successfully Repaired and Compacted !!!", 64, "TARVIK Software"}}));
  EXPECT_EQ(testing::QueryCount(install.year_database(), "errlog"), errlog_rows) << "the statement did not run";
  EXPECT_EQ(window.txtSQL()->text(), "DELETE FROM errlog");
}

TEST_F(KeyboardTest, OnlyKeysThatTypeACharacterSelectTheStatementOption) {
  Choose(window.optScreenProb());
  ClickInto(window.txtSQL());
  QTest::keyClicks(window.txtSQL(), "abc");
  ASSERT_TRUE(window.OptSQL()->isChecked());

  struct Case {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool selects;
  };
  const Case cases[] = {{Qt::Key_X, Qt::AltModifier, false},       {Qt::Key_Backtab, Qt::ShiftModifier, false},
                        {Qt::Key_Left, Qt::NoModifier, false},     {Qt::Key_Delete, Qt::NoModifier, false},
                        {Qt::Key_F2, Qt::NoModifier, false},       {Qt::Key_Space, Qt::NoModifier, true},
                        {Qt::Key_Backspace, Qt::NoModifier, true}, {Qt::Key_Escape, Qt::NoModifier, true},
                        {Qt::Key_Return, Qt::NoModifier, true},    {Qt::Key_A, Qt::ControlModifier, true},
                        {Qt::Key_7, Qt::NoModifier, true},         {Qt::Key_Semicolon, Qt::NoModifier, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(QKeySequence(c.key | c.modifiers).toString().toStdString());
    Choose(window.optScreenProb());
    ClickInto(window.txtSQL());
    Key(c.key, c.modifiers);
    EXPECT_EQ(window.OptSQL()->isChecked(), c.selects);
    EXPECT_EQ(window.optScreenProb()->isChecked(), !c.selects);
  }
  EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(KeyboardTest, EnterPressesTheFocusedButton) {
  int chooser_opened = 0;
  window.set_file_chooser([&](QWidget*, const FileDialogRequest&) {
    ++chooser_opened;
    return QString();
  });
  ASSERT_EQ(QApplication::focusWidget(), window.txtCurrDB());
  Key(Qt::Key_Tab);
  ASSERT_EQ(QApplication::focusWidget(), window.cmdSelectDB());
  Key(Qt::Key_Return);
  EXPECT_EQ(chooser_opened, 1);
  Key(Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(chooser_opened, 2);

  window.cmdExit()->setFocus(Qt::TabFocusReason);
  Key(Qt::Key_Return);
  EXPECT_FALSE(window.isVisible()) << "Exit pressed with Enter";
}

TEST_F(KeyboardTest, TheFocusedControlShowsThatItHasTheFocus) {
  // Each control that Tab reaches looks plainly different from the same control without the
  // focus. (The text boxes show their caret; every other control must show the focus itself.)
  std::map<QWidget*, QImage> unfocused;
  for (QWidget* w : window.findChildren<QWidget*>()) unfocused[w] = w->grab().toImage();
  std::vector<std::string> reached;
  do {
    Key(Qt::Key_Tab);
    QWidget* w = QApplication::focusWidget();
    reached.push_back(w->objectName().toStdString());
    if (qobject_cast<QLineEdit*>(w)) continue;
    EXPECT_GE(PlainlyDifferentPixels(w->grab().toImage(), unfocused[w]), 20) << reached.back() << " shows no focus";
  } while (QApplication::focusWidget() != window.txtCurrDB() && reached.size() < 20);
  // The options are one group, which Tab enters at its first option (the arrow keys move in it).
  EXPECT_EQ(reached,
            (std::vector<std::string>{"cmdSelectDB", "optsysDate", "txtSQL", "cmdExit", "cmdOK", "txtCurrDB"}));
}

}  // namespace
}  // namespace ornetta::ui
