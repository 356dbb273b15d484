#include "support/zstring.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tickwell {
namespace {

TEST(ZString, LengthAndConversionTreatNullAsEmpty) {
  EXPECT_EQ(StrLenSafe(nullptr), 0u);
  EXPECT_EQ(StrLenSafe(""), 0u);
  EXPECT_EQ(StrLenSafe("abc"), 3u);
  EXPECT_EQ(StrToStringSafe(nullptr), "");
  EXPECT_EQ(StrToStringSafe("x y"), "x y");
}

TEST(ZString, CaseInsensitiveCompare) {
  EXPECT_EQ(StrICompSafe(nullptr, ""), 0);
  EXPECT_EQ(StrICompSafe(nullptr, nullptr), 0);
  EXPECT_EQ(StrICompSafe(nullptr, "a"), -1);
  EXPECT_EQ(StrICompSafe("a", nullptr), 1);
  EXPECT_EQ(StrICompSafe("", nullptr), 0);
  EXPECT_EQ(StrICompSafe("Topic", "TOPIC"), 0);
  EXPECT_LT(StrICompSafe("abc", "ABD"), 0);
  EXPECT_GT(StrICompSafe("abcd", "ABC"), 0);
  EXPECT_LT(StrICompSafe("a", "_"), 0);  // compared in upper case: 'A' before '_'
  // Only ASCII letters fold; other bytes compare as they are, unsigned.
  EXPECT_NE(StrICompSafe("\xe4", "\xc4"), 0);
  EXPECT_GT(StrICompSafe("\xe4", "z"), 0);
}

TEST(ZString, CopyIsBoundedAndTerminated) {
  char small[4];
  EXPECT_STREQ(StrCopySafe(small, "abcdef"), "abc");
  EXPECT_STREQ(StrCopySafe(small, nullptr), "");
  EXPECT_STREQ(StrCopySafe(small, "ab"), "ab");
  char one[1] = {'x'};
  EXPECT_STREQ(StrCopySafe(one, "abc"), "");
  EXPECT_EQ(StrCopySafe(nullptr, 10, "abc"), nullptr);
}

TEST(ZString, DeleteChars) {
  struct Case {
    const char* text;
    std::size_t start, n;
    const char* expected;
  };
  for (const Case& c :
       {Case{"abcdef", 1, 2, "adef"}, Case{"abcdef", 4, 2, "abcd"}, Case{"abcdef", 4, 9, "abcd"},
        Case{"abcdef", 6, 1, "abcdef"}, Case{"abcdef", 0, 0, "abcdef"}, Case{"", 0, 1, ""},
        Case{"abc", 1, std::size_t(-1), "a"}}) {
    char buffer[16];
    std::strcpy(buffer, c.text);
    EXPECT_STREQ(StrDeleteChars(buffer, c.start, c.n), c.expected)
        << c.text << " " << c.start << " " << c.n;
  }
  EXPECT_EQ(StrDeleteChars(nullptr, 0, 1), nullptr);
}

}  // namespace
}  // namespace tickwell
