// Jet's date formats (Format's named and custom date formats), without the engine. Dates are
// written in English and short dates as yyyy-mm-dd, whatever the machine's regional settings.
#pragma once

#include <string>

#include "data/values/datetime.h"

namespace ornetta::jet {

struct DateOptions {
  int first_day = 1;   // Sunday
  int first_week = 1;  // the week of 1 January
};

inline constexpr const char* kShortDate = "yyyy-mm-dd";
inline constexpr const char* kLongDate = "dddd, mmmm d, yyyy";
inline constexpr const char* kLongTime = "h:nn:ss AM/PM";

// A custom date format: d, dd, ddd, dddd, ddddd, dddddd, w, ww, m, mm, mmm, mmmm, q, y, yy, yyyy,
// h, hh, n, nn, s, ss, ttttt, AM/PM, am/pm, A/P, a/p, AMPM, c; literals quoted or after \.
std::string FormatDate(const CivilDateTime& dt, const std::string& format, const DateOptions& options);
// "General Date": the date, the time, or both, as the value has them.
std::string GeneralDate(const CivilDateTime& dt, const DateOptions& options);

}  // namespace ornetta::jet
