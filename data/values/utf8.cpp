#include "data/values/utf8.h"

namespace ornetta::utf8 {

namespace {
unsigned char Byte(std::string_view s, size_t i) { return static_cast<unsigned char>(s[i]); }

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Where the engine's character that begins at byte i ends.
size_t EngineNext(std::string_view s, size_t i) {
  if (Byte(s, i++) >= 0xC0)
    while (i < s.size() && IsContinuation(Byte(s, i))) ++i;
  return i;
}
}  // namespace

char32_t Decode(std::string_view s, size_t& i) {
  const unsigned char lead = Byte(s, i++);
  if (lead < 0x80) return lead;
  int more;
  char32_t c;
  // The second byte's range is narrower after E0, ED, F0 and F4: that is what shuts out overlong
  // forms, surrogates and values past U+10FFFF, and makes their lead a subsequence of its own.
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    more = 1, c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    more = 2, c = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    more = 3, c = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return kReplacement;  // a continuation byte, C0, C1 or F5-FF: begins nothing
  }
  for (; more > 0; --more) {
    if (i >= s.size() || Byte(s, i) < low || Byte(s, i) > high) return kReplacement;  // cut short here
    c = (c << 6) | (Byte(s, i++) & 0x3F);
    low = 0x80, high = 0xBF;
  }
  return c;
}

size_t Length(std::string_view s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size(); ++n) Decode(s, i);
  return n;
}

void Append(std::string& out, char32_t c) {
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacement;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

size_t EngineLength(std::string_view s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size(); ++n) i = EngineNext(s, i);
  return n;
}

size_t EngineOffset(std::string_view s, size_t chars) {
  size_t i = 0;
  for (; i < s.size() && chars > 0; --chars) i = EngineNext(s, i);
  return i;
}

std::u32string EngineCharacters(std::string_view s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    const size_t end = EngineNext(s, i);
    const char32_t c = Decode(s, i);
    out += i == end ? c : kReplacement;
    i = end;
  }
  return out;
}

}  // namespace ornetta::utf8
