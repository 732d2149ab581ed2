// Page sizes: files in the current size and files made before in the legacy size both open; a
// wrong password or a non-database reads exactly as before; a compacted copy is always in the
// current size; a journal left by a writer that died rolls back in its own size.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>

#include "data/crypto/derived_keys.h"
#include "data/engine/connection_string.h"
#include "data/engine/engine.h"
#include "data/engine/jet_engine.h"
#include "tests/support/installation.h"

namespace ornetta::engine {
namespace {

namespace fs = std::filesystem;
using testing::ReadsWithPageSize;
using testing::RowCounts;

std::string Bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// One text of every row of a one-column query.
std::string Rows(const fs::path& file, const char* sql) {
  Handle db = Open(file, demo::DeploymentPassword());
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db.get(), sql, -1, &st, nullptr);
  std::string out;
  while (sqlite3_step(st) == SQLITE_ROW)
    out += std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) + ";";
  sqlite3_finalize(st);
  return out;
}

class PageSizeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    demo::Options options;
    options.invoices = 150;
    options.log_rows = 60;
    demo::CreateYearDatabase(current, 2026, options);
    options.page_size = kLegacyPageSize;
    demo::CreateYearDatabase(legacy, 2025, options);
  }

  testing::TempFolder temp;
  const fs::path current = temp.path() / "DB2026_27.mdb", legacy = temp.path() / "DB2025_26.mdb";
  const std::string pw = demo::DeploymentPassword();
};

TEST_F(PageSizeTest, EachFileOpensInItsOwnSizeAndALegacyOneCostsNoSecondKey) {
  EXPECT_TRUE(ReadsWithPageSize(current, pw, kPageSize));
  EXPECT_FALSE(ReadsWithPageSize(current, pw, kLegacyPageSize));
  EXPECT_TRUE(ReadsWithPageSize(legacy, pw, kLegacyPageSize));
  EXPECT_FALSE(ReadsWithPageSize(legacy, pw, kPageSize));

  crypto::ForgetDerivedKeys();
  const long before = crypto::KeysDerived();
  for (int i = 0; i < 3; ++i) Open(legacy, pw);
  EXPECT_EQ(crypto::KeysDerived(), before + 1) << "the legacy size is tried with the key already derived";

  // Written through our open, a legacy file stays in its size, whole.
  {
    Handle db = Open(legacy, pw);
    Exec(db.get(),
         "INSERT INTO errlog VALUES ('written in the legacy size', '2026-12-09 00:00:00');"
         "DELETE FROM logs WHERE LogId % 2 = 0;");
  }
  EXPECT_TRUE(ReadsWithPageSize(legacy, pw, kLegacyPageSize));
  EXPECT_EQ(RowCounts(legacy)["errlog"], 2);
  EXPECT_EQ(RowCounts(legacy)["logs"], 30);
  EXPECT_EQ(Rows(legacy, "PRAGMA integrity_check"), "ok;");
}

TEST_F(PageSizeTest, AWrongPasswordOrANonDatabaseIsRefusedAsBefore) {
  const fs::path garbage = temp.path() / "garbage.mdb";
  {
    std::mt19937 rng(7);
    std::ofstream out(garbage, std::ios::binary);
    for (int i = 0; i < 64 * 1024; ++i) out.put(static_cast<char>(rng()));
  }
  const std::string wrong = "Wrong-Pass-Word-2026";
  const std::vector<std::pair<fs::path, std::string>> cases = {
      {current, wrong}, {legacy, wrong}, {garbage, pw}, {garbage, wrong}};
  for (const auto& [file, password] : cases) {
    const std::string bytes = Bytes(file);
    try {
      Open(file, password);
      ADD_FAILURE() << file << " opened";
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), err::kEngine);
      EXPECT_EQ(e.Description(), "Cannot open database '" + file.string() +
                                     "': not a valid password, or the file is not a database (file is encrypted or is "
                                     "not a database)");
      EXPECT_EQ(e.Description().find(password), std::string::npos);
    }
    EXPECT_EQ(Bytes(file), bytes) << file << ": a refused open changes nothing";
  }
}

TEST_F(PageSizeTest, CompactionWritesALegacyFileInTheCurrentSize) {
  {
    Handle db = Open(legacy, pw);
    Exec(db.get(), "PRAGMA user_version = 7; DELETE FROM InvoiceLines WHERE InvoiceNo % 3 = 0;");
  }
  const auto rows = RowCounts(legacy);
  const std::string legacy_bytes = Bytes(legacy);
  const fs::path copy = temp.path() / "TMPDB2025_26.mdb";
  JetEngine().CompactDatabase(CompactionSourceString(legacy.string(), pw),
                              CompactionDestinationString(copy.string(), pw));

  EXPECT_EQ(fs::file_size(copy) % kPageSize, 0u);
  EXPECT_TRUE(ReadsWithPageSize(copy, pw, kPageSize));
  EXPECT_FALSE(ReadsWithPageSize(copy, pw, kLegacyPageSize));
  EXPECT_EQ(RowCounts(copy), rows);
  const char* schema = "SELECT type || ' ' || name || ' ' || ifnull(sql, '') FROM sqlite_master ORDER BY name";
  EXPECT_EQ(Rows(copy, schema), Rows(legacy, schema)) << "tables and indexes";
  EXPECT_EQ(Rows(copy, "PRAGMA user_version"), "7;");
  EXPECT_EQ(Rows(copy, "PRAGMA integrity_check"), "ok;") << "every index holds its table's rows";
  EXPECT_EQ(Bytes(legacy), legacy_bytes) << "the source is left as it was";
}

// The writer's changed pages reach the file before it commits (its cache is small) and it dies
// with the journal in place; the next open rolls it back, whatever size it tries first.
TEST_F(PageSizeTest, AJournalLeftByAWriterThatDiedRollsBackInItsOwnSize) {
  for (const auto& [file, size] : {std::pair{legacy, kLegacyPageSize}, std::pair{current, kPageSize}}) {
    const auto rows = RowCounts(file);
    const std::string bytes = Bytes(file);
    const pid_t child = fork();
    if (child == 0) {
      try {
        Handle db = Open(file, pw);
        Exec(db.get(),
             "PRAGMA cache_size = 10; BEGIN; DELETE FROM InvoiceLines; UPDATE Invoices SET Total = 0; WITH RECURSIVE "
             "c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < 4000) INSERT INTO errlog SELECT "
             "hex(randomblob(120)), '2026-12-09 00:00:00' FROM c;");
        _exit(0);  // with the handle open: closing it would roll back
      } catch (...) {
        _exit(1);
      }
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const fs::path journal = file.string() + "-journal";
    ASSERT_TRUE(fs::exists(journal)) << file;
    ASSERT_TRUE(Bytes(file) != bytes) << file << ": the writer's pages reached the file";

    EXPECT_EQ(RowCounts(file), rows) << file;
    EXPECT_FALSE(fs::exists(journal)) << file;
    EXPECT_EQ(Rows(file, "PRAGMA integrity_check"), "ok;") << file;
    EXPECT_TRUE(ReadsWithPageSize(file, pw, size)) << file;
  }
}

}  // namespace
}  // namespace ornetta::engine
