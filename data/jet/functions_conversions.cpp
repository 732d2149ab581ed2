// Conversions that read or write numbers in other forms: Val (decimal, &H and &O text), Hex and
// Oct; and the conversions to Byte, Decimal and a date Variant.
#include <cctype>
#include <cmath>
#include <cstdint>
#include <string>

#include "data/jet/function_values.h"

namespace ornetta::jet::fn {

namespace {

// --- Val ---
// An &H or &O number as the runtime reads it: up to 16 bits it is an Integer (&HFFFF is -1), up
// to 32 bits a Long (&HFFFFFFFF is -1); more is an overflow. No digits read as 0.
bool RadixNumber(sqlite3_context* ctx, const std::string& digits, int radix, double& out) {
  uint64_t v = 0;
  for (char c : digits) {
    const int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
    if (d < 0 || d >= radix) break;
    v = v * static_cast<uint64_t>(radix) + static_cast<uint64_t>(d);
    if (v > 0xFFFFFFFFull) {
      ResultError(ctx, kOverflow);
      return false;
    }
  }
  if (v <= 0xFFFF) out = static_cast<double>(static_cast<int16_t>(v));
  else out = static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(v)));
  return true;
}

// The leading decimal number: a sign, digits, a point and digits, an exponent (E or D) with its
// sign and digits; the first character that does not fit ends it. Nothing read is 0.
double DecimalNumber(const std::string& s) {
  size_t i = 0;
  std::string text;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) text += s[i++];
  const auto digits = [&] {
    size_t n = 0;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i, ++n) text += s[i];
    return n;
  };
  size_t mantissa = digits();
  if (i < s.size() && s[i] == '.') {
    text += s[i++];
    mantissa += digits();
  }
  if (!mantissa) return 0;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    std::string exponent = "e";
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent += s[j++];
    const size_t start = j;
    while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) exponent += s[j++];
    if (j > start) text += exponent;
  }
  return std::strtod(text.c_str(), nullptr);
}

// Val reads the leading number of a text and ignores the rest; blanks, tabs and line feeds
// anywhere are skipped ("1 2 3" is 123).
void ValFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return ResultError(ctx, kInvalidNull);
  std::string s;
  for (char c : Text(a[0]))
    if (c != ' ' && c != '\t' && c != '\n') s += c;
  double d = 0;
  if (s.size() >= 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
    if (!RadixNumber(ctx, s.substr(2), s[1] == 'H' || s[1] == 'h' ? 16 : 8, d)) return;
  } else {
    d = DecimalNumber(s);
  }
  ResultArithmetic(ctx, d);
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
  if (!Number(ctx, a[0], x)) return;
  const double r = std::nearbyint(x);
  if (r < 0 || r > 255) return ResultError(ctx, kOverflow);
  sqlite3_result_int(ctx, static_cast<int>(r));
}

// A Decimal holds 28 digits; the engine has no such numbers, so the value is kept as the nearest
// Double. Past Decimal's range (about 7.9E+28) is an overflow.
void CDecFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return ResultError(ctx, kInvalidNull);
  double x;
  if (!Number(ctx, a[0], x)) return;
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
      {"jet_val", ValFn},
      {"jet_hex", RadixText<4>},
      {"jet_oct", RadixText<3>},
      {"jet_cbyte", CByteFn},
      {"jet_cdec", CDecFn},
      {"jet_cvdate", CVDateFn},
  };
  return kImplementations;
}

}  // namespace ornetta::jet::fn
