// Jet's calendar, without the engine: serial numbers, seconds, names of months and days, and weeks
// counted as Jet counts them. In English and with Sunday as the default first day, whatever the
// machine's regional settings.
#pragma once

#include <optional>

#include "data/values/datetime.h"

namespace ornetta::jet {

// A serial number as a date; nullopt outside the years 100 to 9999 (and for NaN).
std::optional<CivilDateTime> SerialDate(double serial);

// Seconds since 1899-12-30 00:00:00, counted straight through (unlike the serial, whose fraction
// counts forwards before 1899-12-30); the form date arithmetic is done in.
long long SecondsFromCivil(const CivilDateTime& dt);
CivilDateTime CivilFromSeconds(long long seconds);

// The day number of a date (days since 1899-12-30).
long DayNumber(const CivilDateTime& dt);
// a / b rounded towards minus infinity.
long long FloorDiv(long long a, long long b);

const char* MonthNameOf(int month, bool abbreviate);  // month 1-12
const char* DayNameOf(int weekday, bool abbreviate);  // weekday 1-7, Sunday = 1
// 1-7 counting from first_day (1 = Sunday ... 7 = Saturday).
int WeekdayOf(const CivilDateTime& dt, int first_day = 1);
int DayOfYear(const CivilDateTime& dt);
// first_week: 1 the week of 1 January, 2 the first week with four days of the year, 3 the first
// whole week.
int WeekOfYear(const CivilDateTime& dt, int first_day, int first_week);

}  // namespace ornetta::jet
