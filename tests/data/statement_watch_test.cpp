// A watched statement on a real year database: the caller looks in while it runs, and a stop
// (by the caller's answer or from another thread) ends it with every change rolled back.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "data/clsProd.h"
#include "data/engine/statement_watch.h"
#include "tests/support/installation.h"
#include "tests/support/recording_host.h"

namespace ornetta {
namespace {

using namespace std::chrono_literals;
using std::chrono::milliseconds;

// 100 million rows to insert (the test installation has 40 log rows): it runs far longer than
// any of these tests waits.
const char* const kLongInsert =
    "INSERT INTO errlog (ErrText, ErrDate) SELECT a.Action, a.dates FROM logs AS a, logs AS b, logs AS c, logs AS d, "
    "logs AS e";

class StatementWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prod.Get_Connection();
    ASSERT_EQ(prod.dbconnection->State(), 1);
    rows_before = Rows();
    ASSERT_GT(rows_before, 0);
  }
  long long Rows() { return prod.Retrieve_Id("SELECT Count(*) FROM errlog").AsLong(); }
  sqlite3* db() const { return prod.dbconnection->NativeHandle(); }

  testing::DemoInstallation install;
  testing::RecordingHost host{install.program_folder()};
  clsProd prod{host};
  long long rows_before = 0;
};

TEST_F(StatementWatchTest, TheLookInsAnswerStopsTheStatementAndItsRowsAreRolledBack) {
  std::vector<milliseconds> looks;
  {
    StatementWatch watch(db(), [&](milliseconds elapsed) {
      looks.push_back(elapsed);
      return elapsed < 300ms;
    });
    EXPECT_FALSE(prod.update_rec2(kLongInsert));
    EXPECT_TRUE(watch.stopped());
  }
  ASSERT_GE(looks.size(), 3u) << "looked in every so often, not once";
  for (size_t i = 1; i < looks.size(); ++i) EXPECT_GT(looks[i], looks[i - 1]);
  EXPECT_GE(looks.back(), 300ms);
  EXPECT_EQ(Rows(), rows_before) << "hundreds of thousands of rows were inserted before the stop";
  // The handler goes with the watch: the connection runs statements as before.
  EXPECT_TRUE(prod.update_rec2("INSERT INTO errlog VALUES ('after', #12/9/2026#)"));
  EXPECT_EQ(Rows(), rows_before + 1);
}

TEST_F(StatementWatchTest, StopFromAnotherThreadEndsTheStatementWithTheEnginesError) {
  StatementWatch watch(db(), {});
  std::thread stopper([&] {
    std::this_thread::sleep_for(200ms);
    watch.Stop();
  });
  auto rs = std::make_shared<Recordset>();
  std::string error;
  try {
    rs->Open(kLongInsert, prod.dbconnection);
  } catch (const std::exception& e) {
    error = e.what();
  }
  stopper.join();
  EXPECT_NE(error.find("interrupted"), std::string::npos) << error;
  EXPECT_TRUE(watch.stopped());
  EXPECT_EQ(Rows(), rows_before);
}

TEST_F(StatementWatchTest, AStatementThatFinishesIsNotStopped) {
  int looks = 0;
  StatementWatch watch(
      db(), [&](milliseconds) { return ++looks, true; }, 0ms);
  EXPECT_EQ(prod.Retrieve_Id("SELECT Count(*) FROM logs AS a, logs AS b").AsLong(), 40 * 40);
  EXPECT_FALSE(watch.stopped());
  EXPECT_GT(looks, 0) << "a zero interval looks in at every call of the engine";
}

}  // namespace
}  // namespace ornetta
