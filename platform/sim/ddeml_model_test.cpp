// The model's own behaviour that the shared scenarios cannot reach: fault injection, handle
// bookkeeping, re-entrancy, reconnects and instance-specific names.
#include <gtest/gtest.h>

#include "platform/clipboard_format.h"
#include "platform/ddeml.h"
#include "platform/sim/ddeml_sim.h"
#include "platform/window.h"

namespace platform {
namespace {

struct Instance {
  DdeInstance id = 0;
  std::vector<unsigned> types;
  unsigned last_format = 0;  // of the latest call
  std::function<HddeData(unsigned, Hconv, Hsz, Hsz, HddeData)> answer;
  explicit Instance(std::uint32_t flags) {
    DdeInitialize(
        id,
        [this](unsigned type, unsigned format, Hconv conv, Hsz a, Hsz b, HddeData data,
               std::uintptr_t, std::uintptr_t) -> HddeData {
          types.push_back(type);
          last_format = format;
          if (answer) return answer(type, conv, a, b, data);
          return type == kXtypConnect || type == kXtypAdvStart ? 1 : 0;
        },
        flags);
  }
  ~Instance() {
    if (id) DdeUninitialize(id);
  }
  Hsz Name(const std::string& text) { return DdeCreateStringHandle(id, text); }
};

class DdemlModel : public ::testing::Test {
 protected:
  void SetUp() override { PumpMessages(); }  // what earlier tests left queued
  void TearDown() override {
    sim::SetDdeFault(nullptr);
    PumpMessages();
  }
};

TEST_F(DdemlModel, EveryHandleIsGoneOnceItsInstancesAre) {
  const std::size_t strings = sim::DdeStringHandleCount();
  const std::size_t data = sim::DdeDataHandleCount();
  {
    Instance server(kAppCmdFilterInits);
    Instance client(kAppCmdClientOnly);
    Hsz svc = server.Name("TwLeakSvc");
    DdeNameService(server.id, svc, kDnsRegister);
    server.answer = [&](unsigned type, Hconv, Hsz, Hsz b, HddeData) -> HddeData {
      if (type == kXtypRequest) return DdeCreateDataHandle(server.id, "1", 2, 0, b, kCfText, 0);
      return type == kXtypConnect || type == kXtypAdvStart ? 1 : 0;
    };
    Hconv conv = DdeConnect(client.id, client.Name("TwLeakSvc"), client.Name("T"));
    ASSERT_NE(conv, 0u);
    DdeClientTransaction(nullptr, 0, conv, client.Name("BID"), kCfText, kXtypAdvStart, 1000,
                         nullptr);
    HddeData got = DdeClientTransaction(nullptr, 0, conv, client.Name("BID"), kCfText, kXtypRequest,
                                        1000, nullptr);
    EXPECT_EQ(DdeDataBytes(got).size(), 2u);
    DdeCreateDataHandle(client.id, "x", 1, 0, 0, kCfText, kHdataAppOwned);  // never freed
    PumpMessages();
  }
  PumpMessages();
  EXPECT_EQ(sim::DdeStringHandleCount(), strings);
  EXPECT_EQ(sim::DdeDataHandleCount(), data);
  EXPECT_EQ(sim::DdeConversationCount(), 0u);
}

TEST_F(DdemlModel, AnUnownedAnswerIsReleasedAfterItsTransaction) {
  Instance server(kAppCmdFilterInits);
  Instance client(kAppCmdClientOnly);
  DdeNameService(server.id, server.Name("TwRelSvc"), kDnsRegister);
  HddeData last = 0;
  server.answer = [&](unsigned type, Hconv, Hsz, Hsz b, HddeData) -> HddeData {
    if (type == kXtypRequest)
      return last = DdeCreateDataHandle(server.id, "1", 2, 0, b, kCfText, 0);
    return type == kXtypConnect ? 1 : 0;
  };
  Hconv conv = DdeConnect(client.id, client.Name("TwRelSvc"), client.Name("T"));
  HddeData got = DdeClientTransaction(nullptr, 0, conv, client.Name("BID"), kCfText, kXtypRequest,
                                      1000, nullptr);
  EXPECT_NE(got, 0u);
  EXPECT_EQ(DdeAccessData(last, nullptr), nullptr);
  EXPECT_FALSE(DdeFreeDataHandle(last));
  EXPECT_TRUE(DdeFreeDataHandle(got));
}

TEST_F(DdemlModel, CountedAndPredicateFaultsFailTheNamedCallWithItsError) {
  Instance a(kAppCmdClientOnly);
  sim::FailDdeCall("DdeCreateStringHandle", kDmlErrMemoryError, 1, 1);
  EXPECT_NE(a.Name("TwOne"), 0u);  // skipped
  EXPECT_EQ(a.Name("TwTwo"), 0u);  // failed
  EXPECT_EQ(DdeGetLastError(a.id), kDmlErrMemoryError);
  EXPECT_EQ(DdeGetLastError(a.id), kDmlErrNoError);  // reading clears it
  EXPECT_NE(a.Name("TwThree"), 0u);                  // count used up

  sim::SetDdeFault([](const char* call) -> unsigned {
    return std::string(call) == "DdeConnect" ? kDmlErrSysError : 0;
  });
  Instance server(kAppCmdFilterInits);
  DdeNameService(server.id, server.Name("TwFaultSvc"), kDnsRegister);
  EXPECT_EQ(DdeConnect(a.id, a.Name("TwFaultSvc"), a.Name("T")), 0u);
  EXPECT_EQ(DdeGetLastError(a.id), kDmlErrSysError);
  EXPECT_EQ(std::count(server.types.begin(), server.types.end(), kXtypConnect), 0);

  DdeInstance none = 0;
  sim::FailDdeCall("DdeInitialize", kDmlErrSysError);
  EXPECT_EQ(DdeInitialize(
                none,
                [](unsigned, unsigned, Hconv, Hsz, Hsz, HddeData, std::uintptr_t,
                   std::uintptr_t) -> HddeData { return 0; },
                0),
            kDmlErrSysError);
  EXPECT_EQ(none, 0u);
}

// Running short of memory is what the library reports through XTYP_ERROR.
TEST_F(DdemlModel, ALowMemoryFaultReachesTheCallbackAsXtypError) {
  Instance server(kAppCmdFilterInits);
  Instance client(kAppCmdClientOnly);
  DdeNameService(server.id, server.Name("TwLowSvc"), kDnsRegister);
  Hconv conv = DdeConnect(client.id, client.Name("TwLowSvc"), client.Name("T"));
  ASSERT_NE(conv, 0u);
  std::vector<std::pair<Hconv, std::uintptr_t>> errors;
  DdeUninitialize(client.id);
  client.id = 0;
  DdeInitialize(
      client.id,
      [&](unsigned type, unsigned, Hconv c, Hsz, Hsz, HddeData, std::uintptr_t d1,
          std::uintptr_t) -> HddeData {
        if (type == kXtypError) errors.emplace_back(c, d1);
        return 0;
      },
      kAppCmdClientOnly);
  conv = DdeConnect(client.id, client.Name("TwLowSvc"), client.Name("T"));
  ASSERT_NE(conv, 0u);
  sim::FailDdeCall("DdeClientTransaction", kDmlErrLowMemory);
  EXPECT_EQ(DdeClientTransaction(nullptr, 0, conv, client.Name("BID"), kCfText, kXtypRequest, 1000,
                                 nullptr),
            0u);
  EXPECT_EQ(DdeGetLastError(client.id), kDmlErrLowMemory);
  EXPECT_TRUE(errors.empty());  // posted, not called from inside the failing call
  PumpMessages();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].first, conv);
  EXPECT_EQ(errors[0].second & 0xFFFF, kDmlErrLowMemory);
  sim::FailDdeCall("DdeCreateStringHandle", kDmlErrMemoryError);
  EXPECT_EQ(client.Name("TwOther"), 0u);
  PumpMessages();
  EXPECT_EQ(errors.size(), 1u);  // other errors are only returned
}

