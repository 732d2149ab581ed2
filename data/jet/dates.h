// Date and time texts as Jet reads them inside #...#.
#pragma once

#include <optional>
#include <string_view>

#include "data/values/datetime.h"

namespace ornetta::jet {

// Reads m/d/yyyy (month first, as Jet does; d/m/yyyy only when the month-first reading is
// impossible), yyyy-mm-dd and yyyy/mm/dd, each optionally followed by a time h:mm[:ss] [AM|PM];
// or a time alone (on 1899-12-30). Two-digit years: 00-29 are 2000-2029, 30-99 are 1930-1999.
std::optional<CivilDateTime> ParseDateLiteral(std::string_view text);

}  // namespace ornetta::jet
