// The user's locale: date and time as the locale writes them, and its currency symbol.
#pragma once

#include <string>

namespace platform {

// A date in the locale's short date format (GetDateFormatA with DATE_SHORTDATE).
std::string FormatShortDate(int year, int month, int day);

// A time of day in the locale's long time format (GetTimeFormatA with no flags).
std::string FormatLongTime(int hour, int minute, int second);

// LOCALE_SCURRENCY.
std::string CurrencySymbol();

}  // namespace platform
