// The repair of damaged databases, through Repair_Compact_DB as the window runs it: what the user
// is asked and told, the report, the damaged original kept in the backup, and the rows in place
// afterwards.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>

#include "data/engine/engine.h"
#include "repair/repair_compact.h"
#include "repair/salvage/report.h"
#include "tests/repair/damage.h"
#include "tests/support/installation.h"
#include "tests/support/recording_host.h"

namespace ornetta::repair {
namespace {

namespace fs = std::filesystem;
using testing::DatabasePages;
using testing::ShownMessage;

const ShownMessage kSuccess{"Database Successfully Repaired and Compacted !!!", 64, "TARVIK Software"};

std::string Bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class SalvageRepairTest : public ::testing::Test {
 protected:
  // With `invoices`, an installation made afresh with that many (tables of several leaves).
  explicit SalvageRepairTest(int invoices = 0)
      : install(invoices ? testing::DemoInstallation(demo::Options{.invoices = invoices})
                         : testing::DemoInstallation()) {}
  bool Repair() {
    clsProd prod(host);  // as the window has it after a failed start: a connection object, closed
    prod.dbconnection = std::make_shared<Connection>();
    RepairContext context{prod, host, nullptr, DefaultAccessApplicationFactory(), "", {}, {}};
    const bool result = Repair_Compact_DB(context, install.current_year_file);
    reason = context.failure_reason;
    report = context.report;
    return result;
  }
  void LosePage(const fs::path& file, uint32_t pgno) {
    testing::FlipByte(file, uint64_t{pgno - 1} * DatabasePages(file).page_size() + 1000);
  }
  void LoseLeaves(const std::string& table, size_t last_n) {
    DatabasePages pages(install.year_database());
    const auto leaves = pages.TreeAt(pages.Root(table)).Leaves();
    ASSERT_GT(leaves.size(), last_n) << table << " has leaves that stay";
    for (size_t i = leaves.size() - (last_n ? last_n : leaves.size()); i < leaves.size(); ++i)
      LosePage(install.year_database(), leaves[i]);
  }
  std::vector<fs::path> Backups() {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(install.backup_root())) out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
  }

