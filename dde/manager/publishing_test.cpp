#include <gtest/gtest.h>

#include "dde/manager/manager.h"
#include "dde/tables/exceptions.h"

namespace tickwell {
namespace {

class PublishingTest : public ::testing::Test {
 protected:
  PublishingTest() {
    m.SetScope(ddeServerOnly);
    m.AddService("MT5");
    m.SetServiceEnabled("MT5", true);
  }
  ~PublishingTest() override { SetDataCompareDisabled(false); }
  TDDEMLManager m;
};

TEST_F(PublishingTest, ValuesCreateTheirTopicAndItemAndStayAcrossARestart) {
  ASSERT_TRUE(m.InitDDEML());
  m.SetItemText("mt5", "EURUSD", "BID", "1.08501");
  TDDEMLItem* bid = m.FindItem("MT5", "eurusd", "bid");
  ASSERT_NE(bid, nullptr);
  EXPECT_EQ(bid->Text(), "1.08501");
  EXPECT_EQ(m.FindService("MT5")->TopicCount(), 1);
  // AddItem returns what exists, and makes what does not.
  EXPECT_EQ(m.AddItem("MT5", "EURUSD", "BID"), bid);
  TDDEMLItem* ask = m.AddItem("MT5", "GBPUSD", "ASK");
  ASSERT_NE(ask, nullptr);
  EXPECT_EQ(m.FindService("MT5")->TopicCount(), 2);
  EXPECT_EQ(m.AddItem("NOPE", "GBPUSD", "ASK"), nullptr);
  // A service never added takes nothing, silently.
  m.SetItemText("NOPE", "EURUSD", "BID", "1");
  EXPECT_EQ(m.FindItem("NOPE", "EURUSD", "BID"), nullptr);

  // The items stay across a stop and a start, found by their names, with their values.
  m.TerminateDDEML();
  ASSERT_TRUE(m.InitDDEML());
  EXPECT_EQ(m.FindItem("MT5", "EURUSD", "BID"), bid);
  m.SetItemText("MT5", "EURUSD", "BID", "1.2");
  EXPECT_EQ(m.FindItem("MT5", "EURUSD", "BID"), bid);
  EXPECT_EQ(bid->Text(), "1.2");
  EXPECT_EQ(m.FindService("MT5")->TopicCount(), 2);
  EXPECT_EQ(m.Services().ServiceCount(), 1);
}

TEST_F(PublishingTest, ItemsOfOneTopicSetTogetherActAsEachSetAlone) {
  ASSERT_TRUE(m.InitDDEML());
  m.SetItemText("MT5", "EURUSD", "BID", "1");
  m.FindService("MT5")->AddAdvise("EURUSD", "BID", 1);
  m.FindService("MT5")->AddAdvise("EURUSD", "ASK", 1);
  const auto posts = m.AdvisePosts();
  const TDDEMLManager::TItemText items[] = {{"bid", "1"}, {"ASK", "2"}, {"LAST", "3"}};
  m.SetItemTexts("mt5", "eurusd", items);
  EXPECT_EQ(m.AdvisePosts(), posts + 1);  // ASK changed and is linked; BID is unchanged
  EXPECT_EQ(m.FindItem("MT5", "EURUSD", "LAST")->Text(), "3");
  EXPECT_EQ(m.FindService("MT5")->TopicCount(), 1);
  m.SetItemTexts("MT5", "GBPUSD", items);  // a new topic is made, as by SetItemText
  EXPECT_EQ(m.FindItem("MT5", "GBPUSD", "BID")->Text(), "1");
  m.SetItemTexts("MT5", "USDJPY", {});  // nothing to set makes nothing
  EXPECT_EQ(m.FindService("MT5")->TopicCount(), 2);
  m.SetItemTexts("NOPE", "EURUSD", items);
  EXPECT_EQ(m.FindItem("NOPE", "EURUSD", "BID"), nullptr);
  // Outside the server scope it fails as SetItemText does.
  m.SetScope(ddeClientOnly);
  EXPECT_THROW(m.SetItemTexts("MT5", "EURUSD", items), ETarvoScopeError);
}

TEST_F(PublishingTest, AnItemSetInSeveralTopicsReachesItsOwnItemInEach) {
  ASSERT_TRUE(m.InitDDEML());
  // The item sits at a different place in each topic, so a place carried over from the topic
  // before is wrong in every one of them.
  for (const char* item : {"A", "B", "EURUSD"}) m.SetItemText("MT5", "BID", item, "0");
  m.SetItemText("MT5", "ASK", "EURUSD", "0");
  for (const char* item : {"A", "B", "C", "D"}) m.SetItemText("MT5", "TIME", item, "0");
  m.FindService("MT5")->AddAdvise("ASK", "EURUSD", 1);
  const auto posts = m.AdvisePosts();
  const TDDEMLManager::TTopicText fields[] = {
      {"bid", "1.1"}, {"ASK", "1.2"}, {"TIME", "9:52"}, {"QUOTE", "q"}};
  m.SetItemInTopics("mt5", "eurusd", fields);
  EXPECT_EQ(m.AdvisePosts(), posts + 1);  // the linked ASK changed
  for (const auto& field : fields)
    EXPECT_EQ(m.FindItem("MT5", field.Topic, "EURUSD")->Text(), field.Text) << field.Topic;
  // Nothing else took a value: the neighbours kept theirs, and no item was made twice.
  for (const char* item : {"A", "B"}) EXPECT_EQ(m.FindItem("MT5", "BID", item)->Text(), "0");
  for (const char* item : {"A", "B", "C", "D"})
    EXPECT_EQ(m.FindItem("MT5", "TIME", item)->Text(), "0");
  EXPECT_EQ(m.FindService("MT5")->FindTopic("TIME")->ItemCount(), 5);
  EXPECT_EQ(m.FindService("MT5")->FindTopic("QUOTE")->ItemCount(), 1);
  // Again, now that the item is in every topic.
  const TDDEMLManager::TTopicText again[] = {{"BID", "2.1"}, {"TIME", "9:53"}, {"ASK", "2.2"}};
  m.SetItemInTopics("MT5", "EURUSD", again);
  for (const auto& field : again)
    EXPECT_EQ(m.FindItem("MT5", field.Topic, "EURUSD")->Text(), field.Text) << field.Topic;
  EXPECT_EQ(m.FindItem("MT5", "TIME", "D")->Text(), "0");
  m.SetItemInTopics("NOPE", "EURUSD", again);
  EXPECT_EQ(m.FindItem("NOPE", "BID", "EURUSD"), nullptr);
  m.SetScope(ddeClientOnly);
  EXPECT_THROW(m.SetItemInTopics("MT5", "EURUSD", again), ETarvoScopeError);
}

TEST_F(PublishingTest, KeptPlacesAreUsedOnlyWhileEveryNameLeadsWhereItDid) {
  m.AddService("MT4");
  m.SetServiceEnabled("MT4", true);
  using Text = TDDEMLManager::TItemText;
  TDDEMLManager::TItemPlaces places;
  const auto set = [&](const char* service, const char* bid, const char* ask) {
    const Text texts[] = {{"BID", bid, 0}, {"ASK", ask, 1}};
    m.SetItemTexts(service, "EURUSD", texts, &places);
  };
  const auto text = [&](const char* service, const char* item) {
    const TDDEMLItem* found = m.FindItem(service, "EURUSD", item);
    return found ? found->Text() : std::string("<none>");
  };
  // Texts set before the service has its name go to items no client finds. Naming the service
  // lets no name go, so those items must not be kept: the texts after it reach the named ones.
  set("MT5", "0.9", "1.9");
  ASSERT_TRUE(m.InitDDEML());
  set("MT5", "1", "2");
  EXPECT_EQ(text("MT5", "BID"), "1");
  EXPECT_EQ(places.Items[0], m.FindItem("MT5", "EURUSD", "BID"));
  EXPECT_EQ(places.Items[1], m.FindItem("MT5", "EURUSD", "ASK"));
  // Through the kept places: the same values and posts as by name.
  m.FindService("MT5")->AddAdvise("EURUSD", "ASK", 1);
  const auto posts = m.AdvisePosts();
  set("MT5", "1.5", "2.5");
  EXPECT_EQ(text("MT5", "BID"), "1.5");
  EXPECT_EQ(text("MT5", "ASK"), "2.5");
  EXPECT_EQ(m.AdvisePosts(), posts + 1);
  // Named for another service, the places lead to that service's own items.
  set("MT4", "9", "8");
  EXPECT_EQ(text("MT4", "BID"), "9");
  EXPECT_EQ(text("MT5", "BID"), "1.5");
  set("MT5", "1.6", "2.6");
  // The topic removed: its items are gone, and the next texts make them afresh.
  ASSERT_TRUE(m.FindService("MT5")->RemoveTopic("EURUSD"));
  set("MT5", "1.7", "2.7");
  EXPECT_EQ(text("MT5", "BID"), "1.7");
  // DDE stopped and started: the old items keep no name, and new ones answer to it; the texts
  // reach the ones a client finds.
  m.TerminateDDEML();
  ASSERT_TRUE(m.InitDDEML());
  set("MT5", "1.8", "2.8");
  EXPECT_EQ(text("MT5", "BID"), "1.8");
  EXPECT_EQ(text("MT5", "ASK"), "2.8");

  // One item in several topics: each entry keeps its topic's item, whichever texts a call has.
  TDDEMLManager::TItemPlaces fields;
  const TDDEMLManager::TTopicText plain[] = {{"BID", "1", 0}, {"TIME", "9:52", 4}};
  const TDDEMLManager::TTopicText ranged[] = {
      {"BID", "2", 0}, {"HIGH", "3", 2}, {"TIME", "9:53", 4}};
  m.SetItemInTopics("MT4", "GBPUSD", plain, &fields);
  m.SetItemInTopics("MT4", "GBPUSD", ranged, &fields);
  m.SetItemInTopics("MT4", "GBPUSD", plain, &fields);
  EXPECT_EQ(m.FindItem("MT4", "BID", "GBPUSD")->Text(), "1");
  EXPECT_EQ(m.FindItem("MT4", "HIGH", "GBPUSD")->Text(), "3");
  EXPECT_EQ(m.FindItem("MT4", "TIME", "GBPUSD")->Text(), "9:52");
  EXPECT_EQ(fields.Items[2], m.FindItem("MT4", "HIGH", "GBPUSD"));
}

TEST_F(PublishingTest, OnlyChangedItemsWithLinksArePosted) {
  ASSERT_TRUE(m.InitDDEML());
  m.SetItemText("MT5", "EURUSD", "BID", "1E5");
  m.FindService("MT5")->AddAdvise("EURUSD", "BID", 1);
  const auto posts = m.AdvisePosts();
  m.SetItemText("MT5", "EURUSD", "BID", "1e5");  // equal but for letter case
  EXPECT_EQ(m.AdvisePosts(), posts);
  EXPECT_EQ(m.FindItem("MT5", "EURUSD", "BID")->Text(), "1e5");  // stored all the same
  m.SetItemText("MT5", "EURUSD", "BID", "2");
  EXPECT_EQ(m.AdvisePosts(), posts + 1);
  m.SetItemText("MT5", "EURUSD", "ASK", "3");  // no link
  EXPECT_EQ(m.AdvisePosts(), posts + 1);
  // A value stored while nobody linked is what a later link's values are compared with.
  m.FindService("MT5")->AddAdvise("EURUSD", "ASK", 1);
  m.SetItemText("MT5", "EURUSD", "ASK", "3");
  EXPECT_EQ(m.AdvisePosts(), posts + 1);
  m.SetItemText("MT5", "EURUSD", "ASK", "4");
  EXPECT_EQ(m.AdvisePosts(), posts + 2);
  // With comparison off every value counts.
  m.SetCompareServerItemData(false);
  m.SetItemText("MT5", "EURUSD", "BID", "2");
  EXPECT_EQ(m.AdvisePosts(), posts + 3);
}

TEST_F(PublishingTest, WildConnectPairsAreKeptOnceEach) {
  m.AddWildConnect("MT5", "EURUSD");
  m.AddWildConnect("mt5", "eurusd");
  m.AddWildConnect("MT5", "");
  m.AddWildConnect("NOPE", "EURUSD");
  m.AddWildConnect("MT5", "GBPUSD");
  ASSERT_EQ(m.WildConnectCount(), 2);
  EXPECT_EQ(m.WildConnectService(0), "MT5");
  EXPECT_EQ(m.WildConnectTopic(1), "GBPUSD");
  EXPECT_EQ(m.WildConnectService(-1), "");
  EXPECT_EQ(m.WildConnectTopic(2), "");
  m.ClearWildConnects();
  EXPECT_EQ(m.WildConnectCount(), 0);
}

TEST_F(PublishingTest, ServerOperationsNeedServerScope) {
  m.SetScope(ddeClientOnly);
  EXPECT_THROW(m.SetItemData("MT5", "A", "B", 1, 0), ETarvoScopeError);
  EXPECT_THROW(m.ServiceExists("MT5"), ETarvoScopeError);
  EXPECT_NE(m.FindService("MT5"), nullptr);  // lookups are not checked
  m.SetScope(ddeClientAndServer);
  EXPECT_TRUE(m.ServiceExists("mt5"));
}

}  // namespace
}  // namespace tickwell
