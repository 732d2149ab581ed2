// Repair and compact on a demo installation: what the user is told, and exactly which files
// changed, for the successful run and for a failure at each point.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <tuple>

#include "data/crypto/derived_keys.h"
#include "data/engine/engine.h"
#include "platform/file_ops.h"
#include "repair/repair_compact.h"
#include "repair/salvage/report.h"
#include "tests/support/fault_vfs.h"
#include "tests/support/fault_file_ops.h"
#include "tests/support/installation.h"
#include "tests/support/recording_host.h"

namespace ornetta::repair {
namespace {

namespace fs = std::filesystem;
using testing::ShownMessage;

const ShownMessage kSuccess{"Database Successfully Repaired and Compacted !!!", 64, "TARVIK Software"};
const ShownMessage kFailure{
    "Error Occured while compacting Database!!! \r\n\r\nEnsure TARVIK databases NOT in running State (TARVIK Software "
    "should not be Opened by anyone) !!!",
    16, "TARVIK Software"};

std::string Day(int day) { return (day < 10 ? "0" : "") + std::to_string(day); }

std::string Bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Another process that holds `file` open, idle (no lock), as long as it lives.
class OtherUser {
 public:
  explicit OtherUser(const fs::path& file) {
    int ready[2];
    if (pipe(ready) != 0 || pipe(release_) != 0) std::abort();
    child_ = fork();
    if (child_ == 0) {
      engine::Handle db = engine::Open(file, demo::DeploymentPassword());
      char c = 1;
      (void)!write(ready[1], &c, 1);
      (void)!read(release_[0], &c, 1);
      _exit(0);
    }
    char c;
    EXPECT_EQ(read(ready[0], &c, 1), 1) << "the other process could not open " << file;
    close(ready[0]);
    close(ready[1]);
  }
  ~OtherUser() {
    char c = 1;
    (void)!write(release_[1], &c, 1);
    close(release_[1]);
    waitpid(child_, nullptr, 0);
    close(release_[0]);
  }

 private:
  int release_[2];
  pid_t child_;
};

class FailingAccess : public AccessApplication {
 public:
  void Call(int32_t) override { throw Error(440, "Automation error"); }
};

class RepairCompactTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prod.Get_Connection();
    ASSERT_EQ(prod.dbconnection->State(), 1);
    year_bytes = Bytes(install.year_database());
    start_bytes = Bytes(install.start_database());
  }

  bool Repair(const std::string& name, platform::FileOps& file_ops = platform::SystemFileOps()) {
    RepairContext context{.objProd = prod, .host = host, .access_factory = factory, .file_ops = file_ops};
    const bool result = Repair_Compact_DB(context, name);
    reason = context.failure_reason;
    return result;
  }

  // The failure message: what failed on its first line, then the fixed text.
  ShownMessage Failure() const { return {reason + "\r\n\r\n" + kFailure.text, kFailure.icon, kFailure.title}; }

