// Text read as a date, as Jet reads it in #...# and in CDate, DateValue, TimeValue and IsDate:
// without the engine, the current year fixed; then the functions on a real database.
#include <gtest/gtest.h>

#include <string>

#include "data/jet/dates.h"
#include "tests/jet/jet_database.h"

namespace ornetta {
namespace {

TEST(DateTextTest, FormsJetReads) {
  struct Case {
    const char* rule;
    const char* text;
    const char* want;
  } cases[] = {
      {"numbers month first", "12/30/1991", "1991-12-30 00:00:00"},
      {"numbers month first", "1-2-2026", "2026-01-02 00:00:00"},
      {"numbers month first", "1.2.26", "2026-01-02 00:00:00"},
      {"day first only when month first is impossible", "30/12/1991", "1991-12-30 00:00:00"},
      {"year first with three or four digits", "1991-12-30", "1991-12-30 00:00:00"},
      {"year first with three or four digits", "1991/12/3", "1991-12-03 00:00:00"},
      {"year and month: its first day", "2026-12", "2026-12-01 00:00:00"},
      {"month and year: its first day", "12/1991", "1991-12-01 00:00:00"},
      {"month and day: the current year", "12/9", "2026-12-09 00:00:00"},
      {"two-digit years 00-29 are 2000s", "1/2/29", "2029-01-02 00:00:00"},
      {"two-digit years 30-99 are 1900s", "1/2/30", "1930-01-02 00:00:00"},
      {"month name first", "December 30, 1991", "1991-12-30 00:00:00"},
      {"month name first", "Dec 30 1991", "1991-12-30 00:00:00"},
      {"month name between", "30-Dec-1991", "1991-12-30 00:00:00"},
      {"month name between", "30 december 91", "1991-12-30 00:00:00"},
      {"month name after the year", "1991 Dec 30", "1991-12-30 00:00:00"},
      {"month name last", "30/1991/DEC", "1991-12-30 00:00:00"},
      {"Sept is September", "Sept 3, 2026", "2026-09-03 00:00:00"},
      {"month name and day: the current year", "Dec 30", "2026-12-30 00:00:00"},
      {"month name and year: its first day", "Feb 1991", "1991-02-01 00:00:00"},
      {"a day's name is passed over", "Monday, December 30, 1991", "1991-12-30 00:00:00"},
      {"with a time after", "December 30, 1991 10:30 PM", "1991-12-30 22:30:00"},
      {"with a time after", "12/30/1991 10:30:15", "1991-12-30 10:30:15"},
      {"with a time before", "10:30pm 30-Dec-1991", "1991-12-30 22:30:00"},
      {"12 AM is midnight", "12/30/1991 12:05 AM", "1991-12-30 00:05:00"},
      {"12 PM is noon", "12/30/1991 12:05 P", "1991-12-30 12:05:00"},
      {"an hour with AM or PM", "Dec 30 1991 3 PM", "1991-12-30 15:00:00"},
      {"a time alone lies on 1899-12-30", "10:30", "1899-12-30 10:30:00"},
      {"a time alone lies on 1899-12-30", "9 am", "1899-12-30 09:00:00"},
      {"the years 100 to 9999", "1/1/100", "0100-01-01 00:00:00"},
  };
  for (const Case& c : cases) {
    const auto dt = jet::ParseDateLiteral(c.text, 2026);
    if (!dt) {
      ADD_FAILURE() << c.rule << ": '" << c.text << "' was not read";
      continue;
    }
    EXPECT_EQ(FormatStoredDate(*dt), c.want) << c.rule << ": " << c.text;
  }
}

TEST(DateTextTest, TextThatIsNoDate) {
  struct Case {
    const char* rule;
    const char* text;
  } cases[] = {
      {"no such day", "2/30/2026"},
      {"no such day", "Feb 30 2026"},
      {"no such month", "13/13/2026"},
      {"no such hour", "12/09/2026 25:00"},
      {"no such hour", "13:00 PM"},
      {"no such minute", "10:60"},
      {"a word that names no month", "tomorrow"},
      {"a word that names no month", "Dec 30 foo"},
      {"two months", "Dec Jan 30"},
      {"a time inside the date", "Dec 10:30 30 1991"},
      {"mixed separators", "12/30-1991"},
      {"a number alone", "12"},
      {"nothing", ""},
      {"blanks", "  "},
      {"too many numbers", "1/2/3/4"},
      {"five digits", "12/30/19910"},
      {"before the year 100", "12/31/0099"},
      {"another character", "12*30*1991"},
      {"only a day's name", "Monday"},
      {"words that name no month", ",D.DRD"},
  };
  for (const Case& c : cases) EXPECT_FALSE(jet::ParseDateLiteral(c.text, 2026)) << c.rule << ": '" << c.text << "'";
}

using DateTextFunctionsTest = testing::JetDatabase;

TEST_F(DateTextFunctionsTest, TheFunctionsAndLiteralsReadTheSameForms) {
  ExpectValues({
      {"DateValue('December 30, 1991 10:30 PM')", "1991-12-30 00:00:00"},
      {"TimeValue('December 30, 1991 10:30 PM')", "1899-12-30 22:30:00"},
      {"TimeValue('10 PM')", "1899-12-30 22:00:00"},
      {"CDate('30-Dec-1991')", "1991-12-30 00:00:00"},
      {"CDate('Dec 30 1991 6:15 am')", "1991-12-30 06:15:00"},
      {"#30-Dec-1991#", "1991-12-30 00:00:00"},
      {"#Dec 30 1991 18:00#", "1991-12-30 18:00:00"},
      {"Year(#Dec 30#) = Year(Date())", "-1"},
      {"#December 30, 1991# = #12/30/91#", "-1"},
      {"IsDate('December 30, 1991')", "-1"},
      {"IsDate('30-Dec-1991 10:30')", "-1"},
      {"IsDate('Dec 32 1991')", "0"},
      {"IsDate('the 30th')", "0"},
      {"IsDate(Null)", "0"},
      {"DateValue(Null)", "<null>"},
  });
  ExpectErrors({
      {"DateValue('Dec 32 1991')", "Data type mismatch"},
      {"CDate('sometime')", "Data type mismatch"},
      {"#Dec 32 1991#", "date"},
  });
}

}  // namespace
}  // namespace ornetta
