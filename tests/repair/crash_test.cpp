// A repair killed at any moment loses nothing: a child process runs the repair and is killed
// (SIGKILL) at each progress report (mid-compaction included), before each file operation of the
// backup and the swaps, and at random moments; then start-up recovery must find both databases
// whole, with every row.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <chrono>
#include <random>

#include "data/engine/engine.h"
#include "platform/file_ops.h"
#include "repair/repair_compact.h"
#include "tests/repair/damage.h"
#include "tests/support/fault_file_ops.h"
#include "tests/support/installation.h"
#include "tests/support/recording_host.h"

namespace ornetta::repair {
namespace {

namespace fs = std::filesystem;

// Kills its own process at the n-th progress event.
class KillAtEvent : public ProgressSink {
 public:
  explicit KillAtEvent(int n) : n_(n) {}
  void OnStage(Stage, const std::string&) override { Tick(); }
  void OnFraction(double) override { Tick(); }
  int events() const { return seen_; }

 private:
  void Tick() {
    if (++seen_ == n_) raise(SIGKILL);
  }
  int n_, seen_ = 0;
};

// Kills its own process before the n-th file operation of the repair (copy, flush, rename): between
// the steps of a backup or a swap.
int g_kill_at_file_op = 0;
int g_file_ops_seen = 0;
std::error_code KillAtFileOp(const char*) {
  if (++g_file_ops_seen == g_kill_at_file_op) raise(SIGKILL);
  return {};
}

struct Snapshot {
  long long invoices, lines, logs, years;
};

Snapshot Take(const testing::DemoInstallation& install) {
  return {testing::QueryCount(install.year_database(), "Invoices"),
          testing::QueryCount(install.year_database(), "InvoiceLines"),
          testing::QueryCount(install.year_database(), "logs"),
          testing::QueryCount(install.start_database(), "DB_Years")};
}

struct KillPoint {
  int event = 0;      // at this progress event (0: none)
  int file_op = 0;    // before this file operation (0: none)
  long delay_us = 0;  // after this long (0: none)
};

struct Counts {
  int events = 0, file_ops = 0;
};

// Runs the repair in a child, killed at `at`. Returns true when the child was killed before it
// finished; `counts` receives what a run that finished passed through.
bool RunAndKill(const testing::DemoInstallation& install, KillPoint at, Counts* counts = nullptr) {
  int report[2];
  if (pipe(report) != 0) return false;
  const pid_t child = fork();
  if (child == 0) {
    testing::RecordingHost host(install.program_folder());
    host.replies = {platform::Answer::kYes};  // a salvage that loses rows is accepted
    clsProd prod(host);
    prod.Get_Connection();
    KillAtEvent sink(at.event);
    g_kill_at_file_op = at.file_op;
    testing::FaultFileOps file_ops(KillAtFileOp);
    RepairContext context{.objProd = prod, .host = host, .progress = &sink, .file_ops = file_ops};
    const bool ok = Repair_Compact_DB(context, install.current_year_file);
    const Counts seen{sink.events(), g_file_ops_seen};
    (void)!write(report[1], &seen, sizeof seen);
    _exit(ok ? 0 : 1);
  }
  close(report[1]);
  if (at.delay_us > 0) {
    usleep(static_cast<useconds_t>(at.delay_us));
    kill(child, SIGKILL);
  }
  int status = 0;
  waitpid(child, &status, 0);
  Counts seen;
  if (read(report[0], &seen, sizeof seen) == sizeof seen && counts) *counts = seen;
  close(report[0]);
  return WIFSIGNALED(status);
}

// After a kill: the next start recovers, both databases open, check whole and hold every row.
void ExpectWhole(const testing::DemoInstallation& install, const Snapshot& before, const std::string& when) {
  testing::RecordingHost host(install.program_folder());
  clsProd prod(host);
  ASSERT_NO_THROW(prod.Get_Connection()) << when;
  ASSERT_TRUE(host.messages.empty()) << when << ": " << host.messages[0].text;
  ASSERT_TRUE(prod.dbconnection && prod.dbconnection->State() == 1) << when;
  prod.Leave_Connection();
  for (const fs::path& db : {install.year_database(), install.start_database()}) {
    engine::Handle h = engine::Open(db, demo::DeploymentPassword());
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h.get(), "PRAGMA integrity_check", -1, &st, nullptr);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "ok") << when << " " << db;
    sqlite3_finalize(st);
  }
  const Snapshot after = Take(install);
  EXPECT_EQ(after.invoices, before.invoices) << when;
  EXPECT_EQ(after.lines, before.lines) << when;
  EXPECT_EQ(after.logs, before.logs) << when;
  EXPECT_EQ(after.years, before.years) << when;
}

