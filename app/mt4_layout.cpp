#include "app/mt4_layout.h"

#include <cstdio>

namespace tickwell::mt4 {
namespace {

struct Civil {
  std::int64_t year;
  unsigned month, day;
};

// The proleptic Gregorian date of a day counted from 1970-01-01 (negative before it).
Civil FromDays(std::int64_t days) {
  days += 719468;  // days from 0000-03-01 to 1970-01-01
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto day_of_era = static_cast<unsigned>(days - era * 146097);
  const unsigned year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const unsigned day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const unsigned mp = (5 * day_of_year + 2) / 153;  // month counted from March
  const unsigned day = day_of_year - (153 * mp + 2) / 5 + 1;
  const unsigned month = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<std::int64_t>(year_of_era) + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

}  // namespace

std::string TimeText(std::int64_t seconds) {
  std::int64_t days = seconds / 86400;
  std::int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  const Civil date = FromDays(days);
  const auto year = static_cast<int>(((date.year % 100) + 100) % 100);
  char text[32];
  std::snprintf(text, sizeof text, "%02u.%02u.%02d %d:%02d", date.day, date.month, year,
                static_cast<int>(rest / 3600), static_cast<int>(rest % 3600 / 60));
  return text;
}

std::string QuoteText(std::int64_t seconds, std::string_view bid, std::string_view ask) {
  TTimeTexts texts;
  return std::string(texts.Quote(seconds, bid, ask));
}

const std::string& TTimeTexts::Time(std::int64_t seconds) {
  // Whole minutes, rounded down also before 1970, as TimeText shows them.
  const std::int64_t minute = seconds / 60 - (seconds % 60 < 0 ? 1 : 0);
  if (!known_ || minute != minute_) {
    time_ = TimeText(seconds);
    minute_ = minute;
    known_ = true;
  }
  return time_;
}

std::string_view TTimeTexts::Quote(std::int64_t seconds, std::string_view bid,
                                   std::string_view ask) {
  quote_ = Time(seconds);
  quote_ += ' ';
  quote_ += bid;
  quote_ += ' ';
  quote_ += ask;
  return quote_;
}

}  // namespace tickwell::mt4
