// ornetta-repair run as a separate process on demo installations, as support staff run it: its
// exit status, what it prints, and what it does (and does not do) to the files.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "data/engine/engine.h"
#include "data/tmp_copies.h"
#include "tests/repair/damage.h"
#include "tests/support/installation.h"

namespace ornetta::testing {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status = -1;
  std::string out, err;
};

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs the installed-to-be binary with `args`, its output captured in files.
ToolRun RunTool(const std::vector<std::string>& args) {
  TempFolder io;
  const fs::path out = io.path() / "out", err = io.path() / "err";
  std::vector<char*> argv{const_cast<char*>(ORNETTA_REPAIR_BINARY)};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (o < 0 || e < 0 || dup2(o, STDOUT_FILENO) < 0 || dup2(e, STDERR_FILENO) < 0) _exit(127);
    execv(argv[0], argv.data());
    _exit(127);
  }
  ToolRun run;
  int wstatus = 0;
  if (pid > 0 && waitpid(pid, &wstatus, 0) == pid && WIFEXITED(wstatus)) run.status = WEXITSTATUS(wstatus);
  run.out = ReadAll(out);
  run.err = ReadAll(err);
  return run;
}

std::string Describe(const ToolRun& run) {
  return "exit " + std::to_string(run.status) + "\n--- stdout\n" + run.out + "--- stderr\n" + run.err;
}

// Every file of the database folder with its bytes.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(folder))
    files[entry.path().filename().string()] = ReadAll(entry.path());
  return files;
}

// The line "  TABLE   BEFORE   AFTER" printed for a table.
bool HasTableLine(const std::string& out, const std::string& table, const std::string& before, long long after) {
  return std::regex_search(out, std::regex("\n  " + table + " +" + before + " +" + std::to_string(after) + "\n"));
}

std::string ReportPath(const std::string& out) {
  std::smatch m;
  return std::regex_search(out, m, std::regex("\nReport: ([^\n]+)\n")) ? m[1].str() : "";
}

class RepairCliTest : public ::testing::Test {
 protected:
  uint64_t PageOffset(const fs::path& file, uint32_t pgno) {
    return uint64_t{pgno - 1} * DatabasePages(file).page_size();
  }
  void LosePage(const fs::path& file, uint32_t pgno) { FlipByte(file, PageOffset(file, pgno) + 1000); }

  DemoInstallation install;
};

TEST_F(RepairCliTest, AHealthyInstallationIsRepairedWithEveryRowAndExitsZero) {
  const auto year_rows = RowCounts(install.year_database());
  const auto start_rows = RowCounts(install.start_database());
  const ToolRun run = RunTool({install.program_folder().string()});
  ASSERT_EQ(run.status, 0) << Describe(run);
  EXPECT_EQ(run.err, "");
  for (const char* stage : {"[1/7] Making a backup copy of the databases\n", "[5/7] Compacting DBStart.mdb\n",
                            "[7/7] Putting the new DBStart.mdb in place\n", "Repaired; no row was lost.\n"})
    EXPECT_NE(run.out.find(stage), std::string::npos) << stage << "\n" << Describe(run);
  EXPECT_NE(run.out.find("[2/7] Compacting " + install.current_year_file + "\n"), std::string::npos) << Describe(run);
  EXPECT_NE(run.out.find(install.current_year_file + ": compacted\n"), std::string::npos) << Describe(run);
  for (const auto& [table, rows] : year_rows) {
    if (table.rfind("sqlite_", 0) == 0) continue;
    EXPECT_TRUE(HasTableLine(run.out, table, std::to_string(rows), rows)) << table << "\n" << Describe(run);
  }
  for (const auto& [table, rows] : start_rows)
    EXPECT_TRUE(HasTableLine(run.out, table, std::to_string(rows), rows)) << table << "\n" << Describe(run);
  EXPECT_EQ(ReportPath(run.out), "") << "a compaction writes no report";
  EXPECT_EQ(RowCounts(install.year_database()), year_rows);
  EXPECT_EQ(RowCounts(install.start_database()), start_rows);
  EXPECT_EQ(std::distance(fs::directory_iterator(install.backup_root()), fs::directory_iterator()), 1);
}

