#include "feed/quote_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <utility>

namespace tickwell::feed {
namespace {

TEST(QuoteText, FieldsAreJoinedOnlyWhenNoneWouldShiftTheOthers) {
  const wchar_t* good[kQuoteFields] = {L"EURUSD", L"1.08501", L"1.08503",
                                       L"1.08502", L"1700000000", L"15"};
  std::wstring line;
  ASSERT_TRUE(JoinQuoteFields(good, line));
  EXPECT_EQ(line, L"EURUSD;1.08501;1.08503;1.08502;1700000000;15");

  for (int i = 0; i < kQuoteFields; ++i) {
    const wchar_t* fields[kQuoteFields];
    std::copy(std::begin(good), std::end(good), fields);
    for (const wchar_t* bad : {static_cast<const wchar_t*>(nullptr), L"", L"1;2", L";"}) {
      fields[i] = bad;
      EXPECT_FALSE(JoinQuoteFields(fields, line)) << "field " << i;
    }
  }
}

TEST(QuoteText, TheDaysHighAndLowGoAfterTheVolumeBothOrNeither) {
  const wchar_t* fields[kQuoteFieldsWithRange] = {L"EURUSD", L"1.1", L"1.2", L"0",
                                                  L"60",     L"5",   L"1.3", L"1.0"};
  std::wstring line;
  ASSERT_TRUE(JoinQuoteFieldsWithRange(fields, line));
  EXPECT_EQ(line, L"EURUSD;1.1;1.2;0;60;5;1.3;1.0");
  fields[6] = nullptr;
  fields[7] = L"";
  ASSERT_TRUE(JoinQuoteFieldsWithRange(fields, line));
  EXPECT_EQ(line, L"EURUSD;1.1;1.2;0;60;5");
  // One without the other, or a range field that would shift the others, is refused.
  for (const auto& [high, low] : {std::pair<const wchar_t*, const wchar_t*>{L"1.3", nullptr},
                                  {L"", L"1.0"}, {L"1;3", L"1.0"}, {L"1.3", L";"}}) {
    fields[6] = high;
    fields[7] = low;
    EXPECT_FALSE(JoinQuoteFieldsWithRange(fields, line));
    EXPECT_TRUE(line.empty());
  }
  // The six fields before them are checked as for a plain quote.
  fields[6] = L"1.3";
  fields[7] = L"1.0";
  fields[1] = L"";
  EXPECT_FALSE(JoinQuoteFieldsWithRange(fields, line));
}

TEST(QuoteText, ConvertsToTheCodePageOrRefusesWhatWouldArriveChanged) {
  std::string out;
  // Western code page: letters and the euro sign have a byte of their own.
  ASSERT_TRUE(ToCodePage(L"Z\u00fcrich \u20ac;1", 1252, out));
  EXPECT_EQ(out, "Z\xfcrich \x80;1");
  // No Cyrillic there, and no best-fit stand-in either (an a with a ring is not an a).
  EXPECT_FALSE(ToCodePage(L"\u0416", 1252, out));
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(ToCodePage(L"\u0101", 1252, out));
  // Half a surrogate pair is not text.
  EXPECT_FALSE(ToCodePage(std::wstring(1, wchar_t(0xD800)), 1252, out));
  EXPECT_FALSE(ToCodePage(std::wstring(1, wchar_t(0xD800)), 65001, out));
  // A double-byte code page: one character, two bytes, which is what the length limit counts.
  ASSERT_TRUE(ToCodePage(L"\u5186", 932, out));
  EXPECT_EQ(out, "\x89\x7e");
  ASSERT_TRUE(ToCodePage(L"\u20ac", 65001, out));
  EXPECT_EQ(out, "\xe2\x82\xac");
  EXPECT_TRUE(ToCodePage(L"", 1252, out));
  EXPECT_EQ(out, "");
}

TEST(QuoteText, ALabelKeepsItsAsciiAndEachOtherCharacterBecomesOneUnderscore) {
  EXPECT_EQ(LabelText(L"ICM-Live 42"), "ICM-Live 42");
  // Characters whose low byte is a letter must not turn into that letter.
  EXPECT_EQ(LabelText(L"DémoŁ允"), "D_mo__");
  // A character outside the basic plane is one character; half a pair still counts as one.
  EXPECT_EQ(LabelText(L"a😀b"), "a_b");
  EXPECT_EQ(LabelText(std::wstring{L'a', wchar_t(0xDC00), wchar_t(0xD800)}), "a__");
  EXPECT_EQ(LabelText(L""), "");
}

}  // namespace
}  // namespace tickwell::feed
