// The jetsql shell on a real year database: output formats, statement splitting, failures.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <sstream>
#include <thread>

#include "tests/support/installation.h"
#include "tools/jetsql/shell.h"

namespace ornetta {
namespace {

class ShellTest : public ::testing::Test {
 protected:
  int Run(std::vector<std::string> statements, const std::string& input = "") {
    jetsql::Options options{install.year_database().string(), demo::DeploymentPassword(), typed, std::move(statements),
                            parameters};
    std::istringstream in(input);
    out.str("");
    err.str("");
    return jetsql::Run(options, in, out, err);
  }

  testing::DemoInstallation install;
  bool typed = false;
  std::vector<std::string> parameters;
  std::ostringstream out, err;
};

TEST_F(ShellTest, PrintsRowsAsTabSeparatedTextWithAHeader) {
  EXPECT_EQ(Run({"CREATE TABLE t (a LONG, b TEXT(10), c DOUBLE, d DATETIME, e YESNO)",
                 "INSERT INTO t VALUES (1, 'x\ty', 0.1, #12/09/2026 10:30#, True)", "INSERT INTO t (a) VALUES (2)",
                 "SELECT * FROM t ORDER BY a"}),
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
  ASSERT_EQ(
      Run({"SELECT Date() AS a, Now() AS b, DateSerial(2026,2,30) AS c, CDate('2026-01-05') AS d, #1/2/2026# AS e, "
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

// Whole doubles in plain digits (exact below 2^53), others in the fewest digits that read back
// the same; Currency exact, never with a binary fraction's noise.
TEST_F(ShellTest, TypedNumbersPrintPlainly) {
  typed = true;
  EXPECT_EQ(Run({"SELECT 100.0 AS a, CDbl(-3) AS b, 0.1 + 0.2 AS c, 1E+20 AS d, 2.5E-7 AS e, CCur(1.1) * 3 AS f, "
                 "CCur(-0.0001) AS g"}),
            0)
      << err.str();
  EXPECT_EQ(out.str(),
            "a\tb\tc\td\te\tf\tg\n"
            "double:100\tdouble:-3\tdouble:0.30000000000000004\tdouble:1e+20\tdouble:2.5e-07\t"
            "currency:3.3\tcurrency:-0.0001\n");
  // The invoice lines' amounts, summed exactly and printed as the amount they are.
  EXPECT_EQ(Run({"SELECT Sum(Amount) AS total FROM InvoiceLines WHERE Amount Is Null"}), 0) << err.str();
  EXPECT_EQ(out.str(), "total\nnull\n");
  EXPECT_EQ(Run({"SELECT Sum(Amount) AS total FROM InvoiceLines"}), 0) << err.str();
  EXPECT_TRUE(std::regex_match(out.str(), std::regex("total\n(currency:-?[0-9]+(\\.[0-9]{1,4})?)\n"))) << out.str();
}

TEST_F(ShellTest, AFailingStatementIsReportedAndTheOthersStillRun) {
  EXPECT_EQ(Run({"SELECT nothing FROM nowhere", "SELECT Count(*) AS n FROM OnLineUsers", "SELECT 1 / 0"}), 2);
  EXPECT_EQ(out.str(), "n\n5\n");
  EXPECT_NE(err.str().find("no such table"), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("Division by zero"), std::string::npos) << err.str();
}

// --param gives the values a statement asks for, by name in any case, read as their types.
TEST_F(ShellTest, ParametersTakeTheirValuesFromTheCommandLine) {
  typed = true;
  parameters = {"[Start Date]=#1/1/2026#", "limit=2", "[Who]="};
  EXPECT_EQ(Run({"PARAMETERS [start date] DateTime, Limit Short; SELECT [Start Date] + 1 AS a, Limit * 2 AS b",
                 "SELECT [who] Is Null AS c"}),
            0)
      << err.str();
  EXPECT_EQ(out.str(), "a\tb\ndate:2026-01-02 00:00:00\tint:4\nc\nint:-1\n");
  // A parameter without a value fails its statement only, and says how to give one.
  EXPECT_EQ(Run({"SELECT [End Date]", "SELECT 1 AS d"}), 1);
  EXPECT_EQ(out.str(), "d\nint:1\n");
  EXPECT_NE(err.str().find("No value given for the parameter [End Date]: give it with --param \"[End Date]=value\""),
            std::string::npos)
      << err.str();
  EXPECT_EQ(jetsql::ParameterValue({"[a=b]=c", "x=y=z"}, "A=B"), "c") << "the name is what the brackets hold";
  EXPECT_EQ(jetsql::ParameterValue({"[a=b]=c", "x=y=z"}, "x"), "y=z");
  EXPECT_EQ(jetsql::ParameterValue({"[a]"}, "a"), std::nullopt);
}

TEST_F(ShellTest, StatementsFromTheInput) {
  EXPECT_EQ(Run({}, "SELECT 1 AS a\n\nSELECT 2 AS b\n"), 0);
  EXPECT_EQ(out.str(), "a\n1\nb\n2\n");
  EXPECT_EQ(Run({}, "SELECT 1\n  AS a;\nSELECT 'x;y' AS b;\n"), 0);
  EXPECT_EQ(out.str(), "a\n1\nb\nx;y\n");
}

TEST_F(ShellTest, AWrongPasswordIsOneClearError) {
  jetsql::Options options{install.year_database().string(), "wrong", false, {"SELECT 1"}, {}};
  std::istringstream in;
  EXPECT_EQ(jetsql::Run(options, in, out, err), 1);
  EXPECT_NE(err.str().find("not a valid password"), std::string::npos) << err.str();
}

// 100 million rows to insert (the test installation has 40 log rows): far longer than any of
// these tests waits.
const char* const kLongInsert =
    "INSERT INTO errlog (ErrText, ErrDate) SELECT a.Action, a.dates FROM logs AS a, logs AS b, logs AS c, logs AS d, "
    "logs AS e";

TEST_F(ShellTest, AStoppedStatementChangesNothingAndTheNextOneRuns) {
  EXPECT_FALSE(jetsql::StopRunningStatement()) << "nothing runs";
  std::thread user([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    while (!jetsql::StopRunningStatement()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  });
  const int failed = Run({kLongInsert, "SELECT Count(*) AS n FROM errlog"});
  user.join();
  EXPECT_EQ(failed, 1);
  EXPECT_EQ(out.str(), "n\n1\n") << "the one row of the demo, no more";
  EXPECT_NE(err.str().find("stopped before it finished; nothing was changed"), std::string::npos) << err.str();
}

// The real program and a real Ctrl+C (SIGINT) while the long statement runs.
TEST_F(ShellTest, CtrlCStopsTheStatementAndTheShellGoesOn) {
  int out_pipe[2], err_pipe[2];
  ASSERT_EQ(pipe(out_pipe), 0);
  ASSERT_EQ(pipe(err_pipe), 0);
  const std::string database = install.year_database().string();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    execl(JETSQL_BINARY, "jetsql", database.c_str(), kLongInsert, "SELECT Count(*) AS n FROM errlog", nullptr);
    _exit(127);
  }
  close(out_pipe[1]);
  close(err_pipe[1]);
  // Well after the open (a key derivation); the statement runs for far longer.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  kill(child, SIGINT);
  auto read_all = [](int fd) {
    std::string text;
    char buf[4096];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
    close(fd);
    return text;
  };
  const std::string child_out = read_all(out_pipe[0]), child_err = read_all(err_pipe[0]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal";
  EXPECT_EQ(WEXITSTATUS(status), 1) << "one statement failed";
  EXPECT_EQ(child_out, "n\n1\n");
  EXPECT_NE(child_err.find("stopped before it finished; nothing was changed"), std::string::npos) << child_err;
}

}  // namespace
}  // namespace ornetta