// After the kill the next start recovers; a second repair then also completes (a left-over TMP
// does not block it) and loses nothing either.
void KillRecoverAndRepairAgain(KillPoint at, const std::string& when, int* kills) {
  testing::DemoInstallation install;
  const Snapshot before = Take(install);
  *kills += RunAndKill(install, at);
  ExpectWhole(install, before, when);
  ASSERT_FALSE(RunAndKill(install, {})) << when;
  ExpectWhole(install, before, "repair after the kill " + when);
}

TEST(CrashTest, KilledAtEveryStepAndAtRandomMomentsNothingIsLost) {
  Counts total;
  long whole_run_us = 0;
  {
    testing::DemoInstallation install;
    const auto started = std::chrono::steady_clock::now();
    ASSERT_FALSE(RunAndKill(install, {}, &total));
    whole_run_us =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started).count();
    ASSERT_GT(total.events, 8) << "stages and fractions of both compactions";
    ASSERT_GT(total.file_ops, 8) << "backup copies, flushes and renames of both swaps";
  }
  int kills = 0;
  for (int event = 1; event <= total.events; ++event)
    KillRecoverAndRepairAgain({.event = event}, "at progress event " + std::to_string(event), &kills);
  for (int op = 1; op <= total.file_ops; ++op)
    KillRecoverAndRepairAgain({.file_op = op}, "before file operation " + std::to_string(op), &kills);

  const int random_kills = std::getenv("ORNETTA_LONG_TESTS") ? 200 : 12;
  std::mt19937 rng(20261209);
  for (int i = 0; i < random_kills; ++i) {
    testing::DemoInstallation install;
    const Snapshot before = Take(install);
    // Within the time a whole run takes (start-up of the child included), so that most kills land.
    const long delay = static_cast<long>(rng() % static_cast<unsigned long>(whole_run_us)) + 1;
    kills += RunAndKill(install, {.delay_us = delay});
    ExpectWhole(install, before, "killed after " + std::to_string(delay) + " us");
  }
  EXPECT_GE(kills, total.events + total.file_ops) << "every named point kills the child";
  std::printf(
      "[figures] repair crash points: %d kills (%d progress events, %d file operations, %d random moments), %s\n",
      kills, total.events, total.file_ops, random_kills,
      HasFailure() ? "rows lost or databases damaged: see the failures" : "rows lost: 0");
}

std::string FileBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A damaged year database (a page of a table's rows fails authentication) is salvaged and the loss
// accepted; killed at any point, each name holds a whole database: the damaged original byte for
// byte, or the rebuilt file with every row the salvage could read, and then the backup folder
// still holds the damaged original and the report.
TEST(CrashTest, KilledDuringASalvageEachNameHoldsTheDamagedOriginalOrTheWholeRebuiltFile) {
  const auto damage = [](const testing::DemoInstallation& install) {
    testing::DatabasePages pages(install.year_database());
    const auto leaves = pages.TreeAt(pages.Root("InvoiceLines")).Leaves();
    testing::FlipByte(install.year_database(), uint64_t{leaves.back() - 1} * pages.page_size() + 1000);
  };
  Counts total;
  Snapshot salvaged{};
  {
    testing::DemoInstallation install;
    damage(install);
    ASSERT_FALSE(RunAndKill(install, {}, &total));
    salvaged = Take(install);
  }
  int kills = 0, originals = 0;
  const auto run = [&](KillPoint at, const std::string& when) {
    testing::DemoInstallation install;
    damage(install);
    const std::string damaged = FileBytes(install.year_database());
    const Snapshot start{0, 0, 0, testing::QueryCount(install.start_database(), "DB_Years")};
    kills += RunAndKill(install, at);
    if (FileBytes(install.year_database()) == damaged) {
      ++originals;
      return;
    }
    ExpectWhole(install, {salvaged.invoices, salvaged.lines, salvaged.logs, start.years}, when);
    const fs::path folder = fs::directory_iterator(install.backup_root())->path();
    EXPECT_EQ(FileBytes(folder / install.current_year_file), damaged) << when;
    EXPECT_TRUE(fs::is_regular_file(folder / "Salvage report.txt")) << when;
  };
  for (int event = 1; event <= total.events; ++event)
    run({.event = event}, "at progress event " + std::to_string(event));
  for (int op = 1; op <= total.file_ops; ++op) run({.file_op = op}, "before file operation " + std::to_string(op));
  EXPECT_GE(kills, total.events + total.file_ops);
  EXPECT_GT(originals, 0);
  EXPECT_LT(originals, kills) << "some kills came after the rebuilt file took the name";
  std::printf(
      "[figures] salvage crash points: %d kills, %d left the damaged original, the rest the whole rebuilt file\n",
      kills, originals);
}

}  // namespace
}  // namespace ornetta::repair
