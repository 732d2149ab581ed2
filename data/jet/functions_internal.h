// What the jet_* engine functions share: reading arguments as Jet reads them, writing results,
// Jet's error texts, and the registration of each group of functions.
#pragma once

#include <sqlcipher/sqlite3.h>

#include <optional>
#include <span>
#include <string>

#include "data/datetime.h"

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

// The readers below report a failure on ctx and return false (or nullopt); the caller then
// returns without setting a result.
// Numbers as Jet reads them; text that is no number is a type mismatch.
bool Number(sqlite3_context* ctx, sqlite3_value* v, double& out);
// A whole number, rounded half to even as Jet rounds Integer and Long arguments.
bool Whole(sqlite3_context* ctx, sqlite3_value* v, long long& out);
// A length or position: a whole number that must not be negative.
bool Length(sqlite3_context* ctx, sqlite3_value* v, long long& out);
// A serial number as a date; nullopt outside the years 100 to 9999 (and for NaN).
std::optional<CivilDateTime> SerialDate(double serial);
// A date: a stored date, a date text Jet can read, or a serial number (overflow outside the
// years 100 to 9999).
std::optional<CivilDateTime> DateArg(sqlite3_context* ctx, sqlite3_value* v);

void ResultText(sqlite3_context* ctx, const std::string& s);
// Whole values come back as integers, others as doubles.
void ResultNumber(sqlite3_context* ctx, double d);
void ResultDate(sqlite3_context* ctx, const CivilDateTime& dt);
inline void ResultBool(sqlite3_context* ctx, bool b) { sqlite3_result_int(ctx, b ? -1 : 0); }
inline void ResultError(sqlite3_context* ctx, const char* message) { sqlite3_result_error(ctx, message, -1); }

// Character positions over UTF-8 text.
size_t ByteOfChar(const std::string& s, size_t chars);
size_t CharCount(const std::string& s);
std::string Lower(std::string s);
// The code point at byte i, moving i past it; a malformed byte reads as itself.
char32_t DecodeUtf8(const std::string& s, size_t& i);
std::u32string CodePoints(const std::string& s);
// Lower case for ASCII and Latin-1 letters, the comparison Like and InStr make.
char32_t FoldCase(char32_t c);

// Seconds since 1899-12-30 00:00:00, counted straight through (unlike the serial, whose fraction
// counts forwards before 1899-12-30); the form date arithmetic is done in.
long long SecondsFromCivil(const CivilDateTime& dt);
CivilDateTime CivilFromSeconds(long long seconds);

// The calendar in English and with Sunday as the default first day, whatever the machine's
// regional settings (functions_dates.cpp).
const char* MonthNameOf(int month, bool abbreviate);    // month 1-12
const char* DayNameOf(int weekday, bool abbreviate);    // weekday 1-7, Sunday = 1
// 1-7 counting from first_day (1 = Sunday ... 7 = Saturday).
int WeekdayOf(const CivilDateTime& dt, int first_day = 1);
int DayOfYear(const CivilDateTime& dt);
// first_week: 1 the week of 1 January, 2 the first week with four days of the year, 3 the first
// whole week.
int WeekOfYear(const CivilDateTime& dt, int first_day, int first_week);

struct Definition {
  const char* name;
  int args;  // -1: any number
  void (*fn)(sqlite3_context*, int, Args);
  bool deterministic = true;
};
void Register(sqlite3* db, std::span<const Definition> definitions);

void RegisterTextFunctions(sqlite3* db);
void RegisterDateFunctions(sqlite3* db);
void RegisterFormatFunctions(sqlite3* db);
void RegisterAggregateFunctions(sqlite3* db);

}  // namespace ornetta::jet::fn