  testing::DemoInstallation install;
  testing::RecordingHost host{install.program_folder()};
  std::string reason;
  fs::path report;
};

TEST_F(SalvageRepairTest, LostRowsAreSaidPlainlyWithTheReportAndTheDamagedOriginalKept) {
  const std::set<std::string> original = testing::AllRows(install.year_database());
  DatabasePages pages(install.year_database());
  const auto leaves = pages.TreeAt(pages.Root("InvoiceLines")).Leaves();
  LosePage(install.year_database(), leaves.back());
  const std::string damaged = Bytes(install.year_database());
  const std::string start = Bytes(install.start_database());

  host.replies = {platform::Answer::kYes};
  EXPECT_TRUE(Repair()) << reason;
  EXPECT_EQ(host.questions.size(), 1u);
  ASSERT_EQ(host.messages.size(), 1u);
  const ShownMessage& shown = host.messages[0];
  EXPECT_EQ(shown.icon, 48);
  EXPECT_EQ(shown.title, "TARVIK Software");
  EXPECT_EQ(shown.text.rfind("The database was repaired, but not every row could be recovered: InvoiceLines: ", 0), 0u)
      << shown.text;
  EXPECT_NE(shown.text.find("contact TARVIK Software"), std::string::npos);
  ASSERT_EQ(Backups().size(), 1u);
  EXPECT_NE(shown.text.find(Backups()[0].string()), std::string::npos) << "says where the report and the original are";

  EXPECT_EQ(Bytes(Backups()[0] / install.current_year_file), damaged) << "the damaged original, byte for byte";
  EXPECT_EQ(Bytes(Backups()[0] / Installation::kStartName), start);
  EXPECT_EQ(report, Backups()[0] / salvage::kReportName);
  EXPECT_EQ(fs::status(report).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write)
      << "the report names the keys of lost rows";
  const std::string text = Bytes(report);
  EXPECT_NE(text.find("lost page " + std::to_string(leaves.back()) +
                      ": a leaf page of table InvoiceLines: its rows are lost"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("lost: rowid "), std::string::npos) << "lost rows named by their keys";

  // Every row in place is a row of the original; only InvoiceLines lost any.
  const std::set<std::string> now = testing::AllRows(install.year_database());
  EXPECT_TRUE(std::includes(original.begin(), original.end(), now.begin(), now.end()));
  EXPECT_EQ(testing::RowsOf(now, "Invoices"), testing::RowsOf(original, "Invoices"));
  EXPECT_LT(testing::RowsOf(now, "InvoiceLines").size(), testing::RowsOf(original, "InvoiceLines").size());

  // The repaired installation starts, and the next repair is an ordinary one.
  host.messages.clear();
  EXPECT_TRUE(Repair()) << reason;
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{kSuccess});
}

// Every leaf of Invoices lost: the copy would hold no invoice, so nothing is replaced until the
// user agrees.
TEST_F(SalvageRepairTest, ACopyThatWouldLoseRowsReplacesNothingUntilTheUserSaysYes) {
  const long long invoices = testing::QueryCount(install.year_database(), "Invoices");
  const long long lines = testing::QueryCount(install.year_database(), "InvoiceLines");
  ASSERT_NO_FATAL_FAILURE(LoseLeaves("Invoices", 0));
  const std::string damaged = Bytes(install.year_database());
  const std::string start = Bytes(install.start_database());

  host.replies = {platform::Answer::kNo};
  EXPECT_FALSE(Repair());
  ASSERT_EQ(host.questions.size(), 1u);
  ASSERT_EQ(Backups().size(), 1u);
  const fs::path folder = Backups()[0];
  const ShownMessage& asked = host.questions[0];
  EXPECT_EQ(asked.icon, 48);
  EXPECT_EQ(asked.title, "TARVIK Software");
  EXPECT_NE(asked.text.find("  Invoices: 0 rows recovered, " + std::to_string(invoices) + " rows lost\r\n"),
            std::string::npos)
      << asked.text;
  EXPECT_EQ(asked.text.find("InvoiceLines"), std::string::npos) << "only what lost rows is listed";
  EXPECT_NE(asked.text.find("The damaged original stays in the backup folder " + folder.string()), std::string::npos);

  EXPECT_EQ(Bytes(install.year_database()), damaged);
  EXPECT_EQ(Bytes(install.start_database()), start) << "the start database waits for the year database";
  EXPECT_FALSE(fs::exists(install.tmp_copy(install.current_year_file)));
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].icon, 48);
  EXPECT_EQ(host.messages[0].text.rfind("Nothing was replaced: '" + install.current_year_file + "' is as it was", 0), 0u)
      << host.messages[0].text;
  EXPECT_NE(host.messages[0].text.find(folder.string()), std::string::npos) << "says where the copy is kept";
  const fs::path kept = folder / ("salvaged-" + install.current_year_file);
  EXPECT_EQ(testing::QueryCount(kept, "Invoices"), 0);
  EXPECT_EQ(testing::QueryCount(kept, "InvoiceLines"), lines);
  EXPECT_EQ(report, folder / salvage::kReportName);
  EXPECT_NE(Bytes(report).find("Invoices: 0 rows recovered"), std::string::npos);
  EXPECT_EQ(Bytes(folder / install.current_year_file), damaged);

  host.messages.clear();
  host.questions.clear();
  host.replies = {platform::Answer::kYes};
  EXPECT_TRUE(Repair()) << reason;
  EXPECT_EQ(host.questions.size(), 1u) << "the damaged original of the first run is no backup to restore from";
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(
      host.messages[0].text.rfind(
          "The database was repaired, but not every row could be recovered: Invoices: " + std::to_string(invoices), 0),
      0u)
      << host.messages[0].text;
  EXPECT_EQ(testing::QueryCount(install.year_database(), "Invoices"), 0);
  EXPECT_EQ(testing::QueryCount(install.year_database(), "InvoiceLines"), lines);
}

class SalvageRestoreTest : public SalvageRepairTest {
 protected:
  SalvageRestoreTest() : SalvageRepairTest(3000) {}
};

