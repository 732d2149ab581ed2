// Jet's Currency: a scaled integer, ten-thousandths of a unit, from -922,337,203,685,477.5808 to
// 922,337,203,685,477.5807. Its sums and products are exact; only a product's fifth decimal is
// rounded (half to even), as the runtime rounds it. Engine-free, so it can be tested alone.
#pragma once

#include <cstdint>
#include <optional>

namespace ornetta::jet::currency {

inline constexpr int64_t kScale = 10000;

// A number rounded half to even to four places; nullopt outside Currency's range.
std::optional<int64_t> FromNumber(double x);
// A whole number as Currency; nullopt outside the range.
std::optional<int64_t> FromWhole(int64_t n);

// nullopt where the result is outside the range (Jet's overflow).
std::optional<int64_t> Add(int64_t a, int64_t b);
std::optional<int64_t> Subtract(int64_t a, int64_t b);
std::optional<int64_t> Multiply(int64_t a, int64_t b);

// The number nearest to the amount (the amount itself when it is whole).
double ToNumber(int64_t amount);

}  // namespace ornetta::jet::currency
