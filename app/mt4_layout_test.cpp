#include "app/mt4_layout.h"

#include <gtest/gtest.h>

#include "support/date_time.h"

namespace tickwell::mt4 {
namespace {

// Seconds since 1970 of a calendar time, from the date code the grid already trusts.
std::int64_t Seconds(int year, int month, int day, int hour, int minute) {
  const double days = EncodeDayNumber(year, month, day, hour, minute) - 25569.0;
  return static_cast<std::int64_t>(days * 86400.0 + (days < 0 ? -0.5 : 0.5));
}

TEST(Mt4Layout, TimeIsDayMonthShortYearThenHourAndMinutesAsMetaTrader4WroteIt) {
  EXPECT_EQ(TimeText(Seconds(2002, 5, 21, 9, 52)), "21.05.02 9:52");
  EXPECT_EQ(TimeText(Seconds(2002, 5, 21, 9, 52) + 59), "21.05.02 9:52");  // seconds left out
  EXPECT_EQ(TimeText(0), "01.01.70 0:00");
  EXPECT_EQ(TimeText(1700000000), "14.11.23 22:13");
  // Month and year turns, a leap day, the last second of a day, and the 32-bit range's ends.
  EXPECT_EQ(TimeText(Seconds(2023, 12, 31, 23, 59) + 59), "31.12.23 23:59");
  EXPECT_EQ(TimeText(Seconds(2024, 1, 1, 0, 0)), "01.01.24 0:00");
  EXPECT_EQ(TimeText(Seconds(2024, 2, 29, 12, 5)), "29.02.24 12:05");
  EXPECT_EQ(TimeText(Seconds(2100, 3, 1, 0, 0)), "01.03.00 0:00");
  EXPECT_EQ(TimeText(2147483647), "19.01.38 3:14");
  EXPECT_EQ(TimeText(-1), "31.12.69 23:59");
  EXPECT_EQ(TimeText(-2147483647 - 1), "13.12.01 20:45");
}

TEST(Mt4Layout, QuoteIsTheTimeThenBidAndAskAsSent) {
  EXPECT_EQ(QuoteText(Seconds(2002, 5, 21, 9, 52), "1.5773", "1.5778"),
            "21.05.02 9:52 1.5773 1.5778");
  EXPECT_EQ(QuoteText(0, "149.512", "149.516"), "01.01.70 0:00 149.512 149.516");
}

// Kept texts must follow the minute exactly: a text kept one line too long shows a stale time.
TEST(Mt4Layout, KeptTimeTextsChangeWithTheMinuteAndNeverLag) {
  TTimeTexts texts;
  const std::int64_t t = Seconds(2002, 5, 21, 9, 52);
  for (std::int64_t s : {t, t + 59, t + 60, t + 59, t - 3661, t - 3660, t - 1, t, t + 3600, t})
    EXPECT_EQ(texts.Time(s), TimeText(s)) << s;
  for (std::int64_t s : {-61, -60, -1, 0})  // whole minutes before 1970 round down too
    EXPECT_EQ(texts.Time(s), TimeText(s)) << s;
  EXPECT_EQ(texts.Quote(t + 60, "1.1", "1.2"), "21.05.02 9:53 1.1 1.2");
  EXPECT_EQ(texts.Quote(t + 60, "149.512", "149.516"), "21.05.02 9:53 149.512 149.516");
  EXPECT_EQ(texts.Quote(-1, "1", "2"), "31.12.69 23:59 1 2");
}

}  // namespace
}  // namespace tickwell::mt4
