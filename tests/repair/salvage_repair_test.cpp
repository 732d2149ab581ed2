// The repair of damaged databases, through Repair_Compact_DB as the window runs it: what the user
// is told, the report, the damaged original kept in the backup, and the rows in place afterwards.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

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

  EXPECT_TRUE(Repair()) << reason;
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
