// The function catalogue against the engine: every function a statement may call is registered
// with every argument count the binder lets through; and the calendar beneath the date
// functions, without the engine.
#include <gtest/gtest.h>

#include <sqlcipher/sqlite3.h>

#include <string>

#include "data/jet/calendar.h"
#include "data/jet/catalogue.h"
#include "data/jet/functions.h"

namespace ornetta {
namespace {

TEST(CatalogueTest, EveryCallTheBinderAcceptsReachesARegisteredFunction) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  jet::RegisterFunctions(db);
  int checked = 0;
  for (const jet::FunctionSpec& f : jet::Catalogue()) {
    if (!f.engine) continue;  // written out by the writer (IIf, Nz, IsNull)
    for (int n = f.min_args; n <= f.max_args; n += f.max_args - f.min_args > 3 ? 41 : 1) {
      std::string sql = std::string("SELECT ") + f.engine + "(";
      for (int i = 0; i < n; ++i) sql += i ? ", 1" : "1";
      sql += ")";
      sqlite3_stmt* st = nullptr;
      EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), SQLITE_OK) << sql << ": " << sqlite3_errmsg(db);
      sqlite3_finalize(st);
      ++checked;
    }
  }
  EXPECT_GT(checked, 100);
  sqlite3_close(db);
}

TEST(CatalogueTest, NamesAreFoundInAnyCaseTheBinderGives) {
  ASSERT_NE(jet::FindFunction("DATEADD"), nullptr);
  EXPECT_STREQ(jet::FindFunction("DATEADD")->engine, "jet_dateadd");
  EXPECT_TRUE(jet::FindFunction("COUNT")->aggregate);
  EXPECT_EQ(jet::FindFunction("NOSUCH"), nullptr);
  EXPECT_EQ(jet::FindFunction(""), nullptr);  // the operators' entries have no Jet name
  EXPECT_EQ(jet::FindEngineFunction("jet_add")->min_args, 2);
}

TEST(CalendarTest, DaysWeeksAndSerialsAsJetCountsThem) {
  const CivilDateTime d{2026, 12, 10, 0, 0, 0};  // a Thursday
  EXPECT_EQ(jet::WeekdayOf(d), 5);
  EXPECT_EQ(jet::WeekdayOf(d, 2), 4);  // counting from Monday
  EXPECT_EQ(jet::DayOfYear(d), 344);
  EXPECT_EQ(jet::DayOfYear({2024, 12, 31, 0, 0, 0}), 366);
  // 1 January 2027 is a Friday: with weeks of 1 January it is week 1; with the first four-day
  // week (Monday first) it belongs to the last week of 2026, week 53.
  EXPECT_EQ(jet::WeekOfYear({2027, 1, 1, 0, 0, 0}, 1, 1), 1);
  EXPECT_EQ(jet::WeekOfYear({2027, 1, 1, 0, 0, 0}, 2, 2), 53);
  EXPECT_EQ(jet::WeekOfYear({2026, 12, 31, 0, 0, 0}, 1, 1), 53);  // not the next year's week 1
  EXPECT_EQ(jet::WeekOfYear({2000, 12, 31, 0, 0, 0}, 1, 1), 54);
  EXPECT_STREQ(jet::MonthNameOf(12, false), "December");
  EXPECT_STREQ(jet::MonthNameOf(9, true), "Sep");
  EXPECT_STREQ(jet::DayNameOf(1, false), "Sunday");
  // Serial 0 is 1899-12-30; the years 100 to 9999 only.
  EXPECT_EQ(jet::DayNumber({1899, 12, 30, 0, 0, 0}), 0);
  EXPECT_EQ(jet::DayNumber({1900, 1, 1, 0, 0, 0}), 2);
  EXPECT_TRUE(jet::SerialDate(-657434.0));
  EXPECT_FALSE(jet::SerialDate(-657436.0));
  EXPECT_FALSE(jet::SerialDate(2958466.0));
  // Seconds run straight through 1899-12-30, where the serial's fraction turns.
  const CivilDateTime before{1899, 12, 29, 18, 0, 0};
  EXPECT_EQ(jet::SecondsFromCivil(before), -6 * 3600);
  const CivilDateTime back = jet::CivilFromSeconds(-6 * 3600);
  EXPECT_EQ(back.day, 29);
  EXPECT_EQ(back.hour, 18);
  EXPECT_EQ(jet::FloorDiv(-7, 2), -4);
}

}  // namespace
}  // namespace ornetta
