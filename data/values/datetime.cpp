#include "data/values/datetime.h"

#include <cmath>
#include <cstdio>

namespace ornetta {

namespace {
// Days from 1970-01-01 (H. Hinnant's civil calendar algorithms).
constexpr long DaysFromEpoch(long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}

void CivilFromEpochDays(long z, int& y, int& m, int& d) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<long>(yoe) + era * 400 + (m <= 2));
}

// Constant-initialised: other files compute date limits from it during their own static
// initialisation, which may run before this file's: computed at run time, it could still read 0 then.
constexpr long kSerialEpoch = DaysFromEpoch(1899, 12, 30);
static_assert(kSerialEpoch == -25569);

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return 29;
  return kDays[m - 1];
}

bool ReadInt(std::string_view s, size_t pos, size_t len, int& out) {
  if (pos + len > s.size()) return false;
  out = 0;
  for (size_t i = pos; i < pos + len; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    out = out * 10 + (s[i] - '0');
  }
  return true;
}
}  // namespace

bool IsValidCivil(const CivilDateTime& dt) {
  return dt.year >= 100 && dt.year <= 9999 && dt.month >= 1 && dt.month <= 12 && dt.day >= 1 &&
         dt.day <= DaysInMonth(dt.year, dt.month) && dt.hour >= 0 && dt.hour <= 23 && dt.minute >= 0 &&
         dt.minute <= 59 && dt.second >= 0 && dt.second <= 59;
}

long DaysFromCivil(int year, int month, int day) {
  return DaysFromEpoch(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kSerialEpoch;
}

double SerialFromCivil(const CivilDateTime& dt) {
  const double days = static_cast<double>(DaysFromCivil(dt.year, dt.month, dt.day));
  const double frac = (dt.hour * 3600 + dt.minute * 60 + dt.second) / 86400.0;
  // Before 1899-12-30 the fraction still counts forwards from midnight, as the runtime does.
  return days >= 0 ? days + frac : days - frac;
}

CivilDateTime CivilFromSerial(double serial) {
  double whole = std::trunc(serial);
  double frac = std::fabs(serial - whole);
  long secs = std::lround(frac * 86400.0);
  if (secs >= 86400) {  // rounding reached the next day
    secs = 0;
    whole += serial >= 0 ? 1 : -1;
  }
  CivilDateTime dt;
  CivilFromEpochDays(static_cast<long>(whole) + kSerialEpoch, dt.year, dt.month, dt.day);
  dt.hour = static_cast<int>(secs / 3600);
  dt.minute = static_cast<int>(secs / 60 % 60);
  dt.second = static_cast<int>(secs % 60);
  return dt;
}

std::string FormatStoredDate(const CivilDateTime& dt) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", dt.year, dt.month, dt.day, dt.hour, dt.minute,
                dt.second);
  return buf;
}

std::optional<CivilDateTime> ParseStoredDate(std::string_view s) {
  CivilDateTime dt;
  if (s.size() < 10 || s[4] != '-' || s[7] != '-' || !ReadInt(s, 0, 4, dt.year) || !ReadInt(s, 5, 2, dt.month) ||
      !ReadInt(s, 8, 2, dt.day))
    return std::nullopt;
  if (s.size() > 10) {
    if ((s[10] != ' ' && s[10] != 'T') || s.size() < 16 || s[13] != ':' || !ReadInt(s, 11, 2, dt.hour) ||
        !ReadInt(s, 14, 2, dt.minute))
      return std::nullopt;
    if (s.size() > 16 && (s.size() != 19 || s[16] != ':' || !ReadInt(s, 17, 2, dt.second))) return std::nullopt;
  }
  if (!IsValidCivil(dt)) return std::nullopt;
  return dt;
}

}  // namespace ornetta
