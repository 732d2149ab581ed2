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
#include "data/jet/format_dates.h"
#include "data/jet/function_values.h"
#include "data/values/variant.h"
#include "data/values/ascii_case.h"
#include "data/values/error.h"
#include "data/values/utf8.h"

namespace ornetta::jet::fn {

namespace {

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
  if (keep > 0)
    kept = keep >= 15 ? digits + std::string(static_cast<size_t>(keep - 15), '0')
                      : digits.substr(0, static_cast<size_t>(keep));
  if (keep >= 0 && keep < 15 && digits[static_cast<size_t>(keep)] >= '5') {
    int i = static_cast<int>(kept.size()) - 1;
    for (; i >= 0 && kept[static_cast<size_t>(i)] == '9'; --i) kept[static_cast<size_t>(i)] = '0';
    if (i >= 0)
      ++kept[static_cast<size_t>(i)];
    else
      kept.insert(kept.begin(), '1'), ++point;
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
      const size_t n = i + 1 < f.size() ? utf8::EngineOffset(std::string_view(f).substr(i + 1), 1) : 0;
      items.push_back({NumberToken::kLiteral, f.substr(i + 1, n)});
      i += 1 + n;
    } else {
      NumberToken t = NumberToken::kLiteral;
      if (c == '0')
        t = NumberToken::kZero;
      else if (c == '#')
        t = NumberToken::kHash;
      else if (c == '.' && !point)
        t = NumberToken::kPoint, point = true;
      else if (c == ',')
        t = NumberToken::kComma;
      else if (c == '%')
        t = NumberToken::kPercent;
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
    if (first != point && i > first && i < last)
      group = true;
    else if (first != point && i > last)
      ++scale_down;
    else
      comma_literal[i] = true;
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
  if (!std::isfinite(x)) throw OverflowError();  // each % scales by 100: enough of them pass any double

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
      if (items[i].token == NumberToken::kLiteral || items[i].token == NumberToken::kPercent || comma_literal[i])
        out += items[i].text;
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
    if (f[i] == '"')
      quoted = !quoted;
    else if (!quoted && f[i] == '\\')
      ++i;
    else if (!quoted && (f[i] == '0' || f[i] == '#' || f[i] == '%'))
      return true;
  }
  return false;
}

bool HasDateTokens(const std::string& f) {
  bool quoted = false;
  for (size_t i = 0; i < f.size(); ++i) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(f[i])));
    if (f[i] == '"')
      quoted = !quoted;
    else if (!quoted && f[i] == '\\')
      ++i;
    else if (!quoted && std::strchr("ymdhnsqwc", c))
      return true;
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
    if (!quoted && f[i] == ';')
      out.emplace_back();
    else
      out.back() += f[i];
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
    {"general date", Kind::kDate,
     [](double, const CivilDateTime& d, const DateOptions& o) { return GeneralDate(d, o); }},
    {"long date", Kind::kDate,
     [](double, const CivilDateTime& d, const DateOptions& o) { return FormatDate(d, kLongDate, o); }},
    {"medium date", Kind::kDate,
     [](double, const CivilDateTime& d, const DateOptions& o) { return FormatDate(d, "dd-mmm-yy", o); }},
    {"short date", Kind::kDate,
     [](double, const CivilDateTime& d, const DateOptions& o) { return FormatDate(d, kShortDate, o); }},
    {"long time", Kind::kDate,
     [](double, const CivilDateTime& d, const DateOptions& o) { return FormatDate(d, kLongTime, o); }},
    {"medium time", Kind::kDate,
     [](double, const CivilDateTime& d, const DateOptions& o) { return FormatDate(d, "hh:nn AM/PM", o); }},
    {"short time", Kind::kDate,
     [](double, const CivilDateTime& d, const DateOptions& o) { return FormatDate(d, "hh:nn", o); }},
    {"general number", Kind::kNumber,
     [](double x, const CivilDateTime&, const DateOptions&) { return NumberToText(x); }},
    {"currency", Kind::kNumber,
     [](double x, const CivilDateTime&, const DateOptions&) { return TwoDecimals(x, true); }},
    {"fixed", Kind::kNumber, [](double x, const CivilDateTime&, const DateOptions&) { return TwoDecimals(x, false); }},
    {"standard", Kind::kNumber,
     [](double x, const CivilDateTime&, const DateOptions&) { return TwoDecimals(x, true); }},
    {"percent", Kind::kNumber,
     [](double x, const CivilDateTime&, const DateOptions&) { return TwoDecimals(x * 100, false, "%"); }},
    {"scientific", Kind::kNumber, [](double x, const CivilDateTime&, const DateOptions&) { return Scientific(x); }},
    {"yes/no", Kind::kBoolean,
     [](double x, const CivilDateTime&, const DateOptions&) { return std::string(x != 0 ? "Yes" : "No"); }},
    {"true/false", Kind::kBoolean,
     [](double x, const CivilDateTime&, const DateOptions&) { return std::string(x != 0 ? "True" : "False"); }},
    {"on/off", Kind::kBoolean,
     [](double x, const CivilDateTime&, const DateOptions&) { return std::string(x != 0 ? "On" : "Off"); }},
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
  if (!date && !number) date = ParseDateLiteral(text, ClockOf(ctx));
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
  const std::string lower = AsciiLower(format);
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
  std::string formatted;
  try {
    formatted = FormatNumber(number ? x : SerialFromCivil(*date), format);
  } catch (const Error&) {
    return ResultError(ctx, kOverflow);
  }
  ResultText(ctx, formatted);
}

}  // namespace

std::span<const Implementation> FormatFunctions() {
  static const Implementation kImplementations[] = {
      {"jet_format", FormatFn},
  };
  return kImplementations;
}

}  // namespace ornetta::jet::fn