  bool Unchanged() {
    return Bytes(install.year_database()) == year_bytes && Bytes(install.start_database()) == start_bytes;
  }
  std::vector<std::string> BackupNames() {
    std::vector<std::string> names;
    for (const fs::path& backup : Backups()) names.push_back(backup.filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::vector<fs::path> Backups() {
    std::vector<fs::path> out;
    if (fs::exists(install.backup_root()))
      for (const auto& e : fs::directory_iterator(install.backup_root())) out.push_back(e.path());
    return out;
  }
  bool NoTmpLeft() {
    for (const auto& e : fs::directory_iterator(install.database_folder()))
      if (Installation::IsTmpName(e.path().filename().string())) return false;
    return true;
  }

  testing::DemoInstallation install;
  testing::RecordingHost host{install.program_folder()};
  clsProd prod{host};
  AccessApplicationFactory factory = DefaultAccessApplicationFactory();
  std::string year_bytes, start_bytes, reason;
};

TEST_F(RepairCompactTest, SuccessKeepsEveryRowShrinksTheFilesAndLeavesAVerifiedBackup) {
  {
    engine::Handle db = engine::Open(install.year_database(), demo::DeploymentPassword());
    engine::Exec(db.get(),
                 "CREATE TABLE scratch(x); WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c "
                 "WHERE n < 3000) INSERT INTO scratch SELECT randomblob(300) FROM c; DROP TABLE scratch;");
  }
  const auto size_before = fs::file_size(install.year_database());
  const std::string year_before = Bytes(install.year_database());
  const auto invoices = testing::QueryCount(install.year_database(), "Invoices");
  const auto years = testing::QueryCount(install.start_database(), "DB_Years");

  const long keys_derived = crypto::KeysDerived();
  EXPECT_TRUE(Repair(install.current_year_file));
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{kSuccess});
  EXPECT_EQ(crypto::KeysDerived(), keys_derived) << "the keys derived at start-up serve the whole repair";
  EXPECT_EQ(prod.dbconnection->State(), 0) << "closed at the start and left closed";
  EXPECT_EQ(host.pending_message_yields, 2) << "once after each compaction";
  EXPECT_LT(fs::file_size(install.year_database()), size_before);
  EXPECT_EQ(testing::QueryCount(install.year_database(), "Invoices"), invoices);
  EXPECT_EQ(testing::QueryCount(install.start_database(), "DB_Years"), years);
  EXPECT_TRUE(NoTmpLeft());

  const auto backups = Backups();
  ASSERT_EQ(backups.size(), 1u);
  EXPECT_EQ(Bytes(backups[0] / install.current_year_file), year_before);
  EXPECT_EQ(Bytes(backups[0] / Installation::kStartName), start_bytes);

  // The repaired installation starts as before.
  clsProd again(host);
  again.Get_Connection();
  EXPECT_EQ(again.dbconnection->State(), 1);
}

TEST_F(RepairCompactTest, TheStartDatabaseIsCompactedForAnyNamedDatabaseAndFiveBackupsAreKept) {
  const std::string other = demo::DemoYears(2026, 12).front().file_name;
  for (int run = 0; run < 7; ++run) {
    ASSERT_TRUE(Repair(run % 2 ? other : install.current_year_file)) << reason;
  }
  EXPECT_EQ(Backups().size(), 5u);
  EXPECT_NE(Bytes(install.start_database()), start_bytes);
  EXPECT_TRUE(Repair(Installation::kStartName)) << "the start database named as the one to repair: " << reason;
}

// A clock once set ahead left newer-named backups behind: the repair after it is corrected keeps
// its own backup (the only copy of what it replaces) and prunes the oldest of the others.
TEST_F(RepairCompactTest, TheRunsOwnBackupIsKeptWhenOthersSortAfterIt) {
  for (int year = 2031; year <= 2035; ++year) {
    host.now = {year, 1, 1, 0, 0, 0};
    ASSERT_TRUE(Repair(install.current_year_file)) << reason;
  }
  host.now = {2026, 12, 10, 9, 0, 0};
  ASSERT_TRUE(Repair(install.current_year_file)) << reason;
  EXPECT_EQ(BackupNames(),
            (std::vector<std::string>{"2026-12-10_09-00-00", "2032-01-01_00-00-00", "2033-01-01_00-00-00",
                                      "2034-01-01_00-00-00", "2035-01-01_00-00-00"}));
  EXPECT_FALSE(Bytes(install.backup_root() / "2026-12-10_09-00-00" / install.current_year_file).empty());
}

// Named by the host's clock; a second repair within the same second gets a number.
TEST_F(RepairCompactTest, BackupFoldersAreNamedByTheHostsClock) {
  host.now = {2027, 1, 2, 3, 4, 5};
  ASSERT_TRUE(Repair(install.current_year_file)) << reason;
  ASSERT_TRUE(Repair(install.current_year_file)) << reason;
  host.now.second = 6;
  ASSERT_TRUE(Repair(install.current_year_file)) << reason;
  EXPECT_EQ(BackupNames(),
            (std::vector<std::string>{"2027-01-02_03-04-05", "2027-01-02_03-04-05_002", "2027-01-02_03-04-06"}));
}

TEST_F(RepairCompactTest, NoAutomationObjectMeansNothingIsTouched) {
  factory = []() -> std::unique_ptr<AccessApplication> { throw Error(429, "ActiveX component can't create object"); };
  EXPECT_FALSE(Repair(install.current_year_file));
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{Failure()});
  EXPECT_TRUE(Unchanged());
  EXPECT_TRUE(Backups().empty());
  EXPECT_EQ(prod.dbconnection->State(), 0);
}