TEST_F(DdemlModel, ASynchronousTransactionFromInsideTheCallbackIsRefused) {
  Instance server(kAppCmdFilterInits);
  Instance client(kAppCmdClientOnly);
  DdeNameService(server.id, server.Name("TwReSvc"), kDnsRegister);
  Hconv conv = DdeConnect(client.id, client.Name("TwReSvc"), client.Name("T"));
  Hsz item = client.Name("BID");
  unsigned nested_error = 0;
  client.answer = [&](unsigned type, Hconv, Hsz, Hsz, HddeData) -> HddeData {
    if (type == kXtypAdvData) {
      DdeClientTransaction(nullptr, 0, conv, item, kCfText, kXtypRequest, 1000, nullptr);
      nested_error = DdeGetLastError(client.id);
    }
    return kDdeFAck;
  };
  server.answer = [&](unsigned type, Hconv, Hsz, Hsz b, HddeData) -> HddeData {
    if (type == kXtypAdvReq) return DdeCreateDataHandle(server.id, "1", 2, 0, b, kCfText, 0);
    return type == kXtypConnect || type == kXtypAdvStart ? 1 : 0;
  };
  DdeClientTransaction(nullptr, 0, conv, item, kCfText, kXtypAdvStart, 1000, nullptr);
  DdePostAdvise(server.id, server.Name("T"), server.Name("BID"));
  PumpMessages();
  EXPECT_EQ(nested_error, kDmlErrReentrancy);
}

