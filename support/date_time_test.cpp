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