TEST_F(RepairCompactTest, AFailedBackupStopsTheRepairBeforeAnyCompaction) {
  fs::create_directories(install.backup_root().parent_path());
  std::ofstream(install.backup_root()) << "a file where the backup folder belongs";
  EXPECT_FALSE(Repair(install.current_year_file));
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{Failure()});
  EXPECT_NE(reason.find("backup"), std::string::npos) << reason;
  EXPECT_TRUE(Unchanged());
  EXPECT_TRUE(NoTmpLeft());
}

// The copies run while the databases compact: a copy that fails meanwhile is still what the
// repair reports, and nothing is replaced.
TEST_F(RepairCompactTest, ABackupCopyFailingDuringTheCompactionReplacesNothing) {
  static int copies;
  copies = 0;
  testing::FaultFileOps file_ops([](const char* operation) {
    const bool fail = std::string(operation) == "copy" && copies++ == 0;
    return fail ? std::make_error_code(std::errc::no_space_on_device) : std::error_code();
  });
  const bool repaired = Repair(install.current_year_file, file_ops);
  EXPECT_FALSE(repaired);
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{Failure()});
  EXPECT_NE(reason.find("The backup copy could not be made: copying"), std::string::npos) << reason;
  EXPECT_TRUE(Unchanged());
  EXPECT_TRUE(NoTmpLeft());
  EXPECT_TRUE(Backups().empty()) << "a half-made backup is removed";
}

// A swap whose rename took place but whose folder could not be flushed reports the failure; the
// backup may then hold the only copy of the database as it was, and stays.
TEST_F(RepairCompactTest, ASwapThatFailsAfterItsRenameKeepsTheBackup) {
  static bool renamed;
  renamed = false;
  testing::FaultFileOps file_ops([](const char* operation) {
    if (std::string(operation) == "rename") renamed = true;
    return renamed && std::string(operation) == "sync" ? std::make_error_code(std::errc::io_error) : std::error_code();
  });
  EXPECT_FALSE(Repair(install.current_year_file, file_ops));
  EXPECT_NE(Bytes(install.year_database()), year_bytes) << "the compacted copy took the name";
  ASSERT_EQ(Backups().size(), 1u);
  EXPECT_EQ(Bytes(Backups()[0] / install.current_year_file), year_bytes);
}

TEST_F(RepairCompactTest, AMissingDatabaseFails) {
  EXPECT_FALSE(Repair("DB1990_91.mdb"));
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{Failure()});
  EXPECT_EQ(reason.rfind("Could not find file '", 0), 0u) << "the first line names what failed: " << reason;
  EXPECT_TRUE(Unchanged());
  EXPECT_TRUE(Backups().empty()) << "a run that replaced nothing takes its copies away again";
}

TEST_F(RepairCompactTest, ADatabaseOpenInAnotherProcessIsNotReplaced) {
  {
    const OtherUser user(install.year_database());
    EXPECT_FALSE(Repair(install.current_year_file));
  }
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{Failure()});
  EXPECT_NE(reason.find("in use"), std::string::npos) << reason;
  EXPECT_TRUE(Unchanged());
}