// A post for a topic is asked for once per live link on that topic: conversations ended on it
// and links on other topics are not asked, a conversation opened on it later is.
TEST_F(DdemlModel, APostForATopicAsksOnlyItsLiveConversations) {
  Instance server(kAppCmdFilterInits);
  Instance client(kAppCmdClientOnly);
  DdeNameService(server.id, server.Name("TwTopicSvc"), kDnsRegister);
  std::vector<Hconv> asked;
  server.answer = [&](unsigned type, Hconv conv, Hsz, Hsz b, HddeData) -> HddeData {
    if (type == kXtypAdvReq) {
      asked.push_back(conv);
      return DdeCreateDataHandle(server.id, "1", 2, 0, b, kCfText, 0);
    }
    return type == kXtypConnect || type == kXtypAdvStart ? 1 : 0;
  };
  Instance another(kAppCmdClientOnly);
  auto linked = [&](const std::string& topic, Instance& by) {
    Hconv conv = DdeConnect(by.id, by.Name("TwTopicSvc"), by.Name(topic));
    DdeClientTransaction(nullptr, 0, conv, by.Name("BID"), kCfText, kXtypAdvStart, 1000, nullptr);
    PumpMessages();
    return conv;
  };
  auto server_end = [](Hconv conv) {
    ConvInfo info;
    return DdeQueryConvInfo(conv, kQidSync, info) ? info.partner : Hconv{0};
  };
  const Hconv first = linked("T", client);
  const Hconv other = linked("U", client);
  ASSERT_TRUE(DdePostAdvise(server.id, server.Name("T"), server.Name("BID")));
  PumpMessages();
  EXPECT_EQ(asked, std::vector<Hconv>{server_end(first)});

  ASSERT_TRUE(DdeDisconnect(first));
  PumpMessages();
  asked.clear();
  ASSERT_TRUE(DdePostAdvise(server.id, server.Name("T"), server.Name("BID")));
  PumpMessages();
  EXPECT_TRUE(asked.empty());

  const Hconv second = linked("T", client);
  const Hconv third = linked("T", another);
  ASSERT_TRUE(DdePostAdvise(server.id, server.Name("T"), server.Name("BID")));
  PumpMessages();
  EXPECT_EQ(asked, (std::vector<Hconv>{server_end(second), server_end(third)}));
  asked.clear();
  ASSERT_TRUE(DdePostAdvise(server.id, 0, server.Name("BID")));  // every topic
  PumpMessages();
  EXPECT_EQ(asked, (std::vector<Hconv>{server_end(other), server_end(second), server_end(third)}));
}

