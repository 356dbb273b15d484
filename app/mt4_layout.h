// MetaTrader 4's DDE layout, which spreadsheets built for that terminal use: the service names the
// field as its topic and the symbol as its item (=MT4|BID!EURUSD), and the time comes as text.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tickwell::mt4 {

// The topics, one per field of a quote.
inline constexpr std::array<const char*, 6> kTopics = {"BID", "ASK", "HIGH", "LOW", "TIME", "QUOTE"};

// What a symbol that has had no quote yet answers, as MetaTrader 4 showed it.
inline constexpr char kNotAvailable[] = "N/A";

// The quote's time as MetaTrader 4 wrote it: day, month and two-digit year separated by dots,
// then the hour without a leading zero and the minutes ("21.05.02 9:52"). The seconds are those
// the terminal sends, counted on the trade server's clock; they are shown as they are, with no
// time zone applied.
std::string TimeText(std::int64_t seconds);

// The time, then the bid and the ask, separated by blanks ("21.05.02 9:52 1.5773 1.5778").
std::string QuoteText(std::int64_t seconds, std::string_view bid, std::string_view ask);

// The same texts for one line after another: the time text is made again only when the minute
// changes, as lines come many to a minute, and the quote text reuses its buffer.
class TTimeTexts {
 public:
  const std::string& Time(std::int64_t seconds);
  // Valid until the next call.
  std::string_view Quote(std::int64_t seconds, std::string_view bid, std::string_view ask);

 private:
  bool known_ = false;
  std::int64_t minute_ = 0;
  std::string time_;
  std::string quote_;
};

}  // namespace tickwell::mt4
