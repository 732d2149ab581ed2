// Format(value[, format[, firstdayofweek[, firstweekofyear]]]): Jet's named formats and custom
// date and number formats. Dates are written in English and short dates as yyyy-mm-dd, whatever
// the machine's regional settings; numbers use "." and ",".
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "data/jet/dates.h"
#include "data/jet/functions_internal.h"
#include "data/variant.h"

namespace ornetta::jet::fn {

namespace {

std::string Two(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

// --- dates ---

struct DateOptions {
  int first_day = 1;   // Sunday
  int first_week = 1;  // the week of 1 January
};

std::string FormatDate(const CivilDateTime& dt, const std::string& format, const DateOptions& options);

constexpr const char* kShortDate = "yyyy-mm-dd";
constexpr const char* kLongDate = "dddd, mmmm d, yyyy";
constexpr const char* kLongTime = "h:nn:ss AM/PM";

std::string GeneralDate(const CivilDateTime& dt, const DateOptions& o) {
  const bool has_time = dt.hour || dt.minute || dt.second;
  const bool has_date = !(dt.year == 1899 && dt.month == 12 && dt.day == 30);
  if (!has_time) return FormatDate(dt, kShortDate, o);
  if (!has_date) return FormatDate(dt, kLongTime, o);
  return FormatDate(dt, std::string(kShortDate) + " " + kLongTime, o);
}

enum class DateToken { kLiteral, kYear4, kYear2, kDayOfYear, kMonth, kMonth2, kMonthShort, kMonthLong, kDay, kDay2,
                       kDayShort, kDayLong, kShortDate, kLongDate, kGeneral, kLongTime, kHour, kHour2, kMinute,
                       kMinute2, kSecond, kSecond2, kQuarter, kWeekday, kWeek, kAmPm };

struct DateItem {
  DateToken token;
  std::string text;  // a literal; for kAmPm the form it was written in ("AM/PM", "am/pm", "A/P"...)
};

bool StartsWithNoCase(const std::string& s, size_t i, const char* word) {
  const size_t n = std::strlen(word);
  return s.size() - i >= n && Lower(s.substr(i, n)) == word;
}

std::vector<DateItem> ParseDateFormat(const std::string& f) {
  std::vector<DateItem> items;
  auto literal = [&](const std::string& text) {
    if (!items.empty() && items.back().token == DateToken::kLiteral) items.back().text += text;
    else items.push_back({DateToken::kLiteral, text});
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
      if (i + 1 < f.size()) literal(f.substr(i + 1, ByteOfChar(f.substr(i + 1), 1)));
      i += 1 + (i + 1 < f.size() ? ByteOfChar(f.substr(i + 1), 1) : 0);
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
        if (run >= 4) add(DateToken::kYear4);
        else if (run == 3) add(DateToken::kDayOfYear), add(DateToken::kYear2);
        else add(run == 2 ? DateToken::kYear2 : DateToken::kDayOfYear);
        break;
      case 'm':
        add(run >= 4 ? DateToken::kMonthLong : run == 3 ? DateToken::kMonthShort : run == 2 ? DateToken::kMonth2 : DateToken::kMonth);
        break;
      case 'd':
        add(run >= 6 ? DateToken::kLongDate : run == 5 ? DateToken::kShortDate : run == 4 ? DateToken::kDayLong
            : run == 3 ? DateToken::kDayShort : run == 2 ? DateToken::kDay2 : DateToken::kDay);
        break;
      case 'h': add(run >= 2 ? DateToken::kHour2 : DateToken::kHour); break;
      case 'n': add(run >= 2 ? DateToken::kMinute2 : DateToken::kMinute); break;
      case 's': add(run >= 2 ? DateToken::kSecond2 : DateToken::kSecond); break;
      case 'q': for (size_t k = 0; k < run; ++k) add(DateToken::kQuarter); break;
      case 'w': add(run >= 2 ? DateToken::kWeek : DateToken::kWeekday); break;
      case 'c': add(DateToken::kGeneral); break;
      case 't':
        if (run >= 5) add(DateToken::kLongTime);
        else literal(f.substr(i, run));
        break;
      default:
        literal(f.substr(i, run));
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
    if (after_hour || before_second) items[k].token = items[k].token == DateToken::kMonth ? DateToken::kMinute : DateToken::kMinute2;
  }
  return items;
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
        out += lower ? Lower(s) : s;
        break;
      }
    }
  }
  return out;
}