// Without --accept-loss a salvage that loses rows replaces nothing; with it, it replaces. Both exit 2.
TEST(RepairCliSalvageTest, ADamagedLeafIsSalvagedOnlyWithAcceptLossReportedAndExitsTwo) {
  demo::Options options;
  options.invoices = 3000;  // a table of several leaves
  DemoInstallation install(options);
  const fs::path year = install.year_database();
  const auto rows = RowCounts(year);
  DatabasePages pages(year);
  const auto leaves = pages.TreeAt(pages.Root("InvoiceLines")).Leaves();
  ASSERT_GT(leaves.size(), 2u);
  FlipByte(year, uint64_t{leaves[leaves.size() / 2] - 1} * pages.page_size() + 1000);
  const std::string damaged = ReadAll(year);
  const auto before = Snapshot(install.database_folder());

  const ToolRun refused = RunTool({install.program_folder().string()});
  ASSERT_EQ(refused.status, 2) << Describe(refused);
  EXPECT_EQ(Snapshot(install.database_folder()), before) << "nothing replaced, the start database included";
  EXPECT_NE(refused.out.find("[TARVIK Software, warning] Nothing was replaced"), std::string::npos)
      << Describe(refused);
  EXPECT_NE(refused.err.find("Run again with --accept-loss"), std::string::npos) << Describe(refused);
  EXPECT_TRUE(
      fs::is_regular_file(fs::path(ReportPath(refused.out)).parent_path() / ("salvaged-" + install.current_year_file)))
      << Describe(refused);

  const ToolRun run = RunTool({install.program_folder().string(), "--accept-loss"});
  ASSERT_EQ(run.status, 2) << Describe(run);
  EXPECT_NE(run.out.find("Salvaging the readable rows of the damaged " + install.current_year_file), std::string::npos);
  EXPECT_NE(run.out.find(install.current_year_file + ": salvaged, rows lost or set aside\n"), std::string::npos);
  EXPECT_NE(run.out.find("[TARVIK Software, warning] The database was repaired, but not every row"), std::string::npos);
  EXPECT_NE(run.out.find("Repaired, but rows were lost or set aside"), std::string::npos);

  const auto after = RowCounts(year);
  EXPECT_LT(after.at("InvoiceLines"), rows.at("InvoiceLines"));
  // An index names every row of the lost page, so the count before is known.
  EXPECT_TRUE(HasTableLine(run.out, "InvoiceLines", std::to_string(rows.at("InvoiceLines")), after.at("InvoiceLines")))
      << Describe(run);
  EXPECT_TRUE(HasTableLine(run.out, "Invoices", std::to_string(rows.at("Invoices")), rows.at("Invoices")))
      << Describe(run);
  EXPECT_NE(run.out.find("DBStart.mdb: compacted\n"), std::string::npos);

  const fs::path report = ReportPath(run.out);
  ASSERT_TRUE(fs::is_regular_file(report)) << Describe(run);
  EXPECT_NE(ReadAll(report).find("InvoiceLines"), std::string::npos);
  EXPECT_EQ(ReadAll(report.parent_path() / install.current_year_file), damaged)
      << "the damaged original is kept as it was";
}

TEST_F(RepairCliTest, ADamagedStartDatabaseDoesNotStopTheRepairOfANamedYearDatabase) {
  const fs::path year = install.year_database();
  const fs::path start = install.start_database();
  const auto year_rows = RowCounts(year);
  LosePage(start, 1);  // the list of tables is gone, and no backup has it yet
  const std::string damaged_start = ReadAll(start);

  // Without a name the current year is not known: nothing is done, and the user is told what to type.
  const auto before = Snapshot(install.database_folder());
  const ToolRun unnamed = RunTool({install.program_folder().string()});
  EXPECT_EQ(unnamed.status, 1) << Describe(unnamed);
  EXPECT_NE(unnamed.err.find("does not name the current year database"), std::string::npos) << Describe(unnamed);
  EXPECT_NE(unnamed.err.find(install.current_year_file), std::string::npos) << "the year databases are listed";
  EXPECT_EQ(Snapshot(install.database_folder()), before);
  EXPECT_FALSE(fs::exists(install.backup_root()));

  // Named (here by its path), the year database is repaired; the start database, which nothing can
  // salvage, stays as it was, and the status says so.
  const ToolRun named = RunTool({install.program_folder().string(), year.string()});
  EXPECT_EQ(named.status, 3) << Describe(named);
  EXPECT_NE(named.out.find(install.current_year_file + ": compacted\n"), std::string::npos) << Describe(named);
  EXPECT_NE(named.err.find(install.current_year_file + " was repaired, but DBStart.mdb was not"), std::string::npos)
      << Describe(named);
  EXPECT_EQ(RowCounts(year), year_rows);
  EXPECT_EQ(ReadAll(start), damaged_start);
  EXPECT_FALSE(fs::exists(install.tmp_copy(Installation::kStartName)));
}

TEST_F(RepairCliTest, ADamagedStartDatabaseIsRebuiltWithTheListOfTablesOfItsBackup) {
  const fs::path start = install.start_database();
  const auto start_rows = RowCounts(start);
  ASSERT_EQ(RunTool({install.program_folder().string()}).status, 0);  // leaves a backup
  LosePage(start, 1);

  const ToolRun run = RunTool({install.program_folder().string(), install.current_year_file});
  EXPECT_EQ(run.status, 0) << Describe(run);
  EXPECT_NE(run.out.find("DBStart.mdb: salvaged, no row lost\n"), std::string::npos) << Describe(run);
  EXPECT_NE(ReportPath(run.out), "") << "a salvage is reported even when it lost nothing";
  EXPECT_EQ(RowCounts(start), start_rows);
  // It names the current year again: the next run needs no name.
  EXPECT_EQ(RunTool({install.program_folder().string()}).status, 0);
}

