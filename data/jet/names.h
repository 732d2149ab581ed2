// Names compare as Jet compares them: without regard to (ASCII) case.
#pragma once

#include <string>
#include <string_view>

#include "data/values/ascii_case.h"

namespace ornetta::jet {

inline std::string Upper(std::string_view s) { return AsciiUpper(s); }

inline bool SameName(std::string_view a, std::string_view b) { return EqualIgnoringAsciiCase(a, b); }

}  // namespace ornetta::jet
