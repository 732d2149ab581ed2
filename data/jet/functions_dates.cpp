// Date and time functions. Dates come back as the stored text "YYYY-MM-DD HH:MM:SS"; a time alone
// lies on 1899-12-30, as in Jet.
#include <cmath>
#include <string>

#include "data/jet/function_values.h"
#include "data/values/ascii_case.h"

namespace ornetta::jet::fn {

namespace {

const long long kMinSeconds = SecondsFromCivil({100, 1, 1, 0, 0, 0});
const long long kMaxSeconds = SecondsFromCivil({9999, 12, 31, 23, 59, 59});

void ResultSeconds(sqlite3_context* ctx, long long seconds) {
  if (seconds < kMinSeconds || seconds > kMaxSeconds) return ResultError(ctx, kInvalidCall);
  ResultDate(ctx, CivilFromSeconds(seconds));
}

enum class Interval { kYear, kQuarter, kMonth, kDayOfYear, kDay, kWeekday, kWeek, kHour, kMinute, kSecond };

bool ReadInterval(sqlite3_context* ctx, sqlite3_value* v, Interval& out) {
  static const struct {
    const char* text;
    Interval interval;
  } kIntervals[] = {{"yyyy", Interval::kYear},   {"q", Interval::kQuarter}, {"m", Interval::kMonth},
                    {"y", Interval::kDayOfYear}, {"d", Interval::kDay},     {"w", Interval::kWeekday},
                    {"ww", Interval::kWeek},     {"h", Interval::kHour},    {"n", Interval::kMinute},
                    {"s", Interval::kSecond}};
  const std::string text = AsciiLower(Text(v));
  for (const auto& i : kIntervals)
    if (text == i.text) return out = i.interval, true;
  ResultError(ctx, kInvalidCall);
  return false;
}

// firstdayofweek: 0 (the system's) is Sunday here, 1 Sunday ... 7 Saturday.
bool FirstDay(sqlite3_context* ctx, int argc, Args a, int index, int& out) {
  out = 1;
  if (argc <= index || IsNull(a[index])) return true;
  long long d;
  if (!Whole(ctx, a[index], d)) return false;
  if (d < 0 || d > 7) return ResultError(ctx, kInvalidCall), false;
  out = d == 0 ? 1 : static_cast<int>(d);
  return true;
}

// firstweekofyear: 0 (the system's) is 1 here, the week of 1 January.
bool FirstWeek(sqlite3_context* ctx, int argc, Args a, int index, int& out) {
  out = 1;
  if (argc <= index || IsNull(a[index])) return true;
  long long w;
  if (!Whole(ctx, a[index], w)) return false;
  if (w < 0 || w > 3) return ResultError(ctx, kInvalidCall), false;
  out = w == 0 ? 1 : static_cast<int>(w);
  return true;
}

bool Flag(sqlite3_context* ctx, int argc, Args a, int index, bool& out) {
  out = false;
  if (argc <= index || IsNull(a[index])) return true;
  double x;
  if (!Number(ctx, a[index], x)) return false;
  out = x != 0;
  return true;
}

void NowFn(sqlite3_context* ctx, int, Args) { ResultDate(ctx, ClockOf(ctx).Now()); }
void DateFn(sqlite3_context* ctx, int, Args) {
  CivilDateTime d = ClockOf(ctx).Now();
  d.hour = d.minute = d.second = 0;
  ResultDate(ctx, d);
}
void TimeFn(sqlite3_context* ctx, int, Args) {
  const CivilDateTime n = ClockOf(ctx).Now();
  ResultDate(ctx, {1899, 12, 30, n.hour, n.minute, n.second});
}

template <int CivilDateTime::*kField>
void Field(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  if (const auto d = DateArg(ctx, a[0])) sqlite3_result_int(ctx, (*d).*kField);
}

// CDate keeps the time of day; DateValue drops it.
void CDate(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return ResultError(ctx, kInvalidNull);
  if (const auto d = DateArg(ctx, a[0])) ResultDate(ctx, *d);
}

void DateValue(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  if (const auto d = DateArg(ctx, a[0])) ResultDate(ctx, {d->year, d->month, d->day, 0, 0, 0});
}

void TimeValue(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  if (const auto d = DateArg(ctx, a[0])) ResultDate(ctx, {1899, 12, 30, d->hour, d->minute, d->second});
}

void Weekday(sqlite3_context* ctx, int argc, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  int first_day;
  if (!FirstDay(ctx, argc, a, 1, first_day)) return;
  if (const auto d = DateArg(ctx, a[0])) sqlite3_result_int(ctx, WeekdayOf(*d, first_day));
}

// Months, quarters and years keep the day of the month where they can and otherwise take the
// month's last day (31 January + 1 month is 28 or 29 February).
void DateAdd(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1]) || IsNull(a[2])) return sqlite3_result_null(ctx);
  Interval interval;
  long long n;
  if (!ReadInterval(ctx, a[0], interval) || !Whole(ctx, a[1], n)) return;
  const auto d = DateArg(ctx, a[2]);
  if (!d) return;
  if (n > 1'000'000'000'000LL || n < -1'000'000'000'000LL) return ResultError(ctx, kInvalidCall);
  const long long seconds = SecondsFromCivil(*d);
  switch (interval) {
    case Interval::kYear:
    case Interval::kQuarter:
    case Interval::kMonth: {
      const long long months = n * (interval == Interval::kYear ? 12 : interval == Interval::kQuarter ? 3 : 1);
      const long long total = d->year * 12LL + (d->month - 1) + months;
      if (total < 100 * 12 || total > 9999 * 12 + 11) return ResultError(ctx, kInvalidCall);
      CivilDateTime r = *d;
      r.year = static_cast<int>(total / 12);
      r.month = static_cast<int>(total % 12) + 1;
      const int last =
          static_cast<int>(r.month == 12 ? DaysFromCivil(r.year + 1, 1, 1) - DaysFromCivil(r.year, 12, 1)
                                         : DaysFromCivil(r.year, r.month + 1, 1) - DaysFromCivil(r.year, r.month, 1));
      if (r.day > last) r.day = last;
      return ResultDate(ctx, r);
    }
    case Interval::kDayOfYear:
    case Interval::kDay:
    case Interval::kWeekday: return ResultSeconds(ctx, seconds + n * 86400);
    case Interval::kWeek: return ResultSeconds(ctx, seconds + n * 7 * 86400);
    case Interval::kHour: return ResultSeconds(ctx, seconds + n * 3600);
    case Interval::kMinute: return ResultSeconds(ctx, seconds + n * 60);
    case Interval::kSecond: return ResultSeconds(ctx, seconds + n);
  }
}

