#include "app/mt4_layout.h"

#include <cstdio>

#include "support/date_time.h"

namespace tickwell::mt4 {

std::string TimeText(std::int64_t seconds) {
  std::int64_t days = seconds / 86400;
  std::int64_t rest = seconds % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  int year = 0, month = 0, day = 0;
  CivilFromDays(days, year, month, day);
  year = ((year % 100) + 100) % 100;
  char text[32];
  std::snprintf(text, sizeof text, "%02d.%02d.%02d %d:%02d", day, month, year,
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
