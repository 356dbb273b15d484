#include "platform/locale.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

// The test machines run an English (United States) locale, under Wine as in the model.
TEST(Locale, EnglishUnitedStatesFormats) {
  EXPECT_EQ(FormatShortDate(2023, 11, 14), "11/14/2023");
  EXPECT_EQ(FormatShortDate(1970, 1, 1), "1/1/1970");
  EXPECT_EQ(FormatLongTime(22, 13, 20), "10:13:20 PM");
  EXPECT_EQ(FormatLongTime(0, 0, 1), "12:00:01 AM");
  EXPECT_EQ(FormatLongTime(12, 5, 9), "12:05:09 PM");
  EXPECT_EQ(CurrencySymbol(), "$");
}

}  // namespace
}  // namespace platform
