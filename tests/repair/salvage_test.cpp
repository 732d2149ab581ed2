// Salvage of damaged year databases, compared row by row with the undamaged original: what comes
// back, what is reported lost, and that nothing comes back that was not a live row.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "data/engine/engine.h"
#include "repair/salvage/btree.h"
#include "repair/salvage/salvage.h"
#include "tests/repair/damage.h"
#include "tests/support/installation.h"

namespace ornetta::repair::salvage {
namespace {

namespace fs = std::filesystem;
using ornetta::testing::DatabasePages;
using ornetta::testing::TempFolder;

// A year database large enough for every table to have interior pages, made once per binary.
const fs::path& Pristine(double delete_fraction, int page_size = engine::kPageSize) {
  static std::map<std::pair<double, int>, std::unique_ptr<TempFolder>> folders;
  static std::map<std::pair<double, int>, fs::path> files;
  auto& folder = folders[{delete_fraction, page_size}];
  if (!folder) {
    folder = std::make_unique<TempFolder>();
    demo::Options options;
    options.invoices = 3000;
    options.log_rows = 3000;
    options.delete_fraction = delete_fraction;
    options.page_size = page_size;
    demo::CreateYearDatabase(folder->path() / "DB2026_27.mdb", 2026, options);
  }
  return files[{delete_fraction, page_size}] = folder->path() / "DB2026_27.mdb";
}

class SalvageTest : public ::testing::Test {
 protected:
  void Use(double delete_fraction = 0, int page_size = engine::kPageSize) {
    fs::copy_file(Pristine(delete_fraction, page_size), file);
    original = ornetta::testing::AllRows(file);
  }
  // As an office's year database grows: a table made by support staff and many saved queries, so
  // that the list of tables spans several pages.
  void GrowTheList() {
    engine::Handle db = engine::Open(file, demo::DeploymentPassword());
    std::string sql = "BEGIN;";
    for (int i = 0; i < 60; ++i)
      sql += "CREATE VIEW [Lines report " + std::to_string(i) +
             "] AS SELECT InvoiceNo, Sum(Amount) AS Total, Count(*) AS Lines, 'a saved query of the office' AS Note "
             "FROM InvoiceLines WHERE LineNo > " +
             std::to_string(i) + " GROUP BY InvoiceNo;";
    sql += "CREATE TABLE LinesArchive AS SELECT *, Qty * 2 AS Doubled FROM InvoiceLines WHERE rowid <= 1932; COMMIT;";
    engine::Exec(db.get(), sql);
    original = ornetta::testing::AllRows(file);
  }
  long long Views() {
    engine::Handle db = engine::Open(out, demo::DeploymentPassword());
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db.get(), "SELECT count(*) FROM sqlite_master WHERE type = 'view'", -1, &st, nullptr);
    sqlite3_step(st);
    const long long n = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return n;
  }
  void Restart() {
    fs::remove(out);
    fs::remove(file);
    fs::copy_file(grown, file);
  }
  void SetUp() override { Use(); }

  uint64_t PageOffset(uint32_t pgno) { return uint64_t{pgno - 1} * DatabasePages(file).page_size(); }
  void LosePage(uint32_t pgno) { ornetta::testing::FlipByte(file, PageOffset(pgno) + 1000); }

  bool Damaged() {
    const std::unique_ptr<PageFile> raw = PlainFile(file);
    return IsDamaged(*raw, demo::DeploymentPassword());
  }

  // Salvages into `out` and checks that every row there is a row of the original; returns the
  // original rows that did not come back.
  std::set<std::string> SalvageAndCompare(const StandIns& stand_ins = {}) {
    const std::unique_ptr<PageFile> raw = PlainFile(file);
    outcome = Salvage(*raw, file.filename().string(), demo::DeploymentPassword(), stand_ins, out);
    const std::set<std::string> rows = ornetta::testing::AllRows(out);
    std::set<std::string> extra, missing;
    std::set_difference(rows.begin(), rows.end(), original.begin(), original.end(), std::inserter(extra, extra.end()));
    std::set_difference(original.begin(), original.end(), rows.begin(), rows.end(),
                        std::inserter(missing, missing.end()));
    EXPECT_TRUE(extra.empty()) << "a row that was not in the original: " << (extra.empty() ? "" : *extra.begin());
    engine::Handle db = engine::Open(out, demo::DeploymentPassword());
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db.get(), "PRAGMA integrity_check", -1, &st, nullptr);
    EXPECT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "ok");
    sqlite3_finalize(st);
    return missing;
  }

  const TableOutcome& Table(const std::string& name) {
    for (const TableOutcome& t : outcome.tables)
      if (t.name == name) return t;
    throw std::runtime_error("no outcome for " + name);
  }

  TempFolder folder;
  fs::path file = folder.path() / "DB2026_27.mdb";
  fs::path out = folder.path() / "TMPDB2026_27.mdb";
  fs::path grown = folder.path() / "grown.mdb";  // the file before its damage, as a backup holds it
  std::set<std::string> original;
  SalvageOutcome outcome;
};

