#include "data/values/ansi.h"

#include "data/values/utf8.h"

namespace ornetta::ansi {

namespace {
// Unicode code points of 0x80..0x9F; the rest of the page equals Latin-1.
constexpr char32_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

unsigned char ToCode(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
  for (int k = 0; k < 32; ++k)
    if (kHigh[k] == cp) return static_cast<unsigned char>(0x80 + k);
  return '?';
}
}  // namespace

std::vector<unsigned char> FromUtf8(std::string_view text) {
  std::vector<unsigned char> codes;
  codes.reserve(text.size());
  for (size_t i = 0; i < text.size();) codes.push_back(ToCode(utf8::Decode(text, i)));
  return codes;
}

std::string ToUtf8(const std::vector<unsigned char>& codes) {
  std::string out;
  out.reserve(codes.size() * 2);
  for (unsigned char c : codes) utf8::Append(out, c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c);
  return out;
}

}  // namespace ornetta::ansi
