// The engine layer: connection strings, connections, recordsets and compaction on real files.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#include <sys/wait.h>

#include "data/engine/connection.h"
#include "data/engine/connection_string.h"
#include "data/engine/engine.h"
#include "data/engine/jet_engine.h"
#include "data/engine/recordset.h"
#include "tests/support/installation.h"

namespace ornetta {
namespace {

namespace fs = std::filesystem;
using testing::ConnectionStringFor;
using testing::DemoInstallation;
using testing::QueryCount;
using testing::QueryText;

std::string CompactSource(const fs::path& p, const std::string& pw) { return CompactionSourceString(p.string(), pw); }
std::string CompactDestination(const fs::path& p, const std::string& pw) {
  return CompactionDestinationString(p.string(), pw);
}

TEST(ConnectionStringTest, ReadsTheProvidersKeys) {
  const ConnectionSettings s = ParseConnectionString(
      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a b/c.mdb;Persist Security Info=False;"
      "Jet OLEDB:Database Password= p w ");
  EXPECT_EQ(s.data_source, "/a b/c.mdb");
  EXPECT_EQ(s.password, " p w ") << "the password is taken exactly";
  EXPECT_FALSE(s.engine_type);
  EXPECT_EQ(ParseConnectionString(CompactDestination("/x.mdb", "pw")).engine_type, 5);
  EXPECT_EQ(ParseConnectionString("provider=MICROSOFT.JET.OLEDB.4.0;data source=\"/a;b.mdb\";").data_source,
            "/a;b.mdb");
}

TEST(ConnectionStringTest, RefusesWhatItCannotServeWithoutRepeatingThePassword) {
  for (const char* bad :
       {"Provider=SQLOLEDB;Data Source=x;Jet OLEDB:Database Password=secret12",
        "Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database Password=secret12",
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x;Jet OLEDB:Engine Type=4;Jet OLEDB:Database Password=secret12",
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x;Colour=blue;Jet OLEDB:Database Password=secret12",
        "Data Source=x;Jet OLEDB:Database Password=secret12"}) {
    try {
      ParseConnectionString(bad);
      ADD_FAILURE() << bad;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()).find("secret12"), std::string::npos) << e.what();
    }
  }
}

TEST(ConnectionTest, StateFollowsOpenAndClose) {
  DemoInstallation install;
  auto conn = std::make_shared<Connection>();
  EXPECT_EQ(conn->State(), 0);
  EXPECT_THROW(conn->Close(), Error);
  conn->ConnectionString = ConnectionStringFor(install.year_database());
  conn->Open("", "", "", -1);
  EXPECT_EQ(conn->State(), 1);
  EXPECT_THROW(conn->Open(), Error);
  // An open connection keeps no password, as with "Persist Security Info=False".
  EXPECT_EQ(conn->ConnectionString.find(demo::DeploymentPassword()), std::string::npos)
      << "the password stays in the string";
  EXPECT_EQ(conn->ConnectionString.find("Password"), std::string::npos);
  EXPECT_NE(conn->ConnectionString.find(install.year_database().string()), std::string::npos);
  conn->Close();
  EXPECT_EQ(conn->State(), 0);
  Recordset rs;
  EXPECT_THROW(rs.Open("select 1", conn), Error);
  EXPECT_THROW(rs.Open("select 1", nullptr), Error);
}

TEST(ConnectionStringTest, TheCompactionsStringsAreTheProvidersExactly) {
  EXPECT_EQ(CompactionSourceString("/a/DB.mdb", "pw"),
            "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a/DB.mdb;Jet OLEDB:Database Password=pw;");
  EXPECT_EQ(CompactionDestinationString("/a/TMPDB.mdb", "pw"),
            "Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Engine Type=5;Data Source=/a/TMPDB.mdb;Jet OLEDB:Database "
            "Password=pw;");
  EXPECT_EQ(OpenConnectionString("/a/DB.mdb", "pw"),
            "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a/DB.mdb;Persist Security Info=False;Jet OLEDB:Database "
            "Password=pw");
}

