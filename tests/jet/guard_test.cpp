// The guard on a connection the engine layer opened: statements in the engine's own SQL, as if
// they had got past the translation, reach nothing but the open database.
#include <gtest/gtest.h>

#include <fstream>

#include "data/jet/guard.h"
#include "tests/jet/jet_database.h"

namespace ornetta {
namespace {

namespace fs = std::filesystem;

class JetGuardTest : public testing::JetDatabase {
 protected:
  // Prepares and steps `sql` once on the guarded handle: "ran", or the engine's message.
  std::string Engine(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(conn->NativeHandle(), sql.c_str(), -1, &st, nullptr);
    if (rc == SQLITE_OK && st) rc = sqlite3_step(st);
    sqlite3_finalize(st);
    return rc == SQLITE_ROW || rc == SQLITE_DONE ? "ran" : sqlite3_errmsg(conn->NativeHandle());
  }
  void ExpectRefused(const std::string& sql) {
    EXPECT_NE(Engine(sql).find("not authorized"), std::string::npos) << sql;
  }
};

TEST_F(JetGuardTest, OtherFilesCannotBeAttachedCreatedOrWritten) {
  const fs::path fresh = folder.path() / "fresh.db";
  const fs::path existing = folder.path() / "existing.db";
  std::ofstream(existing) << "";
  for (const fs::path& file : {fresh, existing}) {
    ExpectRefused("ATTACH DATABASE '" + file.string() + "' AS o");
    ExpectRefused("ATTACH DATABASE '" + file.string() + "' AS o KEY ''");
  }
  ExpectRefused("SELECT sqlcipher_export('main')");
  EXPECT_FALSE(fs::exists(fresh));
  EXPECT_EQ(fs::file_size(existing), 0u);
  ExpectRefused("DETACH DATABASE main");
}

TEST_F(JetGuardTest, EngineSettingsAndTheKeyCannotBeChanged) {
  for (const char* sql : {"PRAGMA key = 'x'", "PRAGMA rekey = 'x'", "PRAGMA cipher_page_size = 1024",
                          "PRAGMA journal_mode = OFF", "PRAGMA writable_schema = 1",
                          "PRAGMA temp_store_directory = '/tmp'", "PRAGMA user_version = 7", "PRAGMA query_only = 0"})
    ExpectRefused(sql);
  Run("SELECT 1");  // the key still opens the database
}

TEST_F(JetGuardTest, NoCodeFromOutsideIsLoaded) {
  ExpectRefused("SELECT load_extension('libc.so.6')");
  ExpectRefused("SELECT load_extension('" + (folder.path() / "x.so").string() + "', 'init')");
  EXPECT_EQ(sqlite3_enable_load_extension(conn->NativeHandle(), 1), SQLITE_OK);  // the C call is the program's own
  ExpectRefused("SELECT load_extension('libc.so.6')");  // the authorizer still refuses it in SQL
  ExpectRefused("SELECT fts3_tokenizer('simple')");
  ExpectRefused("CREATE VIRTUAL TABLE v USING fts4(x)");
}

// A row written into sqlite_sequence made every later insert into its table fail ("database or
// disk is full"): the engine's own tables are read-only to statements, but the engine still keeps
// them when tables and indexes are dropped.
TEST_F(JetGuardTest, TheEnginesOwnTablesCanBeReadButNotWritten) {
  Run("CREATE TABLE t (id COUNTER, a LONG)");
  Run("CREATE INDEX byA ON t (a)");
  Run("INSERT INTO t (a) VALUES (1)");
  EXPECT_EQ(Engine("ANALYZE"), "ran");
  for (const char* sql :
       {"INSERT INTO sqlite_sequence VALUES ('t', 9223372036854775807)", "UPDATE sqlite_sequence SET seq = 0",
        "DELETE FROM sqlite_sequence", "INSERT INTO sqlite_stat1 VALUES ('t', 'byA', '1 1')",
        "UPDATE sqlite_stat1 SET stat = '9'", "DELETE FROM sqlite_stat1", "UPDATE SQLITE_SEQUENCE SET seq = 0"})
    ExpectRefused(sql);
  EXPECT_EQ(Rows("SELECT seq FROM sqlite_sequence WHERE name = 't'"), "1");
  Run("INSERT INTO t (a) VALUES (2)");
  EXPECT_EQ(Rows("SELECT Max(id) FROM t"), "2");
  // Dropping deletes the engine's rows for the table and index; a later refusal still holds.
  Run("DROP INDEX byA ON t");
  Run("DROP TABLE t");
  EXPECT_EQ(Rows("SELECT Count(*) FROM sqlite_sequence WHERE name = 't'"), "0");
  ExpectRefused("DELETE FROM sqlite_stat1");
  {
    // The program's own statements may, while it says so.
    jet::EngineTableWrites own;
    EXPECT_EQ(Engine("DELETE FROM sqlite_stat1"), "ran");
  }
  ExpectRefused("DELETE FROM sqlite_stat1");
}

// A view's SELECT is checked each time a statement reads the view, as if it were written there:
// a view put into the file by other means carries nothing past the guard.
TEST_F(JetGuardTest, AViewCarriesNothingPastTheGuard) {
  Run("CREATE TABLE t (id COUNTER PRIMARY KEY, n LONG)");
  Run("INSERT INTO t (n) VALUES (4)");
  {
    engine::Handle other = engine::Open(folder.path() / "jet.mdb", "pw");  // no guard on this one
    engine::Exec(other.get(),
                 "CREATE VIEW loads AS SELECT load_extension('libc.so.6') AS x;"
                 "CREATE VIEW exports AS SELECT sqlcipher_export('main') AS x;"
                 "CREATE VIEW counters AS SELECT name, seq FROM sqlite_sequence;");
  }
  ExpectRefused("SELECT * FROM loads");
  ExpectRefused("SELECT * FROM exports");
  EXPECT_THROW(Run("SELECT * FROM loads"), Error);
  EXPECT_EQ(Engine("SELECT * FROM counters"), "ran") << "reading the engine's tables stays allowed";
  // Views the translation writes run under the guard like any statement, and go again with DROP VIEW.
  Run("CREATE VIEW doubled AS SELECT n * 2 AS twice FROM t");
  EXPECT_EQ(Value("SELECT twice FROM doubled"), "8");
  Run("DROP VIEW doubled");
  EXPECT_THROW(Value("SELECT twice FROM doubled"), Error);
}

TEST_F(JetGuardTest, OrdinaryStatementsStillRun) {
  Run("CREATE TABLE t (a LONG, b TEXT(5))");
  Run("INSERT INTO t VALUES (1, 'x')");
  Run("CREATE INDEX byB ON t (b)");
  Run("UPDATE t SET a = 2");
  EXPECT_EQ(Rows("SELECT a, b FROM t WHERE b Like 'X%'"), "2,x");
  Run("DELETE * FROM t");
  Run("DROP TABLE t");
}

}  // namespace
}  // namespace ornetta
