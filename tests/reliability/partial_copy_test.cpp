// A repair killed while it compacts leaves half a TMP copy (and the engine's journal of it). When
// the database itself then goes missing, start-up must not put that half copy in its place: it is
// moved into the backup folder and the database is reported missing. A copy that a compaction
// finished and checked (killed before its swap) still takes the name.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "data/engine/engine.h"
#include "data/tmp_copies.h"
#include "repair/repair_compact.h"
#include "tests/support/installation.h"
#include "tests/support/recording_host.h"

namespace ornetta::repair {
namespace {

namespace fs = std::filesystem;

const char* const kMissing = "Something wrong in your Databases......Contact your Software Vendor!!!!!!!";

// Kills its own process at the n-th progress report of the year's compaction, or as the year's
// swap begins (after the copy's check).
class KillWhile : public ProgressSink {
 public:
  KillWhile(Stage stage, int nth_fraction) : stage_(stage), nth_(nth_fraction) {}
  void OnStage(Stage stage, const std::string&) override {
    current_ = stage;
    if (stage == stage_ && nth_ == 0) raise(SIGKILL);
  }
  void OnFraction(double) override {
    if (current_ == stage_ && ++seen_ == nth_) raise(SIGKILL);
  }

 private:
  Stage stage_, current_ = Stage::kBackup;
  int nth_, seen_ = 0;
};

// True when the child running the repair was killed.
bool RepairKilled(const testing::DemoInstallation& install, Stage stage, int nth_fraction) {
  const pid_t child = fork();
  if (child == 0) {
    testing::RecordingHost host(install.program_folder());
    clsProd prod(host);
    prod.Get_Connection();
    KillWhile sink(stage, nth_fraction);
    RepairContext context{prod, host, &sink, DefaultAccessApplicationFactory(), "", {}, {}};
    _exit(Repair_Compact_DB(context, install.current_year_file) ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFSIGNALED(status);
}

// A year database big enough that its compaction reports progress several times.
void Grow(const testing::DemoInstallation& install) {
  engine::Handle db = engine::Open(install.year_database(), demo::DeploymentPassword());
  engine::Exec(db.get(),
               "CREATE TABLE ballast(x); WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c "
               "WHERE n < 6000) INSERT INTO ballast SELECT randomblob(400) FROM c;");
}

struct StartUp {
  std::vector<testing::ShownMessage> messages;
  bool opened = false, ended = false;
};

StartUp Start(const testing::DemoInstallation& install) {
  testing::RecordingHost host(install.program_folder());
  clsProd prod(host);
  StartUp out;
  try {
    prod.Get_Connection();
  } catch (const testing::ProgramEnded&) {
    out.ended = true;
  }
  out.messages = host.messages;
  out.opened = prod.dbconnection && prod.dbconnection->State() == 1;
  return out;
}

std::vector<std::string> PartialCopies(const testing::DemoInstallation& install) {
  std::vector<std::string> names;
  const fs::path folder = install.partial_copies_folder();
  if (fs::exists(folder))
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  return names;
}

TEST(PartialCopyTest, HalfACopyIsNeverPutInPlaceAndAWholeOneIs) {
  int kills = 0, partial_left = 0, installed = 0, moved_aside = 0, whole_installed = 0;
  for (int nth = 1; nth <= 6; ++nth) {
    SCOPED_TRACE("killed at the compaction's progress report " + std::to_string(nth));
    testing::DemoInstallation install;
    Grow(install);
    const fs::path tmp = install.tmp_copy(install.current_year_file);
    if (!RepairKilled(install, Stage::kCompactYear, nth)) break;  // the compaction reported fewer times
    ++kills;
    if (!fs::exists(tmp)) continue;
    ++partial_left;
    const bool had_journal = fs::exists(tmp.string() + "-journal");
    fs::remove(install.year_database());  // the database then goes missing

    const StartUp first = Start(install);
    installed += fs::exists(install.year_database());
    EXPECT_FALSE(fs::exists(install.year_database())) << "the half copy took the database's name";
    EXPECT_FALSE(first.ended) << (first.messages.empty() ? "" : first.messages.back().text);
    ASSERT_EQ(first.messages.size(), 1u);
    EXPECT_EQ(first.messages[0].text, kMissing);
    EXPECT_FALSE(fs::exists(tmp));
    EXPECT_FALSE(fs::exists(tmp.string() + "-journal"));
    const auto aside = PartialCopies(install);
    EXPECT_EQ(aside.size(), had_journal ? 2u : 1u);
    moved_aside += !aside.empty();
    // And it stays so: the next start finds nothing to recover either.
    EXPECT_EQ(Start(install).messages.size(), 1u);
  }
  EXPECT_GE(partial_left, 1) << "no kill left a partial copy: the test does not test";

  {
    SCOPED_TRACE("killed after the copy's check, before its swap");
    testing::DemoInstallation install;
    const auto rows = testing::RowCounts(install.year_database());
    ASSERT_TRUE(RepairKilled(install, Stage::kSwapYear, 0));
    fs::remove(install.year_database());
    const StartUp start = Start(install);
    EXPECT_TRUE(start.messages.empty());
    EXPECT_TRUE(start.opened);
    whole_installed += start.opened;
    EXPECT_EQ(testing::RowCounts(install.year_database()), rows);
    EXPECT_FALSE(fs::exists(WholeMarkPath(install.tmp_copy(install.current_year_file))));
  }
  {
    SCOPED_TRACE("a checked copy written to afterwards");
    testing::DemoInstallation install;
    ASSERT_TRUE(RepairKilled(install, Stage::kSwapYear, 0));
    const fs::path tmp = install.tmp_copy(install.current_year_file);
    std::ofstream(tmp, std::ios::app) << "more";
    fs::remove(install.year_database());
    const StartUp start = Start(install);
    EXPECT_FALSE(fs::exists(install.year_database()));
    ASSERT_EQ(start.messages.size(), 1u);
    EXPECT_EQ(start.messages[0].text, kMissing);
  }
  std::printf(
      "[figures] partial copies: %d repairs killed while compacting, %d left a partial copy; installed at start-up: "
      "%d, moved aside: %d; whole copies (killed before the swap) put in place: %d\n",
      kills, partial_left, installed, moved_aside, whole_installed);
}

}  // namespace
}  // namespace ornetta::repair
