#include "support/date_time.h"

#include <gtest/gtest.h>

#include "platform/locale.h"

namespace tickwell {
namespace {

TEST(StrToInt, AcceptsBlanksSignsAndBothHexForms) {
  EXPECT_EQ(StrToInt("1700000000"), 1700000000);
  EXPECT_EQ(StrToInt("  -42"), -42);
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(StrToInt("$FF"), 255);
  EXPECT_EQ(StrToInt("0x1f"), 31);
  EXPECT_EQ(StrToInt("-$10"), -16);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
}

TEST(StrToInt, RejectsEverythingElseWithTheTextInTheMessage) {
  for (const char* bad : {"", " ", "-", "$", "0x", "12a", "1.5", "1 ", "2147483648", "-2147483649",
                          "1700000000000", "99999999999999999999999", "$100000000", "abc"}) {
    try {
      StrToInt(bad);
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const EConvertError& e) {
      EXPECT_EQ(std::string(e.what()), std::string("'") + bad + "' is not a valid integer value");
    }
  }
}

TEST(DayNumber, UnixEpochIsDay25569AndFractionsAreTheTimeOfDay) {
  EXPECT_DOUBLE_EQ(UnixSecondsToDayNumber(0), 25569.0);
  EXPECT_DOUBLE_EQ(UnixSecondsToDayNumber(43200), 25569.5);
  EXPECT_DOUBLE_EQ(UnixSecondsToDayNumber(-86400), 25568.0);
}

TEST(DayNumber, EncodingADateIsTheInverseOfShowingIt) {
  EXPECT_DOUBLE_EQ(EncodeDayNumber(1899, 12, 30), 0.0);
  EXPECT_DOUBLE_EQ(EncodeDayNumber(1970, 1, 1), 25569.0);
  EXPECT_DOUBLE_EQ(EncodeDayNumber(2023, 11, 14, 22, 13, 20), UnixSecondsToDayNumber(1700000000));
  EXPECT_NEAR(EncodeDayNumber(1901, 12, 13, 20, 45, 52), UnixSecondsToDayNumber(INT32_MIN), 1e-9);
  EXPECT_DOUBLE_EQ(EncodeDayNumber(2000, 3, 1) - EncodeDayNumber(2000, 2, 28), 2.0);  // leap
  EXPECT_DOUBLE_EQ(EncodeDayNumber(1900, 3, 1) - EncodeDayNumber(1900, 2, 28), 1.0);  // no leap
  // Every day of four centuries, each a day after the one before and shown as itself.
  const int month_days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  double previous = EncodeDayNumber(1799, 12, 31, 12, 0, 0);
  for (int year = 1800; year < 2200; ++year) {
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    for (int month = 1; month <= 12; ++month) {
      const int days = month_days[month - 1] + (month == 2 && leap ? 1 : 0);
      for (int day = 1; day <= days; ++day) {
        const double number = EncodeDayNumber(year, month, day, 12, 0, 0);
        ASSERT_DOUBLE_EQ(number - previous, 1.0) << year << "-" << month << "-" << day;
        previous = number;
        ASSERT_EQ(FormatDayNumber(number), platform::FormatShortDate(year, month, day) + " " +
                                               platform::FormatLongTime(12, 0, 0))
            << year << "-" << month << "-" << day;
      }
    }
  }
}

TEST(FormatDayNumber, ShortDateThenLongTimeAndNoTimeAtMidnight) {
  EXPECT_EQ(FormatDayNumber(UnixSecondsToDayNumber(1700000000)),
            platform::FormatShortDate(2023, 11, 14) + " " + platform::FormatLongTime(22, 13, 20));
  EXPECT_EQ(FormatDayNumber(UnixSecondsToDayNumber(0)), platform::FormatShortDate(1970, 1, 1));
  EXPECT_EQ(FormatDayNumber(UnixSecondsToDayNumber(1)),
            platform::FormatShortDate(1970, 1, 1) + " " + platform::FormatLongTime(0, 0, 1));
  // The extremes of the 32-bit range and a leap day.
  EXPECT_EQ(FormatDayNumber(UnixSecondsToDayNumber(INT32_MAX)),
            platform::FormatShortDate(2038, 1, 19) + " " + platform::FormatLongTime(3, 14, 7));
  EXPECT_EQ(FormatDayNumber(UnixSecondsToDayNumber(INT32_MIN)),
            platform::FormatShortDate(1901, 12, 13) + " " + platform::FormatLongTime(20, 45, 52));
  EXPECT_EQ(FormatDayNumber(UnixSecondsToDayNumber(951782400)),
            platform::FormatShortDate(2000, 2, 29));
  // One second before midnight must not round up into the next day.
  EXPECT_EQ(FormatDayNumber(UnixSecondsToDayNumber(86399)),
            platform::FormatShortDate(1970, 1, 1) + " " + platform::FormatLongTime(23, 59, 59));
}

}  // namespace
}  // namespace tickwell
