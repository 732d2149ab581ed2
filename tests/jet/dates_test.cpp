// Dates in Jet SQL on a real database: a date is a number too (its serial number, days since
// 1899-12-30 with the time as the fraction) wherever it meets a number, while date columns and
// date functions still give dates.
#include <gtest/gtest.h>

#include <string>

#include "tests/jet/jet_database.h"

namespace ornetta {
namespace {

class JetDatesTest : public testing::JetDatabase {
 protected:
  void SetUp() override {
    JetDatabase::SetUp();
    Run("CREATE TABLE t (id LONG, d DATETIME, amount DOUBLE)");
    Run("INSERT INTO t VALUES (1, #1/1/2026#, 1)");          // serial 46023
    Run("INSERT INTO t VALUES (2, #1/2/2026 18:00#, 2)");    // 46024.75
    Run("INSERT INTO t VALUES (3, Null, 3)");
  }

  void ExpectTyped(std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
      try {
        EXPECT_EQ(TypedRow(std::string("SELECT ") + c.expr), c.want) << c.expr;
      } catch (const Error& e) {
        ADD_FAILURE() << c.expr << ": " << e.what();
      }
    }
  }
};

TEST_F(JetDatesTest, ADateIsItsSerialNumberInArithmeticAndConversions) {
  ExpectValues({
      // The serial number: days since 1899-12-30, the time of day as the fraction.
      {"CDbl(#1/1/2000#)", "36526"}, {"CDbl(#1/1/2000 12:00#)", "36526.5"}, {"CDbl(#12/30/1899#)", "0"},
      {"CLng(#1/1/2000 18:00#)", "36527"},
      // Before 1899-12-30 the fraction still counts forwards: 6 in the morning of the day before is -1.25.
      {"CDbl(#12/29/1899 06:00#)", "-1.25"},
      // Arithmetic other than moving a date gives a number.
      {"#1/1/2000# * 1", "36526"}, {"#1/1/2000# / 2", "18263"}, {"#1/1/2000# \\ 7", "5218"},
      {"#1/1/2000# Mod 7", "0"}, {"-#1/1/2000#", "-36526"},
      // A date is True as a number other than 0.
      {"#1/1/2000# And True", "-1"}, {"#12/30/1899# Or False", "0"},
  });
}

TEST_F(JetDatesTest, ADateComparesWithANumberAsItsSerialNumber) {
  ExpectValues({
      {"#1/1/2000# = 36526", "-1"}, {"36526.5 = #1/1/2000 12:00#", "-1"}, {"#1/1/2000 12:00# > 36526", "-1"},
      {"Time() < 1", "-1"}, {"Time() >= 0", "-1"}, {"Now() > 46000", "-1"}, {"Date() < 2958466", "-1"},
      {"Int(Now()) = Date()", "-1"}, {"Fix(Now()) = Date()", "-1"}, {"Int(Now()) <= Now()", "-1"},
      {"#1/1/2026# Between 46000 And 46100", "-1"}, {"46023 Between #1/1/2026# And #1/2/2026#", "-1"},
      {"#1/1/2026# Between 46100 And 46000", "-1"},
  });
  EXPECT_EQ(Rows("SELECT id FROM t WHERE d > 46023.5 ORDER BY id"), "2");
  EXPECT_EQ(Rows("SELECT id FROM t WHERE d = 46023 OR d >= 46024.75 ORDER BY id"), "1;2");
  EXPECT_EQ(Rows("SELECT id FROM t WHERE Int(d) = #1/2/2026# ORDER BY id"), "2");
}

TEST_F(JetDatesTest, DatesStayDatesWhereJetKeepsThem) {
  ExpectTyped({
      // Int and Fix of a date cut it to its day and give a date.
      {"Int(#1/2/2026 18:00#), Fix(#1/2/2026 18:00#)", "date:2026-01-02 00:00:00,date:2026-01-02 00:00:00"},
      // ...cut as the serial number is cut: before 1899-12-30 Int goes a day further back than Fix.
      {"Int(#12/29/1899 06:00#), Fix(#12/29/1899 06:00#)", "date:1899-12-28 00:00:00,date:1899-12-29 00:00:00"},
      {"#1/2/2026# + 1.5", "date:2026-01-03 12:00:00"},
      {"1.5 + #1/2/2026 12:00#", "date:2026-01-04 00:00:00"},
      // A date plus a date adds their serial numbers (1/1/1900 is 2).
      {"#1/2/2026# + #1/1/1900#", "date:2026-01-04 00:00:00"},
      {"Int(Null), Int(2.5)", "null,int:2"},
      {"d, Int(d), d + 0.25 FROM t WHERE id = 2", "date:2026-01-02 18:00:00,date:2026-01-02 00:00:00,date:2026-01-03 00:00:00"},
      {"CDbl(d), d * 1 FROM t WHERE id = 2", "double:46024.75,double:46024.75"},
  });
  ExpectErrors({
      // A whole day before the year 100 is no date.
      {"Int(#1/1/100 06:00#)", "Overflow"},
      {"#12/31/9999# + 1", "Overflow"},
  });
}

TEST_F(JetDatesTest, SumsAndAveragesOfDatesAreOfTheirSerialNumbers) {
  EXPECT_EQ(Value("SELECT Sum(d) FROM t"), "92047.75");
  EXPECT_EQ(Value("SELECT Avg(d) FROM t"), "46023.875");
}

}  // namespace
}  // namespace ornetta
