#include "data/values/ansi.h"

namespace ornetta::ansi {

namespace {
// Unicode code points of 0x80..0x9F; the rest of the page equals Latin-1.
constexpr char32_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Decodes one code point; on malformed input consumes one byte and yields U+FFFD.
char32_t Decode(std::string_view s, size_t& i) {
  const unsigned char b = static_cast<unsigned char>(s[i]);
  const int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
  if (extra < 0 || i + extra >= s.size()) {
    ++i;
    return 0xFFFD;
  }
  char32_t cp = extra == 0 ? b : b & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    const unsigned char c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  i += extra + 1;
  return cp;
}

void Encode(char32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

unsigned char ToCode(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
  for (int k = 0; k < 32; ++k)
    if (kHigh[k] == cp) return static_cast<unsigned char>(0x80 + k);
  return '?';
}
}  // namespace

std::vector<unsigned char> FromUtf8(std::string_view utf8) {
  std::vector<unsigned char> codes;
  codes.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) codes.push_back(ToCode(Decode(utf8, i)));
  return codes;
}

std::string ToUtf8(const std::vector<unsigned char>& codes) {
  std::string out;
  out.reserve(codes.size() * 2);
  for (unsigned char c : codes) Encode(c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c, out);
  return out;
}

size_t CharacterCount(std::string_view utf8) {
  size_t n = 0;
  for (size_t i = 0; i < utf8.size();) {
    Decode(utf8, i);
    ++n;
  }
  return n;
}

}  // namespace ornetta::ansi