// A post for an item asks each of its links on the conversation, a link per format, oldest
// first, and no other item's: also after links were stopped and started again among many.
TEST_F(DdemlModel, APostForAnItemAsksItsOwnLinksInOrderAcrossStopsAndStarts) {
  Instance server(kAppCmdFilterInits);
  Instance client(kAppCmdClientOnly);
  DdeNameService(server.id, server.Name("TwItemSvc"), kDnsRegister);
  std::vector<std::string> asked;  // the item of each advise request
  std::vector<unsigned> formats;   // and its format
  server.answer = [&](unsigned type, Hconv, Hsz, Hsz b, HddeData) -> HddeData {
    if (type == kXtypAdvReq) {
      asked.push_back(DdeQueryString(server.id, b));
      formats.push_back(server.last_format);
      return DdeCreateDataHandle(server.id, "1", 2, 0, b, server.last_format, 0);
    }
    return type == kXtypConnect || type == kXtypAdvStart ? 1 : 0;
  };
  const Hconv conv = DdeConnect(client.id, client.Name("TwItemSvc"), client.Name("T"));
  PumpMessages();
  auto transact = [&](const std::string& item, unsigned format, unsigned type) {
    return DdeClientTransaction(nullptr, 0, conv, client.Name(item), format, type, 1000, nullptr);
  };
  const unsigned kOther = kCfUnicodeText;
  for (int i = 0; i < 50; ++i)
    ASSERT_TRUE(transact("S" + std::to_string(i), kCfText, kXtypAdvStart));
  ASSERT_TRUE(transact("BID", kOther, kXtypAdvStart));
  ASSERT_TRUE(transact("BID", kCfText, kXtypAdvStart));
  ASSERT_TRUE(transact("S7", kCfText, kXtypAdvStop));
  ASSERT_TRUE(transact("BID", kOther, kXtypAdvStart));  // a repeat changes nothing
  auto post = [&](const std::string& item) {
    asked.clear();
    formats.clear();
    ASSERT_TRUE(DdePostAdvise(server.id, server.Name("T"), server.Name(item)));
    PumpMessages();
  };
  post("BID");
  EXPECT_EQ(asked, (std::vector<std::string>{"BID", "BID"}));
  EXPECT_EQ(formats, (std::vector<unsigned>{kOther, kCfText}));
  post("S7");
  EXPECT_TRUE(asked.empty());
  post("S8");
  EXPECT_EQ(asked, std::vector<std::string>{"S8"});

  ASSERT_TRUE(transact("BID", kOther, kXtypAdvStop));
  EXPECT_FALSE(transact("BID", kOther, kXtypAdvStop));  // no such link any more
  ASSERT_TRUE(transact("S7", kCfText, kXtypAdvStart));
  post("BID");
  EXPECT_EQ(formats, std::vector<unsigned>{kCfText});
  post("S7");
  EXPECT_EQ(asked, std::vector<std::string>{"S7"});
  ASSERT_TRUE(transact("BID", kOther, kXtypAdvStart));
  post("BID");
  EXPECT_EQ(formats, (std::vector<unsigned>{kCfText, kOther}));
}

TEST_F(DdemlModel, ReconnectRestoresTheLinksOfATerminatedConversation) {
  Instance client(kAppCmdClientOnly);
  auto server = std::make_unique<Instance>(kAppCmdFilterInits);
  DdeNameService(server->id, server->Name("TwAgainSvc"), kDnsRegister);
  Hconv conv = DdeConnect(client.id, client.Name("TwAgainSvc"), client.Name("T"));
  DdeClientTransaction(nullptr, 0, conv, client.Name("BID"), kCfText, kXtypAdvStart, 1000, nullptr);
  EXPECT_EQ(DdeReconnect(conv), 0u);  // still connected: nothing to do
  server.reset();
  PumpMessages();
  ConvInfo info;
  ASSERT_TRUE(DdeQueryConvInfo(conv, kQidSync, info));
  EXPECT_TRUE(info.status & kStTerminated);
  EXPECT_EQ(DdeReconnect(conv), 0u);  // nobody serves the name now

  Instance again(kAppCmdFilterInits);
  DdeNameService(again.id, again.Name("TwAgainSvc"), kDnsRegister);
  Hconv renewed = DdeReconnect(conv);
  ASSERT_NE(renewed, 0u);
  EXPECT_FALSE(DdeQueryConvInfo(conv, kQidSync, info));
  ASSERT_TRUE(DdeQueryConvInfo(renewed, kQidSync, info));
  EXPECT_TRUE(info.status & kStAdvise);
  EXPECT_EQ(std::count(again.types.begin(), again.types.end(), kXtypAdvStart), 1);
}