TEST_F(SalvageTest, AWholeFileIsNotDamagedAndSalvagesWhole) {
  EXPECT_FALSE(Damaged());
  EXPECT_TRUE(SalvageAndCompare().empty());
  EXPECT_FALSE(outcome.RowsLost());
  EXPECT_TRUE(outcome.lost_pages.empty());
  // The rebuilt copy keeps the header values, the indexes and the salt (so the same key opens it).
  engine::Handle db = engine::Open(out, demo::DeploymentPassword());
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db.get(), "SELECT count(*) FROM sqlite_master WHERE type = 'index'", -1, &st, nullptr);
  sqlite3_step(st);
  EXPECT_GE(sqlite3_column_int(st, 0), 3);
  sqlite3_finalize(st);
  std::ifstream a(file, std::ios::binary), b(out, std::ios::binary);
  char salt_a[16], salt_b[16];
  a.read(salt_a, 16);
  b.read(salt_b, 16);
  EXPECT_TRUE(std::equal(salt_a, salt_a + 16, salt_b));
}

TEST_F(SalvageTest, ALostLeafLosesExactlyItsRowsAndAnIndexNamesThem) {
  const auto leaves = DatabasePages(file).TreeAt(DatabasePages(file).Root("InvoiceLines")).Leaves();
  ASSERT_GT(leaves.size(), 4u);
  LosePage(leaves[leaves.size() / 2]);
  EXPECT_TRUE(Damaged());
  const std::set<std::string> missing = SalvageAndCompare();
  ASSERT_FALSE(missing.empty());
  EXPECT_EQ(ornetta::testing::RowsOf(missing, "InvoiceLines"), missing) << "only the lost page's table loses rows";
  const TableOutcome& lines = Table("InvoiceLines");
  EXPECT_EQ(lines.lost_known, static_cast<long long>(missing.size()));
  EXPECT_TRUE(lines.count_exact);
  EXPECT_EQ(lines.lost_keys.size(), std::min<size_t>(missing.size(), 200)) << "the first ones are listed";
  EXPECT_EQ(lines.recovered + lines.lost_known,
            static_cast<long long>(ornetta::testing::RowsOf(original, "InvoiceLines").size()));
  EXPECT_TRUE(outcome.RowsLost());
  ASSERT_EQ(outcome.lost_pages.size(), 1u);
  EXPECT_EQ(outcome.lost_owners[0],
            "a leaf page of table InvoiceLines: its rows are lost (an index names each of them)");
}

TEST_F(SalvageTest, ALostInteriorPageOrIndexPageLosesNoRow) {
  DatabasePages pages(file);
  const auto interior = pages.TreeAt(pages.Root("InvoiceLines")).Interior();
  const auto index_leaves = pages.TreeAt(pages.Root("idxInvoiceDate")).Leaves();
  ASSERT_FALSE(interior.empty());
  LosePage(interior.front());
  LosePage(index_leaves.front());
  EXPECT_TRUE(SalvageAndCompare().empty());
  EXPECT_FALSE(outcome.RowsLost()) << "the leaves under the lost interior page were all found again";
  EXPECT_EQ(outcome.lost_pages.size(), 2u);
  EXPECT_EQ(outcome.set_aside_rows, 0);
}

TEST_F(SalvageTest, DeletedRowsOnFreedPagesNeverComeBack) {
  fs::remove(file);
  Use(0.3);
  DatabasePages pages(file);
  ASSERT_FALSE(pages.FreePages().empty()) << "the deletions left free pages with old rows on them";
  const auto interior = pages.TreeAt(pages.Root("Invoices")).Interior();
  ASSERT_FALSE(interior.empty());
  LosePage(interior.front());  // its leaves are now found by scanning, beside the freed ones
  EXPECT_TRUE(SalvageAndCompare().empty());
  EXPECT_FALSE(outcome.RowsLost());
}