// --- numbers ---

// |x| rounded half away from zero to decimals places, as whole digits and exactly decimals
// fraction digits. Like the runtime, it rounds the 15-significant-digit decimal form, so 1.005
// rounds to 1.01 although the double lies just below it.
void Decimal(double x, int decimals, std::string& whole, std::string& fraction) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.14e", std::fabs(x));
  std::string digits = std::string(1, buf[0]) + std::string(buf + 2, 14);
  int point = std::atoi(std::strchr(buf, 'e') + 1) + 1;  // digits before the decimal point
  const int keep = point + decimals;
  std::string kept;
  if (keep > 0) kept = keep >= 15 ? digits + std::string(static_cast<size_t>(keep - 15), '0') : digits.substr(0, static_cast<size_t>(keep));
  if (keep >= 0 && keep < 15 && digits[static_cast<size_t>(keep)] >= '5') {
    int i = static_cast<int>(kept.size()) - 1;
    for (; i >= 0 && kept[static_cast<size_t>(i)] == '9'; --i) kept[static_cast<size_t>(i)] = '0';
    if (i >= 0) ++kept[static_cast<size_t>(i)];
    else kept.insert(kept.begin(), '1'), ++point;
  }
  if (keep < 0 || kept.empty()) kept = std::string(static_cast<size_t>(std::max(decimals, 0)), '0'), point = 0;
  if (point <= 0) {
    whole = "0";
    fraction = (std::string(static_cast<size_t>(-point), '0') + kept).substr(0, static_cast<size_t>(decimals));
  } else {
    whole = kept.substr(0, static_cast<size_t>(point));
    fraction = kept.substr(static_cast<size_t>(point));
  }
  const size_t nz = whole.find_first_not_of('0');
  whole = nz == std::string::npos ? "0" : whole.substr(nz);
}

std::string Grouped(const std::string& digits) {
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    out += digits[i];
    const size_t from_right = digits.size() - 1 - i;
    if (from_right > 0 && from_right % 3 == 0) out += ',';
  }
  return out;
}

// Two decimals, optionally grouped, with a minus sign unless the rounded value is zero.
std::string TwoDecimals(double x, bool grouped, const char* suffix = "") {
  std::string whole, fraction;
  Decimal(x, 2, whole, fraction);
  const bool zero = whole == "0" && fraction.find_first_not_of('0') == std::string::npos;
  return std::string(x < 0 && !zero ? "-" : "") + (grouped ? Grouped(whole) : whole) + "." + fraction + suffix;
}

std::string Scientific(double x) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.2E", x);
  return buf;
}

enum class NumberToken { kLiteral, kZero, kHash, kPoint, kComma, kPercent };

struct NumberItem {
  NumberToken token;
  std::string text;
};

std::vector<NumberItem> ParseNumberFormat(const std::string& f) {
  std::vector<NumberItem> items;
  bool point = false;
  for (size_t i = 0; i < f.size();) {
    const char c = f[i];
    if (c == '"') {
      const size_t end = f.find('"', i + 1);
      items.push_back({NumberToken::kLiteral, f.substr(i + 1, (end == std::string::npos ? f.size() : end) - i - 1)});
      i = end == std::string::npos ? f.size() : end + 1;
    } else if (c == '\\') {
      const size_t n = i + 1 < f.size() ? ByteOfChar(f.substr(i + 1), 1) : 0;
      items.push_back({NumberToken::kLiteral, f.substr(i + 1, n)});
      i += 1 + n;
    } else {
      NumberToken t = NumberToken::kLiteral;
      if (c == '0') t = NumberToken::kZero;
      else if (c == '#') t = NumberToken::kHash;
      else if (c == '.' && !point) t = NumberToken::kPoint, point = true;
      else if (c == ',') t = NumberToken::kComma;
      else if (c == '%') t = NumberToken::kPercent;
      items.push_back({t, std::string(1, c)});
      ++i;
    }
  }
  return items;
}