// After a good repair (a verified backup), the last row of InvoiceLines is changed, the one before
// it deleted and a new one added; then the last leaves are lost. The index names the lost rows:
// those the backup holds come back with its values, the deleted one does not, the new one is lost.
TEST_F(SalvageRestoreTest, RowsKnownLostComeBackFromTheBackupByKeyButNeverADeletedOne) {
  ASSERT_TRUE(Repair()) << reason;
  const fs::path backup = Backups()[0] / install.current_year_file;
  const std::set<std::string> at_backup = testing::RowsOf(testing::AllRows(backup), "InvoiceLines");
  std::string last, deleted;
  {
    engine::Handle db = engine::Open(install.year_database(), demo::DeploymentPassword());
    const auto below = [&db](const std::string& limit) {
      sqlite3_stmt* st = nullptr;
      sqlite3_prepare_v2(db.get(), ("SELECT Max(rowid) FROM InvoiceLines WHERE rowid < " + limit).c_str(), -1, &st,
                         nullptr);
      sqlite3_step(st);
      const std::string rowid = std::to_string(sqlite3_column_int64(st, 0));
      sqlite3_finalize(st);
      return rowid;
    };
    last = below("9e18");
    deleted = below(last);
    engine::Exec(db.get(), "UPDATE InvoiceLines SET Qty = Qty + 1000 WHERE rowid = " + last +
                               "; DELETE FROM InvoiceLines WHERE rowid = " + deleted +
                               "; INSERT INTO InvoiceLines (InvoiceNo, LineNo, ItemId, Qty, Amount) SELECT InvoiceNo, "
                               "LineNo + 100, ItemId, Qty, Amount FROM InvoiceLines WHERE rowid = " +
                               last + ";");
  }
  ASSERT_NO_FATAL_FAILURE(LoseLeaves("InvoiceLines", 2));
  host.messages.clear();

  host.replies = {platform::Answer::kYes};
  EXPECT_TRUE(Repair()) << reason;
  ASSERT_EQ(host.questions.size(), 1u);
  std::smatch offered;
  ASSERT_TRUE(std::regex_search(host.questions[0].text, offered,
                                std::regex("(\\d+) of the (\\d+) rows that could not be read are in the backup of "
                                           "2026-12-09 14:05 \\(they may be older than what was lost\\)")))
      << host.questions[0].text;
  EXPECT_EQ(std::stoll(offered[1]) + 1, std::stoll(offered[2])) << "all but the new row";

  std::set<std::string> expected = at_backup;
  std::erase_if(expected, [&](const std::string& row) { return row.rfind("InvoiceLines|1:" + deleted + "|", 0) == 0; });
  ASSERT_EQ(expected.size() + 1, at_backup.size());
  const std::set<std::string> now = testing::RowsOf(testing::AllRows(install.year_database()), "InvoiceLines");
  std::vector<std::string> differ;
  std::set_symmetric_difference(now.begin(), now.end(), expected.begin(), expected.end(), std::back_inserter(differ));
  EXPECT_EQ(differ, std::vector<std::string>{})
      << "the rows of the backup, the changed one as it was then, without the deleted one";
  const std::string text = Bytes(report);
  EXPECT_NE(text.find("put back from the backup of 2026-12-09 14:05: rowid " + last + "\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("rowid " + deleted + "\n"), std::string::npos) << text;
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].text.find(offered[1].str() + " rows that could not be read were put back"),
            std::string::npos)
      << host.messages[0].text;
}

TEST_F(SalvageRepairTest, ALostIndexPageAndALostFirstPageLoseNoRowAndEndInSuccess) {
  ASSERT_TRUE(Repair()) << "a first repair leaves a backup, which keeps the file's salt and tables";
  const std::set<std::string> year_rows = testing::AllRows(install.year_database());
  const std::set<std::string> start_rows = testing::AllRows(install.start_database());
  DatabasePages pages(install.year_database());
  LosePage(install.year_database(), pages.TreeAt(pages.Root("idxInvoiceDate")).Leaves().front());
  LosePage(install.start_database(), 1);           // both databases damaged at once
  testing::FlipByte(install.start_database(), 3);  // and its salt
  host.messages.clear();

  EXPECT_TRUE(Repair()) << reason;
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{kSuccess});
  EXPECT_EQ(testing::AllRows(install.year_database()), year_rows);
  EXPECT_EQ(testing::AllRows(install.start_database()), start_rows);
  const std::string text = Bytes(report);
  EXPECT_NE(text.find("Key: the salt of the backup"), std::string::npos) << text;
  EXPECT_NE(text.find("List of tables: " + (Backups()[0] / Installation::kStartName).string()), std::string::npos)
      << text;
  EXPECT_NE(text.find("index idxInvoiceDate (rebuilt from the rows)"), std::string::npos) << text;
}

TEST_F(SalvageRepairTest, AFileNothingCanReadFailsNamingWhyAndChangesNothing) {
  std::ofstream(install.year_database(), std::ios::binary | std::ios::trunc) << std::string(40000, 'x');
  const std::string before = Bytes(install.year_database());
  EXPECT_FALSE(Repair());
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].icon, 16);
  EXPECT_EQ(host.messages[0].text.rfind("No key reads '" + install.current_year_file + "'", 0), 0u)
      << host.messages[0].text;
  EXPECT_NE(host.messages[0].text.find("Ensure TARVIK databases NOT in running State"), std::string::npos);
  EXPECT_EQ(Bytes(install.year_database()), before);
  EXPECT_FALSE(fs::exists(install.tmp_copy(install.current_year_file)));
}

TEST(SalvageFreelistTest, ALostPageOfTheFreelistLosesNoRowAndEndsInSuccess) {
  demo::Options options;
  options.invoices = 3000;
  options.delete_fraction = 0.3;  // whole pages freed
  testing::DemoInstallation install(options);
  const std::set<std::string> rows = testing::AllRows(install.year_database());
  DatabasePages pages(install.year_database());
  ASSERT_FALSE(pages.FreePages().empty());
  testing::FlipByte(install.year_database(), uint64_t{pages.FreePages().front() - 1} * pages.page_size() + 1000);
  testing::RecordingHost host{install.program_folder()};
  clsProd prod(host);
  prod.dbconnection = std::make_shared<Connection>();
  RepairContext context{prod, host, nullptr, DefaultAccessApplicationFactory(), "", {}, {}};
  EXPECT_TRUE(Repair_Compact_DB(context, install.current_year_file)) << context.failure_reason;
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{kSuccess});
  EXPECT_EQ(testing::AllRows(install.year_database()), rows);
}

}  // namespace
}  // namespace ornetta::repair
