#include "data/jet/numeric_text.h"

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace ornetta::jet {

namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

bool IsRadixPrefix(std::string_view s) {
  return s.size() >= 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o');
}
int RadixOf(std::string_view s) { return s[1] == 'H' || s[1] == 'h' ? 16 : 8; }

NumericText Number(double v) {
  if (!std::isfinite(v)) return {NumericText::kOverflow, 0};
  return {NumericText::kNumber, v};
}

// The decimal number at the start of s: sign, digits (with thousands separators when
// `separators`), a point and digits, an exponent; `end` is where it stops. kNone without digits.
NumericText DecimalPrefix(std::string_view s, bool separators, size_t& end) {
  size_t i = 0;
  std::string text;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) text += s[i++];
  size_t digits = 0;
  for (; i < s.size() && (IsDigit(s[i]) || (separators && s[i] == ',' && digits)); ++i)
    if (s[i] != ',') text += s[i], ++digits;
  if (i < s.size() && s[i] == '.') {
    text += s[i++];
    for (; i < s.size() && IsDigit(s[i]); ++i) text += s[i], ++digits;
  }
  end = i;
  if (!digits) return {};
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    size_t j = i + 1;
    std::string exponent = "e";
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent += s[j++];
    const size_t first = j;
    for (; j < s.size() && IsDigit(s[j]); ++j) exponent += s[j];
    if (j > first) {
      text += exponent;
      end = j;
    }
  }
  return Number(std::strtod(text.c_str(), nullptr));
}

}  // namespace

NumericText RadixDigits(std::string_view digits, int radix, size_t* used) {
  uint64_t v = 0;
  size_t i = 0;
  for (; i < digits.size(); ++i) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(digits[i])));
    const int d = IsDigit(c) ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : radix;
    if (d >= radix) break;
    v = v * static_cast<uint64_t>(radix) + static_cast<uint64_t>(d);
    if (v > 0xFFFFFFFFull) return {NumericText::kOverflow, 0};
  }
  if (used) *used = i;
  const double value = v <= 0xFFFF ? static_cast<double>(static_cast<int16_t>(v))
                                   : static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(v)));
  return {NumericText::kNumber, value};
}

NumericText WholeNumericText(std::string_view text) {
  const size_t b = text.find_first_not_of(" \t"), e = text.find_last_not_of(" \t");
  if (b == std::string_view::npos) return {};
  const std::string_view s = text.substr(b, e - b + 1);
  if (IsRadixPrefix(s)) {
    size_t used = 0;
    const NumericText n = RadixDigits(s.substr(2), RadixOf(s), &used);
    if (n.kind == NumericText::kOverflow) return n;
    return used > 0 && used == s.size() - 2 ? n : NumericText{};
  }
  size_t end = 0;
  const NumericText n = DecimalPrefix(s, true, end);
  return end == s.size() ? n : NumericText{};
}

NumericText LeadingNumber(std::string_view text) {
  std::string s;
  for (char c : text)
    if (c != ' ' && c != '\t' && c != '\n') s += c;
  if (IsRadixPrefix(s)) return RadixDigits(std::string_view(s).substr(2), RadixOf(s));
  size_t end = 0;
  const NumericText n = DecimalPrefix(s, false, end);
  return n.kind == NumericText::kNone ? NumericText{NumericText::kNumber, 0} : n;
}

}  // namespace ornetta::jet