// Retries while the application holds the year database replace nothing: they keep every backup
// and leave none of their own. Pruning then keeps the last five runs that replaced something, the
// newest copy of each database, and what a person must see.
TEST_F(RepairCompactTest, RetriesThatReplaceNothingLoseNoBackupAndPruningKeepsEachDatabasesNewestCopy) {
  const std::string other = demo::DemoYears(2026, 12).front().file_name;
  const auto repair_on = [&](int day, const std::string& name) {
    host.now = {2027, 1, day, 9, 0, 0};
    return Repair(name);
  };
  const auto folder_of = [&](int day) { return install.backup_root() / ("2027-01-" + Day(day) + "_09-00-00"); };
  const fs::path partial = install.partial_copies_folder() / "2026-12-01_08-00-00 TMPDBStart.mdb";
  fs::create_directories(partial.parent_path());
  std::ofstream(partial) << "moved aside at a start-up";

  ASSERT_TRUE(repair_on(1, install.current_year_file)) << reason;
  {
    const OtherUser user(install.year_database());
    for (int day = 2; day <= 6; ++day) EXPECT_FALSE(repair_on(day, install.current_year_file)) << day;
  }
  EXPECT_EQ(BackupNames(), (std::vector<std::string>{"2027-01-01_09-00-00", "partial copies"}));
  EXPECT_EQ(Bytes(folder_of(1) / install.current_year_file), year_bytes) << "the good run's verified copy";

  std::ofstream(folder_of(1) / salvage::kReportName) << "a salvage's report";
  const std::string year_before_day_7 = Bytes(install.year_database());
  ASSERT_TRUE(repair_on(7, install.current_year_file)) << reason;
  std::ofstream(install.tmp_copy(other)) << "left by an interrupted run";  // moved aside on day 8
  for (int day = 8; day <= 14; ++day) ASSERT_TRUE(repair_on(day, other)) << day << ": " << reason;

  std::vector<std::string> expected{"partial copies"};
  for (int day : {1, 7, 8, 10, 11, 12, 13, 14}) expected.push_back(folder_of(day).filename().string());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(BackupNames(), expected) << "day 9 alone is pruned";
  EXPECT_EQ(Bytes(folder_of(7) / install.current_year_file), year_before_day_7) << "its newest copy";
  EXPECT_EQ(Bytes(folder_of(1) / install.current_year_file), year_bytes) << "the salvage's folder";
  EXPECT_TRUE(fs::exists(folder_of(8) / ("stale-TMP" + other)));
  EXPECT_EQ(Bytes(partial), "moved aside at a start-up");
}

// Support staff run repairs as root: the application's user must find its databases as it left
// them (the year database here behind a link), and no copy on the way may be more readable.
TEST_F(RepairCompactTest, AsRootTheDatabasesKeepTheirOwnerAndModeAndNoCopyIsMoreReadable) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can give the databases another owner";
  constexpr uid_t kOwner = 4242;
  const fs::path real = install.program_folder() / "books" / install.current_year_file;
  fs::create_directories(real.parent_path());
  fs::rename(install.year_database(), real);
  fs::create_symlink(real, install.year_database());
  const std::vector<fs::path> databases{real, install.start_database()};
  for (const fs::path& db : databases) {
    ASSERT_EQ(chown(db.c_str(), kOwner, kOwner), 0);
    ASSERT_EQ(chmod(db.c_str(), 0600), 0);
  }
  const auto access_of = [](const fs::path& file) {
    struct stat st {};
    EXPECT_EQ(stat(file.c_str(), &st), 0) << file;
    return std::tuple(st.st_uid, st.st_gid, st.st_mode & 07777);
  };
  const auto private_to_owner = std::tuple(kOwner, kOwner, mode_t{0600});

  testing::FaultFileOps no_owner([](const char* operation) {
    return std::string(operation) == "owner" ? std::make_error_code(std::errc::operation_not_permitted)
                                             : std::error_code();
  });
  EXPECT_FALSE(Repair(install.current_year_file, no_owner));
  EXPECT_NE(reason.find("owner and permissions of '" + real.string() + "' (Operation not permitted)"), std::string::npos)
      << reason;
  EXPECT_TRUE(Unchanged());
  EXPECT_TRUE(Backups().empty());

  std::vector<mode_t> tmp_modes;  // as the compactions left them, before they are swapped in
  host.on_yield = [&] {
    for (const fs::path& db : databases)
      if (fs::exists(Installation::TmpCopyOf(db)))
        tmp_modes.push_back(std::get<2>(access_of(Installation::TmpCopyOf(db))));
  };
  ASSERT_TRUE(Repair(install.current_year_file)) << reason;
  EXPECT_TRUE(fs::is_symlink(install.year_database())) << "the link stays";
  EXPECT_EQ(fs::read_symlink(install.year_database()), real);
  for (const fs::path& db : databases) EXPECT_EQ(access_of(db), private_to_owner) << db;
  EXPECT_EQ(tmp_modes, (std::vector<mode_t>{0600, 0600}));
  ASSERT_EQ(Backups().size(), 1u);
  for (const fs::path& db : databases)
    EXPECT_EQ(access_of(Backups()[0] / db.filename()), private_to_owner) << "the backup copy of " << db;
}