bool IsDigit(const NumberItem& item) { return item.token == NumberToken::kZero || item.token == NumberToken::kHash; }

// One section of a custom number format applied to |x|; the caller writes any sign.
std::string FormatNumberSection(double x, const std::vector<NumberItem>& items) {
  size_t point = items.size();
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i].token == NumberToken::kPoint) point = i;
  // Placeholders of the whole part; commas between them group, commas right after the last one
  // divide by 1000 each.
  size_t first = point, last = point;
  for (size_t i = 0; i < point; ++i)
    if (IsDigit(items[i])) last = i, first = first == point ? i : first;
  bool group = false;
  int scale_down = 0;
  std::vector<bool> comma_literal(items.size(), false);
  for (size_t i = 0; i < point; ++i) {
    if (items[i].token != NumberToken::kComma) continue;
    if (first != point && i > first && i < last) group = true;
    else if (first != point && i > last) ++scale_down;
    else comma_literal[i] = true;
  }
  int decimals = 0, required_decimals = 0;
  for (size_t i = point; i < items.size(); ++i) {
    if (!IsDigit(items[i])) continue;
    ++decimals;
    if (items[i].token == NumberToken::kZero) required_decimals = decimals;
  }
  for (const NumberItem& item : items)
    if (item.token == NumberToken::kPercent) x *= 100;
  for (int i = 0; i < scale_down; ++i) x /= 1000;

  std::string whole, fraction;
  Decimal(x, decimals, whole, fraction);
  std::vector<size_t> places;  // the whole part's placeholders, left to right
  size_t required = 0;
  for (size_t i = 0; i < point; ++i) {
    if (!IsDigit(items[i])) continue;
    if (items[i].token == NumberToken::kZero && required == 0) required = places.size() + 1;
    places.push_back(i);
  }
  required = required ? places.size() - required + 1 : 0;  // digits the zeros demand
  if (whole == "0") whole.clear();
  if (whole.size() < required) whole.insert(0, required - whole.size(), '0');
  while (fraction.size() > static_cast<size_t>(required_decimals) && fraction.back() == '0') fraction.pop_back();

  std::string out;
  size_t next_digit = 0;  // into whole
  auto emit_digits = [&](size_t count) {
    for (size_t k = 0; k < count && next_digit < whole.size(); ++k, ++next_digit) {
      out += whole[next_digit];
      const size_t from_right = whole.size() - 1 - next_digit;
      if (group && from_right > 0 && from_right % 3 == 0) out += ',';
    }
  };
  size_t place = 0, frac_place = 0;
  if (places.empty()) {
    for (size_t i = 0; i < point; ++i)
      if (items[i].token == NumberToken::kLiteral || items[i].token == NumberToken::kPercent || comma_literal[i]) out += items[i].text;
    emit_digits(whole.size());
  }
  for (size_t i = places.empty() ? point : 0; i < items.size(); ++i) {
    const NumberItem& item = items[i];
    if (i < point && IsDigit(item)) {
      // A placeholder shows the digit as far from the right as it is from the last placeholder;
      // the leftmost one also every digit further left.
      const size_t slots_right = places.size() - 1 - place;
      const size_t end = whole.size() > slots_right ? whole.size() - slots_right : 0;
      emit_digits(end > next_digit ? end - next_digit : 0);
      ++place;
    } else if (i > point && IsDigit(item)) {
      if (frac_place < fraction.size()) out += fraction[frac_place];
      ++frac_place;
    } else if (item.token == NumberToken::kComma) {
      if (comma_literal[i] || i > point) out += ',';
    } else {
      out += item.text;
    }
  }
  return out;
}

