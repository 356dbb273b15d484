// Fields, cell values and a formula's arguments.
#include <gtest/gtest.h>

#include "rtd/quote_fields.h"

namespace rtd {
namespace {

TEST(QuoteFields, NamesAreMatchedWithoutRegardToCase) {
  EXPECT_EQ(ParseField("bid"), Field::Bid);
  EXPECT_EQ(ParseField("Ask"), Field::Ask);
  EXPECT_EQ(ParseField("VOLUME"), Field::Volume);
  EXPECT_EQ(ParseField("quote"), Field::Quote);
  EXPECT_EQ(ParseField("high"), Field::High);
  for (const char* bad : {"", "BIDS", "BI", " BID", "SPREAD"}) EXPECT_FALSE(ParseField(bad)) << bad;
  EXPECT_STREQ(ItemName(Field::Time), "TIME");
  EXPECT_STREQ(ItemName(*ParseField("low")), "LOW");
}

TEST(QuoteFields, ValuesAreNumbersDatesOrTextAndNothingIsLost) {
  EXPECT_EQ(ValueOf(Field::Bid, "1.08501"), CellValue::OfNumber(1.08501));
  EXPECT_EQ(ValueOf(Field::Volume, "15\r\n"), CellValue::OfNumber(15));
  EXPECT_EQ(ValueOf(Field::Last, std::string_view("-0.5\0junk", 9)), CellValue::OfNumber(-0.5));
  EXPECT_EQ(ValueOf(Field::Ask, "+2"), CellValue::OfNumber(2));
  // 2023-11-14 22:13:20 UTC: 45244 days after 1899-12-30, and 80000 of its 86400 seconds.
  CellValue time = ValueOf(Field::Time, "1700000000");
  ASSERT_EQ(time.kind, CellKind::Date);
  EXPECT_NEAR(time.number, 45244 + 80000.0 / 86400, 1e-9);
  EXPECT_EQ(ValueOf(Field::Time, "0"), CellValue::OfDate(25569));
  // A quote stays text even when it looks like a number.
  EXPECT_EQ(ValueOf(Field::Quote, "EURUSD;1;2;3;4;5\r\n"), CellValue::OfText("EURUSD;1;2;3;4;5"));
  EXPECT_EQ(ValueOf(Field::Quote, "1.5"), CellValue::OfText("1.5"));
  // What the terminal sent that is no number is shown as it is.
  for (const char* odd : {"1,5", "abc", "1.5x", "1e5", "nan", "inf", " 1"})
    EXPECT_EQ(ValueOf(Field::Bid, odd), CellValue::OfText(odd)) << odd;
  EXPECT_EQ(ValueOf(Field::Time, "1700000000.5"), CellValue::OfText("1700000000.5"));
  EXPECT_EQ(ValueOf(Field::Time, "99999999999"), CellValue::OfText("99999999999"));
  // Nothing at all is no quote yet.
  EXPECT_EQ(ValueOf(Field::Bid, ""), CellValue::NotAvailable());
  EXPECT_EQ(ValueOf(Field::Quote, "\r\n"), CellValue::NotAvailable());
}

TEST(QuoteFields, TopicsNeedASymbolAndAKnownField) {
  TopicRequest ok = ParseTopic({"eurusd", "Bid"});
  ASSERT_TRUE(ok.valid);
  EXPECT_EQ(ok.symbol, "eurusd");
  EXPECT_EQ(ok.field, Field::Bid);
  EXPECT_EQ(ok.terminal, "") << "the default terminal";

  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{}, {"EURUSD"}, {"", "BID"}, {"", "BID", "icm"}}) {
    TopicRequest r = ParseTopic(bad);
    EXPECT_FALSE(r.valid) << bad.size();
    EXPECT_EQ(r.error, CellValue::OfText("Tickwell: use =RTD(\"Tickwell.Quotes\",,symbol,field)"));
  }
  TopicRequest field = ParseTopic({"EURUSD", "SPREAD"});
  EXPECT_FALSE(field.valid);
  EXPECT_EQ(field.error.text,
            "Tickwell: unknown field \"SPREAD\" (BID, ASK, LAST, TIME, VOLUME, QUOTE, HIGH, LOW)");
  EXPECT_EQ(NotRunningValue().kind, CellKind::Text);
}

TEST(QuoteFields, AThirdArgumentNamesTheTerminalByItsLabel) {
  const std::string longest(64, 'x');
  for (const std::string& label : {std::string("icm"), std::string("ICM_2"), longest}) {
    TopicRequest r = ParseTopic({"EURUSD", "ask", label});
    ASSERT_TRUE(r.valid) << label;
    EXPECT_EQ(r.terminal, label) << "kept as the cell spelt it";
    EXPECT_EQ(r.symbol, "EURUSD");
    EXPECT_EQ(r.field, Field::Ask);
  }
  TopicRequest empty = ParseTopic({"EURUSD", "BID", ""});
  ASSERT_TRUE(empty.valid);
  EXPECT_EQ(empty.terminal, "") << "an empty label is the default terminal";

  for (const std::string& bad : {std::string("i cm"), std::string(" icm"), std::string("a|b"),
                                 std::string("MT5-live"), longest + "x", std::string("icm\r\n")}) {
    TopicRequest r = ParseTopic({"EURUSD", "BID", bad});
    EXPECT_FALSE(r.valid) << bad;
    EXPECT_EQ(r.error, CellValue::OfText("Tickwell: bad terminal \"" + bad +
                                         "\" (1 to 64 letters, digits and _)"));
  }
  // A bad field is named first; a fourth argument is never taken.
  EXPECT_EQ(ParseTopic({"EURUSD", "SPREAD", "a b"}).error.text.rfind("Tickwell: unknown field", 0),
            0u);
  for (const std::vector<std::string>& many :
       {std::vector<std::string>{"EURUSD", "BID", "icm", "x"}, {"EURUSD", "BID", "", ""}}) {
    TopicRequest r = ParseTopic(many);
    EXPECT_FALSE(r.valid);
    EXPECT_EQ(r.error, CellValue::OfText(
                           "Tickwell: use =RTD(\"Tickwell.Quotes\",,symbol,field[,terminal])"));
  }
}

}  // namespace
}  // namespace rtd
