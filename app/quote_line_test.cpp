#include "app/quote_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace tickwell {
namespace {

struct Checked {
  std::string problem;
  TQuoteFields fields;
  std::int32_t time = 0;
  std::string detail;
};

Checked Check(std::string_view line) {
  Checked c;
  c.problem = CheckQuoteLine(line, c.fields, c.time, c.detail);
  return c;
}

TEST(QuoteLine, NumbersAsTerminalsWriteThemAreTaken) {
  const Checked full = Check("EURUSD;1.08501;1.08503;1.08502;1700000000;15;1.08620;1.08410");
  ASSERT_EQ(full.problem, "");
  EXPECT_EQ(full.fields, (TQuoteFields{"EURUSD", "1.08501", "1.08503", "1.08502", "1700000000",
                                       "15", "1.08620", "1.08410"}));
  EXPECT_EQ(full.time, 1700000000);

  for (const std::string& line : std::vector<std::string>{
           // Below zero (some instruments trade there), whole, zero, a point at either end.
           "CL;-37.63;-37.5;-37;1587340800;12;-1;-40.32", "SYM0;0;0;0;0;0", "X;5.;.5;-.5;0;1",
           // The exact volume of an exchange's deal, fractional lots included.
           "SBER;270.5;270.6;270.55;1700000000;0.5",
           "SBER;270.5;270.6;270.55;1700000000;" + std::string(200, '5'),
           // Only one of high and low, or an empty one: nothing there to check.
           "EURUSD;1.1;1.2;1.15;60;7;1.3", "EURUSD;1.1;1.2;1.15;60;7;;1.0",
           "EURUSD;1.1;1.2;1.15;60;7;1.3;",
           // Places after the eighth travel only in the whole line.
           "EURUSD;1.1;1.2;1.15;60;7;1.3;1.0;anything;else"}) {
    EXPECT_EQ(Check(line).problem, "") << line;
  }
}

TEST(QuoteLine, AValueThatIsNotANumberIsNamedWithWhatItHolds) {
  struct Bad {
    std::string line;
    std::string problem;
  };
  const Bad bad[] = {
      {"EURUSD;abc;-5;0;1700000200;15", "the bid is not a number: abc"},
      {"EURUSD;1,09996;1.09998;1.09997;1700000000;15", "the bid is not a number: 1,09996"},
      {"EURUSD;1.1;1.2.3;1.1;1700000000;15", "the ask is not a number: 1.2.3"},
      {"EURUSD;1.1;1.2;-;1700000000;15", "the last is not a number: -"},
      {"EURUSD;.;1.2;1.1;1700000000;15", "the bid is not a number: ."},
      {"EURUSD;-.;1.2;1.1;1700000000;15", "the bid is not a number: -."},
      {"EURUSD;--1;1.2;1.1;1700000000;15", "the bid is not a number: --1"},
      {"EURUSD;1-;1.2;1.1;1700000000;15", "the bid is not a number: 1-"},
      {"EURUSD;+1.1;1.2;1.1;1700000000;15", "the bid is not a number: +1.1"},
      {"EURUSD;1e5;1.2;1.1;1700000000;15", "the bid is not a number: 1e5"},
      {"EURUSD;1,000.5;1.2;1.1;1700000000;15", "the bid is not a number: 1,000.5"},
      {"EURUSD;nan;1.2;1.1;1700000000;15", "the bid is not a number: nan"},
      {"EURUSD;0x10;1.2;1.1;1700000000;15", "the bid is not a number: 0x10"},
      {"EURUSD; 1.1;1.2;1.1;1700000000;15", "the bid is not a number:  1.1"},
      {"EURUSD;1.1;1.2 ;1.1;1700000000;15", "the ask is not a number: 1.2 "},
      {"EURUSD;1.1;1.2;1.1;1700000000;abc", "the volume is not a number: abc"},
      {"EURUSD;1.1;1.2;1.1;1700000000;1,5", "the volume is not a number: 1,5"},
      {"EURUSD;1.1;1.2;1.1;1700000000;-5", "the volume is not a number: -5"},
      {"EURUSD;1.1;1.2;1.1;1700000000;15;extra;more", "the high is not a number: extra"},
      {"EURUSD;1.1;1.2;1.1;1700000000;15;;x", "the low is not a number: x"},
      {"EURUSD;1.1;1.2;1.1;1700000000;15;1.3;1,0;9", "the low is not a number: 1,0"},
  };
  for (const Bad& b : bad) {
    const Checked c = Check(b.line);
    EXPECT_EQ(c.problem, b.problem) << b.line;
    EXPECT_EQ(c.detail, "") << b.line;
  }
}

TEST(QuoteLine, TheFirstFaultInTheLineIsTheOneNamed) {
  // A line without a single separator is not a quote line at all.
  EXPECT_EQ(Check("GBPUSD").problem, "the line has no ';' separators");
  EXPECT_EQ(Check("EURUSD 1.1 1.2").problem, "the line has no ';' separators");
  EXPECT_EQ(Check("").problem, "the line is empty");
  EXPECT_EQ(Check(std::string_view("GBPUSD\0", 7)).problem, "the line holds a zero byte");
  // A missing place comes before any value, and the values follow the line's order.
  EXPECT_EQ(Check("EURUSD;abc;;1.1;1700000000;15").problem, "the ask price is missing");
  EXPECT_EQ(Check("GBPUSD;1.1").problem, "the ask price is missing");
  EXPECT_EQ(Check("EURUSD;1.1;x;1.1;1700000000123;y").problem, "the ask is not a number: x");
  const Checked time = Check("EURUSD;1.1;1.2;1.1;1700000000123;y");
  EXPECT_EQ(time.problem, "the time is not a whole number of seconds since 1970");
  EXPECT_EQ(time.detail, "'1700000000123' is not a valid integer value");
  EXPECT_EQ(Check("EURUSD;1.1;1.2;1.1;60;y;z").problem, "the volume is not a number: y");
  // Only decimal digits make a time, with a minus before 1970: no hexadecimal, plus or blank.
  for (const char* written : {"0x10", "$10", "+1700000000", " 1700000000", "1700000000.5", "-"}) {
    const Checked odd = Check("EURUSD;1.1;1.2;1.1;" + std::string(written) + ";15");
    EXPECT_EQ(odd.problem, "the time is not a whole number of seconds since 1970") << written;
    EXPECT_EQ(odd.detail, "'" + std::string(written) + "' is not a valid integer value");
  }
  EXPECT_EQ(Check("EURUSD;1.1;1.2;1.1;-60;15").time, -60);
}

}  // namespace
}  // namespace tickwell
