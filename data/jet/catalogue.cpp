#include "data/jet/catalogue.h"

#include <iterator>

namespace ornetta::jet {

namespace {

using R = FunctionSpec;
using T = Type;

// The engine takes at most 127 arguments: Switch and Choose stop there.
const FunctionSpec kCatalogue[] = {
    // Aggregates.
    {"COUNT", "count", 1, 1, true, R::kFixed, T::kLong},
    {"SUM", "sum", 1, 1, true, R::kKeepsCurrency, T::kDouble},
    {"AVG", "avg", 1, 1, true, R::kFixed, T::kDouble},
    {"MIN", "min", 1, 1, true, R::kFirstArg, T::kUnknown},
    {"MAX", "max", 1, 1, true, R::kFirstArg, T::kUnknown},
    {"FIRST", "jet_first", 1, 1, true, R::kFirstArg, T::kUnknown},
    {"LAST", "jet_last", 1, 1, true, R::kFirstArg, T::kUnknown},
    {"STDEV", "jet_stdev", 1, 1, true, R::kFixed, T::kDouble},
    {"STDEVP", "jet_stdevp", 1, 1, true, R::kFixed, T::kDouble},
    {"VAR", "jet_var", 1, 1, true, R::kFixed, T::kDouble},
    {"VARP", "jet_varp", 1, 1, true, R::kFixed, T::kDouble},
    // Text.
    {"LEFT", "jet_left", 2, 2, false, R::kFixed, T::kText},
    {"RIGHT", "jet_right", 2, 2, false, R::kFixed, T::kText},
    {"MID", "jet_mid", 2, 3, false, R::kFixed, T::kText},
    {"LEN", "jet_len", 1, 1, false, R::kFixed, T::kLong},
    {"UCASE", "upper", 1, 1, false, R::kFixed, T::kText},
    {"LCASE", "lower", 1, 1, false, R::kFixed, T::kText},
    {"TRIM", "jet_trim", 1, 1, false, R::kFixed, T::kText},
    {"LTRIM", "jet_ltrim", 1, 1, false, R::kFixed, T::kText},
    {"RTRIM", "jet_rtrim", 1, 1, false, R::kFixed, T::kText},
    {"INSTR", "jet_instr", 2, 4, false, R::kFixed, T::kLong},
    {"INSTRREV", "jet_instrrev", 2, 4, false, R::kFixed, T::kLong},
    {"SPACE", "jet_space", 1, 1, false, R::kFixed, T::kText},
    {"STRING", "jet_string", 2, 2, false, R::kFixed, T::kText},
    {"REPLACE", "jet_replace", 3, 6, false, R::kFixed, T::kText},
    {"STRCOMP", "jet_strcomp", 2, 3, false, R::kFixed, T::kInteger},
    {"CHR", "jet_chr", 1, 1, false, R::kFixed, T::kText},
    {"ASC", "jet_asc", 1, 1, false, R::kFixed, T::kInteger},
    {"FORMAT", "jet_format", 1, 4, false, R::kFixed, T::kText},
    // Numbers and conversions.
    {"ABS", "abs", 1, 1, false, R::kFixed, T::kDouble},
    {"INT", "jet_int", 1, 1, false, R::kFixed, T::kDouble},
    {"FIX", "jet_fix", 1, 1, false, R::kFixed, T::kDouble},
    {"SGN", "jet_sgn", 1, 1, false, R::kFixed, T::kInteger},
    {"SQR", "jet_sqr", 1, 1, false, R::kFixed, T::kDouble},
    {"ROUND", "jet_round", 1, 2, false, R::kFixed, T::kDouble},
    {"VAL", "jet_val", 1, 1, false, R::kFixed, T::kDouble},
    {"STR", "jet_str", 1, 1, false, R::kFixed, T::kText},
    {"CSTR", "jet_cstr", 1, 1, false, R::kFixed, T::kText},
    {"CLNG", "jet_clng", 1, 1, false, R::kFixed, T::kLong},
    {"CINT", "jet_cint", 1, 1, false, R::kFixed, T::kInteger},
    {"CDBL", "jet_cdbl", 1, 1, false, R::kFixed, T::kDouble},
    {"CSNG", "jet_csng", 1, 1, false, R::kFixed, T::kSingle},
    {"CCUR", "jet_ccur", 1, 1, false, R::kFixed, T::kCurrency},
    {"CBOOL", "jet_cbool", 1, 1, false, R::kFixed, T::kBoolean},
    {"CVAR", "jet_cvar", 1, 1, false, R::kFirstArg, T::kUnknown},
    {"CDATE", "jet_cdate", 1, 1, false, R::kFixed, T::kDate},
    {"CVDATE", "jet_cvdate", 1, 1, false, R::kFixed, T::kDate},
    {"CBYTE", "jet_cbyte", 1, 1, false, R::kFixed, T::kByte},
    {"CDEC", "jet_cdec", 1, 1, false, R::kFixed, T::kDecimal},
    // Hex and Oct write a negative Integer in 16 bits, a negative Long in 32: the writer passes
    // the argument's width to jet_hex and jet_oct.
    {"HEX", nullptr, 1, 1, false, R::kFixed, T::kText},
    {"OCT", nullptr, 1, 1, false, R::kFixed, T::kText},
    // Choices and tests.
    {"IIF", nullptr, 3, 3, false, R::kChosen, T::kUnknown},
    {"NZ", nullptr, 1, 2, false, R::kChosen, T::kUnknown},
    {"SWITCH", "jet_switch", 2, 126, false, R::kChosen, T::kUnknown},
    {"CHOOSE", "jet_choose", 2, 127, false, R::kChosen, T::kUnknown},
    {"ISNULL", nullptr, 1, 1, false, R::kFixed, T::kBoolean},
    {"ISNUMERIC", "jet_isnumeric", 1, 1, false, R::kFixed, T::kBoolean},
    {"ISDATE", "jet_isdate", 1, 1, false, R::kFixed, T::kBoolean},
    // Dates.
    {"NOW", "jet_now", 0, 0, false, R::kFixed, T::kDate},
    {"DATE", "jet_date", 0, 0, false, R::kFixed, T::kDate},
    {"TIME", "jet_time", 0, 0, false, R::kFixed, T::kDate},
    {"YEAR", "jet_year", 1, 1, false, R::kFixed, T::kInteger},
    {"MONTH", "jet_month", 1, 1, false, R::kFixed, T::kInteger},
    {"DAY", "jet_day", 1, 1, false, R::kFixed, T::kInteger},
    {"HOUR", "jet_hour", 1, 1, false, R::kFixed, T::kInteger},
    {"MINUTE", "jet_minute", 1, 1, false, R::kFixed, T::kInteger},
    {"SECOND", "jet_second", 1, 1, false, R::kFixed, T::kInteger},
    {"WEEKDAY", "jet_weekday", 1, 2, false, R::kFixed, T::kInteger},
    {"DATEVALUE", "jet_datevalue", 1, 1, false, R::kFixed, T::kDate},
    {"TIMEVALUE", "jet_timevalue", 1, 1, false, R::kFixed, T::kDate},
    {"DATEADD", "jet_dateadd", 3, 3, false, R::kFixed, T::kDate},
    {"DATEDIFF", "jet_datediff", 3, 5, false, R::kFixed, T::kLong},
    {"DATEPART", "jet_datepart", 2, 4, false, R::kFixed, T::kInteger},
    {"DATESERIAL", "jet_dateserial", 3, 3, false, R::kFixed, T::kDate},
    {"TIMESERIAL", "jet_timeserial", 3, 3, false, R::kFixed, T::kDate},
    {"MONTHNAME", "jet_monthname", 1, 2, false, R::kFixed, T::kText},
    {"WEEKDAYNAME", "jet_weekdayname", 1, 3, false, R::kFixed, T::kText},
    // The engine functions of operators (the writer's; no Jet name).
    {"", "jet_concat", 2, 2, false, R::kFixed, T::kText},
    {"", "jet_add", 2, 2, false, R::kFixed, T::kUnknown},
    {"", "jet_sub", 2, 2, false, R::kFixed, T::kUnknown},
    {"", "jet_mul", 2, 2, false, R::kFixed, T::kUnknown},
    {"", "jet_div", 2, 2, false, R::kFixed, T::kDouble},
    {"", "jet_intdiv", 2, 2, false, R::kFixed, T::kLong},
    {"", "jet_mod", 2, 2, false, R::kFixed, T::kLong},
    {"", "jet_pow", 2, 2, false, R::kFixed, T::kDouble},
    {"", "jet_neg", 1, 1, false, R::kFixed, T::kUnknown},
    {"", "jet_like", 2, 2, false, R::kFixed, T::kBoolean},
    {"", "jet_between", 3, 3, false, R::kFixed, T::kBoolean},
    {"", "jet_serial", 1, 1, false, R::kFixed, T::kDouble},
    {"", "jet_not", 1, 1, false, R::kFixed, T::kBoolean},
    {"", "jet_and", 2, 2, false, R::kFixed, T::kBoolean},
    {"", "jet_or", 2, 2, false, R::kFixed, T::kBoolean},
    {"", "jet_xor", 2, 2, false, R::kFixed, T::kBoolean},
    {"", "jet_eqv", 2, 2, false, R::kFixed, T::kBoolean},
    {"", "jet_imp", 2, 2, false, R::kFixed, T::kBoolean},
    {"", "jet_band", 2, 2, false, R::kFixed, T::kLong},
    {"", "jet_bor", 2, 2, false, R::kFixed, T::kLong},
    {"", "jet_bxor", 2, 2, false, R::kFixed, T::kLong},
    {"", "jet_bnot", 1, 1, false, R::kFixed, T::kLong},
    {"", "jet_hex", 2, 2, false, R::kFixed, T::kText},
    {"", "jet_oct", 2, 2, false, R::kFixed, T::kText},
    // Currency's exact arithmetic, stores, sum and average (functions_currency.cpp).
    {"", "jet_cur_add", 2, 2, false, R::kFixed, T::kCurrency},
    {"", "jet_cur_sub", 2, 2, false, R::kFixed, T::kCurrency},
    {"", "jet_cur_mul", 2, 2, false, R::kFixed, T::kCurrency},
    {"", "jet_cur_store", 1, 1, false, R::kFixed, T::kCurrency},
    {"", "jet_cur_sum", 1, 1, true, R::kFixed, T::kCurrency},
    {"", "jet_cur_avg", 1, 1, true, R::kFixed, T::kDouble},
};

}  // namespace

std::span<const FunctionSpec> Catalogue() { return kCatalogue; }

const FunctionSpec* FindFunction(std::string_view upper_name) {
  if (upper_name.empty()) return nullptr;
  for (const FunctionSpec& f : kCatalogue)
    if (upper_name == f.name) return &f;
  return nullptr;
}

const FunctionSpec* FindEngineFunction(std::string_view engine) {
  for (const FunctionSpec& f : kCatalogue)
    if (f.engine && engine == f.engine) return &f;
  return nullptr;
}

}  // namespace ornetta::jet
