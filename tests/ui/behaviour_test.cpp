// The window on a demo installation, driven as a user drives it: start-up, the repairs through
// the Repair button with their message boxes answered, the chooser, the pictures and keys, the
// web link, and closing.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "tests/repair/damage.h"
#include "tests/ui/window_test.h"
#include "ui/frmRepairCompact.h"

namespace ornetta::ui {
namespace {

namespace fs = std::filesystem;
using testing::ShownMessage;

const char* const kMissing = "Something wrong in your Databases......Contact your Software Vendor!!!!!!!";

TEST_F(WindowTest, StartUpShowsTheCurrentYearDatabase) {
  Start();
  EXPECT_EQ(window.txtCurrDB()->text().toStdString(), install.year_database().string());
  EXPECT_TRUE(boxes.seen.empty());
  ASSERT_TRUE(window.objProd()->dbconnection);
  EXPECT_EQ(window.objProd()->dbconnection->State(), 1);
}

TEST_F(WindowTest, StartUpWithoutDatabasesReportsAndMarksTheBoxRed) {
  fs::remove_all(install.database_folder());
  Start();
  EXPECT_EQ(boxes.seen, (std::vector<ShownMessage>{{kMissing, 16, "TARVIK Software"}}));
  EXPECT_EQ(window.txtCurrDB()->text(), "");
  EXPECT_EQ(window.txtCurrDB()->palette().color(QPalette::Base), QColor(255, 0, 0));
  window.close();  // the connection was never opened: closing shows nothing
  EXPECT_EQ(boxes.seen.size(), 1u);
}

TEST_F(WindowTest, StartUpWithTheYearDatabaseMissingShowsWhereItWasExpected) {
  fs::remove(install.year_database());
  Start();
  EXPECT_EQ(boxes.seen.size(), 1u);
  EXPECT_EQ(window.txtCurrDB()->text().toStdString(), install.year_database().string());
}

TEST_F(WindowTest, AWrongPasswordEndsTheProgramBeforeTheWindowShows) {
  fs::remove(install.year_database());
  engine::Handle db = engine::Open(install.year_database(), "not the password", engine::OpenMode::kCreate);
  engine::Exec(db.get(), "CREATE TABLE t(x);");
  db.reset();
  EXPECT_THROW(window.Form_Load(), testing::ProgramEnded);
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_NE(boxes.seen[0].text.find("CAUTION: Make Sure DataBase Exists in the Correct Path !!! "), std::string::npos);
  EXPECT_FALSE(window.isVisible());
}

TEST_F(WindowTest, EachRepairThroughTheRepairButton) {
  Start();
  Choose(window.optScreenProb());
  Repair();
  EXPECT_EQ(testing::QueryCount(install.year_database(), "OnLineUsers"), 0);

  Choose(window.optsysDate());
  Repair();

  QTest::keyClicks(window.txtSQL(), "SELECT * FROM logs");
  EXPECT_TRUE(window.OptSQL()->isChecked()) << "typing selects the statement option";
  Repair();

  window.txtSQL()->setText("DELETE FROM nowhere");
  Repair();

  Choose(window.optDBRepair());
  Repair();
  EXPECT_EQ(boxes.seen,
            (std::vector<ShownMessage>{{"Your Request Successfully Executed", 64, "TARVIK - ORNETTA"},
                                       {"Your Request Successfully Executed", 64, "TARVIK - ORNETTA"},
                                       {"Query Successfully Executed", 0, "TARVIK - ORNETTA"},
                                       {"QUERY NOT SUCCESSFUL???", 0, "TARVIK - ORNETTA"},
                                       {"Database Successfully Repaired and Compacted !!!", 64, "TARVIK Software"}}));
  EXPECT_EQ(window.objProd()->dbconnection->State(), 0) << "each command leaves the connection closed";
  EXPECT_FALSE(QApplication::overrideCursor()) << "the busy pointer is gone";
}

// A repair that would lose a whole table asks first, in a warning box: Escape replaces nothing,
// Yes replaces. Each box shows the warning icon drawn.
TEST_F(WindowTest, ALossyRepairAsksInAWarningBoxBeforeItReplacesAnything) {
  const fs::path year = install.year_database();
  testing::DatabasePages pages(year);
  for (const uint32_t leaf : pages.TreeAt(pages.Root("Invoices")).Leaves())
    testing::FlipByte(year, uint64_t{leaf - 1} * pages.page_size() + 1000);
  const long long lines = testing::QueryCount(year, "InvoiceLines");
  Start();
  Choose(window.optDBRepair());
  Repair();
  ASSERT_EQ(boxes.seen.size(), 2u);
  EXPECT_EQ(boxes.buttons[0], QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(boxes.seen[0].icon, 48);
  EXPECT_EQ(boxes.seen[0].title, "TARVIK Software");
  EXPECT_NE(boxes.seen[0].text.find("  Invoices: 0 rows recovered, "), std::string::npos) << boxes.seen[0].text;
  EXPECT_EQ(boxes.seen[1].icon, 48);
  EXPECT_EQ(boxes.seen[1].text.rfind("Nothing was replaced: ", 0), 0u) << boxes.seen[1].text;
  EXPECT_EQ(testing::QueryCount(year, "InvoiceLines"), lines);

  boxes.presses = {QMessageBox::Yes};
  Repair();
  ASSERT_EQ(boxes.seen.size(), 4u);
  EXPECT_EQ(boxes.seen[3].icon, 48);
  EXPECT_EQ(boxes.seen[3].text.rfind("The database was repaired, but not every row could be recovered: Invoices: ", 0),
            0u)
      << boxes.seen[3].text;
  EXPECT_EQ(testing::QueryCount(year, "Invoices"), 0);
  EXPECT_EQ(testing::QueryCount(year, "InvoiceLines"), lines);
}

TEST_F(WindowTest, TheChooserChangesOnlyThePathShown) {
  Start();
  FileDialogRequest asked;
  QString answer = "/elsewhere/DB2020_21.mdb";
  window.set_file_chooser([&](QWidget*, const FileDialogRequest& r) {
    asked = r;
    return answer;
  });
  Press(window.cmdSelectDB());
  EXPECT_EQ(asked.title, "Select File to Repair...");
  EXPECT_EQ(asked.filter, "Access Files (*.mdb)");
  EXPECT_EQ(asked.file_name, "*.MDB");
  EXPECT_EQ(asked.initial_folder.toStdString(), install.database_folder().string());
  EXPECT_EQ(window.txtCurrDB()->text(), answer);
  EXPECT_EQ(window.objProd()->file_nme, answer.toStdString());
  EXPECT_EQ(window.objProd()->dbconnection->State(), 1) << "neither closed nor reopened";

  answer = "";  // cancelled
  Press(window.cmdSelectDB());
  EXPECT_EQ(window.txtCurrDB()->text(), "/elsewhere/DB2020_21.mdb");
  EXPECT_EQ(asked.initial_folder.toStdString(), install.database_folder().string()) << "a folder missing here";
  EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(WindowTest, TheChooserTakesATypedNameWhole) {
  Start();
  // The toolkit's own dialog, answered as a user does: a name typed into its file-name box, Enter.
  QString title;
  FileDialogAnswerer typist([&](QFileDialog* dialog) {
    title = dialog->windowTitle();
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    name->setFocus();
    name->selectAll();
    QTest::keyClicks(name, "DB2031_32.mdb");
    QTest::keyClick(name, Qt::Key_Return);
  });
  Press(window.cmdSelectDB());
  EXPECT_EQ(title, "Select File to Repair...");
  const std::string chosen = (install.database_folder() / "DB2031_32.mdb").string();
  EXPECT_EQ(window.txtCurrDB()->text().toStdString(), chosen) << "a file that does not exist is not refused";
  EXPECT_EQ(window.objProd()->file_nme, chosen);
  EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(WindowTest, PicturesAndKeysSelectTheirOptions) {
  Start();
  Press(window.findChild<QWidget*>("imgScrProb"));
  EXPECT_TRUE(window.optScreenProb()->isChecked());
  Press(window.findChild<QWidget*>("imgSysDateProb"));
  EXPECT_TRUE(window.optsysDate()->isChecked());
  Press(window.findChild<QWidget*>("imgDBProblem"));
  EXPECT_TRUE(window.optsysDate()->isChecked()) << "this picture has no action";

  window.txtSQL()->setFocus();
  for (Qt::Key key : {Qt::Key_Left, Qt::Key_Delete, Qt::Key_F5, Qt::Key_Home}) QTest::keyClick(window.txtSQL(), key);
  EXPECT_TRUE(window.optsysDate()->isChecked()) << "keys without a character change nothing";
  QTest::keyClick(window.txtSQL(), Qt::Key_X);
  EXPECT_TRUE(window.OptSQL()->isChecked());
  EXPECT_EQ(window.txtSQL()->text(), "x") << "the character is still typed";

  Press(window.findChild<QWidget*>("imgScrProb"));
  Press(window.findChild<QWidget*>("imgSQLQuery"));
  EXPECT_TRUE(window.OptSQL()->isChecked());
  EXPECT_TRUE(window.txtSQL()->isEnabled());
}

TEST_F(WindowTest, TheWebLabelOpensTheClientsPage) {
  Start();
  QStringList opened;
  window.set_url_opener([&](const QString& url) { opened << url; });
  auto* label = window.findChild<QLabel*>("Label3");
  EXPECT_FALSE(label->testAttribute(Qt::WA_SetCursor)) << "the toolkit's ordinary pointer";
  EXPECT_EQ(label->cursor().shape(), Qt::ArrowCursor);
  Press(label);
  EXPECT_EQ(opened, QStringList{"http://www.tarvik.example/clients.html"});
  window.set_url_opener([](const QString&) { throw std::runtime_error("no browser"); });
  Press(label);  // a failure is ignored
  EXPECT_TRUE(boxes.seen.empty());
}

TEST_F(WindowTest, ExitClosesAndReleasesQuietly) {
  Start();
  Choose(window.optScreenProb());
  Repair();  // leaves the connection closed
  Press(window.cmdExit());
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.objProd(), nullptr);
  EXPECT_EQ(boxes.seen.size(), 1u);
}

TEST_F(WindowTest, NoInputRunsInsideARepair) {
  Start();
  Choose(window.optDBRepair());
  // Input that waits in the queue while the repair runs: another Repair and a close.
  QTimer::singleShot(0, window.cmdOK(), [this] { window.cmdOK()->click(); });
  QTimer::singleShot(0, &window, [this] { window.close(); });
  window.cmdOK_Click();
  EXPECT_EQ(boxes.seen,
            (std::vector<ShownMessage>{{"Database Successfully Repaired and Compacted !!!", 64, "TARVIK Software"}}));
  EXPECT_FALSE(window.isVisible()) << "the close waited for the repair, then happened";
}

}  // namespace
}  // namespace ornetta::ui
