#include "data/jet/format_dates.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "data/jet/calendar.h"
#include "data/jet/function_values.h"
#include "data/values/ascii_case.h"
#include "data/values/utf8.h"

namespace ornetta::jet {

namespace {

std::string Two(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

enum class DateToken {
  kLiteral,
  kYear4,
  kYear2,
  kDayOfYear,
  kMonth,
  kMonth2,
  kMonthShort,
  kMonthLong,
  kDay,
  kDay2,
  kDayShort,
  kDayLong,
  kShortDate,
  kLongDate,
  kGeneral,
  kLongTime,
  kHour,
  kHour2,
  kMinute,
  kMinute2,
  kSecond,
  kSecond2,
  kQuarter,
  kWeekday,
  kWeek,
  kAmPm
};

struct DateItem {
  DateToken token;
  std::string text;  // a literal; for kAmPm the form it was written in ("AM/PM", "am/pm", "A/P"...)
};

bool StartsWithNoCase(const std::string& s, size_t i, const char* word) {
  const size_t n = std::strlen(word);
  return s.size() - i >= n && AsciiLower(s.substr(i, n)) == word;
}

std::vector<DateItem> ParseDateFormat(const std::string& f) {
  std::vector<DateItem> items;
  auto literal = [&](const std::string& text) {
    if (!items.empty() && items.back().token == DateToken::kLiteral)
      items.back().text += text;
    else
      items.push_back({DateToken::kLiteral, text});
  };
  for (size_t i = 0; i < f.size();) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(f[i])));
    if (f[i] == '"') {
      const size_t end = f.find('"', i + 1);
      literal(f.substr(i + 1, (end == std::string::npos ? f.size() : end) - i - 1));
      i = end == std::string::npos ? f.size() : end + 1;
      continue;
    }
    if (f[i] == '\\') {
      const size_t n = i + 1 < f.size() ? utf8::EngineOffset(std::string_view(f).substr(i + 1), 1) : 0;
      if (n > 0) literal(f.substr(i + 1, n));
      i += 1 + n;
      continue;
    }
    if (StartsWithNoCase(f, i, "am/pm") || StartsWithNoCase(f, i, "a/p")) {
      const size_t n = StartsWithNoCase(f, i, "am/pm") ? 5 : 3;
      items.push_back({DateToken::kAmPm, f.substr(i, n)});
      i += n;
      continue;
    }
    if (StartsWithNoCase(f, i, "ampm")) {
      items.push_back({DateToken::kAmPm, "AM/PM"});
      i += 4;
      continue;
    }
    size_t run = 1;
    while (i + run < f.size() && std::tolower(static_cast<unsigned char>(f[i + run])) == c) ++run;
    auto add = [&](DateToken t) { items.push_back({t, ""}); };
    switch (c) {
      case 'y':
        if (run >= 4)
          add(DateToken::kYear4);
        else if (run == 3)
          add(DateToken::kDayOfYear), add(DateToken::kYear2);
        else
          add(run == 2 ? DateToken::kYear2 : DateToken::kDayOfYear);
        break;
      case 'm':
        add(run >= 4   ? DateToken::kMonthLong
            : run == 3 ? DateToken::kMonthShort
            : run == 2 ? DateToken::kMonth2
                       : DateToken::kMonth);
        break;
      case 'd':
        add(run >= 6   ? DateToken::kLongDate
            : run == 5 ? DateToken::kShortDate
            : run == 4 ? DateToken::kDayLong
            : run == 3 ? DateToken::kDayShort
            : run == 2 ? DateToken::kDay2
                       : DateToken::kDay);
        break;
      case 'h': add(run >= 2 ? DateToken::kHour2 : DateToken::kHour); break;
      case 'n': add(run >= 2 ? DateToken::kMinute2 : DateToken::kMinute); break;
      case 's': add(run >= 2 ? DateToken::kSecond2 : DateToken::kSecond); break;
      case 'q':
        for (size_t k = 0; k < run; ++k) add(DateToken::kQuarter);
        break;
      case 'w': add(run >= 2 ? DateToken::kWeek : DateToken::kWeekday); break;
      case 'c': add(DateToken::kGeneral); break;
      case 't':
        if (run >= 5)
          add(DateToken::kLongTime);
        else
          literal(f.substr(i, run));
        break;
      default: literal(f.substr(i, run));
    }
    i += run;
  }
  // m and mm right after an hour or right before a second are minutes.
  auto is = [&](size_t k, std::initializer_list<DateToken> ts) {
    for (DateToken t : ts)
      if (items[k].token == t) return true;
    return false;
  };
  for (size_t k = 0; k < items.size(); ++k) {
    if (!is(k, {DateToken::kMonth, DateToken::kMonth2})) continue;
    size_t p = k, n = k + 1;
    while (p > 0 && items[p - 1].token == DateToken::kLiteral) --p;
    while (n < items.size() && items[n].token == DateToken::kLiteral) ++n;
    const bool after_hour = p > 0 && is(p - 1, {DateToken::kHour, DateToken::kHour2});
    const bool before_second = n < items.size() && is(n, {DateToken::kSecond, DateToken::kSecond2});
    if (after_hour || before_second)
      items[k].token = items[k].token == DateToken::kMonth ? DateToken::kMinute : DateToken::kMinute2;
  }
  return items;
}

}  // namespace

