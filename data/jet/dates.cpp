#include "data/jet/dates.h"

#include <cctype>
#include <string>
#include <vector>

#include "data/jet/calendar.h"
#include "data/jet/names.h"

namespace ornetta::jet {

namespace {

// "Dec 30, 1991 10:30 PM" as numbers and words, each with the separator before it (the last one
// other than a blank, else a blank; 0 for none).
struct Part {
  std::string text;
  bool number;
  char sep_before;
};

bool Split(std::string_view s, std::vector<Part>& parts) {
  char sep = 0;
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (std::isdigit(c) || std::isalpha(c)) {
      const bool number = std::isdigit(c);
      size_t j = i;
      while (j < s.size() &&
             (number ? std::isdigit(static_cast<unsigned char>(s[j])) : std::isalpha(static_cast<unsigned char>(s[j]))))
        ++j;
      if (number && j - i > 4) return false;
      parts.push_back({std::string(s.substr(i, j - i)), number, sep});
      sep = 0;
      i = j;
    } else if (c == ' ' || c == '/' || c == '-' || c == '.' || c == ',' || c == ':') {
      if (c != ' ' || sep == 0) sep = static_cast<char>(c);
      ++i;
    } else {
      return false;
    }
  }
  return true;
}

// 1-12 for a month's name or its abbreviation ("Sept" too); 0 otherwise.
int MonthOf(const Part& p) {
  if (p.number) return 0;
  for (int m = 1; m <= 12; ++m)
    if (SameName(p.text, MonthNameOf(m, false)) || SameName(p.text, MonthNameOf(m, true))) return m;
  return SameName(p.text, "Sept") ? 9 : 0;
}

bool IsDayName(const Part& p) {
  if (p.number) return false;
  for (int d = 1; d <= 7; ++d)
    if (SameName(p.text, DayNameOf(d, false)) || SameName(p.text, DayNameOf(d, true))) return true;
  return false;
}

// 0 for AM, 12 for PM, -1 for neither.
int Meridiem(const Part& p) {
  if (p.number) return -1;
  const std::string w = Upper(p.text);
  if (w == "AM" || w == "A") return 0;
  if (w == "PM" || w == "P") return 12;
  return -1;
}

bool SmallNumber(const Part& p) { return p.number && p.text.size() <= 2; }

// Takes a time out of `p` (before or after the date, nowhere else): "h:mm[:ss] [AM|PM]" or "h AM|PM".
// True when there is none, or one that reads; `found` says which.
bool TakeTime(std::vector<Part>& p, CivilDateTime& dt, bool& found) {
  found = false;
  size_t start = 0;
  for (; start < p.size(); ++start) {
    const bool colon = start + 1 < p.size() && p[start + 1].number && p[start + 1].sep_before == ':';
    const bool bare = start + 1 < p.size() && Meridiem(p[start + 1]) >= 0;
    if (p[start].number && (colon || bare)) break;
  }
  if (start == p.size()) return true;
  size_t end = start + 1;
  int fields[3] = {0, 0, 0};
  fields[0] = std::stoi(p[start].text);
  for (int f = 1; f < 3 && end < p.size() && p[end].number && p[end].sep_before == ':'; ++f, ++end) {
    if (!SmallNumber(p[end])) return false;
    fields[f] = std::stoi(p[end].text);
  }
  if (!SmallNumber(p[start])) return false;
  if (end < p.size() && Meridiem(p[end]) >= 0) {
    if (fields[0] > 12) return false;
    fields[0] = fields[0] % 12 + Meridiem(p[end]);
    ++end;
  }
  if (start != 0 && end != p.size()) return false;  // a time inside the date
  dt.hour = fields[0];
  dt.minute = fields[1];
  dt.second = fields[2];
  if (dt.hour > 23 || dt.minute > 59 || dt.second > 59) return false;
  p.erase(p.begin() + static_cast<long>(start), p.begin() + static_cast<long>(end));
  found = true;
  return true;
}

int FullYear(const std::string& y) {
  const int v = std::stoi(y);
  if (y.size() > 2) return v;
  return v < 30 ? 2000 + v : 1900 + v;
}

bool SetDate(CivilDateTime& dt, int year, int month, int day) {
  CivilDateTime probe = dt;
  probe.year = year;
  probe.month = month;
  probe.day = day;
  if (!IsValidCivil(probe)) return false;
  dt = probe;
  return true;
}

// A date with a month's name: its numbers are the day and the year, the year first only when
// written with three or four digits or when it cannot be a day.
bool NamedMonthDate(const std::vector<Part>& p, int month, int current_year, CivilDateTime& dt) {
  std::vector<const Part*> numbers;
  for (const Part& part : p) {
    if (part.number)
      numbers.push_back(&part);
    else if (MonthOf(part) == 0)
      return false;
  }
  if (numbers.size() == 1) {
    const Part& n = *numbers[0];
    if (SmallNumber(n) && SetDate(dt, current_year, month, std::stoi(n.text))) return true;  // Dec 30
    return SetDate(dt, FullYear(n.text), month, 1);                                          // Dec 1991
  }
  if (numbers.size() != 2) return false;
  const Part& a = *numbers[0];
  const Part& b = *numbers[1];
  if (SmallNumber(a) && SetDate(dt, FullYear(b.text), month, std::stoi(a.text))) return true;
  return SmallNumber(b) && SetDate(dt, FullYear(a.text), month, std::stoi(b.text));
}

// Numbers alone: month first, as Jet reads them.
bool NumericDate(const std::vector<Part>& p, int current_year, CivilDateTime& dt) {
  if (p.size() < 2 || p.size() > 3) return false;
  for (const Part& part : p)
    if (!part.number) return false;
  const char sep = p[1].sep_before;
  if (sep != '/' && sep != '-' && sep != '.') return false;
  for (size_t i = 1; i < p.size(); ++i)
    if (p[i].sep_before != sep) return false;
  const auto n = [&](size_t i) { return std::stoi(p[i].text); };
  if (p[0].text.size() > 2) {  // year first
    if (!SmallNumber(p[1]) || (p.size() == 3 && !SmallNumber(p[2]))) return false;
    return SetDate(dt, n(0), n(1), p.size() == 3 ? n(2) : 1);
  }
  if (p.size() == 3) {
    const int year = FullYear(p[2].text);
    if (!SmallNumber(p[1])) return false;
    return SetDate(dt, year, n(0), n(1)) || SetDate(dt, year, n(1), n(0));  // 13/12/2026 can only be day first
  }
  // Two numbers: month and day of this year, else the day first, else month and year.
  if (SmallNumber(p[1]) && (SetDate(dt, current_year, n(0), n(1)) || SetDate(dt, current_year, n(1), n(0))))
    return true;
  return SetDate(dt, FullYear(p[1].text), n(0), 1);
}

}  // namespace

std::optional<CivilDateTime> ParseDateLiteral(std::string_view text, int current_year) {
  std::vector<Part> p;
  if (!Split(text, p) || p.empty()) return std::nullopt;
  CivilDateTime dt;
  bool has_time = false;
  if (!TakeTime(p, dt, has_time)) return std::nullopt;
  if (!p.empty() && IsDayName(p[0])) p.erase(p.begin());
  if (p.empty()) {
    if (!has_time) return std::nullopt;
    return dt;  // a time alone lies on 1899-12-30
  }
  int month = 0;
  for (const Part& part : p)
    if (const int m = MonthOf(part)) {
      if (month) return std::nullopt;
      month = m;
    }
  const bool read = month ? NamedMonthDate(p, month, current_year, dt) : NumericDate(p, current_year, dt);
  return read ? std::optional(dt) : std::nullopt;
}

std::optional<CivilDateTime> ParseDateLiteral(std::string_view text, const Clock& clock) {
  return ParseDateLiteral(text, clock.Now().year);
}

}  // namespace ornetta::jet
