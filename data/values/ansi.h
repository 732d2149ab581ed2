// Text in the Windows-1252 code page ("ANSI"), the character codes on which the password
// routine works. Text elsewhere in the program is UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ornetta::ansi {

// Code of each character of UTF-8 text in Windows-1252. A character the code page cannot
// represent becomes '?' (63), as the desktop's own conversion does; so does each ill-formed
// subsequence of the UTF-8 (utf8.h).
std::vector<unsigned char> FromUtf8(std::string_view text);

// UTF-8 text of Windows-1252 codes. The five codes the page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the control characters of the same number, so every code round-trips.
std::string ToUtf8(const std::vector<unsigned char>& codes);

}  // namespace ornetta::ansi
