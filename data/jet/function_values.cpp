// Reading arguments as Jet reads them and writing results.
#include "data/jet/function_values.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "data/jet/calendar.h"
#include "data/jet/dates.h"
#include "data/jet/numeric_text.h"
#include "data/values/variant.h"

namespace ornetta::jet::fn {

bool IsNull(sqlite3_value* v) { return sqlite3_value_type(v) == SQLITE_NULL; }

bool IsNumber(sqlite3_value* v) {
  const int t = sqlite3_value_numeric_type(v);
  return t == SQLITE_INTEGER || t == SQLITE_FLOAT;
}

std::string Text(sqlite3_value* v) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return std::to_string(sqlite3_value_int64(v));
    case SQLITE_FLOAT: return NumberToText(sqlite3_value_double(v));
    case SQLITE_NULL: return "";
    default: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
      return std::string(p ? p : "", static_cast<size_t>(sqlite3_value_bytes(v)));
    }
  }
}

std::optional<CivilDateTime> AsDate(sqlite3_value* v) {
  if (sqlite3_value_type(v) != SQLITE_TEXT) return std::nullopt;
  return ParseStoredDate(Text(v));
}

std::optional<double> DateAsSerial(sqlite3_value* v) {
  if (sqlite3_value_type(v) != SQLITE_TEXT || sqlite3_value_bytes(v) != 19) return std::nullopt;
  const auto d = AsDate(v);
  if (!d) return std::nullopt;
  return SerialFromCivil(*d);
}

bool Number(sqlite3_context* ctx, sqlite3_value* v, double& out) {
  if (IsNumber(v)) {
    out = sqlite3_value_double(v);
    return true;
  }
  if (const auto serial = DateAsSerial(v)) {
    out = *serial;
    return true;
  }
  ResultError(ctx, kTypeMismatch);
  return false;
}

bool ConvertedNumber(sqlite3_context* ctx, sqlite3_value* v, double& out) {
  if (IsNumber(v) || sqlite3_value_type(v) != SQLITE_TEXT) {
    if (!Number(ctx, v, out)) return false;
    if (std::isfinite(out)) return true;
    ResultError(ctx, kOverflow);  // text past a Double's range, which the engine reads as infinity
    return false;
  }
  // A date is stored as text, and converts as its serial number.
  if (const auto serial = DateAsSerial(v)) {
    out = *serial;
    return true;
  }
  const NumericText n = WholeNumericText(Text(v));
  if (n.kind == NumericText::kNumber) {
    out = n.value;
    return true;
  }
  ResultError(ctx, n.kind == NumericText::kOverflow ? kOverflow : kTypeMismatch);
  return false;
}

bool Whole(sqlite3_context* ctx, sqlite3_value* v, long long& out) {
  double d;
  if (!Number(ctx, v, d)) return false;
  d = std::nearbyint(d);
  if (!(std::fabs(d) < 9.2e18)) {
    ResultError(ctx, kOverflow);
    return false;
  }
  out = static_cast<long long>(d);
  return true;
}

bool LongArg(sqlite3_context* ctx, sqlite3_value* v, long long& out) {
  if (!Whole(ctx, v, out)) return false;
  if (out < INT32_MIN || out > INT32_MAX) {
    ResultError(ctx, kOverflow);
    return false;
  }
  return true;
}

bool Length(sqlite3_context* ctx, sqlite3_value* v, long long& out) {
  if (!Whole(ctx, v, out)) return false;
  if (out < 0) {
    ResultError(ctx, kInvalidCall);
    return false;
  }
  return true;
}

std::optional<CivilDateTime> DateArg(sqlite3_context* ctx, sqlite3_value* v) {
  if (auto d = AsDate(v)) return d;
  if (IsNumber(v)) {
    if (auto d = SerialDate(sqlite3_value_double(v))) return d;
    ResultError(ctx, kOverflow);
    return std::nullopt;
  }
  if (auto d = ParseDateLiteral(Text(v), ClockOf(ctx))) return d;
  ResultError(ctx, kTypeMismatch);
  return std::nullopt;
}

const Clock& ClockOf(sqlite3_context* ctx) { return *static_cast<const Clock*>(sqlite3_user_data(ctx)); }

void ResultText(sqlite3_context* ctx, const std::string& s) {
  sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void ResultNumber(sqlite3_context* ctx, double d) {
  if (d == std::floor(d) && std::fabs(d) < 9.2e18)
    sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(d));
  else
    sqlite3_result_double(ctx, d);
}

void ResultDate(sqlite3_context* ctx, const CivilDateTime& dt) {
  if (!IsValidCivil(dt)) return ResultError(ctx, kInvalidCall);  // outside the years 100 to 9999
  ResultText(ctx, FormatStoredDate(dt));
}

char32_t FoldCase(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;  // À-Þ except ×
  return c;
}

// Results of arithmetic: beyond a Double's range is Jet's overflow.
void ResultArithmetic(sqlite3_context* ctx, double d) {
  if (!std::isfinite(d)) return ResultError(ctx, kOverflow);
  ResultNumber(ctx, d);
}

}  // namespace ornetta::jet::fn
