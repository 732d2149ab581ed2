// Statements stopped at every moment of their run: a stopped statement must have changed
// nothing, a finished one everything, and the connection must run the next statement as before.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "data/clsProd.h"
#include "data/engine/statement_watch.h"
#include "tests/support/installation.h"
#include "tests/support/recording_host.h"

namespace ornetta {
namespace {

struct Step {
  const char* statement;
  const char* measure;  // a count that the statement changes from `before` to `after`
  long long before, after;
};

TEST(CancelTest, AStoppedStatementChangesNothingAtAnyMoment) {
  testing::DemoInstallation install;
  testing::RecordingHost host(install.program_folder());
  clsProd prod(host);
  prod.Get_Connection();
  ASSERT_EQ(prod.dbconnection->State(), 1);
  const long long logs = prod.Retrieve_Id("SELECT Count(*) FROM logs").AsLong();
  const long long inserted = logs * logs * logs;
  const long long rows = prod.Retrieve_Id("SELECT Count(*) FROM errlog").AsLong();
  const Step steps[] = {
      {"INSERT INTO errlog (ErrText, ErrDate) SELECT a.Action, a.dates FROM logs AS a, logs AS b, logs AS c",
       "SELECT Count(*) FROM errlog", rows, rows + inserted},
      {"UPDATE errlog SET ErrText = 'changed'", "SELECT Count(*) FROM errlog WHERE ErrText = 'changed'", 0,
       rows + inserted},
      {"DELETE FROM errlog WHERE ErrText = 'changed'", "SELECT Count(*) FROM errlog", rows + inserted, 0},
  };
  int runs = 0, stopped = 0, half_done = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.statement);
    ASSERT_EQ(prod.Retrieve_Id(step.measure).AsLong(), step.before);
    // Stopped at its first look, its second, fourth, ... until it finishes first.
    for (long stop_at = 1;; stop_at *= 2) {
      long looks = 0;
      bool ok, was_stopped;
      {
        StatementWatch watch(
            prod.dbconnection->NativeHandle(), [&](std::chrono::milliseconds) { return ++looks < stop_at; },
            std::chrono::milliseconds(0));
        ok = prod.update_rec2(step.statement);
        was_stopped = watch.stopped();
      }
      ++runs;
      const long long now = prod.Retrieve_Id(step.measure).AsLong();
      if (ok) {
        EXPECT_EQ(now, step.after) << "stopped at look " << stop_at;
        break;
      }
      EXPECT_TRUE(was_stopped) << "it failed without being stopped, at look " << stop_at;
      ++stopped;
      EXPECT_EQ(now, step.before) << "stopped at look " << stop_at;
      half_done += now != step.before;
      ASSERT_LT(stop_at, 1L << 30);
    }
  }
  std::printf(
      "[figures] cancelled statements: %d runs (insert, update, delete of %lld rows, each stopped at its "
      "1st, 2nd, 4th, ... look until it finished), %d stopped, stopped ones that changed rows: %d\n",
      runs, inserted, stopped, half_done);
  EXPECT_GT(stopped, 3 * 5);
  EXPECT_EQ(half_done, 0);
}

}  // namespace
}  // namespace ornetta
