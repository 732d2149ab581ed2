// UTF-8, the program's text: reading characters, writing them, and counting them as the
// database engine counts.
//
// Two counts, because two readers see the same bytes. The program's reader decodes by Unicode's
// rule: each maximal ill-formed subsequence (a byte that begins no character, or the start of a
// character cut short) reads as one U+FFFD; overlong forms, surrogates and code points past
// U+10FFFF are ill-formed. The engine's length(), substr() and the text columns' width checks
// count otherwise: a character at every byte, except that a byte from 0xC0 up takes with it all
// the 0x80-0xBF bytes that follow. The two agree on well-formed text. The Jet text functions count
// as the engine does, so that Len(), Mid() and InStr() agree with the engine and with each other.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ornetta::utf8 {

inline constexpr char32_t kReplacement = 0xFFFD;

// The character at byte i (i < s.size()), moving i past it; U+FFFD for an ill-formed
// subsequence, which it moves past whole.
char32_t Decode(std::string_view s, size_t& i);

// Number of characters Decode reads in s.
size_t Length(std::string_view s);

// Appends the encoding of c; U+FFFD instead of a surrogate or a value past U+10FFFF.
void Append(std::string& out, char32_t c);

// Number of characters in s as the engine counts them.
size_t EngineLength(std::string_view s);

// Byte offset at which the engine's character number `chars` (from 0) begins; s.size() when s
// has no more characters.
size_t EngineOffset(std::string_view s, size_t chars);

// The engine's characters of s, each as its code point when it is one well-formed character and
// as U+FFFD otherwise: one value a character, so positions match EngineLength and EngineOffset.
std::u32string EngineCharacters(std::string_view s);

}  // namespace ornetta::utf8