TEST_F(RepairCliTest, AYearDatabaseThatDoesNotOpenIsStillFoundAndSalvaged) {
  const fs::path year = install.year_database();
  const auto rows = RowCounts(year);
  LosePage(year, 1);  // the other year databases of the folder know its tables
  // Views or tables that only the lost page named would be missing: nothing is replaced unasked.
  const ToolRun refused = RunTool({install.program_folder().string()});
  EXPECT_EQ(refused.status, 2) << Describe(refused);
  EXPECT_NE(refused.out.find("The current year database does not open"), std::string::npos) << Describe(refused);
  EXPECT_NE(refused.out.find("only the lost pages of the list of tables named"), std::string::npos)
      << Describe(refused);
  const ToolRun run = RunTool({install.program_folder().string(), "--accept-loss"});
  EXPECT_EQ(run.status, 2) << Describe(run);
  EXPECT_EQ(RowCounts(year), rows);
}

TEST_F(RepairCliTest, AHalfDoneSwapIsPutRightBeforeTheRepair) {
  const fs::path year = install.year_database();
  const auto rows = RowCounts(year);
  // A repair stopped after its copy was checked (and marked whole) and the database removed.
  const fs::path tmp = install.tmp_copy(install.current_year_file);
  fs::rename(year, tmp);
  ASSERT_FALSE(MarkWholeCopy(tmp));
  const ToolRun run = RunTool({install.program_folder().string()});
  EXPECT_EQ(run.status, 0) << Describe(run);
  EXPECT_EQ(RowCounts(year), rows);
  EXPECT_FALSE(fs::exists(install.tmp_copy(install.current_year_file)));
}

TEST_F(RepairCliTest, AMissingOrHeldDatabaseChangesNothingAndExitsOne) {
  const auto before = Snapshot(install.database_folder());
  const ToolRun named = RunTool({install.program_folder().string(), "DB1999_00.mdb"});
  EXPECT_EQ(named.status, 1) << Describe(named);
  EXPECT_NE(named.err.find("There is no database 'DB1999_00.mdb'"), std::string::npos) << Describe(named);
  EXPECT_EQ(named.out, "");

  {
    engine::Handle held = engine::Open(install.year_database(), demo::DeploymentPassword());
    const ToolRun run = RunTool({install.program_folder().string()});
    EXPECT_EQ(run.status, 1) << Describe(run);
    EXPECT_NE(run.err.find("in use by"), std::string::npos) << Describe(run);
    EXPECT_NE(run.err.find("not repaired, nothing was changed"), std::string::npos) << Describe(run);
  }
  EXPECT_EQ(Snapshot(install.database_folder()), before);

  fs::remove(install.year_database());
  const ToolRun missing = RunTool({install.program_folder().string()});
  EXPECT_EQ(missing.status, 1) << Describe(missing);
  EXPECT_NE(missing.err.find("is missing"), std::string::npos) << Describe(missing);
}

TEST(RepairCliArgumentsTest, HelpExplainsTheExitStatusAndBadArgumentsFailClearly) {
  const ToolRun help = RunTool({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: ornetta-repair PROGRAM_FOLDER [DATABASE_FILE]"), std::string::npos);
  for (const char* status :
       {"  0  repaired, no live row lost", "  1  not repaired, nothing changed", "  2  repaired, but rows were lost",
        "  3  the year database was repaired", "  --accept-loss ", "  --restore-from-backup\n"})
    EXPECT_NE(help.out.find(status), std::string::npos) << status;

  DemoInstallation install;
  const std::string folder = install.program_folder().string();
  TempFolder elsewhere;
  fs::copy_file(install.year_database(), elsewhere.path() / install.current_year_file);
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, "Name the program folder"},
      {{"--force", folder}, "Unknown option --force"},
      {{folder, install.current_year_file, "extra"}, "Too many arguments"},
      {{(install.program_folder() / "nowhere").string()}, "is not a folder"},
      {{install.database_folder().string()}, "has no database folder"},
      {{folder, (elsewhere.path() / install.current_year_file).string()}, "is not in the database folder"},
      {{folder, "--restore-from-backup"}, "give --accept-loss too"},
  };
  for (const auto& [args, message] : cases) {
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.status, 1) << message;
    EXPECT_NE(run.err.find(message), std::string::npos) << Describe(run);
    EXPECT_NE(run.err.find("usage: ornetta-repair"), std::string::npos);
  }
  EXPECT_FALSE(fs::exists(install.backup_root())) << "no argument error starts a repair";
}

}  // namespace
}  // namespace ornetta::testing
