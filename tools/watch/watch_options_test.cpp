// tickwell-watch's command line: the spreadsheet's link form and the errors of bad lines.
#include "tools/watch/watch_options.h"

#include <gtest/gtest.h>

namespace watch {
namespace {

struct Parsed {
  bool ok;
  Options options;
  std::string error;
};

Parsed Parse(const std::vector<std::string>& args) {
  Parsed p;
  p.ok = ParseOptions(args, p.options, p.error);
  return p;
}

TEST(WatchOptions, ASpreadsheetLinkNamesServiceTopicAndItem) {
  Parsed link = Parse({"MT5|EURUSD!BID"});
  ASSERT_TRUE(link.ok) << link.error;
  EXPECT_EQ(link.options.service, "MT5");
  EXPECT_EQ(link.options.topic, "EURUSD");
  EXPECT_EQ(link.options.items, std::vector<std::string>{"BID"});
  EXPECT_TRUE(link.options.request);

  // More items after the link, options anywhere, a link without an item before its items.
  Parsed more = Parse({"-a", "MT5|EURUSD!BID", "ASK", "LAST", "-n", "3"});
  ASSERT_TRUE(more.ok) << more.error;
  EXPECT_EQ(more.options.items, (std::vector<std::string>{"BID", "ASK", "LAST"}));
  EXPECT_TRUE(more.options.advise);
  Parsed bare = Parse({"MT5|EURUSD", "ASK"});
  ASSERT_TRUE(bare.ok) << bare.error;
  EXPECT_EQ(bare.options.topic, "EURUSD");
  EXPECT_EQ(bare.options.items, std::vector<std::string>{"ASK"});

  // The two-word form is unchanged; a topic may hold a dot.
  Parsed words = Parse({"MT5", "EUR.USD", "BID"});
  ASSERT_TRUE(words.ok) << words.error;
  EXPECT_EQ(words.options.topic, "EUR.USD");
  Parsed dotted = Parse({"MT5|EUR.USD!BID"});
  ASSERT_TRUE(dotted.ok) << dotted.error;
  EXPECT_EQ(dotted.options.topic, "EUR.USD");

  // A wild list through the link form.
  Parsed list = Parse({"*|*", "--list"});
  ASSERT_TRUE(list.ok) << list.error;
  EXPECT_EQ(list.options.service, "");
  EXPECT_EQ(list.options.topic, "");
}

TEST(WatchOptions, ALinkIsTakenAsASpreadsheetCellWritesIt) {
  // The formula's "=", and names in single quotes (a quote inside doubled) as a spreadsheet
  // writes names holding dots, spaces or the link's own marks.
  struct Case {
    const char* link;
    const char* service;
    const char* topic;
    const char* item;
  };
  const Case cases[] = {
      {"=MT5|EURUSD!BID", "MT5", "EURUSD", "BID"},
      {"MT5|'EURUSD.m'!BID", "MT5", "EURUSD.m", "BID"},
      {"=MT5|'EURUSD.m'!'BID'", "MT5", "EURUSD.m", "BID"},
      {"='MT5'|'EUR USD'!BID", "MT5", "EUR USD", "BID"},
      {"MT5|'it''s'!BID", "MT5", "it's", "BID"},
      {"MT5|'A!B|C'!'''Q'''", "MT5", "A!B|C", "'Q'"},
      // A quote inside a name not written in quotes is the name's own.
      {"MT5|EUR'USD!BID", "MT5", "EUR'USD", "BID"},
  };
  for (const Case& c : cases) {
    Parsed p = Parse({c.link, "ASK"});
    ASSERT_TRUE(p.ok) << c.link << ": " << p.error;
    EXPECT_EQ(p.options.service, c.service) << c.link;
    EXPECT_EQ(p.options.topic, c.topic) << c.link;
    EXPECT_EQ(p.options.items, (std::vector<std::string>{c.item, "ASK"})) << c.link;
  }
  Parsed bare = Parse({"=MT5|'EURUSD.m'", "ASK"});
  ASSERT_TRUE(bare.ok) << bare.error;
  EXPECT_EQ(bare.options.topic, "EURUSD.m");
  EXPECT_EQ(bare.options.items, std::vector<std::string>{"ASK"});
}

TEST(WatchOptions, ALinkThatDoesNotReadIsRefusedByName) {
  for (const char* bad : {"|EURUSD!BID", "MT5|!BID", "MT5|EURUSD!", "MT5|", "MT5|EUR|USD!BID",
                          "=|EURUSD!BID", "MT5|''!BID", "MT5|'EURUSD.m!BID", "MT5|'EURUSD'.m!BID",
                          "MT5|EURUSD!'BID", "MT5|EURUSD!BID|X"}) {
    Parsed p = Parse({bad});
    EXPECT_FALSE(p.ok) << bad;
    std::string expected = "\"";
    expected.append(bad).append("\" is not SERVICE|TOPIC!ITEM");
    EXPECT_EQ(p.error, expected);
  }
  // Without an item to request, a link alone is the same fault as two words alone.
  Parsed no_item = Parse({"MT5|EURUSD"});
  EXPECT_FALSE(no_item.ok);
  EXPECT_EQ(no_item.error, "name at least one ITEM to request or advise");
  Parsed alone = Parse({"MT5"});
  EXPECT_FALSE(alone.ok);
  EXPECT_EQ(alone.error, "SERVICE and TOPIC are required (or SERVICE|TOPIC!ITEM)");
}

}  // namespace
}  // namespace watch