TEST_F(RepairCompactTest, AFailedStartCompactionLeavesTheSwappedYearAndTheOldStart) {
  testing::FaultVfs::Install();
  host.on_yield = [this] {
    if (host.pending_message_yields == 1) testing::FaultVfs::Arm({testing::FaultOp::kWrite, 1, true});
  };
  const auto invoices = testing::QueryCount(install.year_database(), "Invoices");
  EXPECT_FALSE(Repair(install.current_year_file));
  testing::FaultVfs::Disarm();
  testing::FaultVfs::Uninstall();
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{Failure()});
  EXPECT_NE(Bytes(install.year_database()), year_bytes) << "the year database was swapped";
  EXPECT_EQ(testing::QueryCount(install.year_database(), "Invoices"), invoices);
  EXPECT_EQ(Bytes(install.start_database()), start_bytes);
  EXPECT_TRUE(NoTmpLeft());
}

// A compacted copy that is not what it must be is never swapped in: damaged between the
// compaction and its checks (which the repair's yield to the window allows a test to do), the
// year database stays as it was and the failure is shown.
TEST(CopyCheckTest, ADamagedOrIncompleteCopyIsNeverSwappedIn) {
  const std::string pw = demo::DeploymentPassword();
  auto sql_on = [pw](const fs::path& file, const std::string& sql) {
    engine::Handle db = engine::Open(file, pw);
    engine::Exec(db.get(), sql);
  };
  const std::vector<std::pair<std::string, std::function<void(const fs::path&)>>> damages = {
      {"a flipped byte in a page",
       [](const fs::path& tmp) {
         std::fstream f(tmp, std::ios::in | std::ios::out | std::ios::binary);
         f.seekp(static_cast<std::streamoff>(fs::file_size(tmp) / 2));
         f.put('\x5a');
       }},
      {"rows missing", [&](const fs::path& tmp) { sql_on(tmp, "DELETE FROM logs WHERE rowid % 3 = 0;"); }},
      {"an index missing", [&](const fs::path& tmp) { sql_on(tmp, "DROP INDEX idxLogsDates;"); }},
      {"an index redefined",
       [&](const fs::path& tmp) {
         // Rows in place and a sound structure, but one index no longer holds every row.
         sql_on(
             tmp,
             "DROP INDEX idxInvoiceDate; CREATE INDEX idxInvoiceDate ON Invoices (InvoiceDate) WHERE InvoiceNo > 3;");
       }},
  };
  for (const auto& [what, damage] : damages) {
    testing::DemoInstallation install;
    testing::RecordingHost host{install.program_folder()};
    clsProd prod{host};
    prod.Get_Connection();
    const std::string year_before = Bytes(install.year_database());
    const fs::path tmp = install.tmp_copy(install.current_year_file);
    host.on_yield = [&, damage = damage] {
      if (host.pending_message_yields == 1) damage(tmp);
    };
    RepairContext context{prod, host, nullptr, DefaultAccessApplicationFactory(), "", {}, {}};
    EXPECT_FALSE(Repair_Compact_DB(context, install.current_year_file)) << what;
    EXPECT_EQ(host.pending_message_yields, 1) << what << ": stopped at the checks of the first copy";
    EXPECT_EQ(host.messages,
              (std::vector<ShownMessage>{{context.failure_reason + "\r\n\r\n" + kFailure.text, 16, kFailure.title}}))
        << what;
    EXPECT_TRUE(Bytes(install.year_database()) == year_before) << what << ": the year database was replaced";
    EXPECT_FALSE(fs::exists(tmp)) << what;
  }
}

