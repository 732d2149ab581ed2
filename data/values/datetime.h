// Dates as the application stores and compares them.
//
// In memory a date is a serial number of days since 1899-12-30 with the time of day as the
// fraction (the form the application's runtime uses). In a database file it is stored as text
// "YYYY-MM-DD HH:MM:SS", always all 19 characters, so that text order is time order and the
// files stay readable with ordinary tools.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ornetta {

struct CivilDateTime {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0;
};

// Days since 1899-12-30 (negative before) for a proleptic Gregorian date.
long DaysFromCivil(int year, int month, int day);
CivilDateTime CivilFromSerial(double serial);
double SerialFromCivil(const CivilDateTime& dt);

// "YYYY-MM-DD HH:MM:SS", the stored form.
std::string FormatStoredDate(const CivilDateTime& dt);
// Reads the stored form, also "YYYY-MM-DD" alone or with "THH:MM[:SS]"; nullopt when malformed
// or when a field is out of range (month 13, 30 February, hour 24...).
std::optional<CivilDateTime> ParseStoredDate(std::string_view text);

bool IsValidCivil(const CivilDateTime& dt);

}  // namespace ornetta
