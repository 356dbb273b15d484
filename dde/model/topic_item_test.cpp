#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dde/model/model_test_instance.h"
#include "dde/model/topic.h"

namespace tickwell {
namespace {

class TopicItem : public ::testing::Test {
 protected:
  void SetUp() override {
    topic_.SetName(inst_.id(), "EURUSD");
    topic_.OnItemChanged = [this](TDDEMLTopic& sender, TDDEMLItem& item) {
      EXPECT_EQ(&sender, &topic_);
      EXPECT_EQ(sender.FindItem(item.ReadName()), &item);
      announced_.push_back(item.ReadName());
    };
  }
  void TearDown() override { SetDataCompareDisabled(false); }

  testing::ModelInstance inst_;
  TDDEMLTopic topic_;
  std::vector<std::string> announced_;
};

TEST_F(TopicItem, ItemsAreFoundByTheHandleOfTheirNameUntilRemoved) {
  TDDEMLItem* bid = topic_.AddItem("BID");
  TDDEMLItem* ask = topic_.AddItem("ASK");
  // What a callback hands over: the instance's handle for the name, in any spelling.
  const platform::Hsz incoming = platform::DdeCreateStringHandle(inst_.id(), "bid");
  const platform::Hsz askName = platform::DdeCreateStringHandle(inst_.id(), "ASK");
  EXPECT_EQ(topic_.FindItemByHandle(incoming), bid);
  EXPECT_EQ(topic_.FindItemByHandle(askName), ask);
  EXPECT_EQ(topic_.FindItemByHandle(0), nullptr);
  EXPECT_EQ(topic_.FindItemByHandle(topic_.Handle()), nullptr);  // a name, but no item's
  EXPECT_TRUE(topic_.RemoveItem("BID"));
  EXPECT_EQ(topic_.FindItemByHandle(incoming), nullptr);
  EXPECT_EQ(topic_.FindItemByHandle(askName), ask);
  topic_.RemoveItem("");
  EXPECT_EQ(topic_.FindItemByHandle(askName), nullptr);
  TDDEMLItem* again = topic_.FindOrAddItem("Bid");
  EXPECT_EQ(topic_.FindItemByHandle(incoming), again);
  platform::DdeFreeStringHandle(inst_.id(), incoming);
  platform::DdeFreeStringHandle(inst_.id(), askName);
}

TEST_F(TopicItem, AValueHoldingAZeroByteIsComparedWhole) {
  topic_.AddAdvise("BID", 1);
  const std::string_view withZero("1.5\0x", 5);
  topic_.SetItemText("BID", withZero);
  topic_.SetItemText("BID", "1.5");  // the part before the zero byte is not the value
  topic_.SetItemText("BID", withZero);
  EXPECT_EQ(announced_.size(), 3u);
  topic_.SetItemText("BID", std::string_view("1.5\0X", 5));  // the same but for case
  EXPECT_EQ(announced_.size(), 3u);
  EXPECT_EQ(topic_.FindItem("BID")->Text(), std::string("1.5\0X", 5));
}

TEST_F(TopicItem, ChangesAreAnnouncedOnlyWhenTheyChangeSomething) {
  topic_.SetItemText("BID", "1.10");  // no link yet: stored, not announced
  EXPECT_EQ(topic_.ItemText("bid"), "1.10");
  EXPECT_TRUE(announced_.empty());

  topic_.AddAdvise("BID", 1);
  topic_.SetItemText("BID", "1.10");
  EXPECT_TRUE(announced_.empty());
  topic_.SetItemText("BID", "1.1");
  topic_.SetItemText("BID", "1.10");  // longer text of the same start differs too
  EXPECT_EQ(announced_, (std::vector<std::string>{"BID", "BID"}));

  topic_.SetItemText("BID", "abc");
  announced_.clear();
  topic_.SetItemText("bid", "ABC");  // same value but for case: stored, not announced
  EXPECT_EQ(topic_.ItemText("BID"), "ABC");
  EXPECT_TRUE(announced_.empty());

  SetDataCompareDisabled(true);
  topic_.SetItemText("BID", "ABC");
  topic_.SetItemText("BID", "ABC");
  EXPECT_EQ(announced_.size(), 2u);
  SetDataCompareDisabled(false);

  // Suppressed while the manager answers a request; deferral is the service's business.
  TDDEMLItem* bid = topic_.FindItem("BID");
  announced_.clear();
  bid->PostMode = pmSuppress;
  topic_.SetItemText("BID", "1");
  EXPECT_TRUE(announced_.empty());
  EXPECT_EQ(bid->Text(), "1");
  bid->PostMode = pmDefer;
  topic_.SetItemText("BID", "2");
  EXPECT_EQ(announced_.size(), 1u);

  // Received data is announced without comparing.
  bid->PostMode = pmPostNow;
  const std::string same = "2";
  const platform::HddeData h =
      platform::DdeCreateDataHandle(inst_.id(), same.c_str(), 2, 0, 0, 1, 0);
  topic_.SetItemData("BID", 1, h);
  platform::DdeFreeDataHandle(h);
  EXPECT_EQ(announced_.size(), 2u);
}

TEST_F(TopicItem, AdviseLinksAreCounted) {
  topic_.AddAdvise("ASK", 1);
  topic_.AddAdvise("ask", 13);
  TDDEMLItem* ask = topic_.FindItem("Ask");
  ASSERT_NE(ask, nullptr);
  EXPECT_EQ(ask->AdviseFormat, 13);
  ask->RemoveAdviseLink();
  EXPECT_EQ(ask->LinkState, lsServer);
  EXPECT_EQ(ask->AdviseCount, 1);
  ask->RemoveAdviseLink();
  EXPECT_EQ(ask->LinkState, lsNone);
  EXPECT_EQ(ask->AdviseCount, 0);
  ask->RemoveAdviseLink();
  EXPECT_EQ(ask->AdviseCount, 0);
  // Client link states are not server links and are not counted down.
  ask->LinkState = lsHot;
  ask->RemoveAdviseLink();
  EXPECT_TRUE(ask->IsHotLink());
  EXPECT_TRUE(ask->HasClientLink());
}

TEST_F(TopicItem, PendingTransactions) {
  TDDEMLItem* item = topic_.AddItem("LAST");
  item->AddTransaction(7, 0x1030);
  item->AddTransaction(9, 0x20B0);
  item->AddTransaction(7, 0x8040);
  EXPECT_EQ(item->TransactionCount(), 2);
  std::uint16_t type = 0;
  EXPECT_TRUE(topic_.TransactionType("last", 7, type));
  EXPECT_EQ(type, 0x8040);
  EXPECT_FALSE(topic_.TransactionType("missing", 7, type));
  EXPECT_FALSE(item->TransactionType(8, type));
  EXPECT_EQ(item->TransactionId(1), 9u);
  EXPECT_EQ(item->TransactionId(2), 0u);
  EXPECT_EQ(item->TransactionId(-1), 0u);
  item->RemoveTransaction(7);
  item->RemoveTransaction(7);
  EXPECT_EQ(item->TransactionCount(), 1);
  EXPECT_EQ(item->TransactionId(0), 9u);
}

TEST_F(TopicItem, ItemsAreKeptByNameWhateverTheCase) {
  EXPECT_FALSE(topic_.RemoveItem("BID"));  // no items at all
  for (const char* name : {"VOLUME", "bid", "Ask", "TIME", "QUOTE", "last"})
    ASSERT_NE(topic_.AddItem(name), nullptr);
  topic_.SetItemText("BID", "1.5");
  EXPECT_EQ(topic_.AddItem("BID"), nullptr);  // exists: the old one is untouched
  EXPECT_EQ(topic_.ItemText("Bid"), "1.5");
  EXPECT_EQ(topic_.ItemCount(), 6);
  std::vector<std::string> names;
  // DDEML keeps a name's first spelling system-wide, so only the order is certain.
  for (int i = 0; i < topic_.ItemCount(); ++i) names.push_back(NameKey(topic_.ItemNames(i)));
  EXPECT_EQ(names, (std::vector<std::string>{"ASK", "BID", "LAST", "QUOTE", "TIME", "VOLUME"}));
  EXPECT_EQ(topic_.ItemNames(6), "");
  EXPECT_EQ(topic_.Items(-1), nullptr);
  EXPECT_EQ(topic_.ItemDataHandle("missing", 0), 0u);
  EXPECT_EQ(topic_.ItemText("missing"), "");

  EXPECT_TRUE(topic_.RemoveItem("time"));
  EXPECT_FALSE(topic_.RemoveItem("time"));
  topic_.DeleteItem(topic_.FindItem("QUOTE"));
  EXPECT_EQ(topic_.ItemCount(), 4);
  EXPECT_FALSE(topic_.RemoveItem(""));  // empties the topic, and says false
  EXPECT_EQ(topic_.ItemCount(), 0);
}

TEST_F(TopicItem, CopiesCarryLinksTransactionsAndValues) {
  topic_.AddAdvise("BID", 1);
  topic_.SetItemText("BID", "1.25");
  topic_.FindItem("BID")->AddTransaction(3, 0x1030);
  TDDEMLTopic copy;
  copy.SetName(inst_.id(), "COPY");
  copy.AddItem("OLD");
  copy.Assign(topic_);
  ASSERT_EQ(copy.ItemCount(), 1);
  const TDDEMLItem* item = copy.FindItem("bid");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->LinkState, lsServer);
  EXPECT_EQ(item->Text(), "1.25");
  EXPECT_EQ(item->TransactionId(0), 3u);
}

}  // namespace
}  // namespace tickwell
