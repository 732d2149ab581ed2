// Case for names, keywords, file names and format codes: ASCII letters only. The C library's
// toupper and tolower follow the process's locale, which the window takes from the environment;
// under a single-byte locale they would change bytes inside UTF-8 text.
#pragma once

#include <string>
#include <string_view>

namespace ornetta {

std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);

// Equal but for the case of ASCII letters.
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace ornetta