// Every path reaches the engine whole: a folder named with the string's own separators or quotes
// names that folder, never a shorter path beside it, in the open and in the compaction.
TEST(ConnectionStringTest, APathWithTheStringsSeparatorsOrQuotesReachesTheEngineWhole) {
  testing::TempFolder temp;
  demo::Options options;
  options.invoices = 7;
  demo::CreateYearDatabase(temp.path() / "TARVIK", 2026, options);  // what a path cut at ';' would name
  options.invoices = 20;
  const fs::path made = temp.path() / "made.mdb";
  demo::CreateYearDatabase(made, 2026, options);
  const std::string pw = demo::DeploymentPassword();
  for (const std::string folder : {"TARVIK;Mode=Share Deny None", "O'Brien; Sons", "say \"hi\"; now", "both ' and \" ;",
                                   " blank at the start", "Kööpenhamina=1"}) {
    SCOPED_TRACE(folder);
    const fs::path dir = temp.path() / folder;
    fs::create_directory(dir);
    fs::copy_file(made, dir / "DB.mdb");
    EXPECT_EQ(ParseConnectionString(OpenConnectionString((dir / "DB.mdb").string(), pw)).data_source,
              (dir / "DB.mdb").string());
    EXPECT_EQ(QueryCount(dir / "DB.mdb", "Invoices"), 20);
    JetEngine().CompactDatabase(CompactSource(dir / "DB.mdb", pw), CompactDestination(dir / "TMPDB.mdb", pw));
    EXPECT_EQ(QueryCount(dir / "TMPDB.mdb", "Invoices"), 20);
  }
  EXPECT_EQ(QueryCount(temp.path() / "TARVIK", "Invoices"), 7);
}

TEST(ConnectionTest, OpeningAMissingFileCreatesNothing) {
  DemoInstallation install;
  Connection conn;
  const fs::path missing = install.database_folder() / "DB1999_00.mdb";
  EXPECT_THROW(conn.Open(ConnectionStringFor(missing)), Error);
  EXPECT_FALSE(fs::exists(missing));
}

// A database without a password is a plain file; each kind opens only the way it was made.
TEST(ConnectionTest, AnEmptyPasswordMeansAPlainFile) {
  testing::TempFolder temp;
  const fs::path plain = temp.path() / "plain.mdb", locked = temp.path() / "locked.mdb";
  demo::Options options;
  options.invoices = 20;
  demo::CreateYearDatabase(locked, 2026, options);
  options.encrypted = false;
  demo::CreateYearDatabase(plain, 2026, options);

  auto conn = std::make_shared<Connection>();
  conn->Open(OpenConnectionString(plain.string(), ""));
  Recordset rs;
  rs.Open("SELECT Count(*) FROM Invoices", conn);
  EXPECT_EQ(rs.Fields(0).ToText(), "20");
  rs.Close();
  conn->Close();
  EXPECT_THROW(conn->Open(ConnectionStringFor(plain)), Error) << "a password does not open a plain file";
  const auto size = fs::file_size(locked);
  EXPECT_THROW(conn->Open(OpenConnectionString(locked.string(), "")), Error) << "nor no password an encrypted one";
  EXPECT_EQ(fs::file_size(locked), size);
  EXPECT_EQ(QueryCount(locked, "Invoices"), 20);
}

TEST(CompactionTest, KeepsSchemaRowsUserVersionAndPasswordAndLeavesTheSource) {
  DemoInstallation install;
  const fs::path src = install.year_database();
  const fs::path dst = install.tmp_copy(install.current_year_file);
  const std::string pw = demo::DeploymentPassword();
  const long long invoices = QueryCount(src, "Invoices");
  ASSERT_GT(invoices, 0);
  {
    // Rows written and deleted again leave free pages for the compaction to drop.
    engine::Handle db = engine::Open(src, pw);
    engine::Exec(db.get(),
                 "CREATE TABLE scratch(x); WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c "
                 "WHERE n < 5000) INSERT INTO scratch SELECT randomblob(200) FROM c; DROP TABLE scratch;");
  }
  const long long lines = QueryCount(src, "InvoiceLines");
  const auto src_size = fs::file_size(src);
  std::vector<double> progress;
  JetEngine().CompactDatabase(CompactSource(src, pw), CompactDestination(dst, pw),
                              [&](double f) { progress.push_back(f); });
  EXPECT_EQ(fs::file_size(src), src_size);
  EXPECT_LT(fs::file_size(dst), src_size) << "free pages are dropped";
  EXPECT_EQ(QueryCount(dst, "Invoices"), invoices);
  EXPECT_EQ(QueryCount(dst, "InvoiceLines"), lines);
  EXPECT_EQ(QueryText(dst, "SELECT Count(*) FROM logs WHERE dates > #2000-01-01#"),
            QueryText(src, "SELECT Count(*) FROM logs WHERE dates > #2000-01-01#"));
  engine::Handle a = engine::Open(src, pw), b = engine::Open(dst, pw);
  auto scalar = [](sqlite3* db, const char* sql) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    std::string out;
    while (sqlite3_step(st) == SQLITE_ROW)
      out += std::string(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) + ";";
    sqlite3_finalize(st);
    return out;
  };
  EXPECT_EQ(scalar(b.get(), "SELECT sql FROM sqlite_master WHERE sql IS NOT NULL ORDER BY name"),
            scalar(a.get(), "SELECT sql FROM sqlite_master WHERE sql IS NOT NULL ORDER BY name"));
  EXPECT_EQ(scalar(b.get(), "PRAGMA user_version"), "1;");
  EXPECT_EQ(scalar(b.get(), "PRAGMA integrity_check"), "ok;");
  EXPECT_THROW(engine::Open(dst, "wrong password"), Error);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), 1.0);
}