// DateDiff counts the boundaries crossed from d1 to d2: 31 December to 1 January is one year.
// "w" counts whole weeks; "ww" counts the first days of a week after d1 up to and including d2.
void DateDiff(sqlite3_context* ctx, int argc, Args a) {
  if (IsNull(a[0]) || IsNull(a[1]) || IsNull(a[2])) return sqlite3_result_null(ctx);
  Interval interval;
  int first_day, first_week;
  if (!ReadInterval(ctx, a[0], interval) || !FirstDay(ctx, argc, a, 3, first_day) ||
      !FirstWeek(ctx, argc, a, 4, first_week))
    return;
  const auto d1 = DateArg(ctx, a[1]);
  if (!d1) return;
  const auto d2 = DateArg(ctx, a[2]);
  if (!d2) return;
  const long long s1 = SecondsFromCivil(*d1), s2 = SecondsFromCivil(*d2);
  long long r = 0;
  switch (interval) {
    case Interval::kYear: r = d2->year - d1->year; break;
    case Interval::kQuarter: r = (d2->year * 4LL + (d2->month - 1) / 3) - (d1->year * 4LL + (d1->month - 1) / 3); break;
    case Interval::kMonth: r = (d2->year * 12LL + d2->month) - (d1->year * 12LL + d1->month); break;
    case Interval::kDayOfYear:
    case Interval::kDay: r = DayNumber(*d2) - DayNumber(*d1); break;
    case Interval::kWeekday: r = (DayNumber(*d2) - DayNumber(*d1)) / 7; break;
    case Interval::kWeek:
      // Day number first_day is a first day of a week (day 1 is a Sunday).
      r = FloorDiv(DayNumber(*d2) - first_day, 7) - FloorDiv(DayNumber(*d1) - first_day, 7);
      break;
    case Interval::kHour: r = FloorDiv(s2, 3600) - FloorDiv(s1, 3600); break;
    case Interval::kMinute: r = FloorDiv(s2, 60) - FloorDiv(s1, 60); break;
    case Interval::kSecond: r = s2 - s1; break;
  }
  sqlite3_result_int64(ctx, r);
}

