// Date and time texts as Jet reads them: inside #...#, and where CDate, CVDate, DateValue,
// TimeValue and IsDate read text.
#pragma once

#include <optional>
#include <string_view>

#include "data/values/clock.h"
#include "data/values/datetime.h"

namespace ornetta::jet {

// Reads, in English whatever the machine's settings:
// - numeric dates month first: m/d/yyyy (d/m/yyyy only when month first is impossible), m/d of
//   the current year, m/yyyy (its first day); year first: yyyy-mm-dd, yyyy/mm/dd, yyyy-mm; with
//   '/', '-' or '.' between the numbers;
// - dates with a month's name or its three-letter abbreviation in any place: "December 30, 1991",
//   "30-Dec-1991", "Dec 30 1991", "1991 Dec 30", "Dec 30" (the current year), "Dec 1991" (its first
//   day); a day's name before it is passed over ("Monday, December 30, 1991");
// - any of these with a time before or after it: h:mm[:ss] [AM|PM|A|P], or h AM|PM; or a time alone
//   (on 1899-12-30).
// Two-digit years: 00-29 are 2000-2029, 30-99 are 1930-1999. Only the years 100 to 9999.
std::optional<CivilDateTime> ParseDateLiteral(std::string_view text, int current_year);
// As above, the current year read from `clock`.
std::optional<CivilDateTime> ParseDateLiteral(std::string_view text, const Clock& clock);

}  // namespace ornetta::jet