TEST(CompactionTest, FailsWithoutTouchingAnythingWhenTheDestinationExistsOrTheSourceIsMissing) {
  DemoInstallation install;
  const std::string pw = demo::DeploymentPassword();
  const fs::path src = install.year_database();
  const fs::path dst = install.database_folder() / "TMPx.mdb";
  fs::copy_file(install.start_database(), dst);
  const auto dst_size = fs::file_size(dst);
  EXPECT_THROW(JetEngine().CompactDatabase(CompactSource(src, pw), CompactDestination(dst, pw)), Error);
  EXPECT_EQ(fs::file_size(dst), dst_size);
  const fs::path fresh = install.database_folder() / "TMPy.mdb";
  EXPECT_THROW(JetEngine().CompactDatabase(CompactSource(install.database_folder() / "none.mdb", pw),
                                           CompactDestination(fresh, pw)),
               Error);
  EXPECT_THROW(JetEngine().CompactDatabase(CompactSource(src, "wrong"), CompactDestination(fresh, pw)), Error);
  EXPECT_FALSE(fs::exists(fresh));
}

TEST(CompactionTest, FailsWhileAnotherProcessHoldsTheSourceExclusively) {
  DemoInstallation install;
  const std::string pw = demo::DeploymentPassword();
  const fs::path src = install.year_database();
  const fs::path dst = install.database_folder() / "TMPlocked.mdb";
  int ready[2], release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  const pid_t child = fork();
  if (child == 0) {
    engine::Handle db = engine::Open(src, pw);
    engine::Exec(db.get(), "BEGIN EXCLUSIVE; DELETE FROM logs;");
    char c = 1;
    (void)!write(ready[1], &c, 1);
    (void)!read(release[0], &c, 1);
    _exit(0);  // the transaction is never committed
  }
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  EXPECT_THROW(JetEngine().CompactDatabase(CompactSource(src, pw), CompactDestination(dst, pw)), Error);
  EXPECT_FALSE(fs::exists(dst));
  (void)!write(release[1], &c, 1);
  waitpid(child, nullptr, 0);
  EXPECT_GT(QueryCount(src, "logs"), 0) << "the other process's uncommitted delete is rolled back";
}

}  // namespace
}  // namespace ornetta

namespace ornetta {
namespace {

// Whether another process sees a write lock of this one on `file` (the engine's reserved byte).
bool OthersSeeTheWriteLock(const fs::path& file) {
  const pid_t child = fork();
  if (child == 0) {
    const int fd = open(file.c_str(), O_RDONLY);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0x40000001;  // the byte a writer locks
    lock.l_len = 1;
    _exit(fd >= 0 && fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(EngineLocksTest, AHeldDatabaseStaysHeldWhenTheSameFileIsOpenedAndClosedAgain) {
  DemoInstallation install;
  const std::string password = demo::DeploymentPassword();
  engine::Handle held = engine::Open(install.year_database(), password);
  engine::Exec(held.get(), "BEGIN IMMEDIATE;");
  ASSERT_TRUE(OthersSeeTheWriteLock(install.year_database()));
  // A second connection (as the compaction opens) reads the file's salt before keying it: the
  // lock is the process's, and closing any other descriptor of the file would drop it.
  engine::Open(install.year_database(), password).reset();
  EXPECT_TRUE(OthersSeeTheWriteLock(install.year_database()));
  JetEngine().CompactDatabase(CompactSource(install.year_database(), password),
                              CompactDestination(install.database_folder() / "TMPcopy.mdb", password));
  EXPECT_TRUE(OthersSeeTheWriteLock(install.year_database())) << "the compaction of a held file keeps it held";
}

}  // namespace
}  // namespace ornetta
