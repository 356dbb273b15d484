#include "dde/model/conversation.h"

#include <gtest/gtest.h>

#include "dde/model/model_test_instance.h"

namespace tickwell {
namespace {

TEST(Conversation, NamesTimeOutsAndHandlesWithoutALiveConversation) {
  testing::ModelInstance inst;
  TDDEMLService service;
  service.Name = "MT5";
  service.SetName(inst.id(), "MT5");
  TDDEMLConversation conv;
  EXPECT_EQ(conv.DefaultFormat, 1);
  EXPECT_EQ(conv.GetTimeOut(), 5000u);
  conv.TimeOut = 1234;
  conv.SyncMode = 0;
  EXPECT_EQ(conv.GetTimeOut(), 0xFFFFFFFFu);

  // A serving conversation names the manager's service both ways.
  EXPECT_EQ(conv.GetServiceName(), "");
  conv.Service = &service;
  conv.Topic = service.FindOrAddTopic("EURUSD");
  EXPECT_EQ(conv.GetServerServiceName(), "MT5");
  EXPECT_EQ(conv.GetServiceName(), "MT5");
  EXPECT_TRUE(conv.MatchesNames("mt5", "eurusd"));
  EXPECT_TRUE(conv.MatchesServerNames("MT5", "EURUSD"));
  EXPECT_FALSE(conv.MatchesServerNames("MT5", "EUR"));
  EXPECT_TRUE(conv.IsTopicHandle(conv.Topic->Handle()));
  EXPECT_FALSE(conv.IsTopicHandle(service.Handle()));

  // A client-side service name comes first for the client view only.
  conv.ClientService = new TDDEMLService;
  conv.ClientService->Name = "Other";
  EXPECT_EQ(conv.GetServiceName(), "Other");
  EXPECT_EQ(conv.GetServerServiceName(), "MT5");

  // The handle: cleared but kept for a reconnect and the lookups of the disconnect handling.
  conv.SetHandle(0x7777);
  conv.ClearHandle();
  EXPECT_FALSE(conv.HasHandle);
  EXPECT_EQ(conv.GetConvHandle(), 0x7777u);
  conv.ConvHandle = 0;  // not a real conversation: nothing to end
}

TEST(Conversation, OwnedTopicIsFreedOnlyWithoutAService) {
  testing::ModelInstance inst;
  auto* conv = new TDDEMLConversation;
  conv->IsServer = false;
  conv->ClientService = new TDDEMLService;
  conv->Topic = new TDDEMLTopic;
  conv->Topic->SetName(inst.id(), "OWNED");
  conv->Topic->AddItem("A");
  // No link on the item: nothing to stop, no transaction.
  EXPECT_FALSE(conv->StopAdvise("A"));
  EXPECT_FALSE(conv->StopAdvise("B"));  // a missing item is added first
  EXPECT_EQ(conv->Topic->ItemCount(), 2);
  delete conv;  // frees service and topic (sanitizers catch a leak or a double free)
}

}  // namespace
}  // namespace tickwell