TEST_F(SalvageTest, ALostFreelistTrunkSetsAsideOnlyWhatItMayHaveNamed) {
  fs::remove(file);
  Use(0.3);
  const auto lose_trunk_and_interior = [&] {
    DatabasePages pages(file);
    const auto free_pages = pages.FreePages();
    LosePage(free_pages.front());  // the first trunk
    LosePage(pages.TreeAt(pages.Root("Invoices")).Interior().front());
    return free_pages.size();
  };
  // The header counts one free page, the trunk itself: it named no other, so the leaves under the
  // lost interior page are live rows.
  ASSERT_EQ(lose_trunk_and_interior(), 1u);
  EXPECT_TRUE(SalvageAndCompare().empty());
  EXPECT_FALSE(outcome.RowsLost());

  fs::remove(file);
  fs::remove(out);
  Use(0.3);
  {
    engine::Handle db = engine::Open(file, demo::DeploymentPassword());
    engine::Exec(db.get(), "DELETE FROM InvoiceLines WHERE rowid > 3000");
  }
  original = ornetta::testing::AllRows(file);
  ASSERT_GT(lose_trunk_and_interior(), 1u);
  const std::set<std::string> missing = SalvageAndCompare();
  EXPECT_EQ(ornetta::testing::RowsOf(missing, "Invoices"), missing);
  EXPECT_TRUE(outcome.RowsLost());
  EXPECT_GT(outcome.set_aside_rows, 0) << "the leaves under the lost page are set aside, not guessed";
}

TEST_F(SalvageTest, ARowWhoseOverflowChainIsBrokenIsLostWholeNotCutShort) {
  {
    engine::Handle db = engine::Open(file, demo::DeploymentPassword());
    engine::Exec(db.get(),
                 "UPDATE Items SET Notes = replace(hex(zeroblob(30000)), '0', 'long note ') WHERE ItemId IN (3, 5)");
  }
  original = ornetta::testing::AllRows(file);
  DatabasePages pages(file);
  const auto heads = pages.TreeAt(pages.Root("Items")).overflow_heads;
  ASSERT_EQ(heads.size(), 2u);
  const auto chain = pages.Chain(heads[0]);
  ASSERT_GT(chain.size(), 2u);
  LosePage(chain[1]);
  const std::set<std::string> missing = SalvageAndCompare();
  ASSERT_EQ(missing.size(), 1u);
  EXPECT_EQ(missing.begin()->rfind("Items|", 0), 0u);
  EXPECT_EQ(Table("Items").lost_known, 1);
  EXPECT_NE(Table("Items").lost_keys.at(0).find("a part of it was on a lost page"), std::string::npos);
}

TEST_F(SalvageTest, ZeroedBytesTornPagesAndATruncatedFileLoseOnlyTheirPages) {
  DatabasePages pages(file);
  const uint32_t count = pages.page_count();
  ornetta::testing::ZeroBytes(file, PageOffset(count / 3) + 4096, 4096);
  ornetta::testing::ZeroBytes(file, PageOffset(count / 2), 3 * uint64_t{static_cast<uint64_t>(pages.page_size())});
  ornetta::testing::TruncateFile(file, PageOffset(count - 2) + 1000);
  EXPECT_TRUE(Damaged());
  const std::set<std::string> missing = SalvageAndCompare();
  EXPECT_FALSE(missing.empty());
  EXPECT_TRUE(outcome.RowsLost());
  EXPECT_GE(outcome.lost_pages.size(), 6u);
  EXPECT_EQ(outcome.lost_pages.back(), count) << "the pages past the end are lost too";
  long long recovered = 0;
  for (const TableOutcome& t : outcome.tables) recovered += t.recovered;
  const auto counters = ornetta::testing::RowsOf(original, "sqlite_sequence").size();
  EXPECT_EQ(recovered + static_cast<long long>(missing.size()), static_cast<long long>(original.size() - counters));
}

TEST_F(SalvageTest, AFlippedSaltBitIsMended) {
  ornetta::testing::FlipByte(file, 5);  // flips more than one bit: only a backup's salt can help
  EXPECT_TRUE(Damaged());
  const fs::path backup = folder.path() / "backup.mdb";
  fs::copy_file(Pristine(0), backup);
  EXPECT_TRUE(SalvageAndCompare({{backup}, {}}).empty());
  EXPECT_NE(outcome.key_source.find("backup"), std::string::npos) << outcome.key_source;

  fs::remove(out);
  fs::remove(file);
  fs::copy_file(Pristine(0), file);
  std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
  f.seekg(9);
  const char b = static_cast<char>(f.get() ^ 0x10);
  f.seekp(9);
  f.put(b);
  f.close();
  EXPECT_TRUE(SalvageAndCompare().empty());
  EXPECT_NE(outcome.key_source.find("one damaged bit"), std::string::npos) << outcome.key_source;
}

