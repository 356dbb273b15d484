#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "dde/model/model_test_instance.h"
#include "dde/model/service_list.h"

namespace tickwell {
namespace {

using testing::ModelInstance;

class Services : public ::testing::Test {
 protected:
  void SetUp() override {
    list_.OnServiceError = [this](TObject& sender, int code, const std::string& text) {
      EXPECT_EQ(&sender, &list_);
      errors_.emplace_back(code, text);
    };
  }
  std::vector<std::pair<int, std::string>> TakeErrors() { return std::exchange(errors_, {}); }

  ModelInstance inst_;
  TDDEMLServicesList list_;
  std::vector<std::pair<int, std::string>> errors_;
};

TEST_F(Services, NamesAreUniqueAndSortedWhateverTheCase) {
  for (const char* name : {"MT5", "mt5", "Excel", "alpha", "ZED"}) list_.Add(name);
  ASSERT_EQ(list_.ServiceCount(), 4);
  EXPECT_EQ(list_.ServiceName(0), "alpha");
  EXPECT_EQ(list_.ServiceName(1), "Excel");
  EXPECT_EQ(list_.ServiceName(2), "MT5");
  EXPECT_EQ(list_.ServiceName(4), "");
  EXPECT_EQ(list_.Items(-1), nullptr);
  EXPECT_EQ(list_.FindService("mT5"), list_.Items(2));
  EXPECT_FALSE(list_.ServiceExists("MT"));
  list_.SetServiceEnabled("excel", true);
  list_.SetServiceEnabled("absent", true);
  EXPECT_TRUE(list_.Items(1)->Enabled);
  EXPECT_FALSE(list_.Items(2)->Enabled);
}

TEST_F(Services, RegistrationReportsEachMisuse) {
  EXPECT_FALSE(list_.RegisterAll(inst_.id(), true));  // empty list
  list_.Add("MT5");
  list_.Add("OTHER");
  EXPECT_FALSE(list_.RegisterAll(inst_.id(), true));  // none enabled
  EXPECT_EQ(TakeErrors(), (std::vector<std::pair<int, std::string>>{{-10, ""}, {-10, ""}}));

  TDDEMLService* mt5 = list_.FindService("MT5");
  EXPECT_FALSE(mt5->Register(inst_.id(), false));  // never registered
  EXPECT_EQ(TakeErrors(), (std::vector<std::pair<int, std::string>>{{-12, ""}}));

  list_.SetServiceEnabled("MT5", true);
  EXPECT_TRUE(list_.RegisterAll(inst_.id(), true));
  EXPECT_TRUE(mt5->Registered);
  EXPECT_FALSE(list_.FindService("OTHER")->Registered);
  EXPECT_EQ(mt5->ReadName(), "MT5");
  EXPECT_EQ(list_.FindServiceByHandle(mt5->Handle()), mt5);
  EXPECT_FALSE(mt5->Register(inst_.id(), true));  // already registered: it stays so
  EXPECT_TRUE(mt5->Registered);
  EXPECT_EQ(TakeErrors(), (std::vector<std::pair<int, std::string>>{{-11, ""}}));
  EXPECT_TRUE(list_.RegisterAll(inst_.id(), false));
  EXPECT_FALSE(mt5->Registered);
  EXPECT_TRUE(TakeErrors().empty());
}

TEST_F(Services, TopicsAndItemsThroughTheService) {
  list_.Add("MT5");
  TDDEMLService* mt5 = list_.FindService("MT5");
  mt5->SetName(inst_.id(), "MT5");
  EXPECT_EQ(mt5->FindItem("EURUSD", "BID"), nullptr);
  EXPECT_EQ(mt5->TopicCount(), 0);  // looking creates nothing
  EXPECT_FALSE(mt5->ItemExists("EURUSD", "BID"));
  EXPECT_EQ(mt5->ItemDataHandle("EURUSD", "BID", 0), 0u);

  mt5->SetItemText("EURUSD", "BID", "1.0850");
  EXPECT_EQ(mt5->ItemText("eurusd", "bid"), "1.0850");
  ASSERT_NE(mt5->FindTopic("EurUsd"), nullptr);
  EXPECT_EQ(mt5->AddItem("EURUSD", "BID"), nullptr);
  EXPECT_NE(mt5->AddItem("GBPUSD", "ASK"), nullptr);
  EXPECT_EQ(mt5->TopicCount(), 2);

  // A name that arrives as a callback's handle makes a topic with a handle of its own.
  TDDEMLAtom incoming;
  incoming.SetName(inst_.id(), "USDJPY");
  EXPECT_TRUE(mt5->AddTopicByHandle(incoming.Handle()));
  TDDEMLTopic* byHandle = mt5->FindTopicByHandle(incoming.Handle());
  ASSERT_NE(byHandle, nullptr);
  EXPECT_EQ(byHandle, mt5->FindTopic("usdjpy"));
  incoming.Release();
  EXPECT_EQ(byHandle->ReadName(), "USDJPY");
  EXPECT_TRUE(mt5->RemoveTopic("UsdJpy"));
  EXPECT_FALSE(mt5->RemoveTopic("UsdJpy"));
  // A removed topic is not found by its handle any more, nor are topics once their handles are
  // released; a topic made again is.
  incoming.SetName(inst_.id(), "USDJPY");
  EXPECT_EQ(mt5->FindTopicByHandle(incoming.Handle()), nullptr);
  TDDEMLTopic* eurusd = mt5->FindTopic("EURUSD");
  EXPECT_EQ(mt5->FindTopicByHandle(eurusd->Handle()), eurusd);
  EXPECT_EQ(mt5->FindTopicByHandle(0), nullptr);
  ASSERT_TRUE(mt5->AddTopicByHandle(incoming.Handle()));
  EXPECT_EQ(mt5->FindTopicByHandle(incoming.Handle()), mt5->FindTopic("USDJPY"));
  mt5->RemoveTopics();
  EXPECT_EQ(mt5->FindTopicByHandle(incoming.Handle()), nullptr);
  {
    TDDEMLService other;
    other.SetName(inst_.id(), "MT4");
    ASSERT_TRUE(other.AddTopicByHandle(incoming.Handle()));
    EXPECT_NE(other.FindTopicByHandle(incoming.Handle()), nullptr);
    other.ReleaseHandles();
    EXPECT_EQ(other.FindTopicByHandle(incoming.Handle()), nullptr);
  }
  incoming.Release();
  mt5->SetItemText("EURUSD", "BID", "1.0850");

  // Busy only when the System topic's Status item says so.
  EXPECT_FALSE(mt5->IsBusy());
  mt5->AddItem("System", "Other");
  EXPECT_FALSE(mt5->IsBusy());
  mt5->SetItemText("SYSTEM", "status", "busy");
  EXPECT_TRUE(mt5->IsBusy());
  mt5->SetItemText("System", "Status", "BUSY ");
  EXPECT_FALSE(mt5->IsBusy());
}

TEST_F(Services, ChangedItemsReachTheServiceHook) {
  list_.Add("MT5");
  TDDEMLService* mt5 = list_.FindService("MT5");
  mt5->SetName(inst_.id(), "MT5");
  std::vector<std::string> posted;
  mt5->OnTopicAdvise = [&](TDDEMLService& s, TDDEMLTopic& topic, TDDEMLItem& item) {
    EXPECT_EQ(&s, mt5);
    EXPECT_EQ(topic.FindItem(item.ReadName()), &item);
    posted.push_back(topic.ReadName() + "/" + item.ReadName());
  };
  mt5->SetItemText("EURUSD", "BID", "1");  // no link
  mt5->AddAdvise("EURUSD", "BID", 1);
  mt5->SetItemText("EURUSD", "BID", "2");
  mt5->SetItemText("EURUSD", "BID", "2");
  EXPECT_EQ(posted, (std::vector<std::string>{"EURUSD/BID"}));
}

TEST_F(Services, ARestartServesTheTopicsAndItemsKeptFromTheLastInstance) {
  list_.Add("MT5");
  list_.SetServiceEnabled("MT5", true);
  ASSERT_TRUE(list_.RegisterAll(inst_.id(), true));
  TDDEMLService* mt5 = list_.FindService("MT5");
  TDDEMLTopic* before = mt5->FindOrAddTopic("EURUSD");
  before->SetItemText("BID", "1.5");
  before->SetItemText("Ask", "1.6");
  TDDEMLItem* bid = before->FindItem("BID");

  ASSERT_TRUE(list_.RegisterAll(inst_.id(), false));
  list_.ReleaseHandles();
  EXPECT_EQ(mt5->Handle(), 0u);
  EXPECT_EQ(mt5->InstanceId(), 0u);
  EXPECT_EQ(before->Handle(), 0u);
  EXPECT_EQ(bid->Handle(), 0u);  // every handle goes with the instance
  EXPECT_EQ(before->ReadName(), "EURUSD");
  ASSERT_EQ(before->ItemCount(), 2);  // items keep their names and values
  EXPECT_EQ(bid->Text(), "1.5");
  // With no instance the lookups find what is kept, by name, and make no second of it.
  EXPECT_EQ(mt5->FindTopic("eurusd"), before);
  EXPECT_EQ(mt5->FindItem("EURUSD", "bid"), bid);
  mt5->SetItemText("EURUSD", "BID", "1.7");
  mt5->SetItemText("GBPUSD", "BID", "1.2");  // made while no instance runs
  EXPECT_EQ(before->ItemCount(), 2);
  EXPECT_EQ(bid->Text(), "1.7");
  EXPECT_EQ(mt5->FindItem("GBPUSD", "BID")->Text(), "1.2");
  EXPECT_EQ(mt5->FindItem("GBPUSD", "ASK"), nullptr);
  inst_.Stop();

  inst_.Start();
  ASSERT_TRUE(list_.RegisterAll(inst_.id(), true));
  EXPECT_EQ(mt5->InstanceId(), inst_.id());
  EXPECT_EQ(mt5->FindOrAddTopic("eurusd"), before);
  EXPECT_EQ(mt5->TopicCount(), 2);
  EXPECT_EQ(mt5->FindTopicByHandle(before->Handle()), before);
  EXPECT_EQ(before->FindItemByHandle(bid->Handle()), bid);
  EXPECT_EQ(before->ItemText("bid"), "1.7");
  EXPECT_EQ(before->ItemNames(0), "Ask");
  EXPECT_EQ(mt5->ItemText("GBPUSD", "BID"), "1.2");
}

TEST_F(Services, StoredListRoundTripsAndRefusesTruncation) {
  list_.Add("MT5");
  list_.Add("Excel");
  list_.SetServiceEnabled("MT5", true);
  list_.FindService("Excel")->ServiceStrings.Add("first");
  list_.FindService("Excel")->ServiceStrings.Add(std::string(300, 'x'));
  TValueWriter writer;
  list_.WriteData(writer);
  const std::vector<std::uint8_t> bytes = writer.Take();

  TDDEMLServicesList copy;
  copy.Add("Old");
  TValueReader reader(bytes);
  copy.ReadData(reader);
  EXPECT_TRUE(reader.AtEnd());
  ASSERT_EQ(copy.ServiceCount(), 2);
  EXPECT_EQ(copy.ServiceName(0), "Excel");
  EXPECT_FALSE(copy.Items(0)->Enabled);
  EXPECT_EQ(copy.Items(0)->ServiceStrings.Items(),
            (std::vector<std::string>{"first", std::string(300, 'x')}));
  EXPECT_TRUE(copy.FindService("mt5")->Enabled);
  TValueWriter again;
  copy.WriteData(again);
  EXPECT_EQ(again.Data(), bytes);

  // Any cut of the stored bytes is refused and leaves the list as it was.
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    TDDEMLServicesList target;
    target.Add("Kept");
    TValueReader cut(std::span<const std::uint8_t>(bytes.data(), n));
    EXPECT_THROW(target.ReadData(cut), EStreamError) << n;
    ASSERT_EQ(target.ServiceCount(), 1);
    EXPECT_EQ(target.ServiceName(0), "Kept");
  }

  // Copies of the list carry names, flags and strings.
  TDDEMLServicesList assigned;
  assigned.Assign(list_);
  EXPECT_EQ(assigned.ServiceCount(), 2);
  EXPECT_EQ(assigned.Items(0)->ServiceStrings.Count(), 2);
  EXPECT_TRUE(assigned.FindService("MT5")->Enabled);
}

}  // namespace
}  // namespace tickwell
