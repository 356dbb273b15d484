// Topics sharing links, and the changes Excel takes.
#include <gtest/gtest.h>

#include "rtd/topic_table.h"

namespace rtd {
namespace {

using Changes = std::vector<std::pair<long, CellValue>>;

TEST(TopicTable, TopicsOnOneSymbolAndFieldShareALinkWhateverTheCase) {
  TopicTable table;
  EXPECT_TRUE(table.Add(1, KeyOf("EURUSD", Field::Bid)));
  EXPECT_FALSE(table.Add(2, KeyOf("eurusd", Field::Bid)));
  EXPECT_TRUE(table.Add(3, KeyOf("EURUSD", Field::Ask)));
  EXPECT_EQ(table.Links(), 2u);
  EXPECT_EQ(table.Topics(), 3u);

  LinkKey dropped;
  EXPECT_FALSE(table.Remove(1, &dropped)) << "topic 2 still uses the link";
  EXPECT_TRUE(table.Remove(2, &dropped));
  EXPECT_EQ(dropped, KeyOf("EURUSD", Field::Bid));
  EXPECT_FALSE(table.Remove(2)) << "already gone";
  EXPECT_FALSE(table.Remove(99));
  EXPECT_EQ(table.Links(), 1u);

  // An id Excel reuses moves to its new link, and its old link goes if nothing else used it.
  EXPECT_TRUE(table.Add(3, KeyOf("GBPUSD", Field::Ask)));
  EXPECT_EQ(table.LinkKeys(), std::vector<LinkKey>{KeyOf("GBPUSD", Field::Ask)});
}

TEST(TopicTable, EachTerminalHasItsOwnLinksAndValues) {
  TopicTable table;
  const LinkKey plain = KeyOf("EURUSD", Field::Bid), icm = KeyOf("eurusd", Field::Bid, "icm");
  EXPECT_EQ(KeyOf("EURUSD", Field::Bid, ""), plain);
  EXPECT_NE(plain, icm);
  EXPECT_EQ(icm, KeyOf("EURUSD", Field::Bid, "ICM")) << "labels compare as DDE names do";
  EXPECT_TRUE(table.Add(1, plain));
  EXPECT_TRUE(table.Add(2, icm));
  EXPECT_FALSE(table.Add(3, KeyOf("EURUSD", Field::Bid, "Icm")));
  EXPECT_TRUE(table.Add(4, KeyOf("EURUSD", Field::Bid, "icm2")));
  EXPECT_EQ(table.Links(), 3u);

  table.Set(plain, CellValue::OfNumber(1.1));
  table.Set(icm, CellValue::OfNumber(2.2));
  EXPECT_EQ(table.TakeChanges(), (Changes{{1, CellValue::OfNumber(1.1)},
                                          {2, CellValue::OfNumber(2.2)},
                                          {3, CellValue::OfNumber(2.2)}}));
  EXPECT_EQ(table.Value(plain), CellValue::OfNumber(1.1));
  EXPECT_EQ(table.Value(KeyOf("EURUSD", Field::Bid, "icm2")), CellValue::NotAvailable());

  LinkKey dropped;
  EXPECT_FALSE(table.Remove(2, &dropped));
  EXPECT_TRUE(table.Remove(3, &dropped));
  EXPECT_EQ(dropped.terminal, "ICM");
  EXPECT_EQ(table.Value(plain), CellValue::OfNumber(1.1)) << "the default's link stays";
}

TEST(TopicTable, ChangesListEachTopicOnceWithItsLatestValue) {
  TopicTable table;
  const LinkKey bid = KeyOf("EURUSD", Field::Bid), ask = KeyOf("EURUSD", Field::Ask);
  table.Add(10, bid);
  table.Add(11, bid);
  table.Add(12, ask);
  EXPECT_FALSE(table.HasChanges());

  EXPECT_TRUE(table.Set(bid, CellValue::OfNumber(1)));
  EXPECT_FALSE(table.Set(bid, CellValue::OfNumber(2))) << "already marked: no second notice";
  EXPECT_TRUE(table.Set(ask, CellValue::OfNumber(3)));
  EXPECT_FALSE(table.Set(KeyOf("XAUUSD", Field::Bid), CellValue::OfNumber(4))) << "no such link";
  EXPECT_EQ(table.TakeChanges(), (Changes{{10, CellValue::OfNumber(2)},
                                          {11, CellValue::OfNumber(2)},
                                          {12, CellValue::OfNumber(3)}}));
  EXPECT_TRUE(table.TakeChanges().empty());

  // The same value again is no change; a dropped topic is not listed.
  EXPECT_FALSE(table.Set(bid, CellValue::OfNumber(2)));
  table.Set(bid, CellValue::OfNumber(5));
  table.Remove(10);
  table.Settle(11);
  EXPECT_FALSE(table.HasChanges()) << "settled: its value was just handed over";
  table.Set(bid, CellValue::OfNumber(6));
  EXPECT_EQ(table.TakeChanges(), (Changes{{11, CellValue::OfNumber(6)}}));
  EXPECT_EQ(table.Value(bid), CellValue::OfNumber(6));
  EXPECT_EQ(table.Value(KeyOf("XAUUSD", Field::Bid)), CellValue::NotAvailable());
}

}  // namespace
}  // namespace rtd