TEST_F(RepairCompactTest, AFailingFinalCallIsReportedAfterBothSwaps) {
  factory = [] { return std::make_unique<FailingAccess>(); };
  EXPECT_TRUE(Repair(install.current_year_file));
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{Failure()});
  EXPECT_NE(Bytes(install.year_database()), year_bytes);
  EXPECT_NE(Bytes(install.start_database()), start_bytes);
}

TEST_F(RepairCompactTest, AStaleTmpCopyIsMovedIntoTheBackupAndTheRepairGoesOn) {
  const fs::path stale = install.tmp_copy(install.current_year_file);
  std::ofstream(stale) << "left by an interrupted run";
  EXPECT_TRUE(Repair(install.current_year_file)) << reason;
  ASSERT_EQ(Backups().size(), 1u);
  EXPECT_EQ(Bytes(Backups()[0] / ("stale-TMP" + install.current_year_file)), "left by an interrupted run");
  EXPECT_TRUE(NoTmpLeft());
}

TEST_F(RepairCompactTest, NoConnectionObjectIsAFailure) {
  prod.dbconnection.reset();
  EXPECT_FALSE(Repair(install.current_year_file));
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{Failure()});
  EXPECT_TRUE(Unchanged());
}

// A program that opens the year database after the repair has looked for users cannot be seen; it
// may read while the repair holds the file, and once the compacted copy has taken the name its
// writes into the old file fail instead of vanishing with it.
TEST(LateUserTest, WritesIntoTheReplacedFileFailAndNoRowIsLost) {
  testing::DemoInstallation install;
  int command[2], answer[2];
  ASSERT_EQ(pipe(command), 0);
  ASSERT_EQ(pipe(answer), 0);
  // Forked before this process opens any database, so that the child shares no engine state.
  const pid_t child = fork();
  if (child == 0) {
    close(command[1]);
    close(answer[0]);
    char c = 0;
    engine::Handle db;
    while (read(command[0], &c, 1) == 1) {
      int rc = 0;
      if (c == 'o') {
        db = engine::Open(install.year_database(), demo::DeploymentPassword());
        rc = sqlite3_exec(db.get(), "SELECT count(*) FROM logs;", nullptr, nullptr, nullptr);
      } else {
        rc = sqlite3_exec(db.get(), "INSERT INTO logs (UserName) VALUES ('late');", nullptr, nullptr, nullptr);
      }
      (void)!write(answer[1], &rc, sizeof rc);
    }
    _exit(0);
  }
  close(command[0]);
  close(answer[1]);
  auto ask = [&](char c) {
    int rc = -1;
    EXPECT_EQ(write(command[1], &c, 1), 1);
    EXPECT_EQ(read(answer[0], &rc, sizeof rc), static_cast<ssize_t>(sizeof rc));
    return rc;
  };

  testing::RecordingHost host(install.program_folder());
  clsProd prod(host);
  prod.Get_Connection();
  const auto logs = testing::QueryCount(install.year_database(), "logs");
  int opened = -1;
  host.on_yield = [&] {
    if (host.pending_message_yields == 1) opened = ask('o');  // the year database is compacted, not yet swapped
  };
  RepairContext context{prod, host, nullptr, DefaultAccessApplicationFactory(), "", {}, {}};
  EXPECT_TRUE(Repair_Compact_DB(context, install.current_year_file)) << context.failure_reason;
  EXPECT_EQ(opened, SQLITE_OK) << "reading stays possible while the repair holds the file";
  EXPECT_NE(ask('w'), SQLITE_OK) << "a write into the replaced file must fail";
  close(command[1]);
  waitpid(child, nullptr, 0);
  close(answer[0]);
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{kSuccess});
  EXPECT_EQ(testing::QueryCount(install.year_database(), "logs"), logs);
}

