// Dates in Jet SQL on a real database: a date is a number too (its serial number, days since
// 1899-12-30 with the time as the fraction) wherever it meets a number, while date columns and
// date functions still give dates; Between over dates searches an index as a range does.
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
    Run("INSERT INTO t VALUES (1, #1/1/2026#, 1)");        // serial 46023
    Run("INSERT INTO t VALUES (2, #1/2/2026 18:00#, 2)");  // 46024.75
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
      {"CDbl(#1/1/2000#)", "36526"},
      {"CDbl(#1/1/2000 12:00#)", "36526.5"},
      {"CDbl(#12/30/1899#)", "0"},
      {"CLng(#1/1/2000 18:00#)", "36527"},
      // Before 1899-12-30 the fraction still counts forwards: 6 in the morning of the day before is -1.25.
      {"CDbl(#12/29/1899 06:00#)", "-1.25"},
      // Arithmetic other than moving a date gives a number.
      {"#1/1/2000# * 1", "36526"},
      {"#1/1/2000# / 2", "18263"},
      {"#1/1/2000# \\ 7", "5218"},
      {"#1/1/2000# Mod 7", "0"},
      {"-#1/1/2000#", "-36526"},
      // A date is True as a number other than 0.
      {"#1/1/2000# And True", "-1"},
      {"#12/30/1899# Or False", "0"},
  });
}

TEST_F(JetDatesTest, ADateComparesWithANumberAsItsSerialNumber) {
  ExpectValues({
      {"#1/1/2000# = 36526", "-1"},
      {"36526.5 = #1/1/2000 12:00#", "-1"},
      {"#1/1/2000 12:00# > 36526", "-1"},
      {"Time() < 1", "-1"},
      {"Time() >= 0", "-1"},
      {"Now() > 46000", "-1"},
      {"Date() < 2958466", "-1"},
      {"Int(Now()) = Date()", "-1"},
      {"Fix(Now()) = Date()", "-1"},
      {"Int(Now()) <= Now()", "-1"},
      {"#1/1/2026# Between 46000 And 46100", "-1"},
      {"46023 Between #1/1/2026# And #1/2/2026#", "-1"},
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
      {"d, Int(d), d + 0.25 FROM t WHERE id = 2",
       "date:2026-01-02 18:00:00,date:2026-01-02 00:00:00,date:2026-01-03 00:00:00"},
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

// Jet's Between takes its bounds in either order, and is Null when any side is Null: the same rows
// as the two comparisons written out both ways, for bounds of every kind and order, as a
// condition and as a value, on an index and off it.
TEST_F(JetDatesTest, BetweenSelectsWhatTheComparisonsSelect) {
  Run("CREATE INDEX byDate ON t (d)");
  Run("INSERT INTO t VALUES (4, #12/31/2025 23:59:59#, -1.5)");
  Run("INSERT INTO t VALUES (5, #1/3/2026#, 2.5)");
  const char* const kBounds[][2] = {
      {"#1/1/2026#", "#1/2/2026 18:00#"},
      {"#1/2/2026 18:00#", "#1/1/2026#"},
      {"#1/3/2026#", "#1/3/2026#"},
      {"#12/31/2025#", "Date()"},
      {"DateAdd('d', 2, #1/1/2026#)", "#1/1/2026#"},
      {"Null", "#1/1/2026#"},
      {"46023", "46025"},
      {"46025.0", "-1"},
      {"2", "-1.5"},
      {"True", "2"},
      {"'2'", "'10'"},
      {"'10'", "2"},
  };
  for (const char* column : {"d", "amount"}) {
    for (const auto& b : kBounds) {
      const std::string x = column, lo = b[0], hi = b[1];
      const std::string both_ways = "(" + x + " >= " + lo + " And " + x + " <= " + hi + ") Or (" + x + " >= " + hi +
                                    " And " + x + " <= " + lo + ")";
      const std::string between = x + " Between " + lo + " And " + hi;
      const std::string want = Rows("SELECT id FROM t WHERE " + both_ways + " ORDER BY id");
      EXPECT_EQ(Rows("SELECT id FROM t WHERE " + between + " ORDER BY id"), want) << between;
      EXPECT_EQ(Rows("SELECT id FROM t WHERE (" + between + ") = -1 ORDER BY id"), want) << between << " as a value";
      EXPECT_EQ(Rows("SELECT id, " + between + " FROM t WHERE Not (" + between + ") ORDER BY id"),
                Rows("SELECT id, 0 FROM t WHERE Not (" + both_ways + ") ORDER BY id"))
          << "Not " << between;
    }
  }
  ExpectValues({
      {"5 Between 10 And 1", "-1"},
      {"5 Not Between 10 And 1", "0"},
      {"Null Between 1 And 2", "<null>"},
      {"1 Between Null And 2", "<null>"},
      {"'b' Between 'C' And 'a'", "-1"},
      {"'B' Between 'a' And 'c'", "-1"},
      {"#1/5/2026# Between #1/10/2026# And #1/1/2026#", "-1"},
      {"Date() - 1 Between Date() And Date() - 2", "-1"},
      {"(3 Between 5 And 1) + 1", "0"},
      {"-5 Between -(10) And -1", "-1"},
  });
}

TEST_F(JetDatesTest, BetweenOverDatesSearchesTheIndex) {
  Run("CREATE INDEX byDate ON t (d)");
  for (const char* sql :
       {"SELECT Count(*) FROM t WHERE d Between #1/1/2026# And #2/1/2026#",
        "SELECT Count(*) FROM t WHERE d Between #2/1/2026# And #1/1/2026#",
        "SELECT id FROM t WHERE d Between DateAdd('d', -7, Date()) And Date()",
        "SELECT id FROM t WHERE d Between Date() And Date() - 7 AND amount > 1",
        "DELETE FROM t WHERE d Not Between #1/1/2026# And #1/1/2027# AND d Between #1/1/2000# And #1/1/2030#"})
    EXPECT_NE(Plan(sql).find("INDEX byDate"), std::string::npos) << sql << ": " << Plan(sql);
  // Bounds that depend on the row are left to jet_between.
  EXPECT_EQ(Plan("SELECT id FROM t WHERE d Between amount And #1/1/2026#").find("byDate"), std::string::npos);
}

}  // namespace
}  // namespace ornetta
