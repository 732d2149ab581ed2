// Repair and compact on a file system that really runs out of space: the installation is put on a
// small tmpfs with only so much room left, swept from none to enough, so that the disk fills during
// the backup, each compaction and each swap. Every run must end in the failure message or the
// success one, never a false success, with both databases whole under their names.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "data/engine/engine.h"
#include "repair/repair_compact.h"
#include "tests/support/installation.h"
#include "tests/support/recording_host.h"

namespace ornetta::repair {
namespace {

namespace fs = std::filesystem;

const char* const kSuccess = "Database Successfully Repaired and Compacted !!!";

// A tmpfs mounted for the test's lifetime; empty when this machine does not allow mounting.
class SmallFileSystem {
 public:
  explicit SmallFileSystem(long long bytes) {
    const std::string options = "size=" + std::to_string(bytes);
    mounted_ = ::mount("tmpfs", temp_.path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
  }
  ~SmallFileSystem() {
    if (mounted_) ::umount2(temp_.path().c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  const fs::path& path() const { return temp_.path(); }

  long long Free() const {
    struct statvfs s {};
    return ::statvfs(temp_.path().c_str(), &s) == 0 ? static_cast<long long>(s.f_bavail) * s.f_frsize : -1;
  }
  // Takes all room but `left` bytes with a filler file.
  void LeaveFree(long long left) {
    const long long take = Free() - left;
    if (take <= 0) return;
    const int fd = ::open((temp_.path() / "filler").c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::posix_fallocate(fd, 0, take), 0);
    ::close(fd);
  }

 private:
  testing::TempFolder temp_;
  bool mounted_ = false;
};

struct Contents {
  long long invoices, lines, logs, years;
  bool operator==(const Contents&) const = default;
};

Contents Read(const fs::path& program) {
  const Installation install(program);
  const fs::path year = install.database("DB2026_27.mdb"), start = install.start_database();
  for (const fs::path& db : {year, start}) {
    engine::Handle h = engine::Open(db, demo::DeploymentPassword());
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h.get(), "PRAGMA integrity_check", -1, &st, nullptr);
    EXPECT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "ok") << db;
    sqlite3_finalize(st);
  }
  return {testing::QueryCount(year, "Invoices"), testing::QueryCount(year, "InvoiceLines"),
          testing::QueryCount(year, "logs"), testing::QueryCount(start, "DB_Years")};
}

TEST(FullDiskTest, EveryRoomLeftEndsInTheRightMessageWithBothDatabasesWhole) {
  testing::DemoInstallation install;
  ASSERT_EQ(install.current_year_file, "DB2026_27.mdb") << "the demo's current year moved: update this test";
  long long databases = 0;
  for (const auto& entry : fs::directory_iterator(install.database_folder())) databases += fs::file_size(entry.path());

  // Room for the installation, its backup and both compacted copies, with a margin.
  SmallFileSystem disk(8 * databases + (4 << 20));
  if (!disk.mounted()) GTEST_SKIP() << "this machine does not allow mounting a small file system";

  const Contents before = Read(install.program_folder());
  const long long step = 4096;  // a page: every point where the room runs out
  int runs = 0, failures = 0, successes = 0, false_successes = 0, damaged = 0, in_backup = 0, in_compaction = 0;
  for (long long room = 0; successes == 0 && room < 4 * databases; room += step) {
    const fs::path program = disk.path() / "program";
    fs::remove_all(program);
    fs::remove(disk.path() / "filler");
    fs::copy(install.program_folder(), program, fs::copy_options::recursive);
    disk.LeaveFree(room);

    testing::RecordingHost host(program);
    clsProd prod(host);
    prod.Get_Connection();
    RepairContext context{prod, host, nullptr, DefaultAccessApplicationFactory(), "", {}, {}};
    const bool ok = Repair_Compact_DB(context, install.current_year_file);
    ++runs;
    const std::string when = "with " + std::to_string(room / 1024) + " KiB free";
    ASSERT_EQ(host.messages.size(), 1u) << when;
    const bool says_success = host.messages[0].text == kSuccess;
    if (ok) ++successes;
    if (!ok) ++failures;
    if (says_success != ok) ++false_successes;
    EXPECT_EQ(says_success, ok) << when << ": " << context.failure_reason;
    if (!ok) {
      EXPECT_FALSE(context.failure_reason.empty()) << when;
      if (context.failure_reason.starts_with("The backup copy")) ++in_backup;
      if (context.failure_reason.starts_with("Compacting")) ++in_compaction;
    }

    fs::remove(disk.path() / "filler");  // the check itself needs room to open the files
    const Contents after = Read(program);
    if (!(after == before)) ++damaged;
    EXPECT_EQ(after, before) << when;
    for (const char* name : {"DB2026_27.mdb", Installation::kStartName}) {
      const fs::path tmp = Installation(program).tmp_copy(name);
      EXPECT_FALSE(fs::exists(tmp)) << when << ": a half-made copy was left as " << tmp.filename();
    }
  }
  EXPECT_GT(in_backup, 0) << "the sweep must fill the disk during the backup";
  EXPECT_GT(in_compaction, 0) << "and during a compaction";
  EXPECT_EQ(successes, 1) << "with enough room the repair must complete";
  std::printf(
      "[figures] repair on a full tmpfs: %d runs (free room swept in %lld KiB steps), %d failures reported "
      "(%d in the backup, %d in a compaction), false successes: %d, rows lost: %d\n",
      runs, step / 1024, failures, in_backup, in_compaction, false_successes, damaged);
}

}  // namespace
}  // namespace ornetta::repair