std::string GeneralDate(const CivilDateTime& dt, const DateOptions& o) {
  const bool has_time = dt.hour || dt.minute || dt.second;
  const bool has_date = !(dt.year == 1899 && dt.month == 12 && dt.day == 30);
  if (!has_time) return FormatDate(dt, kShortDate, o);
  if (!has_date) return FormatDate(dt, kLongTime, o);
  return FormatDate(dt, std::string(kShortDate) + " " + kLongTime, o);
}

std::string FormatDate(const CivilDateTime& dt, const std::string& format, const DateOptions& o) {
  const std::vector<DateItem> items = ParseDateFormat(format);
  bool twelve = false;
  for (const DateItem& item : items) twelve |= item.token == DateToken::kAmPm;
  const int hour = twelve ? (dt.hour % 12 == 0 ? 12 : dt.hour % 12) : dt.hour;
  std::string out;
  for (const DateItem& item : items) {
    switch (item.token) {
      case DateToken::kLiteral: out += item.text; break;
      case DateToken::kYear4: {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%04d", dt.year);
        out += buf;
        break;
      }
      case DateToken::kYear2: out += Two(dt.year % 100); break;
      case DateToken::kDayOfYear: out += std::to_string(DayOfYear(dt)); break;
      case DateToken::kMonth: out += std::to_string(dt.month); break;
      case DateToken::kMonth2: out += Two(dt.month); break;
      case DateToken::kMonthShort: out += MonthNameOf(dt.month, true); break;
      case DateToken::kMonthLong: out += MonthNameOf(dt.month, false); break;
      case DateToken::kDay: out += std::to_string(dt.day); break;
      case DateToken::kDay2: out += Two(dt.day); break;
      case DateToken::kDayShort: out += DayNameOf(WeekdayOf(dt), true); break;
      case DateToken::kDayLong: out += DayNameOf(WeekdayOf(dt), false); break;
      case DateToken::kShortDate: out += FormatDate(dt, kShortDate, o); break;
      case DateToken::kLongDate: out += FormatDate(dt, kLongDate, o); break;
      case DateToken::kGeneral: out += GeneralDate(dt, o); break;
      case DateToken::kLongTime: out += FormatDate(dt, kLongTime, o); break;
      case DateToken::kHour: out += std::to_string(hour); break;
      case DateToken::kHour2: out += Two(hour); break;
      case DateToken::kMinute: out += std::to_string(dt.minute); break;
      case DateToken::kMinute2: out += Two(dt.minute); break;
      case DateToken::kSecond: out += std::to_string(dt.second); break;
      case DateToken::kSecond2: out += Two(dt.second); break;
      case DateToken::kQuarter: out += std::to_string((dt.month - 1) / 3 + 1); break;
      case DateToken::kWeekday: out += std::to_string(WeekdayOf(dt, o.first_day)); break;
      case DateToken::kWeek: out += std::to_string(WeekOfYear(dt, o.first_day, o.first_week)); break;
      case DateToken::kAmPm: {
        const bool pm = dt.hour >= 12;
        const bool lower = std::islower(static_cast<unsigned char>(item.text[0]));
        std::string s = item.text.size() == 3 ? (pm ? "P" : "A") : (pm ? "PM" : "AM");
        out += lower ? AsciiLower(s) : s;
        break;
      }
    }
  }
  return out;
}

}  // namespace ornetta::jet
