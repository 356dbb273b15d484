#include "platform/charclass.h"

#include <gtest/gtest.h>

#include "platform/ddeml.h"

#include <set>

#include "platform/cp1252_tables.h"

namespace platform {
namespace {

// Wine 8.0 does not count the euro sign (0x80), the small tilde (0x98) and the trade mark sign
// (0x99) as punctuation; Windows does, as it does every other symbol. The model keeps Windows'
// answer.
const std::set<int> kWinePunctuationDepartures = {0x80, 0x98, 0x99};

TEST(CharClass, TypesMatchTheCodePageTable) {
  for (int c = 0; c < 256; ++c) {
    const std::uint16_t got = CharType1(static_cast<unsigned char>(c));
    if (DdeRunningOnWine() && kWinePunctuationDepartures.count(c)) {
      EXPECT_EQ(got, cp1252::kCtype1[c] & ~kC1Punct) << "Wine departure changed at " << c;
    } else {
      EXPECT_EQ(got, cp1252::kCtype1[c]) << "character " << c;
    }
  }
}

TEST(CharClass, CaseConversionMatchesTheCodePageAndRoundTrips) {
  std::string all(256, '\0');
  for (int c = 0; c < 256; ++c) all[c] = static_cast<char>(c);
  std::string upper = all;
  ToUpperAnsi(upper);
  for (int c = 0; c < 256; ++c)
    EXPECT_EQ(static_cast<unsigned char>(upper[c]), cp1252::kUpper[c]) << c;
  std::string lower = upper;
  ToLowerAnsi(lower);
  // Lower-casing the capitals gives back the small letters they came from.
  for (int c = 0; c < 256; ++c) {
    if (cp1252::kUpper[c] != c) EXPECT_EQ(static_cast<unsigned char>(lower[c]), c) << c;
  }
  std::string empty;
  ToUpperAnsi(empty);
  EXPECT_TRUE(empty.empty());
}

}  // namespace
}  // namespace platform
