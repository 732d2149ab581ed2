// Contention and hostile input at the Repair command: another process holding a database,
// typed statements that reach for other files or are huge or odd, and a current-database text
// that names no database file.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "data/engine/engine.h"
#include "repair/dispatch.h"
#include "tests/support/installation.h"
#include "tests/support/recording_host.h"

namespace ornetta::repair {
namespace {

namespace fs = std::filesystem;

struct View : RepairView {
  Option option = Option::OptSQL;
  std::string sql, current;
  bool Selected(Option o) const override { return o == option; }
  std::string txtSQLText() const override { return sql; }
  std::string txtCurrDBText() const override { return current; }
};

class HostileTest : public ::testing::Test {
 protected:
  // Each test opens the database itself: a process forked after the engine has opened a file
  // shares its idea of that file's locks and cannot stand for another program.
  std::string Run(Option option, const std::string& sql = "", const std::string& current = "") {
    view.option = option;
    view.sql = sql;
    view.current = current;
    host.messages.clear();
    command.cmdOK_Click();
    return host.messages.empty() ? "" : host.messages.back().text;
  }

  testing::DemoInstallation install;
  testing::RecordingHost host{install.program_folder()};
  clsProd prod{host};
  View view;
  RepairCommand command{prod, host, view};
};

TEST_F(HostileTest, AStatementWhileAnotherProcessHoldsTheDatabaseFailsAndKeepsEverything) {
  int go[2], ready[2], release[2];
  ASSERT_EQ(pipe(go), 0);
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  const pid_t child = fork();
  if (child == 0) {
    close(go[1]);
    close(ready[0]);
    close(release[1]);
    char c = 1;
    try {
      // Takes the database only once this process has opened it, as a colleague's program would.
      if (read(go[0], &c, 1) == 1) {
        engine::Handle db = engine::Open(install.year_database(), demo::DeploymentPassword());
        engine::Exec(db.get(), "BEGIN EXCLUSIVE; SELECT count(*) FROM logs;");
        (void)!write(ready[1], &c, 1);
        (void)!read(release[0], &c, 1);
      }
    } catch (...) {
    }
    _exit(0);
  }
  close(go[0]);
  close(ready[1]);
  close(release[0]);
  prod.Get_Connection();
  char c = 1;
  ASSERT_EQ(write(go[1], &c, 1), 1);
  ASSERT_EQ(read(ready[0], &c, 1), 1) << "the other process could not hold the database";
  EXPECT_EQ(Run(Option::optScreenProb), "Your Request NOT successfully Excuted!!!!!!!");
  // The repair must open the database again first; held by another program, it cannot, and that
  // ends the program as at start-up, with the reason and nothing replaced.
  const auto size = fs::file_size(install.year_database());
  EXPECT_THROW(Run(Option::optDBRepair, "", install.year_database().string()), testing::ProgramEnded);
  ASSERT_FALSE(host.messages.empty());
  EXPECT_NE(host.messages.back().text.find("locked"), std::string::npos) << host.messages.back().text;
  EXPECT_EQ(host.messages.back().icon, platform::kIconCritical);
  EXPECT_EQ(fs::file_size(install.year_database()), size);
  EXPECT_FALSE(fs::exists(install.backup_root()));
  close(release[1]);
  close(go[1]);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  EXPECT_EQ(testing::QueryCount(install.year_database(), "OnLineUsers"), 5);
}

TEST_F(HostileTest, TypedStatementsStayInsideTheOpenDatabase) {
  prod.Get_Connection();
  const fs::path outside = install.program_folder() / "stolen.db";
  for (const std::string& sql :
       {"ATTACH DATABASE '" + outside.string() + "' AS x", std::string("PRAGMA key = 'abc'"),
        std::string("PRAGMA rekey = 'abc'"), std::string("SELECT load_extension('/lib/x86_64-linux-gnu/libc.so.6')"),
        std::string("SELECT 1; ATTACH DATABASE 'x' AS y"), std::string("SELECT 'a\0b'", 11)})
    EXPECT_EQ(Run(Option::OptSQL, sql), "QUERY NOT SUCCESSFUL???") << sql;
  EXPECT_FALSE(fs::exists(outside));
  EXPECT_EQ(Run(Option::OptSQL, "SELECT '" + std::string(40000, 'x') + "' AS big"), "Query Successfully Executed");
  EXPECT_EQ(Run(Option::OptSQL, "SELECT 'Grüße, € and 中文' AS t"), "Query Successfully Executed");
  EXPECT_EQ(Run(Option::OptSQL, "SELECT " + std::string(20000, '(') + "1" + std::string(20000, ')')),
            "QUERY NOT SUCCESSFUL???");
  // The database still opens with its password and holds its rows.
  EXPECT_EQ(testing::QueryCount(install.year_database(), "OnLineUsers"), 5);
}

TEST_F(HostileTest, ACurrentDatabaseTextThatNamesNoDatabaseChangesNothing) {
  prod.Get_Connection();
  const auto before = fs::file_size(install.year_database());
  for (const std::string& text : {std::string(".."), std::string("/x/database/.."), std::string("/x/database"),
                                  "/x/" + std::string(300, 'n') + ".mdb", std::string("/x/Jahr 2026 – Bücher.mdb")}) {
    const std::string shown = Run(Option::optDBRepair, "", text);
    EXPECT_NE(shown, "Database Successfully Repaired and Compacted !!!") << text;
    EXPECT_FALSE(shown.empty()) << text;
  }
  EXPECT_EQ(fs::file_size(install.year_database()), before);
  // Runs that replaced nothing leave no backup folder behind.
  EXPECT_TRUE(!fs::exists(install.backup_root()) || fs::is_empty(install.backup_root()));
}

}  // namespace
}  // namespace ornetta::repair
