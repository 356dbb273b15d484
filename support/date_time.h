// Integer parsing and date-time display as the quote grid needs them.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tickwell {

class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses a signed 32-bit integer: leading blanks, an optional sign, decimal digits or
// hexadecimal digits after "$" or "0x". Anything else, or a value outside the 32-bit range,
// raises EConvertError "'<text>' is not a valid integer value".
std::int32_t StrToInt(const std::string& text);

// The civil date (proleptic Gregorian calendar) of a count of days since 1970-01-01, negative
// before it, and back.
void CivilFromDays(std::int64_t days, int& year, int& month, int& day);
std::int64_t DaysFromCivil(int year, int month, int day);

// Day number (days since 1899-12-30, fraction = time of day) of whole seconds since 1970.
double UnixSecondsToDayNumber(std::int32_t seconds);

// Day number of a calendar date and time of day (proleptic Gregorian calendar); the inverse of
// the date FormatDayNumber shows.
double EncodeDayNumber(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// The locale's short date, then a blank and its long time; the time is left out at midnight.
std::string FormatDayNumber(double day_number);

}  // namespace tickwell
