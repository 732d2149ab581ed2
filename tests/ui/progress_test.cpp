// The progress windows as the user sees them: up only while work really runs, never behind a
// message; a long statement keeps the window alive and can be cancelled, changing nothing.
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QPushButton>

#include "tests/ui/window_test.h"
#include "ui/progress_dialog.h"

namespace ornetta::ui {
namespace {

using testing::ShownMessage;

const char* const kCheckFileName = "Check the Database FileName Listed / Selected....";
const char* const kCompactFailed = "Error Occured while compacting Database!!! ";

TEST_F(WindowTest, TheRepairsProgressWindowIsUpOnlyWhileARepairRuns) {
  Start();
  Choose(window.optDBRepair());
  {
    ProgressWatcher progress;
    window.txtCurrDB()->setText("");
    Repair();
    EXPECT_EQ(progress.shown, 0) << "no file name: no repair runs";
  }
  ASSERT_EQ(boxes.seen, (std::vector<ShownMessage>{{kCheckFileName, 16, "TARVIK Software"}}));

  window.txtCurrDB()->setText(QString::fromStdString((install.database_folder() / "DB1999_00.mdb").string()));
  Repair();  // a missing file: the start database's backup runs, then the failure is reported
  ASSERT_EQ(boxes.seen.size(), 2u);
  EXPECT_NE(boxes.seen[1].text.find(kCompactFailed), std::string::npos) << boxes.seen[1].text;

  window.txtCurrDB()->setText(QString::fromStdString(install.year_database().string()));
  {
    ProgressWatcher progress;
    Repair();
    EXPECT_GE(progress.shown, 1) << "a real repair shows how far it has come";
  }
  ASSERT_EQ(boxes.seen.size(), 3u);
  EXPECT_EQ(boxes.seen[2].text, "Database Successfully Repaired and Compacted !!!");
  for (size_t i = 0; i < boxes.behind.size(); ++i) {
    SCOPED_TRACE(boxes.seen[i].text);
    EXPECT_FALSE(boxes.behind[i].progress_window) << "taken down before the message";
    EXPECT_FALSE(boxes.behind[i].busy_pointer);
  }
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Stages that cannot say how far they are (the checks, the swaps) show a moving bar; a
// compaction's fractions fill a real one.
TEST(ProgressDialogTest, ShownFromTheFirstStageAndBusyUntilItSaysHowFarItIs) {
  ProgressDialog progress(nullptr);
  EXPECT_EQ(progress.dialog(), nullptr) << "nothing before the repair reports a stage";
  progress.OnFraction(0.5);
  EXPECT_EQ(progress.dialog(), nullptr);
  progress.OnStage(repair::Stage::kCompactYear, "Compacting DB2026_27.mdb");
  QProgressDialog* dialog = progress.dialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  EXPECT_EQ(dialog->labelText(), "Compacting DB2026_27.mdb...");
  EXPECT_EQ(dialog->maximum(), 0) << "busy until the first fraction";
  progress.OnFraction(0.42);
  EXPECT_EQ(dialog->maximum(), 100);
  EXPECT_EQ(dialog->value(), 42);
  progress.OnStage(repair::Stage::kVerifyYear, "Checking the compacted DB2026_27.mdb");
  EXPECT_EQ(dialog->maximum(), 0);
  TakeDownProgressWindows();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the busy pointer goes with the window";
  // The toolkit's own timer (4 s after the first value) must not bring it back.
  progress.OnFraction(0.0);
  progress.OnFraction(0.01);
  QTest::qWait(4500);
  EXPECT_FALSE(dialog->isVisible()) << "a window taken down stays down";
  progress.OnStage(repair::Stage::kSwapYear, "Putting the compacted DB2026_27.mdb in place");
  EXPECT_TRUE(dialog->isVisible());
  progress.OnStage(repair::Stage::kDone, "Done");
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

class LongStatementTest : public WindowTest {
 protected:
  void SetUp() override {
    Start();
    // 100 million rows to insert: far longer than the second after which Cancel is offered.
    window.txtSQL()->setText(
        "INSERT INTO errlog (ErrText, ErrDate) SELECT a.Action, a.dates FROM logs AS a, logs AS b, logs AS c, logs AS "
        "d, "
        "logs AS e");
    window.OptSQL()->setChecked(true);
  }
};

TEST_F(LongStatementTest, CancelStopsItAndNothingChanges) {
  const long long rows = testing::QueryCount(install.year_database(), "errlog");
  // The window keeps painting while the statement runs, before any progress window is up.
  int paints = 0;
  struct PaintCounter : QObject {
    int* n;
    explicit PaintCounter(int* count) : n(count) {}
    bool eventFilter(QObject*, QEvent* e) override {
      *n += e->type() == QEvent::Paint;
      return false;
    }
  } counter(&paints);
  QTimer::singleShot(300, &window, [&] {
    window.installEventFilter(&counter);
    window.update();
  });
  QElapsedTimer clock;
  qint64 shown_at = -1, paints_before_progress = -1;
  ProgressWatcher progress;
  progress.answer = [&](QWidget* w) {
    shown_at = clock.elapsed();
    paints_before_progress = paints;
    auto* cancel = w->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->text(), "Cancel");
    QTest::mouseClick(cancel, Qt::LeftButton);
  };
  clock.start();
  Repair();
  EXPECT_EQ(progress.shown, 1);
  EXPECT_GE(shown_at, 1000) << "not before a second has passed";
  EXPECT_GT(paints_before_progress, 0) << "the window repainted while the statement ran";
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_EQ(boxes.seen[0].text,
            "Cancelled before it finished: nothing in the database was changed.\n\nQUERY NOT SUCCESSFUL???");
  EXPECT_EQ(boxes.seen,
            (std::vector<ShownMessage>{{"Cancelled before it finished: nothing in the database was changed.\n\n"
                                        "QUERY NOT SUCCESSFUL???",
                                        0, "TARVIK - ORNETTA"}}));
  ASSERT_EQ(boxes.behind.size(), 1u);
  EXPECT_FALSE(boxes.behind[0].progress_window);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_FALSE(window.testAttribute(Qt::WA_SetCursor)) << "the window keeps its ordinary pointer";
  EXPECT_EQ(testing::QueryCount(install.year_database(), "errlog"), rows);
  EXPECT_EQ(window.objProd()->dbconnection->State(), 0) << "the command ends as it always does";

  // The window works on as before: a short statement shows no progress window.
  ProgressWatcher again;
  window.txtSQL()->setText("DELETE FROM errlog");
  Repair();
  EXPECT_EQ(again.shown, 0);
  EXPECT_EQ(boxes.seen.back().text, "Query Successfully Executed");
  EXPECT_EQ(testing::QueryCount(install.year_database(), "errlog"), 0);
}

}  // namespace
}  // namespace ornetta::ui
