#include "data/jet/calendar.h"

namespace ornetta::jet {

namespace {

constexpr const char* kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
constexpr const char* kMonthsShort[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr const char* kDaysShort[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

// Sunday = 1 for a day number (day 1, 1899-12-31, was a Sunday).
int SundayWeekday(long long days) { return static_cast<int>(((days - 1) % 7 + 7) % 7) + 1; }

// The first day of week 1 of a year.
long long WeekOneStart(int year, int first_day, int first_week) {
  const long long jan1 = DaysFromCivil(year, 1, 1);
  const int back = (SundayWeekday(jan1) - first_day + 7) % 7;  // days of that week in the old year
  const long long start = jan1 - back;
  if (first_week == 2) return 7 - back >= 4 ? start : start + 7;
  if (first_week == 3) return back == 0 ? start : start + 7;
  return start;
}

}  // namespace

long long FloorDiv(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

long DayNumber(const CivilDateTime& dt) { return DaysFromCivil(dt.year, dt.month, dt.day); }

std::optional<CivilDateTime> SerialDate(double serial) {
  // -657434 is 1 January 100; 2958466 is the day after 31 December 9999.
  if (!(serial > -657435.0 && serial < 2958466.0)) return std::nullopt;
  const CivilDateTime dt = CivilFromSerial(serial);
  return IsValidCivil(dt) ? std::optional(dt) : std::nullopt;
}

long long SecondsFromCivil(const CivilDateTime& dt) {
  return static_cast<long long>(DaysFromCivil(dt.year, dt.month, dt.day)) * 86400 + dt.hour * 3600 + dt.minute * 60 +
         dt.second;
}

CivilDateTime CivilFromSeconds(long long seconds) {
  long long days = seconds / 86400, rest = seconds % 86400;
  if (rest < 0) rest += 86400, --days;
  CivilDateTime dt = CivilFromSerial(static_cast<double>(days));
  dt.hour = static_cast<int>(rest / 3600);
  dt.minute = static_cast<int>(rest / 60 % 60);
  dt.second = static_cast<int>(rest % 60);
  return dt;
}

const char* MonthNameOf(int month, bool abbreviate) { return (abbreviate ? kMonthsShort : kMonths)[month - 1]; }
const char* DayNameOf(int weekday, bool abbreviate) { return (abbreviate ? kDaysShort : kDays)[weekday - 1]; }

int WeekdayOf(const CivilDateTime& dt, int first_day) { return (SundayWeekday(DayNumber(dt)) - first_day + 7) % 7 + 1; }

int DayOfYear(const CivilDateTime& dt) { return static_cast<int>(DayNumber(dt) - DaysFromCivil(dt.year, 1, 1)) + 1; }

int WeekOfYear(const CivilDateTime& dt, int first_day, int first_week) {
  const long long day = DayNumber(dt);
  long long start = WeekOneStart(dt.year, first_day, first_week);
  if (day < start) {
    start = WeekOneStart(dt.year - 1, first_day, first_week);
  } else {
    // With the first four-day or whole week, the last days of December may belong to week 1;
    // counted from the week of 1 January they are the year's week 53 (or 54), as Jet counts.
    const long long next = WeekOneStart(dt.year + 1, first_day, first_week);
    if (first_week != 1 && day >= next) start = next;
  }
  return static_cast<int>((day - start) / 7) + 1;
}

}  // namespace ornetta::jet
