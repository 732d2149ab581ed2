// The Repair command on a real year database: each option's outcome and message, the connection
// left closed, and the command's error handling.
#include <gtest/gtest.h>

#include <clocale>

#include "repair/dispatch.h"
#include "tests/support/installation.h"
#include "tests/support/recording_host.h"

namespace ornetta::repair {
namespace {

namespace fs = std::filesystem;
using testing::ShownMessage;

struct FakeView : RepairView {
  bool sql = false, date = false, screens = false, database = false;
  std::string statement, current;
  bool Selected(Option o) const override {
    return o == Option::OptSQL ? sql : o == Option::optsysDate ? date : o == Option::optScreenProb ? screens : database;
  }
  std::string txtSQLText() const override { return statement; }
  std::string txtCurrDBText() const override { return current; }
};

const ShownMessage kRequestOk{"Your Request Successfully Executed", 64, "TARVIK - ORNETTA"};
const ShownMessage kRequestFailed{"Your Request NOT successfully Excuted!!!!!!!", 16, "TARVIK - ORNETTA"};
const ShownMessage kQueryOk{"Query Successfully Executed", 0, "TARVIK - ORNETTA"};
const ShownMessage kQueryFailed{"QUERY NOT SUCCESSFUL???", 0, "TARVIK - ORNETTA"};

class DispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prod.Get_Connection();
    view.current = prod.file_nme;
  }
  long long Count(const std::string& sql) { return std::stoll(testing::QueryText(install.year_database(), sql)); }
  void ExpectClosed() {
    ASSERT_TRUE(prod.dbconnection);
    EXPECT_EQ(prod.dbconnection->State(), 0);
  }

  testing::DemoInstallation install;
  testing::RecordingHost host{install.program_folder()};
  clsProd prod{host};
  FakeView view;
  RepairCommand command{prod, host, view};
};

TEST_F(DispatchTest, OnlineUsersAreCleared) {
  view.screens = true;
  command.cmdOK_Click();
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{kRequestOk});
  EXPECT_EQ(Count("SELECT Count(*) FROM OnLineUsers"), 0);
  ExpectClosed();
  command.cmdOK_Click();  // the closed connection is opened again
  EXPECT_EQ(host.messages.size(), 2u);
  ExpectClosed();
}

TEST_F(DispatchTest, LogRowsAfterTodayGoWhateverTheLocale) {
  // Rows around today's midnight; the demo also has rows months ahead.
  view.sql = true;
  for (const char* when :
       {"2026-12-08 23:59:59", "2026-12-09 00:00:00", "2026-12-09 00:00:01", "2026-12-09 18:00:00"}) {
    view.statement = std::string("INSERT INTO logs (dates, UserName) VALUES (#") + when + "#, 'probe')";
    command.cmdOK_Click();
  }
  view.sql = false;
  view.date = true;
  const long long not_later = Count("SELECT Count(*) FROM logs WHERE dates <= #2026-12-09#");
  for (const char* locale : {"en_GB.UTF-8", "en_US.UTF-8", "C"}) {
    std::setlocale(LC_ALL, locale);  // the statement must not depend on it
    EXPECT_EQ(RepairCommand::DateRepairStatement({2026, 12, 9}), "Delete * from logs where dates>#2026-12-09#");
  }
  std::setlocale(LC_ALL, "C");
  host.messages.clear();
  command.cmdOK_Click();
  EXPECT_EQ(host.messages, std::vector<ShownMessage>{kRequestOk});
  EXPECT_EQ(Count("SELECT Count(*) FROM logs"), not_later);
  EXPECT_EQ(Count("SELECT Count(*) FROM logs WHERE UserName = 'probe'"), 2) << "midnight and before stay";
  ExpectClosed();
}

TEST_F(DispatchTest, FailedStatementRepairsSayNotSuccessful) {
  testing::QueryText(install.year_database(), "DROP TABLE logs");
  view.date = true;
  command.cmdOK_Click();
  view.date = false;
  view.screens = true;
  testing::QueryText(install.year_database(), "DROP TABLE OnLineUsers");
  command.cmdOK_Click();
  EXPECT_EQ(host.messages, (std::vector<ShownMessage>{kRequestFailed, kRequestFailed}));
  ExpectClosed();
}

TEST_F(DispatchTest, TypedStatements) {
  view.sql = true;
  view.statement = "  UPDATE Customers SET City = 'Two  Spaces' WHERE CustomerId = 1  ";
  command.cmdOK_Click();
  EXPECT_EQ(testing::QueryText(install.year_database(), "SELECT City FROM Customers WHERE CustomerId = 1"),
            "Two  Spaces");
  view.statement = "SELECT * FROM Customers";  // rows are not shown; it is a success
  command.cmdOK_Click();
  for (const char* bad : {"", "    ", "DELETE FROM nowhere", "\tSELECT 1"}) {
    view.statement = bad;
    command.cmdOK_Click();
  }
  EXPECT_EQ(host.messages,
            (std::vector<ShownMessage>{kQueryOk, kQueryOk, kQueryFailed, kQueryFailed, kQueryFailed, kQueryOk}));
  ExpectClosed();
}

TEST_F(DispatchTest, NoOptionShowsNothingAndLeavesTheConnectionClosed) {
  command.cmdOK_Click();
  EXPECT_TRUE(host.messages.empty());
  ExpectClosed();
}

TEST_F(DispatchTest, DatabaseRepairTakesOnlyTheFileName) {
  view.database = true;
  view.current = "/somewhere/else/" + install.current_year_file;
  command.cmdOK_Click();
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Database Successfully Repaired and Compacted !!!") << command.last_failure_reason();
  ExpectClosed();
  for (const char* unnamed : {"", "/home/x/database/"}) {
    view.current = unnamed;
    command.cmdOK_Click();
    EXPECT_EQ(host.messages.back(),
              (ShownMessage{"Check the Database FileName Listed / Selected....", 16, "TARVIK Software"}));
  }
  EXPECT_EQ(host.messages.size(), 3u);
  ExpectClosed();
}

TEST_F(DispatchTest, WithoutAConnectionObject) {
  prod.dbconnection.reset();
  view.sql = true;
  view.statement = "SELECT 1";
  command.cmdOK_Click();
  EXPECT_EQ(host.messages, (std::vector<ShownMessage>{{"SQL Statement Error", 0, "TARVIK - ORNETTA"}}));

  host.messages.clear();
  view.sql = false;
  view.screens = true;
  command.cmdOK_Click();
  // The error is reported once with its number; the repair itself still reports, and the command ends.
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[0],
            (ShownMessage{"91,    Object variable or With block variable not set", 0, "TARVIK - ORNETTA"}));
  EXPECT_EQ(host.messages[1], kRequestFailed);
  EXPECT_GE(host.pointer_resets, 1);
}

TEST_F(DispatchTest, ASecondCommandDuringARepairIsRefused) {
  view.database = true;
  int nested = 0;
  host.on_yield = [&] {
    ++nested;
    command.cmdOK_Click();  // a click that waited in the queue
  };
  command.cmdOK_Click();
  EXPECT_EQ(nested, 2);
  ASSERT_EQ(host.messages.size(), 1u) << "only the first repair ran";
  EXPECT_EQ(host.messages[0].icon, 64);
  EXPECT_FALSE(command.running());
}

}  // namespace
}  // namespace ornetta::repair