void DatePart(sqlite3_context* ctx, int argc, Args a) {
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
  Interval interval;
  int first_day, first_week;
  if (!ReadInterval(ctx, a[0], interval) || !FirstDay(ctx, argc, a, 2, first_day) ||
      !FirstWeek(ctx, argc, a, 3, first_week))
    return;
  const auto d = DateArg(ctx, a[1]);
  if (!d) return;
  int r = 0;
  switch (interval) {
    case Interval::kYear: r = d->year; break;
    case Interval::kQuarter: r = (d->month - 1) / 3 + 1; break;
    case Interval::kMonth: r = d->month; break;
    case Interval::kDayOfYear: r = DayOfYear(*d); break;
    case Interval::kDay: r = d->day; break;
    case Interval::kWeekday: r = WeekdayOf(*d, first_day); break;
    case Interval::kWeek: r = WeekOfYear(*d, first_day, first_week); break;
    case Interval::kHour: r = d->hour; break;
    case Interval::kMinute: r = d->minute; break;
    case Interval::kSecond: r = d->second; break;
  }
  sqlite3_result_int(ctx, r);
}

// Parts out of range roll over into the next larger part: DateSerial(2026, 13, 1) is
// 1 January 2027 and DateSerial(2026, 3, 0) is 28 February 2026. Years 0-29 are 2000-2029 and
// 30-99 are 1930-1999.
void DateSerial(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1]) || IsNull(a[2])) return sqlite3_result_null(ctx);
  long long y, m, d;
  if (!Whole(ctx, a[0], y) || !Whole(ctx, a[1], m) || !Whole(ctx, a[2], d)) return;
  if (y >= 0 && y < 30)
    y += 2000;
  else if (y >= 30 && y < 100)
    y += 1900;
  if (y < 0 || y > 20000 || m < -1'000'000 || m > 1'000'000 || d < -10'000'000 || d > 10'000'000)
    return ResultError(ctx, kInvalidCall);
  const long long months = y * 12 + (m - 1);
  const long long days = DaysFromCivil(static_cast<int>(FloorDiv(months, 12)),
                                       static_cast<int>(months - FloorDiv(months, 12) * 12) + 1, 1) +
                         (d - 1);
  ResultSeconds(ctx, days * 86400);
}

// TimeSerial(25, 0, 0) is 1:00 on the day after 1899-12-30; negative parts count backwards.
void TimeSerial(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1]) || IsNull(a[2])) return sqlite3_result_null(ctx);
  long long h, n, s;
  if (!Whole(ctx, a[0], h) || !Whole(ctx, a[1], n) || !Whole(ctx, a[2], s)) return;
  const long long limit = 1'000'000'000'000LL;
  if (h < -limit || h > limit || n < -limit || n > limit || s < -limit || s > limit)
    return ResultError(ctx, kInvalidCall);
  ResultSeconds(ctx, h * 3600 + n * 60 + s);
}

void MonthName(sqlite3_context* ctx, int argc, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  long long m;
  bool abbreviate;
  if (!Whole(ctx, a[0], m) || !Flag(ctx, argc, a, 1, abbreviate)) return;
  if (m < 1 || m > 12) return ResultError(ctx, kInvalidCall);
  ResultText(ctx, MonthNameOf(static_cast<int>(m), abbreviate));
}

// WeekdayName(w[, abbreviate[, firstday]]): w counts from firstday, Sunday by default.
void WeekdayName(sqlite3_context* ctx, int argc, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  long long w;
  bool abbreviate;
  int first_day;
  if (!Whole(ctx, a[0], w) || !Flag(ctx, argc, a, 1, abbreviate) || !FirstDay(ctx, argc, a, 2, first_day)) return;
  if (w < 1 || w > 7) return ResultError(ctx, kInvalidCall);
  ResultText(ctx, DayNameOf(static_cast<int>((w - 1 + first_day - 1) % 7) + 1, abbreviate));
}

}  // namespace

std::span<const Implementation> DateFunctions() {
  static const Implementation kImplementations[] = {
      {"jet_now", NowFn, nullptr, nullptr, false},
      {"jet_date", DateFn, nullptr, nullptr, false},
      {"jet_time", TimeFn, nullptr, nullptr, false},
      {"jet_year", Field<&CivilDateTime::year>},
      {"jet_month", Field<&CivilDateTime::month>},
      {"jet_day", Field<&CivilDateTime::day>},
      {"jet_hour", Field<&CivilDateTime::hour>},
      {"jet_minute", Field<&CivilDateTime::minute>},
      {"jet_second", Field<&CivilDateTime::second>},
      {"jet_datevalue", DateValue},
      {"jet_cdate", CDate},
      {"jet_timevalue", TimeValue},
      {"jet_weekday", Weekday},
      {"jet_dateadd", DateAdd},
      {"jet_datediff", DateDiff},
      {"jet_datepart", DatePart},
      {"jet_dateserial", DateSerial},
      {"jet_timeserial", TimeSerial},
      {"jet_monthname", MonthName},
      {"jet_weekdayname", WeekdayName},
  };
  return kImplementations;
}

}  // namespace ornetta::jet::fn
