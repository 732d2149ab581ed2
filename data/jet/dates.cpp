#include "data/jet/dates.h"

#include <cctype>
#include <string>
#include <vector>

namespace ornetta::jet {

namespace {
// Splits "12/09/2026 10:30:00 PM" into numbers and words, remembering the separators.
struct Part {
  std::string text;
  bool number;
  char sep_before;
};

std::vector<Part> Split(std::string_view s) {
  std::vector<Part> parts;
  char sep = 0;
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (std::isdigit(c) || std::isalpha(c)) {
      const bool number = std::isdigit(c);
      size_t j = i;
      while (j < s.size() && (number ? std::isdigit(static_cast<unsigned char>(s[j])) : std::isalpha(static_cast<unsigned char>(s[j])))) ++j;
      parts.push_back({std::string(s.substr(i, j - i)), number, sep});
      sep = 0;
      i = j;
    } else {
      if (c != ' ' || sep == 0) sep = static_cast<char>(c);
      ++i;
    }
  }
  return parts;
}

bool ReadTime(const std::vector<Part>& p, size_t i, CivilDateTime& dt) {
  if (i + 1 >= p.size() || !p[i].number || !p[i + 1].number || p[i + 1].sep_before != ':') return false;
  dt.hour = std::stoi(p[i].text);
  dt.minute = std::stoi(p[i + 1].text);
  size_t next = i + 2;
  if (next < p.size() && p[next].number && p[next].sep_before == ':') dt.second = std::stoi(p[next++].text);
  if (next < p.size() && !p[next].number) {
    std::string ampm = p[next].text;
    for (char& c : ampm) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (ampm != "AM" && ampm != "PM") return false;
    if (dt.hour < 1 || dt.hour > 12) return false;
    if (ampm == "AM" && dt.hour == 12) dt.hour = 0;
    if (ampm == "PM" && dt.hour != 12) dt.hour += 12;
    ++next;
  }
  return next == p.size();
}

int FullYear(const std::string& y) {
  const int v = std::stoi(y);
  if (y.size() > 2) return v;
  return v < 30 ? 2000 + v : 1900 + v;
}
}  // namespace

std::optional<CivilDateTime> ParseDateLiteral(std::string_view text) {
  const std::vector<Part> p = Split(text);
  for (const Part& part : p)
    if (part.number && part.text.size() > 4) return std::nullopt;
  CivilDateTime dt;
  if (p.size() >= 2 && p[1].sep_before == ':') {
    if (!ReadTime(p, 0, dt) || !IsValidCivil(dt)) return std::nullopt;
    return dt;
  }
  if (p.size() < 3 || !p[0].number || !p[1].number || !p[2].number) return std::nullopt;
  const char sep = p[1].sep_before;
  if ((sep != '/' && sep != '-' && sep != '.') || p[2].sep_before != sep) return std::nullopt;
  if (p.size() > 3 && !ReadTime(p, 3, dt)) return std::nullopt;
  if (p[0].text.size() == 4) {  // year first
    dt.year = std::stoi(p[0].text);
    dt.month = std::stoi(p[1].text);
    dt.day = std::stoi(p[2].text);
    return IsValidCivil(dt) ? std::optional(dt) : std::nullopt;
  }
  dt.year = FullYear(p[2].text);
  dt.month = std::stoi(p[0].text);
  dt.day = std::stoi(p[1].text);
  if (IsValidCivil(dt)) return dt;
  std::swap(dt.month, dt.day);  // 13/12/2026 can only be day first
  return IsValidCivil(dt) ? std::optional(dt) : std::nullopt;
}

}  // namespace ornetta::jet
