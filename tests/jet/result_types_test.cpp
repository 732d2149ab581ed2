// The types of computed values as a Recordset gives them, on a real database: what Jet calls a
// date (its date functions, #...# literals, a date moved by days, Max/Min/First/Last of a date
// column, IIf/Nz/Switch/Choose choosing among dates) must come back as a date whatever the query
// does with it (sorting, grouping, UNION, subqueries), while text that merely reads like a date
// stays text, and dates written by such expressions are stored as before.
#include <gtest/gtest.h>

#include <string>

#include "tests/jet/jet_database.h"

namespace ornetta {
namespace {

class ResultTypeTest : public testing::JetDatabase {
 protected:
  void SetUp() override {
    JetDatabase::SetUp();
    Run("CREATE TABLE logs (id COUNTER PRIMARY KEY, dates DATETIME, n LONG, who TEXT(20))");
    Run("CREATE INDEX byDate ON logs (dates)");
    Run("INSERT INTO logs (dates, n, who) VALUES (#1/2/2026 10:30#, 1, 'ann')");
    Run("INSERT INTO logs (dates, n, who) VALUES (#3/4/2026#, 2, 'bob')");
    Run("INSERT INTO logs (dates, n, who) VALUES (Null, 3, '2026-01-05 00:00:00')");
    // A table whose column of the same name holds text, not dates.
    Run("CREATE TABLE notes (dates TEXT(19), n LONG)");
    Run("INSERT INTO notes VALUES ('2026-01-02 00:00:00', 1)");
  }

  struct Case {
    const char* sql;
    const char* want;  // TypedRow's text of the first row
  };