TEST_F(SalvageTest, ALostFirstPageTakesTheListOfTablesFromABackupOrAnotherYear) {
  LosePage(1);
  EXPECT_TRUE(Damaged());
  EXPECT_THROW(SalvageAndCompare(), Error) << "nothing names the tables";
  EXPECT_FALSE(fs::exists(out));

  const fs::path sibling = folder.path() / "DB2025_26.mdb";
  demo::Options small;
  small.invoices = 10;
  demo::CreateYearDatabase(sibling, 2025, small);
  const std::set<std::string> missing = SalvageAndCompare({{}, {sibling}});
  EXPECT_TRUE(missing.empty()) << missing.size() << " rows missing, the first " << *missing.begin()
                               << "; notes: " << ::testing::PrintToString(outcome.notes);
  EXPECT_EQ(outcome.schema_source, sibling.string());
  EXPECT_FALSE(outcome.RowsLost());
}

TEST_F(SalvageTest, FourKilobytePagesWithALostInteriorPageGetNoRowOfTheListOfTables) {
  fs::remove(file);
  Use(0, engine::kLegacyPageSize);
  DatabasePages pages(file);
  ASSERT_GT(pages.TreeAt(1).pages.size(), 1u) << "the list of tables spans pages";
  const auto interior = pages.TreeAt(pages.Root("InvoiceLines")).Interior();
  ASSERT_FALSE(interior.empty());
  LosePage(interior.front());
  EXPECT_TRUE(SalvageAndCompare().empty());
  EXPECT_FALSE(outcome.RowsLost());
  EXPECT_NE(outcome.lost_owners.at(0).find("its leaves were found, no row lost"), std::string::npos)
      << outcome.lost_owners[0];

  // Each page of the list lost in turn, the backup naming what it listed: the tables whose roots
  // it named are found by what their pages hold, and no counter or list row becomes a table's.
  fs::copy_file(Pristine(0, engine::kLegacyPageSize), grown);
  for (uint32_t leaf : pages.TreeAt(1).Leaves()) {
    SCOPED_TRACE("list page " + std::to_string(leaf));
    Restart();
    original = ornetta::testing::AllRows(file);
    LosePage(leaf);
    EXPECT_TRUE(SalvageAndCompare({{grown}, {}}).empty());
    EXPECT_FALSE(outcome.RowsLost()) << ::testing::PrintToString(outcome.notes);
  }
}

TEST_F(SalvageTest, AListOfSeveralPagesComesBackFromItsOwnPagesThenTheBackupAndNeverPoursOneTableIntoAnother) {
  GrowTheList();
  fs::copy_file(file, grown);
  const auto list = DatabasePages(file).TreeAt(1);
  ASSERT_EQ(list.pages.front().type, kTableInterior);
  const uint32_t last_leaf = list.Leaves().back();  // the archive table and the last views

  // A lost leaf of the list, named again by the backup: every table keeps its rows, every view is back.
  LosePage(last_leaf);
  EXPECT_TRUE(SalvageAndCompare({{grown}, {}}).empty());
  EXPECT_FALSE(outcome.RowsLost());
  EXPECT_EQ(Views(), 60);
  EXPECT_TRUE(outcome.lost_objects.empty());

  // Without the backup, another year names only the usual tables: the archive's rows are set aside
  // (no table takes them), and the report says what the lost page may have listed.
  Restart();
  const fs::path sibling = folder.path() / "DB2025_26.mdb";
  demo::Options small;
  small.invoices = 10;
  demo::CreateYearDatabase(sibling, 2025, small);
  LosePage(last_leaf);
  const std::set<std::string> missing = SalvageAndCompare({{}, {sibling}});
  EXPECT_EQ(ornetta::testing::RowsOf(missing, "LinesArchive"), missing);
  EXPECT_EQ(outcome.set_aside_rows, 1932);
  EXPECT_EQ(outcome.lost_objects.size(), 1u);
  EXPECT_TRUE(outcome.LosesSomething());

  // Only page 1 lost: the list's other pages are found by what they hold, with their roots.
  Restart();
  LosePage(1);
  EXPECT_TRUE(SalvageAndCompare().empty());
  EXPECT_EQ(Views(), 60);
  EXPECT_NE(outcome.schema_source.find("found by what they hold"), std::string::npos) << outcome.schema_source;
}

TEST_F(SalvageTest, RandomBytesAreNoDatabase) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << std::string(65536, '\x5c');
  EXPECT_TRUE(Damaged());
  EXPECT_THROW(SalvageAndCompare(), Error);
  EXPECT_FALSE(fs::exists(out));
}

}  // namespace
}  // namespace ornetta::repair::salvage
