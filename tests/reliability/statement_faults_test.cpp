// A disk that fails under a statement: for every write, sync, truncate or delete that the engine
// makes, the run where exactly that one fails (and the run where it and all later ones fail) must
// report failure, and the database must then hold either all its rows or exactly the result of
// the statement: never half of it.
#include <gtest/gtest.h>

#include "data/clsProd.h"
#include "tests/support/fault_vfs.h"
#include "tests/support/installation.h"
#include "tests/support/recording_host.h"

namespace ornetta {
namespace {

using testing::FaultOp;
using testing::FaultPlan;
using testing::FaultVfs;

struct Totals {
  long runs = 0, failures_reported = 0, rows_lost = 0;
};

class StatementFaultsTest : public ::testing::TestWithParam<bool> {
 protected:
  static void SetUpTestSuite() { FaultVfs::Install(); }
  static void TearDownTestSuite() { FaultVfs::Uninstall(); }
};

TEST_P(StatementFaultsTest, EveryFailingOperationIsReportedAndCostsNoCommittedRow) {
  const bool persistent = GetParam();
  const char* const kStatement = "Delete * from logs where dates>#2026-12-09#";
  testing::DemoInstallation install;
  const long long before = testing::QueryCount(install.year_database(), "logs");
  const long long after_ok =
      std::stoll(testing::QueryText(install.year_database(), "SELECT Count(*) FROM logs WHERE dates <= #2026-12-09#"));
  ASSERT_LT(after_ok, before) << "the demo has future rows to delete";

  Totals totals;
  for (long n = 1;; ++n) {
    testing::DemoInstallation copy;  // a fresh database for every run
    testing::RecordingHost host(copy.program_folder());
    clsProd prod(host);
    prod.Get_Connection();
    ASSERT_EQ(prod.dbconnection->State(), 1);
    FaultVfs::Arm(FaultPlan{FaultOp::kAny, n, persistent});
    const bool ok = prod.update_rec2(kStatement);
    const long failed_ops = FaultVfs::Failures();
    FaultVfs::Disarm();
    prod.Leave_Connection();
    ++totals.runs;

    // Reopened without faults, the engine rolls back any half-done change from its journal.
    const long long rows = testing::QueryCount(copy.year_database(), "logs");
    if (ok) {
      EXPECT_EQ(rows, after_ok) << "run " << n;
    } else {
      ++totals.failures_reported;
      EXPECT_TRUE(rows == before || rows == after_ok) << "run " << n << ": " << rows << " rows";
    }
    if (rows != before && rows != after_ok) ++totals.rows_lost;
    EXPECT_EQ(testing::QueryText(copy.year_database(), "SELECT Count(*) FROM OnLineUsers"), "5");
    if (failed_ops == 0) break;  // the statement ran past its last operation: every point was tried
    ASSERT_LT(n, 500) << "the statement never completed";
  }
  std::printf("[figures] statement I/O faults (%s): %ld runs, %ld failures reported, rows lost: %ld\n",
              persistent ? "fail from then on" : "fail once", totals.runs, totals.failures_reported, totals.rows_lost);
  EXPECT_GT(totals.failures_reported, 0);
  EXPECT_EQ(totals.rows_lost, 0);
}

INSTANTIATE_TEST_SUITE_P(Faults, StatementFaultsTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "FromThenOn" : "Once"; });

}  // namespace
}  // namespace ornetta