bool HasNumberPlaceholders(const std::string& f) {
  bool quoted = false;
  for (size_t i = 0; i < f.size(); ++i) {
    if (f[i] == '"') quoted = !quoted;
    else if (!quoted && f[i] == '\\') ++i;
    else if (!quoted && (f[i] == '0' || f[i] == '#' || f[i] == '%')) return true;
  }
  return false;
}

bool HasDateTokens(const std::string& f) {
  bool quoted = false;
  for (size_t i = 0; i < f.size(); ++i) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(f[i])));
    if (f[i] == '"') quoted = !quoted;
    else if (!quoted && f[i] == '\\') ++i;
    else if (!quoted && std::strchr("ymdhnsqwc", c)) return true;
  }
  return false;
}

std::vector<std::string> Sections(const std::string& f) {
  std::vector<std::string> out(1);
  bool quoted = false;
  for (size_t i = 0; i < f.size(); ++i) {
    if (f[i] == '"') quoted = !quoted;
    if (!quoted && f[i] == '\\' && i + 1 < f.size()) {
      out.back() += f.substr(i, 2);
      ++i;
      continue;
    }
    if (!quoted && f[i] == ';') out.emplace_back();
    else out.back() += f[i];
  }
  return out;
}

// Sections: positive;negative;zero;null. A negative value shown by the first section gets a
// minus sign; the second section shows it without one.
std::string FormatNumber(double x, const std::string& format) {
  const std::vector<std::string> s = Sections(format);
  if (x < 0 && s.size() > 1 && !s[1].empty()) return FormatNumberSection(-x, ParseNumberFormat(s[1]));
  if (x == 0 && s.size() > 2 && !s[2].empty()) return FormatNumberSection(0, ParseNumberFormat(s[2]));
  const std::string body = FormatNumberSection(x < 0 ? -x : x, ParseNumberFormat(s[0]));
  if (x >= 0) return body;
  // A negative value that rounds to nothing but zeros is written without its sign.
  return body.find_first_of("123456789") == std::string::npos ? body : "-" + body;
}

// --- the function ---

enum class Kind { kDate, kNumber, kBoolean };

struct Named {
  const char* name;
  Kind kind;
  std::string (*apply)(double, const CivilDateTime&, const DateOptions&);
};

const Named kNamed[] = {
    {"general date", Kind::kDate, [](double, const CivilDateTime& d, const DateOptions& o) { return GeneralDate(d, o); }},
    {"long date", Kind::kDate, [](double, const CivilDateTime& d, const DateOptions& o) { return FormatDate(d, kLongDate, o); }},
    {"medium date", Kind::kDate, [](double, const CivilDateTime& d, const DateOptions& o) { return FormatDate(d, "dd-mmm-yy", o); }},
    {"short date", Kind::kDate, [](double, const CivilDateTime& d, const DateOptions& o) { return FormatDate(d, kShortDate, o); }},
    {"long time", Kind::kDate, [](double, const CivilDateTime& d, const DateOptions& o) { return FormatDate(d, kLongTime, o); }},
    {"medium time", Kind::kDate, [](double, const CivilDateTime& d, const DateOptions& o) { return FormatDate(d, "hh:nn AM/PM", o); }},
    {"short time", Kind::kDate, [](double, const CivilDateTime& d, const DateOptions& o) { return FormatDate(d, "hh:nn", o); }},
    {"general number", Kind::kNumber, [](double x, const CivilDateTime&, const DateOptions&) { return NumberToText(x); }},
    {"currency", Kind::kNumber, [](double x, const CivilDateTime&, const DateOptions&) { return TwoDecimals(x, true); }},
    {"fixed", Kind::kNumber, [](double x, const CivilDateTime&, const DateOptions&) { return TwoDecimals(x, false); }},
    {"standard", Kind::kNumber, [](double x, const CivilDateTime&, const DateOptions&) { return TwoDecimals(x, true); }},
    {"percent", Kind::kNumber, [](double x, const CivilDateTime&, const DateOptions&) { return TwoDecimals(x * 100, false, "%"); }},
    {"scientific", Kind::kNumber, [](double x, const CivilDateTime&, const DateOptions&) { return Scientific(x); }},
    {"yes/no", Kind::kBoolean, [](double x, const CivilDateTime&, const DateOptions&) { return std::string(x != 0 ? "Yes" : "No"); }},
    {"true/false", Kind::kBoolean, [](double x, const CivilDateTime&, const DateOptions&) { return std::string(x != 0 ? "True" : "False"); }},
    {"on/off", Kind::kBoolean, [](double x, const CivilDateTime&, const DateOptions&) { return std::string(x != 0 ? "On" : "Off"); }},
};

