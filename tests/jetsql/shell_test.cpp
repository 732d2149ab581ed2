// The jetsql shell on a real year database: output formats, statement splitting, failures.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "tests/support/installation.h"
#include "tools/jetsql/shell.h"

namespace ornetta {
namespace {

class ShellTest : public ::testing::Test {
 protected:
  int Run(std::vector<std::string> statements, const std::string& input = "") {
    jetsql::Options options{install.year_database().string(), demo::DeploymentPassword(), typed, std::move(statements)};
    std::istringstream in(input);
    out.str("");
    err.str("");
    return jetsql::Run(options, in, out, err);
  }

  testing::DemoInstallation install;
  bool typed = false;
  std::ostringstream out, err;
};

TEST_F(ShellTest, PrintsRowsAsTabSeparatedTextWithAHeader) {
  EXPECT_EQ(Run({"CREATE TABLE t (a LONG, b TEXT(10), c DOUBLE, d DATETIME, e YESNO)",
                 "INSERT INTO t VALUES (1, 'x\ty', 0.1, #12/09/2026 10:30#, True)",
                 "INSERT INTO t (a) VALUES (2)", "SELECT * FROM t ORDER BY a"}),
            0);
  EXPECT_EQ(out.str(), "a\tb\tc\td\te\n1\tx\\ty\t0.1\t2026-12-09 10:30:00\tTrue\n2\t\t\t\t\n");
  typed = true;
  EXPECT_EQ(Run({"SELECT * FROM t ORDER BY a"}), 0);
  EXPECT_EQ(out.str(),
            "a\tb\tc\td\te\nint:1\tstr:x\\ty\tdouble:0.1\tdate:2026-12-09 10:30:00\tbool:true\n"
            "int:2\tnull\tnull\tnull\tnull\n");
}

// Dates computed by expressions print as dates, as stored date columns do; the others keep theirs.
TEST_F(ShellTest, ComputedDatesPrintAsDates) {
  typed = true;
  ASSERT_EQ(Run({"SELECT Date() AS a, Now() AS b, DateSerial(2026,2,30) AS c, CDate('2026-01-05') AS d, #1/2/2026# AS e, "
                 "TimeSerial(25,0,0) AS f, Max(dates) AS g FROM logs",
                 "SELECT TOP 1 dates FROM logs ORDER BY dates DESC"}),
            0)
      << err.str();
  std::istringstream lines(out.str());
  std::string header, row, latest_header, latest;
  std::getline(lines, header);
  std::getline(lines, row);
  std::getline(lines, latest_header);
  std::getline(lines, latest);
  EXPECT_EQ(header, "a\tb\tc\td\te\tf\tg");
  ASSERT_EQ(latest.rfind("date:", 0), 0u) << latest;
  EXPECT_TRUE(std::regex_match(row, std::regex("date:[0-9-]{10} 00:00:00\tdate:[0-9-]{10} [0-9:]{8}\t"
                                               "date:2026-03-02 00:00:00\tdate:2026-01-05 00:00:00\t"
                                               "date:2026-01-02 00:00:00\tdate:1899-12-31 01:00:00\t" +
                                               latest)))
      << row;
  EXPECT_EQ(Run({"SELECT #1/2/2026# + 1 AS a, #1/2/2026# - #1/1/2026# AS b, '2026-01-02' AS c"}), 0) << err.str();
  EXPECT_EQ(out.str(), "a\tb\tc\ndate:2026-01-03 00:00:00\tint:1\tstr:2026-01-02\n");
  // Without --typed, a computed date is written as the runtime writes a date.
  typed = false;
  EXPECT_EQ(Run({"SELECT #1/2/2026# + 1 AS a, #1/2/2026 10:30# AS b"}), 0) << err.str();
  EXPECT_EQ(out.str(), "a\tb\n2026-01-03\t2026-01-02 10:30:00\n");
}

TEST_F(ShellTest, AFailingStatementIsReportedAndTheOthersStillRun) {
  EXPECT_EQ(Run({"SELECT nothing FROM nowhere", "SELECT Count(*) AS n FROM OnLineUsers", "SELECT 1 / 0"}), 2);
  EXPECT_EQ(out.str(), "n\n5\n");
  EXPECT_NE(err.str().find("no such table"), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("Division by zero"), std::string::npos) << err.str();
}

TEST_F(ShellTest, StatementsFromTheInput) {
  EXPECT_EQ(Run({}, "SELECT 1 AS a\n\nSELECT 2 AS b\n"), 0);
  EXPECT_EQ(out.str(), "a\n1\nb\n2\n");
  EXPECT_EQ(Run({}, "SELECT 1\n  AS a;\nSELECT 'x;y' AS b;\n"), 0);
  EXPECT_EQ(out.str(), "a\n1\nb\nx;y\n");
}

TEST_F(ShellTest, AWrongPasswordIsOneClearError) {
  jetsql::Options options{install.year_database().string(), "wrong", false, {"SELECT 1"}};
  std::istringstream in;
  EXPECT_EQ(jetsql::Run(options, in, out, err), 1);
  EXPECT_NE(err.str().find("not a valid password"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace ornetta
