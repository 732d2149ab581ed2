// A typed statement that asks for values: the window asks for each in an input box titled
// "Enter Parameter Value", as Access does. Real widgets; only the person answering is played.
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <optional>

#include "tests/ui/window_test.h"

namespace ornetta::ui {
namespace {

using testing::ShownMessage;

// While alive, answers each input box with the next answer (nullopt: Cancel), recording its title
// and prompt as they show on the screen.
class InputBoxAnswerer {
 public:
  explicit InputBoxAnswerer(std::vector<std::optional<QString>> answers) : answers_(std::move(answers)) {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      const QLabel* label = box->findChild<QLabel*>();
      seen.push_back({(label ? label->text() : QString()).toStdString(), 0, box->windowTitle().toStdString()});
      if (answers_.empty() || !answers_.front()) {
        if (!answers_.empty()) answers_.erase(answers_.begin());
        box->reject();
        return;
      }
      QLineEdit* field = box->findChild<QLineEdit*>();
      field->clear();
      QTest::keyClicks(field, *answers_.front());
      answers_.erase(answers_.begin());
      QTest::keyClick(field, Qt::Key_Return);
    });
    timer_.start();
  }
  std::vector<ShownMessage> seen;

 private:
  std::vector<std::optional<QString>> answers_;
  QTimer timer_;
};

TEST_F(WindowTest, ATypedStatementAsksForItsParametersInInputBoxes) {
  Start();
  const long long logs = testing::QueryCount(install.year_database(), "logs");
  ASSERT_GT(logs, 0);
  const std::string statement =
      "PARAMETERS [After which date?] DateTime, [Keep whose rows?] Text; "
      "DELETE FROM logs WHERE dates > [After which date?] AND UserName <> [Keep whose rows?]";
  {
    InputBoxAnswerer person({QString("12/31/2999"), QString("nobody")});
    window.txtSQL()->setText(QString::fromStdString(statement));
    Choose(window.OptSQL());
    Repair();
    EXPECT_EQ(person.seen, (std::vector<ShownMessage>{{"After which date?", 0, "Enter Parameter Value"},
                                                      {"Keep whose rows?", 0, "Enter Parameter Value"}}));
  }
  EXPECT_EQ(testing::QueryCount(install.year_database(), "logs"), logs) << "no row lies after 2999";
  {
    // Cancel at the first box: nothing runs, nothing more is asked.
    InputBoxAnswerer person({std::nullopt});
    Repair();
    EXPECT_EQ(person.seen, (std::vector<ShownMessage>{{"After which date?", 0, "Enter Parameter Value"}}));
  }
  EXPECT_EQ(testing::QueryCount(install.year_database(), "logs"), logs);
  {
    // A date given as a date: every row after 1 January 1900 but those of nobody goes.
    InputBoxAnswerer person({QString("1/1/1900"), QString("nobody")});
    Repair();
  }
  EXPECT_EQ(testing::QueryCount(install.year_database(), "logs"), 0);
  EXPECT_EQ(boxes.seen, (std::vector<ShownMessage>{{"Query Successfully Executed", 0, "TARVIK - ORNETTA"},
                                                   {"QUERY NOT SUCCESSFUL???", 0, "TARVIK - ORNETTA"},
                                                   {"Query Successfully Executed", 0, "TARVIK - ORNETTA"}}));
  EXPECT_EQ(window.objProd()->dbconnection->State(), 0) << "each command leaves the connection closed";
}

}  // namespace
}  // namespace ornetta::ui
