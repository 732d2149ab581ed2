// What the jet_* engine functions share: reading arguments as Jet reads them, writing results,
// Jet's error texts; and each group's implementations, which RegisterFunctions registers under
// the catalogue's names and argument counts (catalogue.h).
#pragma once

#include <sqlcipher/sqlite3.h>

#include <optional>
#include <span>
#include <string>

#include "data/values/clock.h"
#include "data/values/datetime.h"
#include "data/jet/calendar.h"

namespace ornetta::jet::fn {

using Args = sqlite3_value**;

// Jet's own messages.
inline constexpr const char* kInvalidCall = "Invalid procedure call or argument.";
inline constexpr const char* kInvalidNull = "Invalid use of Null.";
inline constexpr const char* kTypeMismatch = "Data type mismatch in criteria expression.";
inline constexpr const char* kOverflow = "Overflow.";

bool IsNull(sqlite3_value* v);
bool IsNumber(sqlite3_value* v);
// Any value as text; numbers as Jet writes them, Null as "".
std::string Text(sqlite3_value* v);
// A stored date text ("YYYY-MM-DD[ HH:MM:SS]") read as a date.
std::optional<CivilDateTime> AsDate(sqlite3_value* v);
// A date value in flight (always the whole stored form, as every date the functions, literals and
// columns give) as its serial number: in arithmetic and comparison a date is a number too.
std::optional<double> DateAsSerial(sqlite3_value* v);

// The readers below report a failure on ctx and return false (or nullopt); the caller then
// returns without setting a result.
// Numbers as Jet reads them, a date as its serial number; text that is no number is a type
// mismatch.
bool Number(sqlite3_context* ctx, sqlite3_value* v, double& out);
// The argument of a conversion function (CInt, CCur, ...): a number, or text that reads as one
// the way IsNumeric reads it ("1,000", " 12 ", "&HFF"); other text is a type mismatch.
bool ConvertedNumber(sqlite3_context* ctx, sqlite3_value* v, double& out);
// A whole number, rounded half to even as Jet rounds Integer and Long arguments.
bool Whole(sqlite3_context* ctx, sqlite3_value* v, long long& out);
// A Long, as Jet converts the operands of \, Mod and the bitwise operators: a whole number
// rounded half to even, overflow outside -2,147,483,648 to 2,147,483,647.
bool LongArg(sqlite3_context* ctx, sqlite3_value* v, long long& out);
// A length or position: a whole number that must not be negative.
bool Length(sqlite3_context* ctx, sqlite3_value* v, long long& out);
// A date: a stored date, a date text Jet can read, or a serial number (overflow outside the
// years 100 to 9999).
std::optional<CivilDateTime> DateArg(sqlite3_context* ctx, sqlite3_value* v);

// The clock the functions were registered with: Now(), Date(), Time() and the current year of a
// date text without one.
const Clock& ClockOf(sqlite3_context* ctx);

void ResultText(sqlite3_context* ctx, const std::string& s);
// Whole values come back as integers, others as doubles.
void ResultNumber(sqlite3_context* ctx, double d);
void ResultDate(sqlite3_context* ctx, const CivilDateTime& dt);
// Results of arithmetic: beyond a Double's range is Jet's overflow.
void ResultArithmetic(sqlite3_context* ctx, double d);
inline void ResultBool(sqlite3_context* ctx, bool b) { sqlite3_result_int(ctx, b ? -1 : 0); }
inline void ResultError(sqlite3_context* ctx, const char* message) { sqlite3_result_error(ctx, message, -1); }

// Lower case for ASCII and Latin-1 letters, the comparison Like and InStr make.
char32_t FoldCase(char32_t c);

// One engine function: a scalar's fn, or an aggregate's step and final.
struct Implementation {
  const char* engine;  // its name in the catalogue
  void (*fn)(sqlite3_context*, int, Args) = nullptr;
  void (*step)(sqlite3_context*, int, Args) = nullptr;
  void (*final)(sqlite3_context*) = nullptr;
  bool deterministic = true;  // false for Now(), Date() and Time()
};

std::span<const Implementation> OperatorFunctions();
std::span<const Implementation> NumberFunctions();
std::span<const Implementation> TextFunctions();
std::span<const Implementation> DateFunctions();
std::span<const Implementation> FormatFunctions();
std::span<const Implementation> AggregateFunctions();
std::span<const Implementation> CurrencyFunctions();
std::span<const Implementation> ConversionFunctions();

}  // namespace ornetta::jet::fn
