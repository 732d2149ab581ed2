// Names compare as Jet compares them: without regard to (ASCII) case.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace ornetta::jet {

inline std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
  return s;
}

inline bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::toupper(x) == std::toupper(y);
         });
}

}  // namespace ornetta::jet