// An installation whose files were written before the current page size: start-up reads them as
// they are, and the repair rewrites both in the current size with every row, the backup holding
// them as they were. The key derived at start-up serves every open of either size.
TEST(LegacyFormatTest, TheRepairRewritesLegacyFilesInTheCurrentPageSize) {
  demo::Options options;
  options.invoices = 60;
  options.log_rows = 40;
  options.page_size = engine::kLegacyPageSize;
  testing::DemoInstallation install(options);
  const std::string pw = demo::DeploymentPassword();
  const std::vector<fs::path> files = {install.year_database(), install.start_database()};
  std::vector<std::string> bytes;
  std::vector<std::map<std::string, long long>> rows;
  for (const fs::path& file : files) {
    ASSERT_TRUE(testing::ReadsWithPageSize(file, pw, engine::kLegacyPageSize)) << file;
    bytes.push_back(Bytes(file));
    rows.push_back(testing::RowCounts(file));
  }
  testing::RecordingHost host{install.program_folder()};
  clsProd prod{host};
  prod.Get_Connection();
  ASSERT_EQ(prod.dbconnection->State(), 1);

  const long keys_derived = crypto::KeysDerived();
  RepairContext context{prod, host, nullptr, DefaultAccessApplicationFactory(), "", {}, {}};
  EXPECT_TRUE(Repair_Compact_DB(context, install.current_year_file)) << context.failure_reason;
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{kSuccess});
  EXPECT_EQ(crypto::KeysDerived(), keys_derived);

  const fs::path backup_root = install.backup_root();
  ASSERT_EQ(std::distance(fs::directory_iterator(backup_root), fs::directory_iterator()), 1);
  const fs::path backup = fs::directory_iterator(backup_root)->path();
  for (size_t i = 0; i < files.size(); ++i) {
    EXPECT_EQ(fs::file_size(files[i]) % engine::kPageSize, 0u) << files[i];
    EXPECT_TRUE(testing::ReadsWithPageSize(files[i], pw, engine::kPageSize)) << files[i];
    EXPECT_FALSE(testing::ReadsWithPageSize(files[i], pw, engine::kLegacyPageSize)) << files[i];
    EXPECT_EQ(testing::RowCounts(files[i]), rows[i]) << files[i];
    EXPECT_TRUE(Bytes(backup / files[i].filename()) == bytes[i]) << files[i] << ": the backup is not the original";
  }
  clsProd again(host);
  again.Get_Connection();
  EXPECT_EQ(again.dbconnection->State(), 1);
}

TEST(GetFileNameTest, TakesThePartAfterTheLastSeparator) {
  EXPECT_EQ(Get_File_Name(""), "");
  EXPECT_EQ(Get_File_Name("DB2017_18.mdb"), "DB2017_18.mdb");
  EXPECT_EQ(Get_File_Name("C:\\App\\DataBase\\DB2017_18.mdb"), "DB2017_18.mdb");
  EXPECT_EQ(Get_File_Name("C:\\App\\DataBase\\"), "");
  EXPECT_EQ(Get_File_Name("\\x"), "x");
  EXPECT_EQ(Get_File_Name("/home/a/database/DB2017_18.mdb"), "DB2017_18.mdb");
  EXPECT_EQ(Get_File_Name("/home/a/database/"), "");
  EXPECT_THROW(Get_File_Name(std::string(32768, 'a')), Error);
}

}  // namespace
}  // namespace ornetta::repair
