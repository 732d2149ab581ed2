// Numbers written as text, as the runtime reads them: Val's leading number, the whole text that
// IsNumeric accepts and the conversion functions (CInt, CCur, ...) convert, and &H / &O numbers.
// Engine-free, so it can be tested alone.
#pragma once

#include <optional>
#include <string_view>

namespace ornetta::jet {

// What a reading gives: a number, no number at all, or one past the type it would be.
struct NumericText {
  enum Kind { kNumber, kNone, kOverflow } kind = kNone;
  double value = 0;
};

// The digits of an &H (radix 16) or &O (radix 8) number: an Integer up to 16 bits (&HFFFF is
// -1), a Long up to 32 (&HFFFFFFFF is -1), overflow beyond. Reading stops at the first character
// that is no digit of the radix; `used` tells how many were read.
NumericText RadixDigits(std::string_view digits, int radix, size_t* used = nullptr);

// A whole text that is a number: blanks around it, a sign, digits with thousands separators
// (1,000), a decimal point, an exponent (E or D); or an &H / &O number. kNone when it is not.
NumericText WholeNumericText(std::string_view text);

// Val's reading: blanks, tabs and line feeds anywhere are skipped; the leading number is read
// and the rest ignored; no number is 0.
NumericText LeadingNumber(std::string_view text);

}  // namespace ornetta::jet