void FormatFn(sqlite3_context* ctx, int argc, Args a) {
  const std::string format = argc > 1 && !IsNull(a[1]) ? Text(a[1]) : "";
  DateOptions options;
  for (int i = 2; i < argc; ++i) {
    if (IsNull(a[i])) continue;
    long long v;
    if (!Whole(ctx, a[i], v)) return;
    if (v < 0 || v > (i == 2 ? 7 : 3)) return ResultError(ctx, kInvalidCall);
    if (v) (i == 2 ? options.first_day : options.first_week) = static_cast<int>(v);
  }
  if (IsNull(a[0])) {
    const std::vector<std::string> s = Sections(format);
    if (s.size() < 4) return sqlite3_result_null(ctx);
    return ResultText(ctx, FormatNumberSection(0, ParseNumberFormat(s[3])));  // literals only, as a rule
  }
  // What the value is: a date, a number, or a text that may read as either.
  std::optional<CivilDateTime> date = AsDate(a[0]);
  const bool number = !date && IsNumber(a[0]);
  const double x = number ? sqlite3_value_double(a[0]) : date ? SerialFromCivil(*date) : 0;
  if (!std::isfinite(x)) return ResultError(ctx, kOverflow);
  const std::string text = Text(a[0]);
  if (!date && !number) date = ParseDateLiteral(text);
  bool overflow = false;
  auto as_date = [&]() -> std::optional<CivilDateTime> {
    if (date || !number) return date;
    auto d = SerialDate(x);
    overflow = !d;
    return d;
  };
  const bool is_number_or_date = number || date;

  if (format.empty()) {
    if (AsDate(a[0])) return ResultText(ctx, GeneralDate(*date, options));
    return ResultText(ctx, text);
  }
  const std::string lower = Lower(format);
  for (const Named& n : kNamed) {
    if (lower != n.name) continue;
    if (n.kind == Kind::kDate) {
      const auto d = as_date();
      if (overflow) return ResultError(ctx, kOverflow);
      return ResultText(ctx, d ? n.apply(0, *d, options) : text);
    }
    if (!is_number_or_date) return ResultText(ctx, text);
    return ResultText(ctx, n.apply(number ? x : SerialFromCivil(*date), {}, options));
  }
  if (!HasNumberPlaceholders(format) && HasDateTokens(format)) {
    const auto d = as_date();
    if (overflow) return ResultError(ctx, kOverflow);
    return ResultText(ctx, d ? FormatDate(*d, format, options) : text);
  }
  if (!is_number_or_date) return ResultText(ctx, text);
  ResultText(ctx, FormatNumber(number ? x : SerialFromCivil(*date), format));
}

const Definition kDefinitions[] = {{"jet_format", -1, FormatFn}};

}  // namespace

void RegisterFormatFunctions(sqlite3* db) { Register(db, kDefinitions); }

}  // namespace ornetta::jet::fn
