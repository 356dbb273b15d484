// Connects, confirms, disconnects and wild connects of clients, served by a running manager.
// The clients share the test's thread, which only the model allows; under Wine the end-to-end
// tests drive the same paths from other processes.
#ifndef _WIN32
#include <string>
#include <vector>

#include "dde/manager/server_test_fixture.h"
#include "dde/model/topic.h"
#include "dde/tables/error_codes.h"

namespace tickwell {
namespace {

using testing::Party;
using testing::ServerTest;

class ConnectionsTest : public ServerTest {};

TEST_F(ConnectionsTest, ACallbackForAStoppedOrVanishedManagerIsRefusedWithoutATrace) {
  m->TerminateDDEML();
  const std::size_t before = Log().size();
  EXPECT_EQ(m->CallBack(platform::kXtypConnect, 0, 0, 0, 0, 0, 0, 0),
            platform::kDmlErrDllNotInitialized);
  EXPECT_EQ(Log().size(), before);
  m.reset();
  EXPECT_EQ(TDDEMLManager::CallBackTrampoline(platform::kXtypRequest, 1, 0, 0, 0, 0, 0, 0),
            platform::kDmlErrDllNotInitialized);
}

TEST_F(ConnectionsTest, ConnectsAreServedAndEachRefusalIsTracedWithItsCode) {
  const platform::Hconv conv = Connect("EURUSD");
  ASSERT_NE(conv, 0u);
  ASSERT_EQ(m->ConversationCount(), 1);
  TDDEMLConversation* served = m->Conversation(0);
  EXPECT_NE(served->ConvHandle, 0u);  // confirmed
  EXPECT_EQ(served->GetServiceName(), "MT5");
  EXPECT_EQ(served->GetTopicName(), "EURUSD");
  EXPECT_EQ(served->ConversationId, 1u);
  EXPECT_EQ(m->FindConversationByHandle(served->ConvHandle), served);
  EXPECT_EQ(m->FindConversationByNames("mt5", "eurusd"), served);
  EXPECT_EQ(m->CountServerConversations("MT5", "EURUSD"), 1);
  const std::string log = Log();
  EXPECT_NE(log.find("CallBack start ...\r\n      MsgType = XTYP_CONNECT\r\n"), std::string::npos)
      << log;
  EXPECT_NE(log.find("XTypConnect - Result = 1"), std::string::npos);
  EXPECT_NE(log.find("XTypConnectConfirm - setting conv Handle"), std::string::npos);

  // The service is unknown: the model's name filter keeps the connect away, so DDEML is
  // impersonated here, as it would reach a server with its filter off.
  EXPECT_EQ(Call(platform::kXtypConnect, 0, "EURUSD", "NOPE"), 0u);
  EXPECT_TRUE(Logged("Service : NOPE - not supported"));
  EXPECT_TRUE(Logged(ManagerErrorText(-3)));
  EXPECT_EQ(Call(platform::kXtypConnect, 0, "", "MT5"), 0u);
  EXPECT_TRUE(Logged(ManagerErrorText(-2)));
  EXPECT_EQ(Call(platform::kXtypConnect, 0, "EURUSD", ""), 0u);
  EXPECT_TRUE(Logged("XTypConnect - Null Service name"));
  EXPECT_TRUE(Logged(ManagerErrorText(-1)));

  // A second conversation on the pair: accepted without asking, unless one per topic.
  int asked = 0;
  m->OnConnectReceived = [&](TDDEMLManager&, const std::string&, const std::string&, bool& allow) {
    ++asked;
    allow = false;
  };
  EXPECT_NE(Connect("EURUSD"), 0u);
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(m->CountServerConversations("MT5", "EURUSD"), 2);
  m->OneConvPerTopic = true;
  EXPECT_EQ(Connect("EURUSD"), 0u);
  EXPECT_EQ(Connect("GBPUSD"), 0u);  // the handler refuses
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(Logged(ManagerErrorText(-28)));
  EXPECT_TRUE(Logged("MT5/GBPUSD"));
  EXPECT_EQ(m->ConversationCount(), 2);

  // A confirm nobody asked for leaves nothing behind.
  Call(platform::kXtypConnectConfirm, 0x7777, "USDJPY", "MT5");
  EXPECT_TRUE(Logged(ManagerErrorText(-30)));
  EXPECT_TRUE(Logged("MT5/USDJPY"));
  EXPECT_EQ(m->ConversationCount(), 2);
}

TEST_F(ConnectionsTest, NullNamesWhenAllowedReachTheFirstServiceAndItsSystemTopic) {
  m->AllowNullService = m->AllowNullTopic = true;
  int opened = 0;
  m->OnTopicOpened = [&](TDDEMLManager&, const std::string&, const std::string&) { ++opened; };
  EXPECT_NE(Call(platform::kXtypConnect, 0, "", ""), 0u);
  ASSERT_EQ(m->ConversationCount(), 1);
  EXPECT_EQ(m->Conversation(0)->GetServiceName(), "MT5");
  EXPECT_EQ(m->Conversation(0)->GetTopicName(), "System");
  EXPECT_EQ(opened, 0);  // the System topic is not an opened topic
  EXPECT_NE(Connect("XAUUSD"), 0u);
  EXPECT_NE(Connect("xauusd"), 0u);
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(m->Services().Items(0)->TopicCount(), 2);
}

TEST_F(ConnectionsTest, TheLastDisconnectOnATopicClosesItUnlessTheApplicationKeepsIt) {
  m->SetItemText("MT5", "EURUSD", "BID", "1.1");
  std::vector<std::string> events;
  m->OnDisconnecting = [&](TDDEMLManager&, const std::string& s, const std::string& t) {
    events.push_back("disconnecting " + s + "/" + t);
  };
  bool keep = false;
  m->OnTopicClosed = [&](TDDEMLManager&, const std::string&, const std::string& t, bool& retain) {
    events.push_back("closed " + t);
    retain = keep;
  };
  Party second(0);
  const platform::Hconv a = Connect("EURUSD");
  const platform::Hconv b = Connect(second, "EURUSD");
  ASSERT_TRUE(a && b);
  EXPECT_TRUE(platform::DdeDisconnect(a));
  platform::testing::Eventually([&] { return m->ConversationCount() == 1; });
  EXPECT_EQ(events, std::vector<std::string>{"disconnecting MT5/EURUSD"});
  EXPECT_NE(m->FindItem("MT5", "EURUSD", "BID"), nullptr);

  EXPECT_TRUE(platform::DdeDisconnect(b));
  platform::testing::Eventually([&] { return m->ConversationCount() == 0; });
  EXPECT_EQ(events.back(), "closed EURUSD");
  EXPECT_EQ(m->Services().Items(0)->FindTopic("EURUSD"), nullptr);  // with its items

  keep = true;
  const platform::Hconv c = Connect("GBPUSD");
  m->SetItemText("MT5", "GBPUSD", "BID", "1.3");
  EXPECT_TRUE(platform::DdeDisconnect(c));
  platform::testing::Eventually([&] { return m->ConversationCount() == 0; });
  EXPECT_NE(m->FindItem("MT5", "GBPUSD", "BID"), nullptr);

  // An unknown conversation's disconnect does nothing.
  Call(platform::kXtypDisconnect, 0x5555, "", "");
  EXPECT_EQ(events.size(), 5u);
}

TEST_F(ConnectionsTest, ATopicRemovedUnderLiveConversationsLeavesThemServingNothing) {
  // Run under the address sanitizer: the conversations must not keep the freed topic.
  std::vector<std::string> closed;
  m->OnTopicClosed = [&](TDDEMLManager&, const std::string&, const std::string& t, bool&) {
    closed.push_back(t);
  };
  for (const bool all : {false, true}) {
    m->SetItemText("MT5", "EURUSD", "BID", "1.1");
    m->SetItemText("MT5", "GBPUSD", "BID", "1.3");
    const platform::Hconv a = Connect("EURUSD");
    const platform::Hconv b = Connect("GBPUSD");
    ASSERT_TRUE(a && b);
    Pump();
    platform::Hconv server = 0;
    for (int i = 0; i < m->ConversationCount(); ++i)
      if (m->Conversation(i)->GetTopicName() == "GBPUSD") server = m->Conversation(i)->ConvHandle;
    ASSERT_NE(server, 0u);
    if (all)
      m->FindService("MT5")->RemoveTopics();
    else
      EXPECT_TRUE(m->FindService("MT5")->RemoveTopic("GBPUSD"));
    EXPECT_EQ(Call(platform::kXtypRequest, server, "GBPUSD", "BID"), 0u);
    EXPECT_EQ(Call(platform::kXtypAdvReq, server, "GBPUSD", "BID", 0, 1), 0u);
    // Publishing makes the topic anew; the old conversation still serves nothing.
    m->SetItemText("MT5", "GBPUSD", "BID", "1.4");
    EXPECT_EQ(Call(platform::kXtypRequest, server, "GBPUSD", "BID"), 0u);
    EXPECT_TRUE(platform::DdeDisconnect(a));
    EXPECT_TRUE(platform::DdeDisconnect(b));
    platform::testing::Eventually([&] { return m->ConversationCount() == 0; });
    // Only a topic that was still there closes with its last conversation.
    EXPECT_EQ(closed, all ? std::vector<std::string>{} : std::vector<std::string>{"EURUSD"});
    closed.clear();
    EXPECT_NE(m->FindItem("MT5", "GBPUSD", "BID"), nullptr);
    m->FindService("MT5")->RemoveTopics();
  }
}

TEST_F(ConnectionsTest, ConversationsAreEndedByIdOrNamesAndABadKeyIsRefused) {
  ASSERT_NE(Connect("EURUSD"), 0u);
  ASSERT_NE(Connect("GBPUSD"), 0u);
  EXPECT_FALSE(m->DisconnectConversation(TConversationKey{std::int64_t{1}}, 1));
  EXPECT_TRUE(Logged(ManagerErrorText(-13)));
  EXPECT_FALSE(
      m->DisconnectConversation(TConversationKey{std::pair<std::string, std::string>{}}, 0));
  EXPECT_FALSE(m->DisconnectConversation(TConversationKey{std::int64_t{1}}, 2));
  EXPECT_EQ(m->ConversationCount(), 2);
  EXPECT_FALSE(m->DisconnectConversation(TConversationKey{std::int64_t{9}}, 0));
  EXPECT_TRUE(m->DisconnectConversation(
      TConversationKey{std::pair<std::string, std::string>{"mt5", "gbpusd"}}, 1));
  EXPECT_EQ(m->ConversationCount(), 1);
  EXPECT_EQ(m->NextConversationId(), 2);
  EXPECT_TRUE(m->DisconnectConversation(TConversationKey{std::int64_t{1}}, 0));
  EXPECT_EQ(m->ConversationCount(), 0);
}

// Each transaction finds its conversation by handle; the list shifts under it as conversations
// end and new ones take their places, and every request must still reach its own topic.
TEST_F(ConnectionsTest, TransactionsFindTheirOwnConversationWhileOthersComeAndGo) {
  const std::vector<std::string> topics = {"EURUSD", "GBPUSD", "USDJPY", "AUDUSD"};
  for (const auto& topic : topics) m->SetItemText("MT5", topic, "BID", topic + "-bid");
  std::vector<platform::Hconv> convs;
  for (const auto& topic : topics) convs.push_back(Connect(topic));
  for (std::size_t i = 0; i < topics.size(); ++i)
    ASSERT_EQ(Request(convs[i], "BID"), topics[i] + "-bid");
  // The first ends from the client's side, the third by the application.
  ASSERT_TRUE(platform::DdeDisconnect(convs[0]));
  Pump();
  ASSERT_TRUE(m->DisconnectConversation(
      TConversationKey{std::pair<std::string, std::string>{"MT5", "USDJPY"}}, 1));
  EXPECT_EQ(m->ConversationCount(), 2);
  EXPECT_EQ(Request(convs[1], "BID"), "GBPUSD-bid");
  EXPECT_EQ(Request(convs[3], "BID"), "AUDUSD-bid");
  EXPECT_EQ(Request(convs[2], "BID"), "<none>");
  // A new conversation fills the list again; the old handles still find theirs only.
  const platform::Hconv again = Connect("EURUSD");
  m->SetItemText("MT5", "EURUSD", "BID", "EURUSD-bid2");
  EXPECT_EQ(Request(again, "BID"), "EURUSD-bid2");
  EXPECT_EQ(Request(convs[3], "BID"), "AUDUSD-bid");
  EXPECT_EQ(Request(convs[1], "BID"), "GBPUSD-bid");
}

TEST_F(ConnectionsTest, WildConnectsAnswerThePairsThatResolve) {
  m->AllowNullService = m->AllowNullTopic = true;
  bool allow = true;
  m->OnConnectReceived = [&](TDDEMLManager&, const std::string&, const std::string&, bool& a) {
    a = allow;
  };
  platform::HddeData block = Call(platform::kXtypWildConnect, 0, "", "");
  ASSERT_NE(block, 0u);
  EXPECT_EQ(platform::DdeGetData(block, nullptr, 0, 0), 2 * sizeof(platform::Hsz) * 2);
  auto pairs = platform::DdeReadHszPairs(block);
  ASSERT_EQ(pairs.size(), 1u);
  EXPECT_EQ(platform::DdeQueryString(m->InstanceId, pairs[0].service), "MT5");
  EXPECT_EQ(platform::DdeQueryString(m->InstanceId, pairs[0].topic), "System");
  platform::DdeFreeDataHandle(block);
  EXPECT_TRUE(Logged("XTypeWildConnect : OnConnectRequest returned Allow = TRUE"));
  allow = false;
  EXPECT_EQ(Call(platform::kXtypWildConnect, 0, "", ""), 0u);

  m->AllowNullService = false;
  EXPECT_EQ(Call(platform::kXtypWildConnect, 0, "X", ""), 0u);
  EXPECT_TRUE(Logged("Failed. AllowNullService = FALSE and null service name"));
  EXPECT_EQ(Call(platform::kXtypWildConnect, 0, "X", "NOPE"), 0u);
  EXPECT_TRUE(Logged("Failed. [NOPE] service name not supported"));

  m->OnWildConnectReceived = [](TDDEMLManager& sender, const std::string&, const std::string& t) {
    sender.AddWildConnect("MT5", t);
    sender.AddWildConnect("MT5", "GBPUSD");
    sender.AddWildConnect("mt5", "gbpusd");  // a duplicate
  };
  m->Services().Items(0)->Name = "MT5";
  block = Call(platform::kXtypWildConnect, 0, "EURUSD", "MT5");
  pairs = platform::DdeReadHszPairs(block);
  platform::DdeFreeDataHandle(block);
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(platform::DdeQueryString(m->InstanceId, pairs[1].topic), "GBPUSD");
  EXPECT_EQ(m->WildConnectCount(), 0);
}

TEST_F(ConnectionsTest, ATransactionBeforeTheConfirmFindsItsConversationByNames) {
  m->SetItemText("MT5", "EURUSD", "BID", "1.1");
  Party& p = Client();
  // The confirm waits in the queue; the request comes first.
  const platform::Hconv conv = platform::DdeConnect(p.id(), p.Name("MT5"), p.Name("EURUSD"));
  ASSERT_NE(conv, 0u);
  ASSERT_EQ(m->ConversationCount(), 1);
  EXPECT_EQ(m->Conversation(0)->ConvHandle, 0u);
  EXPECT_EQ(Request(conv, "BID"), "1.1");
  const platform::Hconv attached = m->Conversation(0)->ConvHandle;
  EXPECT_NE(attached, 0u);
  Pump();  // the late confirm finds no conversation without a handle
  EXPECT_EQ(m->ConversationCount(), 1);
  EXPECT_EQ(m->Conversation(0)->ConvHandle, attached);
  EXPECT_TRUE(Logged(ManagerErrorText(-30)));
}

TEST_F(ConnectionsTest, RegistrationsAndLowResourcesReachTheirEvents) {
  std::vector<std::string> seen;
  m->OnServiceRegistered = [&](TDDEMLManager&, const std::string& b, const std::string&) {
    seen.push_back("+" + b);
  };
  m->OnServiceUnregistered = [&](TDDEMLManager&, const std::string& b, const std::string&) {
    seen.push_back("-" + b);
  };
  m->OnError = [&](TDDEMLManager&, std::int32_t code, const std::string& text) {
    seen.push_back(std::to_string(code) + " " + text);
  };
  Call(platform::kXtypRegister, 0, "Excel", "Excel(1)");
  Call(platform::kXtypUnregister, 0, "Excel", "Excel(1)");
  Call(platform::kXtypError, 0, "", "", platform::kDmlErrLowMemory);
  EXPECT_EQ(seen,
            (std::vector<std::string>{"+Excel", "-Excel", "-36 DDEML reports low resources"}));
}

}  // namespace
}  // namespace tickwell
#endif