  void ExpectTypes(std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
      try {
        EXPECT_EQ(TypedRow(c.sql), c.want) << c.sql;
      } catch (const Error& e) {
        ADD_FAILURE() << c.sql << ": " << e.what();
      }
    }
  }
};

TEST_F(ResultTypeTest, DateFunctionsGiveDates) {
  ExpectTypes({
      {"SELECT DateSerial(2026, 2, 30)", "date:2026-03-02 00:00:00"},
      {"SELECT TimeSerial(25, 0, 0)", "date:1899-12-31 01:00:00"},
      {"SELECT CDate('2026-01-05')", "date:2026-01-05 00:00:00"},
      {"SELECT CDate('1/5/2026 2:30 PM')", "date:2026-01-05 14:30:00"},
      {"SELECT DateValue('2026-01-05 10:30:00')", "date:2026-01-05 00:00:00"},
      {"SELECT TimeValue('2026-01-05 10:30:00')", "date:1899-12-30 10:30:00"},
      {"SELECT DateAdd('m', 1, #1/31/2026#)", "date:2026-02-28 00:00:00"},
      {"SELECT DateAdd('d', 1, dates) FROM logs WHERE n = 1", "date:2026-01-03 10:30:00"},
      {"SELECT CVar(#1/2/2026#)", "date:2026-01-02 00:00:00"},
      {"SELECT DateSerial(Null, 1, 1)", "null"},
      // Functions of dates that are not dates themselves keep their own types.
      {"SELECT Year(#1/2/2026#), DateDiff('d', #1/1/2026#, #1/2/2026#), Weekday(#1/2/2026#)", "int:2026,int:1,int:6"},
      {"SELECT Format(#1/2/2026#, 'yyyy'), MonthName(1), CStr(#1/2/2026#)",
       "str:2026,str:January,str:2026-01-02 00:00:00"},
      {"SELECT IsDate(#1/2/2026#)", "int:-1"},
  });
}

TEST_F(ResultTypeTest, TheClockFunctionsGiveDates) {
  for (const char* sql :
       {"SELECT Date()", "SELECT Now()", "SELECT Time()", "SELECT Date() - 1", "SELECT Now() + 0.5"}) {
    const std::string got = TypedRow(sql);
    EXPECT_EQ(got.rfind("date:", 0), 0u) << sql << " gave " << got;
  }
  EXPECT_EQ(TypedRow("SELECT Time() < #1/1/1900#, Date() = DateValue(Now()), Date() - (Date() - 1)"),
            "int:-1,int:-1,int:1");
}

TEST_F(ResultTypeTest, LiteralsAreDatesAndTextIsText) {
  ExpectTypes({
      {"SELECT #1/2/2026#", "date:2026-01-02 00:00:00"},
      {"SELECT #2026-12-09 10:30#, #10:30 PM#", "date:2026-12-09 10:30:00,date:1899-12-30 22:30:00"},
      {"SELECT (#1/2/2026#)", "date:2026-01-02 00:00:00"},
      // Text that reads like a date is still text: types come from the expression, not the value.
      {"SELECT '2026-01-02 00:00:00'", "str:2026-01-02 00:00:00"},
      {"SELECT '2026-01-02' & ''", "str:2026-01-02"},
      {"SELECT Max(who) FROM logs", "str:bob"},
      {"SELECT who FROM logs WHERE n = 3", "str:2026-01-05 00:00:00"},
      {"SELECT Max(dates), Max(dates & '') FROM notes", "str:2026-01-02 00:00:00,str:2026-01-02 00:00:00"},
      {"SELECT dates + 1 FROM notes", "str:2026-01-03 00:00:00"},
  });
}

TEST_F(ResultTypeTest, DateArithmeticFollowsJet) {
  ExpectTypes({
      {"SELECT #1/2/2026# + 1", "date:2026-01-03 00:00:00"},
      {"SELECT 1 + #1/2/2026#", "date:2026-01-03 00:00:00"},
      {"SELECT #1/2/2026# - 1", "date:2026-01-01 00:00:00"},
      {"SELECT #1/2/2026# + 0.5", "date:2026-01-02 12:00:00"},
      {"SELECT #1/2/2026# + True", "date:2026-01-01 00:00:00"},
      {"SELECT #1/2/2026# + (2 * 3) - 1", "date:2026-01-07 00:00:00"},
      {"SELECT DateSerial(2026, 1, 2) + Len('abc')", "date:2026-01-05 00:00:00"},
      // Date less date is the number of days.
      {"SELECT #1/2/2026# - #1/1/2026#", "int:1"},
      {"SELECT #1/2/2026 12:00# - #1/1/2026#", "double:1.5"},
      {"SELECT (#1/2/2026# + 1) - #1/1/2026#", "int:2"},
      {"SELECT #1/2/2026# + Null", "null"},
      {"SELECT -(#1/2/2026# - #1/3/2026#)", "int:1"},
      {"SELECT dates + 1, dates - 1, dates - #1/1/2026# FROM logs WHERE n = 2",
       "date:2026-03-05 00:00:00,date:2026-03-03 00:00:00,int:62"},
      {"SELECT l.dates + n FROM logs AS l WHERE n = 2", "date:2026-03-06 00:00:00"},
  });
}

TEST_F(ResultTypeTest, AggregatesKeepTheirArgumentsType) {
  ExpectTypes({
      {"SELECT Max(dates), Min(dates) FROM logs", "date:2026-03-04 00:00:00,date:2026-01-02 10:30:00"},
      {"SELECT First(dates), Last(dates) FROM logs WHERE n < 3", "date:2026-01-02 10:30:00,date:2026-03-04 00:00:00"},
      {"SELECT Max(logs.dates) FROM logs", "date:2026-03-04 00:00:00"},
      {"SELECT Max(DateAdd('yyyy', 1, dates)) FROM logs", "date:2027-03-04 00:00:00"},
      {"SELECT Max(dates) + 1, Max(dates) - Min(dates) FROM logs", "date:2026-03-05 00:00:00,double:60.5625"},
      {"SELECT Count(dates), Max(n) FROM logs", "int:2,int:3"},
      {"SELECT Max(dates) FROM logs WHERE n > 5", "null"},
      {"SELECT who, Max(dates) FROM logs GROUP BY who ORDER BY who DESC", "str:bob,date:2026-03-04 00:00:00"},
      {"SELECT (SELECT Max(dates) FROM logs), n FROM logs WHERE n = 1", "date:2026-03-04 00:00:00,int:1"},
      // A correlated subquery's column comes from the outer table.
      {"SELECT (SELECT Max(l.dates) + 1 FROM notes WHERE notes.n = l.n) FROM logs AS l WHERE n = 1",
       "date:2026-01-03 10:30:00"},
  });
}

TEST_F(ResultTypeTest, ChoicesKeepTheChosenArgumentsType) {
  ExpectTypes({
      {"SELECT IIf(1 > 2, Null, #1/2/2026#)", "date:2026-01-02 00:00:00"},
      {"SELECT IIf(n = 1, dates, Null) FROM logs ORDER BY n", "date:2026-01-02 10:30:00"},
      {"SELECT IIf(n = 1, dates, #1/1/2000#) FROM logs ORDER BY n DESC", "date:2000-01-01 00:00:00"},
      {"SELECT Nz(dates, #1/1/2000#) FROM logs WHERE n = 3", "date:2000-01-01 00:00:00"},
      {"SELECT Nz(dates) FROM logs WHERE n = 1", "date:2026-01-02 10:30:00"},
      {"SELECT Nz(dates) FROM logs WHERE n = 3", "str:"},
      {"SELECT Switch(n = 1, dates, n = 2, Date()) FROM logs ORDER BY n", "date:2026-01-02 10:30:00"},
      {"SELECT Switch(n > 5, dates) FROM logs", "null"},
      {"SELECT Choose(2, #1/1/2026#, #1/2/2026#)", "date:2026-01-02 00:00:00"},
      {"SELECT Choose(n, dates, #1/1/2001#) FROM logs WHERE n = 2", "date:2001-01-01 00:00:00"},
      // Arguments of different types: the column has no one type, so values keep their own.
      {"SELECT IIf(True, #1/2/2026#, 'x')", "str:2026-01-02 00:00:00"},
      {"SELECT IIf(False, #1/2/2026#, 5)", "int:5"},
      {"SELECT Nz(Null, 5), IIf(True, 'a', 'b')", "int:5,str:a"},
  });
}

// The engine forgets what it knew of a value when it sorts, groups, or joins results; the type
// must not depend on that.
TEST_F(ResultTypeTest, TypesSurviveSortingGroupingUnionsAndSubqueries) {
  ExpectTypes({
      {"SELECT DateAdd('d', 1, dates), who FROM logs WHERE n < 3 ORDER BY who", "date:2026-01-03 10:30:00,str:ann"},
      {"SELECT Date() - Date(), #1/2/2026# FROM logs ORDER BY who DESC", "int:0,date:2026-01-02 00:00:00"},
      {"SELECT DISTINCT #1/2/2026# FROM logs", "date:2026-01-02 00:00:00"},
      {"SELECT dates + 1 AS d, Count(*) FROM logs GROUP BY dates + 1 ORDER BY dates + 1 DESC",
       "date:2026-03-05 00:00:00,int:1"},
      {"SELECT TOP 1 dates + 1 FROM logs ORDER BY dates DESC", "date:2026-03-05 00:00:00"},
      {"SELECT Max(dates) FROM logs UNION SELECT #1/1/2000# FROM logs ORDER BY 1", "date:2000-01-01 00:00:00"},
      {"SELECT #1/1/2000# FROM logs UNION SELECT dates FROM logs WHERE n = 1 ORDER BY 1 DESC",
       "date:2026-01-02 10:30:00"},
      {"SELECT #1/1/2000# UNION ALL SELECT 'x' ORDER BY 1", "str:2000-01-01 00:00:00"},
      {"SELECT COUNT(*) FROM (SELECT DateAdd('d', 1, dates) AS d FROM logs) WHERE d > #1/1/2026#", "int:2"},
      {"SELECT l.dates + 1, o.n FROM logs AS l INNER JOIN notes AS o ON l.n = o.n", "date:2026-01-03 10:30:00,int:1"},
  });
}

// A * stands for the table's columns (typed by their declarations); the computed columns around it
// keep their places.
TEST_F(ResultTypeTest, ComputedColumnsBesideAStar) {
  ExpectTypes({
      {"SELECT *, dates + 1 FROM logs WHERE n = 2",
       "int:2,date:2026-03-04 00:00:00,int:2,str:bob,date:2026-03-05 00:00:00"},
      {"SELECT dates + 1, logs.*, #1/1/2000#, n FROM logs WHERE n = 2",
       "date:2026-03-05 00:00:00,int:2,date:2026-03-04 00:00:00,int:2,str:bob,date:2000-01-01 00:00:00,int:2"},
  });
}

// Dates computed by expressions are written in the same stored form as dates always were, and read
// back alike.
TEST_F(ResultTypeTest, WrittenDatesKeepTheStoredForm) {
  Run("INSERT INTO logs (dates, n, who) VALUES (Date(), 10, 'today')");
  Run("INSERT INTO logs (dates, n, who) VALUES (DateSerial(2026, 1, 2) + 0.4375, 11, 'serial')");
  Run("INSERT INTO logs (dates, n, who) SELECT Max(dates) + 1, 12, 'max' FROM logs WHERE n < 3");
  Run("UPDATE logs SET dates = DateAdd('d', 1, dates) WHERE n = 1");
  ExpectTypes({
      {"SELECT dates & '', Len(dates) FROM logs WHERE n = 11", "str:2026-01-02 10:30:00,int:19"},
      {"SELECT dates & '' FROM logs WHERE n = 12", "str:2026-03-05 00:00:00"},
      {"SELECT dates & '' FROM logs WHERE n = 1", "str:2026-01-03 10:30:00"},
      {"SELECT dates, Date() FROM logs WHERE n = 10", TypedRow("SELECT Date(), Date()").c_str()},
      {"SELECT Count(*) FROM logs WHERE dates = #1/2/2026 10:30#", "int:1"},
      {"SELECT Count(*) FROM logs WHERE dates = DateAdd('d', 1, #1/2/2026 10:30#)", "int:1"},
  });
}

}  // namespace
}  // namespace ornetta
