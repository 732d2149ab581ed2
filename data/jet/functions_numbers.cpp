// Numbers, conversions, choices and tests.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "data/jet/calendar.h"
#include "data/jet/currency.h"
#include "data/jet/dates.h"
#include "data/jet/function_values.h"
#include "data/jet/numeric_text.h"
#include "data/values/variant.h"
#include "data/values/ascii_case.h"

namespace ornetta::jet::fn {

namespace {

// --- numbers ---
// Int and Fix of a date cut its serial number and give a date: Int(Now()) is today's date.
template <double (*kCut)(double)>
void WholePart(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  if (const auto serial = DateAsSerial(a[0])) {
    if (const auto d = SerialDate(kCut(*serial))) return ResultDate(ctx, *d);
    return ResultError(ctx, kOverflow);
  }
  double x;
  if (Number(ctx, a[0], x)) ResultNumber(ctx, kCut(x));
}
double Floor(double x) { return std::floor(x); }
double Trunc(double x) { return std::trunc(x); }

void RoundFn(sqlite3_context* ctx, int argc, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  double x, places = 0;
  if (!Number(ctx, a[0], x) || (argc > 1 && !Number(ctx, a[1], places))) return;
  const double scale = std::pow(10.0, std::trunc(places));
  ResultNumber(ctx, std::nearbyint(x * scale) / scale);  // half to even, as Jet rounds
}

void SgnFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  double x;
  if (Number(ctx, a[0], x)) sqlite3_result_int(ctx, x > 0 ? 1 : x < 0 ? -1 : 0);
}

void SqrFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  double x;
  if (!Number(ctx, a[0], x)) return;
  if (x < 0) return ResultError(ctx, kInvalidCall);
  ResultNumber(ctx, std::sqrt(x));
}

// --- conversions ---
void CStrFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return ResultError(ctx, kInvalidNull);
  ResultText(ctx, Text(a[0]));
}

// Str keeps a place for the sign: a blank before a number that is not negative. Like the
// runtime it writes no zero before the decimal point (Str(0.5) is " .5").
void StrFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  double x;
  if (!Number(ctx, a[0], x)) return;
  std::string s = NumberToText(x);
  if (s.rfind("0.", 0) == 0)
    s.erase(0, 1);
  else if (s.rfind("-0.", 0) == 0)
    s.erase(1, 1);
  ResultText(ctx, x < 0 ? s : " " + s);
}

// CInt and CLng round half to even and overflow outside their ranges.
template <long long kMin, long long kMax>
void CWhole(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return ResultError(ctx, kInvalidNull);
  double x;
  if (!ConvertedNumber(ctx, a[0], x)) return;
  const double r = std::nearbyint(x);
  if (r < static_cast<double>(kMin) || r > static_cast<double>(kMax)) return ResultError(ctx, kOverflow);
  sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(r));
}

void CDblFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return ResultError(ctx, kInvalidNull);
  double x;
  if (ConvertedNumber(ctx, a[0], x)) sqlite3_result_double(ctx, x);
}

// A Single keeps about seven significant digits; it comes back as the double that reads the
// same (1.1, not 1.10000002384186).
void CSngFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return ResultError(ctx, kInvalidNull);
  double x;
  if (!ConvertedNumber(ctx, a[0], x)) return;
  if (std::fabs(x) > 3.402823466e38) return ResultError(ctx, kOverflow);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(static_cast<float>(x)));
  ResultNumber(ctx, std::strtod(buf, nullptr));
}

// Currency holds four decimals; the runtime scales by 10000 and rounds half to even.
void CCurFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return ResultError(ctx, kInvalidNull);
  double x;
  if (!ConvertedNumber(ctx, a[0], x)) return;
  const auto amount = currency::FromNumber(x);
  if (!amount) return ResultError(ctx, kOverflow);
  ResultNumber(ctx, currency::ToNumber(*amount));
}

void CBoolFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return ResultError(ctx, kInvalidNull);
  if (!IsNumber(a[0])) {
    const std::string s = AsciiLower(Text(a[0]));
    if (s == "true") return ResultBool(ctx, true);
    if (s == "false") return ResultBool(ctx, false);
  }
  double x;
  if (ConvertedNumber(ctx, a[0], x)) ResultBool(ctx, x != 0);
}

void CVarFn(sqlite3_context* ctx, int, Args a) { sqlite3_result_value(ctx, a[0]); }

// --- logic ---
// A condition as Jet reads it: Null is not true, any other number but 0 is.
bool Condition(sqlite3_context* ctx, sqlite3_value* v, bool& out) {
  out = false;
  if (IsNull(v)) return true;
  double x;
  if (!Number(ctx, v, x)) return false;
  out = x != 0;
  return true;
}

void SwitchFn(sqlite3_context* ctx, int argc, Args a) {
  if (argc < 2 || argc % 2 != 0) return ResultError(ctx, kInvalidCall);
  for (int i = 0; i < argc; i += 2) {
    bool holds;
    if (!Condition(ctx, a[i], holds)) return;
    if (holds) return sqlite3_result_value(ctx, a[i + 1]);
  }
  sqlite3_result_null(ctx);
}

void ChooseFn(sqlite3_context* ctx, int argc, Args a) {
  if (argc < 2) return ResultError(ctx, kInvalidCall);
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  long long i;
  if (!Whole(ctx, a[0], i)) return;
  if (i < 1 || i >= argc) return sqlite3_result_null(ctx);
  sqlite3_result_value(ctx, a[i]);
}

void IsNumericFn(sqlite3_context* ctx, int, Args a) {
  switch (sqlite3_value_type(a[0])) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: return ResultBool(ctx, true);
    case SQLITE_TEXT: return ResultBool(ctx, WholeNumericText(Text(a[0])).kind == NumericText::kNumber);
    default: return ResultBool(ctx, false);
  }
}

// Only a date or a text that reads as one; numbers are not dates here, as in the runtime.
void IsDateFn(sqlite3_context* ctx, int, Args a) {
  if (sqlite3_value_type(a[0]) != SQLITE_TEXT) return ResultBool(ctx, false);
  const std::string s = Text(a[0]);
  ResultBool(ctx, ParseStoredDate(s) || ParseDateLiteral(s, ClockOf(ctx)));
}

}  // namespace

std::span<const Implementation> NumberFunctions() {
  static const Implementation kImplementations[] = {
      {"jet_int", WholePart<Floor>},
      {"jet_fix", WholePart<Trunc>},
      {"jet_round", RoundFn},
      {"jet_sgn", SgnFn},
      {"jet_sqr", SqrFn},
      {"jet_cstr", CStrFn},
      {"jet_str", StrFn},
      {"jet_cint", CWhole<-32768, 32767>},
      {"jet_clng", CWhole<-2147483648LL, 2147483647LL>},
      {"jet_cdbl", CDblFn},
      {"jet_csng", CSngFn},
      {"jet_ccur", CCurFn},
      {"jet_cbool", CBoolFn},
      {"jet_cvar", CVarFn},
      {"jet_switch", SwitchFn},
      {"jet_choose", ChooseFn},
      {"jet_isnumeric", IsNumericFn},
      {"jet_isdate", IsDateFn},
  };
  return kImplementations;
}

}  // namespace ornetta::jet::fn
