// Conversions that read or write numbers in other forms: Val (decimal, &H and &O text), Hex and
// Oct; and the conversions to Byte, Decimal and a date Variant.
#include <cmath>
#include <cstdint>
#include <string>

#include "data/jet/function_values.h"
#include "data/jet/numeric_text.h"

namespace ornetta::jet::fn {

namespace {

// --- Val ---
void ValFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return ResultError(ctx, kInvalidNull);
  const NumericText n = LeadingNumber(Text(a[0]));
  if (n.kind == NumericText::kOverflow) return ResultError(ctx, kOverflow);
  ResultNumber(ctx, n.value);
}

// --- Hex and Oct ---
// The number rounded to a whole one (half to even); a negative one written as its two's
// complement in the argument's width, 16 bits for an Integer, 32 for a Long. Past Long's range
// there is nothing to write: overflow.
template <int kBitsPerDigit>
void RadixText(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  long long n, width;
  if (!LongArg(ctx, a[0], n) || !Whole(ctx, a[1], width)) return;
  const uint32_t mask = width == 16 ? 0xFFFFu : 0xFFFFFFFFu;
  if (width == 16 && (n < INT16_MIN || n > INT16_MAX)) return ResultError(ctx, kOverflow);
  uint32_t v = static_cast<uint32_t>(n) & mask;
  std::string out;
  do {
    out.insert(out.begin(), "0123456789ABCDEF"[v & ((1u << kBitsPerDigit) - 1)]);
    v >>= kBitsPerDigit;
  } while (v);
  ResultText(ctx, out);
}

// --- conversions ---
// CByte rounds half to even, as CInt does; outside 0 to 255 is an overflow.
void CByteFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return ResultError(ctx, kInvalidNull);
  double x;
  if (!ConvertedNumber(ctx, a[0], x)) return;
  const double r = std::nearbyint(x);
  if (r < 0 || r > 255) return ResultError(ctx, kOverflow);
  sqlite3_result_int(ctx, static_cast<int>(r));
}

// A Decimal holds 28 digits; the engine has no such numbers, so the value is kept as the nearest
// Double. Past Decimal's range (about 7.9E+28) is an overflow.
void CDecFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return ResultError(ctx, kInvalidNull);
  double x;
  if (!ConvertedNumber(ctx, a[0], x)) return;
  if (!(std::fabs(x) <= 79228162514264337593543950335.0)) return ResultError(ctx, kOverflow);
  ResultNumber(ctx, x);
}

// CVDate is CDate giving a Variant, which may hold Null: Null passes through.
void CVDateFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  if (const auto d = DateArg(ctx, a[0])) ResultDate(ctx, *d);
}

}  // namespace

std::span<const Implementation> ConversionFunctions() {
  static const Implementation kImplementations[] = {
      {"jet_val", ValFn},     {"jet_hex", RadixText<4>}, {"jet_oct", RadixText<3>},
      {"jet_cbyte", CByteFn}, {"jet_cdec", CDecFn},      {"jet_cvdate", CVDateFn},
  };
  return kImplementations;
}

}  // namespace ornetta::jet::fn
