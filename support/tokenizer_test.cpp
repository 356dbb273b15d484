#include "support/tokenizer.h"

#include <gtest/gtest.h>

#include "support/char_tables.h"

namespace tickwell {
namespace {

std::vector<std::string> Tokens(const std::string& text, const TCharSet& seps = TCharSet{';'}) {
  TStringList list;
  StringManager().Tokenize(text, list, seps);
  return list.Items();
}

using V = std::vector<std::string>;

TEST(Tokenizer, DropsEmptyPiecesAndKeepsOrder) {
  EXPECT_EQ(Tokens("a;;b"), (V{"a", "b"}));
  EXPECT_EQ(Tokens(";a;"), (V{"a"}));
  EXPECT_EQ(Tokens(""), V{});
  EXPECT_EQ(Tokens(";;;"), V{});
  EXPECT_EQ(Tokens("EURUSD"), (V{"EURUSD"}));
  EXPECT_EQ(Tokens("EURUSD;1.1;;1.2;1700000000;15;"),
            (V{"EURUSD", "1.1", "1.2", "1700000000", "15"}));
}

TEST(Tokenizer, AnyCharacterOfTheSetSeparatesAndBytesAboveSevenBitsWork) {
  EXPECT_EQ(Tokens("a b,c", TCharSet{' ', ','}), (V{"a", "b", "c"}));
  const std::string high = "x\xA7y\xFFz";
  EXPECT_EQ(Tokens(high, TCharSet{'\xA7'}), (V{"x", "y\xFFz"}));
  EXPECT_EQ(Tokens(std::string("a\0b", 3), TCharSet{'\0'}), (V{"a", "b"}));
}

TEST(Tokenizer, AppendsToAnExistingListAndMakesOneWhenNoneIsGiven) {
  TStringList list;
  list.Add("kept");
  StringManager().Tokenize("a;b", list, TCharSet{';'});
  StringManager().Tokenize("c", list, TCharSet{';'});
  EXPECT_EQ(list.Items(), (V{"kept", "a", "b", "c"}));

  auto fresh = StringManager().Tokenize("x;y", TCharSet{';'});
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh->Items(), (V{"x", "y"}));
}

TEST(StringList, IndexErrorNamesTheIndex) {
  TStringList list;
  list.Add("only");
  EXPECT_EQ(list.Get(0), "only");
  try {
    list.Get(5);
    FAIL() << "no error";
  } catch (const EStringListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (5)");
  }
  EXPECT_THROW(list.Get(-1), EStringListError);
}

TEST(CharTables, DelimiterClassEndsBeforeGraveAccentAndDelete) {
  const auto& t = CharTables().CharClassTable;
  EXPECT_TRUE(t[95] & kClassDelimiter);   // underscore
  EXPECT_FALSE(t[96] & kClassDelimiter);  // grave accent
  EXPECT_TRUE(t[126] & kClassDelimiter);
  EXPECT_FALSE(t[127] & kClassDelimiter);
  EXPECT_FALSE(t[0] & kClassDelimiter);
  EXPECT_TRUE(t[1] & kClassDelimiter);
  EXPECT_TRUE(t[47] & kClassDelimiter);
  EXPECT_FALSE(t['0'] & kClassDelimiter);
  EXPECT_TRUE(t[':'] & kClassDelimiter);
  EXPECT_TRUE(t['@'] & kClassDelimiter);
  EXPECT_FALSE(t['A'] & kClassDelimiter);
}

TEST(CharTables, AsciiLettersDigitsAndNumberClasses) {
  const auto& t = CharTables().CharClassTable;
  EXPECT_EQ(t['A'] & (kClassUpper | kClassAsciiUpper | kClassLower),
            kClassUpper | kClassAsciiUpper);
  EXPECT_EQ(t['z'] & (kClassLower | kClassAsciiLower | kClassUpper),
            kClassLower | kClassAsciiLower);
  EXPECT_EQ(t['5'] & (kClassDigit | kClassInteger | kClassDecimal | kClassReal),
            kClassDigit | kClassInteger | kClassDecimal | kClassReal);
  EXPECT_EQ(t['-'] & (kClassDigit | kClassInteger | kClassDecimal), kClassInteger | kClassDecimal);
  EXPECT_EQ(t[','] & (kClassInteger | kClassDecimal), kClassDecimal);
  EXPECT_EQ(t['e'] & (kClassDecimal | kClassReal), kClassReal);
  EXPECT_EQ(t['E'] & (kClassDecimal | kClassReal), kClassReal);
  EXPECT_FALSE(t['x'] & kClassReal);
  EXPECT_TRUE(t[31] & kClassControl);
  EXPECT_FALSE(t[32] & kClassControl);
  EXPECT_TRUE(t['!'] & kClassPunct);
  EXPECT_FALSE(t['a'] & kClassPunct);
}

TEST(CharTables, UpperHalfLettersFollowTheLocaleNotAscii) {
  const auto& c = CharTables();
  // A-grave and a-grave, S-caron and s-caron, y-diaeresis and Y-diaeresis.
  EXPECT_EQ(c.UpperCaseTable[0xE0], 0xC0);
  EXPECT_EQ(c.LowerCaseTable[0xC0], 0xE0);
  EXPECT_EQ(c.UpperCaseTable[0x9A], 0x8A);
  EXPECT_EQ(c.UpperCaseTable[0xFF], 0x9F);
  EXPECT_EQ(c.LowerCaseTable[0x9F], 0xFF);
  // Sharp s and the division sign have no capital.
  EXPECT_EQ(c.UpperCaseTable[0xDF], 0xDF);
  EXPECT_EQ(c.UpperCaseTable[0xF7], 0xF7);
  EXPECT_TRUE(c.CharClassTable[0xC0] & kClassUpper);
  EXPECT_FALSE(c.CharClassTable[0xC0] & kClassAsciiUpper);
  EXPECT_TRUE(c.CharClassTable[0xE9] & kClassLower);
  EXPECT_FALSE(c.CharClassTable[0xE9] & kClassAsciiLower);
  EXPECT_TRUE(c.CharClassTable[0xD7] & kClassPunct);  // multiplication sign
  for (int ch = 'a'; ch <= 'z'; ++ch) EXPECT_EQ(c.UpperCaseTable[ch], ch - 32);
  EXPECT_EQ(c.UpperCaseTable[0], 0);
}

TEST(CharTables, CurrencyFormatStartsWithTheLocaleSymbol) {
  const std::string& f = CharTables().CurrencyFormat;
  ASSERT_GT(f.size(), 10u);
  EXPECT_EQ(f.substr(f.size() - 10), "###,##0.00");
  EXPECT_NE(f, "###,##0.00");
}

}  // namespace
}  // namespace tickwell
