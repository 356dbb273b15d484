// Conversations with a live partner in the model, where client and server share the test's
// thread, and with failures the model forces.
#include <gtest/gtest.h>

#include <vector>

#include "dde/model/conversation.h"
#include "dde/model/model_test_instance.h"
#include "platform/sim/ddeml_sim.h"

namespace tickwell {
namespace {

class LiveConversation : public ::testing::Test {
 protected:
  void SetUp() override {
    service_.SetName(server_.id(), "SRV");
    ASSERT_NE(platform::DdeNameService(server_.id(), service_.Handle(), platform::kDnsRegister),
              0u);
    topicName_.SetName(client_.id(), "TOPIC");
    serviceName_.SetName(client_.id(), "SRV");
    conv_.IsServer = false;
    conv_.InstanceId = client_.id();
    conv_.ClientService = new TDDEMLService;
    conv_.ClientService->Name = "SRV";
    conv_.Topic = new TDDEMLTopic;
    conv_.Topic->SetName(client_.id(), "TOPIC");
    conv_.OnConvError = [this](TObject&, int code, const std::string& text) {
      errors_.push_back(std::to_string(code) + " " + text);
    };
    const platform::Hconv h =
        platform::DdeConnect(client_.id(), serviceName_.Handle(), topicName_.Handle());
    ASSERT_NE(h, 0u);
    conv_.SetHandle(h);
  }
  void TearDown() override { platform::sim::SetDdeFault(nullptr); }

  // A hot link on item, started for real so the server holds it.
  TDDEMLItem* HotLink(const char* name) {
    TDDEMLItem* item = conv_.Topic->FindOrAddItem(name);
    std::uint32_t result = 0;
    EXPECT_NE(platform::DdeClientTransaction(nullptr, 0, conv_.GetConvHandle(), item->Handle(), 1,
                                             platform::kXtypAdvStart, 1000, &result),
              0u);
    item->LinkState = lsHot;
    return item;
  }

  std::vector<unsigned> seen_;
  testing::ModelInstance server_{[this](unsigned type, unsigned, platform::Hconv, platform::Hsz,
                                        platform::Hsz, platform::HddeData, std::uintptr_t,
                                        std::uintptr_t) -> platform::HddeData {
    seen_.push_back(type);
    return (type == platform::kXtypConnect || type == platform::kXtypAdvStart) ? 1 : 0;
  }};
  testing::ModelInstance client_;
  TDDEMLAtom service_, topicName_, serviceName_;
  TDDEMLConversation conv_;
  std::vector<std::string> errors_;
};

TEST_F(LiveConversation, EndingAClientStopsItsLinksThenDisconnects) {
  HotLink("A");
  conv_.Topic->AddItem("QUIET");  // no link: no stop for it
  HotLink("B");
  seen_.clear();
  EXPECT_TRUE(conv_.EndConversation());
  EXPECT_EQ(std::count(seen_.begin(), seen_.end(), platform::kXtypAdvStop), 2);
  EXPECT_FALSE(conv_.HasHandle);
  EXPECT_TRUE(errors_.empty());
  seen_.clear();
  EXPECT_FALSE(conv_.EndConversation());  // nothing left to end
  EXPECT_TRUE(seen_.empty());
}

TEST_F(LiveConversation, ServingSideSendsNoAdviseStops) {
  HotLink("A");
  conv_.IsServer = true;
  seen_.clear();
  EXPECT_TRUE(conv_.EndConversation());
  EXPECT_EQ(std::count(seen_.begin(), seen_.end(), platform::kXtypAdvStop), 0);
}

TEST_F(LiveConversation, FailuresAreReportedAndTheHandleStillDropped) {
  TDDEMLItem* a = HotLink("A");
  platform::sim::FailDdeCall("DdeClientTransaction", platform::kDmlErrUnadvAckTimeout);
  EXPECT_FALSE(conv_.StopAdvise("a"));
  EXPECT_EQ(a->LinkState, lsHot);
  platform::sim::FailDdeCall("DdeDisconnect", platform::kDmlErrSysError);
  EXPECT_FALSE(conv_.EndConversation());
  EXPECT_EQ(conv_.GetConvHandle(), 0u);
  EXPECT_EQ(errors_, (std::vector<std::string>{"-19 SRV/TOPIC/a", "-17 SRV/TOPIC"}));
}

TEST_F(LiveConversation, AsynchronousStopIsRecordedAndQueried) {
  TDDEMLItem* a = HotLink("A");
  conv_.SyncMode = 0;
  ASSERT_TRUE(conv_.StopAdvise("A"));
  ASSERT_EQ(a->TransactionCount(), 1);
  std::uint16_t type = 0;
  ASSERT_TRUE(a->TransactionType(a->TransactionId(0), type));
  EXPECT_EQ(type, platform::kXtypAdvStop);
  std::string item;
  unsigned status = 0, state = 0, last = 0;
  ASSERT_TRUE(conv_.QueryTransaction(a->TransactionId(0), item, status, state, last));
  EXPECT_EQ(item, "A");
  std::string first;
  EXPECT_EQ(conv_.CountAdviseTransactions(state, first), 1);
  EXPECT_EQ(first, "A");
  EXPECT_EQ(conv_.CountAdviseTransactions(state + 1, first), 0);
}

// Windows checks a conversation handle before use (Wine does not, so this runs on the model).
TEST_F(LiveConversation, AConversationDdemlNoLongerKnowsIsOnlyForgotten) {
  TDDEMLConversation gone;
  gone.OnConvError = conv_.OnConvError;
  gone.SetHandle(0x7777);
  EXPECT_FALSE(gone.EndConversation());
  EXPECT_EQ(gone.GetConvHandle(), 0u);
  EXPECT_FALSE(gone.HasHandle);
  EXPECT_TRUE(errors_.empty());
  std::string item = "unchanged";
  unsigned status = 0, state = 0, last = 0;
  gone.ConvHandle = 0x7777;
  EXPECT_FALSE(gone.QueryTransaction(1, item, status, state, last));
  EXPECT_EQ(item, "unchanged");
  gone.ConvHandle = 0;
}

TEST_F(LiveConversation, AFailedReconnectDropsTheHandle) {
  conv_.ClearHandle();
  platform::sim::FailDdeCall("DdeReconnect", platform::kDmlErrNoConvEstablished);
  EXPECT_FALSE(conv_.Reconnect());
  EXPECT_EQ(conv_.GetConvHandle(), 0u);
  EXPECT_FALSE(conv_.HasHandle);
}

}  // namespace
}  // namespace tickwell
