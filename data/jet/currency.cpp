#include "data/jet/currency.h"

#include <cmath>

namespace ornetta::jet::currency {

namespace {
__extension__ typedef __int128 Wide;  // holds any product of two amounts

// 2^63 as a double: the first value past the range (the range's top is not a double).
constexpr double kLimit = 9223372036854775808.0;

std::optional<int64_t> Narrow(Wide v) {
  if (v > INT64_MAX || v < INT64_MIN) return std::nullopt;
  return static_cast<int64_t>(v);
}
}  // namespace

std::optional<int64_t> FromNumber(double x) {
  const double scaled = std::nearbyint(x * static_cast<double>(kScale));
  if (!(scaled >= -kLimit && scaled < kLimit)) return std::nullopt;  // NaN too
  return static_cast<int64_t>(scaled);
}

std::optional<int64_t> FromWhole(int64_t n) { return Narrow(static_cast<Wide>(n) * kScale); }

std::optional<int64_t> Add(int64_t a, int64_t b) { return Narrow(static_cast<Wide>(a) + b); }

std::optional<int64_t> Subtract(int64_t a, int64_t b) { return Narrow(static_cast<Wide>(a) - b); }

std::optional<int64_t> Multiply(int64_t a, int64_t b) {
  const Wide product = static_cast<Wide>(a) * b;  // in units of 10^-8
  Wide quotient = product / kScale;
  const Wide remainder = product % kScale;  // takes the sign of the product
  const Wide twice = remainder < 0 ? -2 * remainder : 2 * remainder;
  if (twice > kScale || (twice == kScale && quotient % 2 != 0)) quotient += product < 0 ? -1 : 1;
  return Narrow(quotient);
}

double ToNumber(int64_t amount) {
  // Both are exact doubles below 2^53, so the one division rounds once, to the nearest.
  return static_cast<double>(amount) / static_cast<double>(kScale);
}

}  // namespace ornetta::jet::currency