TEST_F(DdemlModel, AnInstanceSpecificNameReachesOnlyItsServer) {
  Instance first(kAppCmdFilterInits);
  Instance second(kAppCmdFilterInits);
  Instance client(kAppCmdClientOnly);
  Hsz specific = 0;
  client.answer = [&](unsigned type, Hconv, Hsz, Hsz b, HddeData) -> HddeData {
    if (type == kXtypRegister && !specific) specific = b;
    return 0;
  };
  DdeNameService(first.id, first.Name("TwTwin"), kDnsRegister);
  DdeNameService(second.id, second.Name("TwTwin"), kDnsRegister);
  PumpMessages();
  ASSERT_NE(specific, 0u);
  first.types.clear();
  second.types.clear();
  EXPECT_NE(DdeConnect(client.id, specific, client.Name("T")), 0u);
  EXPECT_EQ(std::count(first.types.begin(), first.types.end(), kXtypConnect), 1);
  EXPECT_TRUE(second.types.empty());
}

TEST_F(DdemlModel, SelfConnectionsAreRefusedOnlyWhenAsked) {
  Instance both(kAppCmdFilterInits);
  DdeNameService(both.id, both.Name("TwSelf"), kDnsRegister);
  Hconv conv = DdeConnect(both.id, both.Name("TwSelf"), both.Name("T"));
  ASSERT_NE(conv, 0u);
  ConvInfo info;
  ASSERT_TRUE(DdeQueryConvInfo(conv, kQidSync, info));
  EXPECT_TRUE(info.status & kStIsSelf);
  Instance shy(kAppCmdFilterInits | kCbfFailSelfConnections);
  DdeNameService(shy.id, shy.Name("TwShy"), kDnsRegister);
  EXPECT_EQ(DdeConnect(shy.id, shy.Name("TwShy"), shy.Name("T")), 0u);
}

TEST_F(DdemlModel, UnknownHandlesAndTypesAreRefusedCleanly) {
  Instance a(kAppCmdClientOnly);
  EXPECT_EQ(DdeClientTransaction(nullptr, 0, 0xBAD, 0, kCfText, kXtypRequest, 1000, nullptr), 0u);
  EXPECT_FALSE(DdeDisconnect(0xBAD));
  EXPECT_FALSE(DdeFreeStringHandle(a.id, 0xBAD));
  EXPECT_EQ(DdeQueryString(a.id, 0xBAD), "");
  EXPECT_EQ(DdeGetData(0xBAD, nullptr, 0, 0), 0u);
  EXPECT_FALSE(DdeUninitialize(0xBAD));
  EXPECT_EQ(DdeGetLastError(0xBAD), kDmlErrDllNotInitialized);
  Instance server(kAppCmdFilterInits);
  DdeNameService(server.id, server.Name("TwOddSvc"), kDnsRegister);
  Hconv conv = DdeConnect(a.id, a.Name("TwOddSvc"), a.Name("T"));
  EXPECT_EQ(
      DdeClientTransaction(nullptr, 0, conv, a.Name("X"), kCfText, kXtypRegister, 1000, nullptr),
      0u);
  EXPECT_EQ(DdeGetLastError(a.id), kDmlErrInvalidParameter);
}

}  // namespace
}  // namespace platform
