#include "tools/import/jet_text.h"

#include <vector>

#include "data/values/utf8.h"

namespace ornetta::import {

std::string Jet4TextToUtf8(const unsigned char* p, size_t n, size_t* replaced) {
  std::vector<uint16_t> units;
  units.reserve(n);
  if (n >= 2 && p[0] == 0xff && p[1] == 0xfe) {
    bool compressed = true;
    for (size_t i = 2; i < n;) {
      if (p[i] == 0) {
        compressed = !compressed;
        ++i;
      } else if (compressed) {
        units.push_back(p[i++]);
      } else if (i + 1 < n) {
        units.push_back(static_cast<uint16_t>(p[i] | (p[i + 1] << 8)));
        i += 2;
      } else {
        break;  // half a character at the end: nothing to make of it
      }
    }
  } else {
    for (size_t i = 0; i + 1 < n; i += 2) units.push_back(static_cast<uint16_t>(p[i] | (p[i + 1] << 8)));
  }
  std::string out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    const uint32_t u = units[i];
    if (u >= 0xd800 && u < 0xdc00 && i + 1 < units.size() && units[i + 1] >= 0xdc00 && units[i + 1] < 0xe000) {
      utf8::Append(out, 0x10000 + ((u - 0xd800) << 10) + (units[i + 1] - 0xdc00));
      ++i;
    } else if (u >= 0xd800 && u < 0xe000) {
      utf8::Append(out, utf8::kReplacement);
      if (replaced) ++*replaced;
    } else {
      utf8::Append(out, u);
    }
  }
  return out;
}

}  // namespace ornetta::import
