// The model's own behaviour that the shared scenarios cannot reach: fault injection, handle
// bookkeeping, re-entrancy, reconnects and instance-specific names.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

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
// first, and no other item's: also after links were stopped and started again, among many links
// (found through the conversation's index of items) and among a few (looked through in order).
TEST_F(DdemlModel, APostForAnItemAsksItsOwnLinksInOrderAcrossStopsAndStarts) {
  for (const int others : {50, 3}) {
    SCOPED_TRACE(std::to_string(others) + " other items linked");
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
    for (int i = 0; i < others; ++i)
      ASSERT_TRUE(transact("S" + std::to_string(i), kCfText, kXtypAdvStart));
    ASSERT_TRUE(transact("BID", kOther, kXtypAdvStart));
    ASSERT_TRUE(transact("BID", kCfText, kXtypAdvStart));
    ASSERT_TRUE(transact("S1", kCfText, kXtypAdvStop));
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
    post("S1");
    EXPECT_TRUE(asked.empty());
    post("S2");
    EXPECT_EQ(asked, std::vector<std::string>{"S2"});

    ASSERT_TRUE(transact("BID", kOther, kXtypAdvStop));
    EXPECT_FALSE(transact("BID", kOther, kXtypAdvStop));  // no such link any more
    ASSERT_TRUE(transact("S1", kCfText, kXtypAdvStart));
    post("BID");
    EXPECT_EQ(formats, std::vector<unsigned>{kCfText});
    post("S1");
    EXPECT_EQ(asked, std::vector<std::string>{"S1"});
    ASSERT_TRUE(transact("BID", kOther, kXtypAdvStart));
    post("BID");
    EXPECT_EQ(formats, (std::vector<unsigned>{kCfText, kOther}));
  }
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

// Instances, conversations and string handles are found through an index beside the model's
// tables: after many were ended, in no particular order, and others made, every live one is
// found with what it holds and no ended one is.
TEST_F(DdemlModel, EndedHandlesFindNothingWhileLiveAndNewOnesAreFound) {
  Instance server(kAppCmdFilterInits);
  DdeNameService(server.id, server.Name("TwIndexSvc"), kDnsRegister);
  struct Opened {
    std::size_t client;
    Hconv conv;
    std::string topic;
  };
  std::vector<std::unique_ptr<Instance>> clients;
  std::vector<Opened> opened;
  std::vector<Hsz> own_names;  // a name only each client made
  auto open = [&](int count) {
    for (int i = 0; i < count; ++i) {
      clients.push_back(std::make_unique<Instance>(kAppCmdClientOnly));
      Instance& c = *clients.back();
      own_names.push_back(c.Name("TwOnly" + std::to_string(clients.size())));
      for (int t = 0; t < 3; ++t) {
        const std::string topic = "T" + std::to_string(clients.size()) + "_" + std::to_string(t);
        opened.push_back(
            {clients.size() - 1, DdeConnect(c.id, c.Name("TwIndexSvc"), c.Name(topic)), topic});
        ASSERT_NE(opened.back().conv, 0u);
      }
    }
    PumpMessages();
  };
  std::vector<bool> ended_conv;
  auto check = [&] {
    std::size_t live = 0;
    for (std::size_t i = 0; i < opened.size(); ++i) {
      const bool gone = !clients[opened[i].client] || ended_conv[i];
      ConvInfo info;
      ASSERT_EQ(DdeQueryConvInfo(opened[i].conv, kQidSync, info), !gone) << opened[i].topic;
      if (gone) continue;
      ++live;
      EXPECT_EQ(DdeQueryString(server.id, info.topic), opened[i].topic);
      ConvInfo partner;
      ASSERT_TRUE(DdeQueryConvInfo(info.partner, kQidSync, partner));
      EXPECT_EQ(partner.partner, opened[i].conv);
    }
    EXPECT_EQ(sim::DdeConversationCount(), 2 * live);
    for (std::size_t c = 0; c < clients.size(); ++c) {
      if (clients[c]) {
        EXPECT_EQ(DdeGetLastError(clients[c]->id), kDmlErrNoError);
        EXPECT_EQ(DdeQueryString(server.id, own_names[c]), "TwOnly" + std::to_string(c + 1));
      } else {
        EXPECT_EQ(DdeQueryString(server.id, own_names[c]), "");  // went with its only owner
      }
    }
  };
  open(12);
  ended_conv.assign(opened.size(), false);
  for (std::size_t i = 0; i < opened.size(); i += 4) {
    ASSERT_TRUE(DdeDisconnect(opened[i].conv));
    ended_conv[i] = true;
  }
  std::vector<DdeInstance> ended;
  for (std::size_t c : {7u, 0u, 11u, 3u, 4u}) {
    ended.push_back(clients[c]->id);
    clients[c].reset();
  }
  PumpMessages();
  check();
  for (DdeInstance id : ended) EXPECT_EQ(DdeGetLastError(id), kDmlErrDllNotInitialized);
  open(20);  // enough to grow the index past its first size
  ended_conv.resize(opened.size(), false);
  check();
}

// Freed data objects lend their buffers to later ones: each handle still shows exactly its own
// bytes (an empty one still has an address), and a freed handle answers nothing.
TEST_F(DdemlModel, EachDataHandleShowsOnlyItsOwnBytesAsFreedOnesAreReused) {
  Instance app(kAppCmdClientOnly);
  const std::size_t before = sim::DdeDataHandleCount();
  std::vector<std::pair<HddeData, std::string>> live;
  std::mt19937 random(7);
  for (int step = 0; step < 400; ++step) {
    if (live.empty() || random() % 2 == 0) {
      const std::string text(random() % 40, static_cast<char>('a' + step % 26));
      const HddeData made = DdeCreateDataHandle(
          app.id, text.data(), static_cast<std::uint32_t>(text.size()), 0, 0, kCfText, 0);
      ASSERT_NE(made, 0u);
      live.emplace_back(made, text);
    } else {
      const auto at = live.begin() + random() % live.size();
      const HddeData freed = at->first;
      live.erase(at);
      ASSERT_TRUE(DdeFreeDataHandle(freed));
      EXPECT_FALSE(DdeFreeDataHandle(freed));
      EXPECT_EQ(DdeGetData(freed, nullptr, 0, 0), 0u);
      EXPECT_EQ(DdeAccessData(freed, nullptr), nullptr);
    }
  }
  for (const auto& [handle, text] : live) {
    std::uint32_t size = 99;
    const std::uint8_t* bytes = DdeAccessData(handle, &size);
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes), size), text);
    DdeUnaccessData(handle);
  }
  EXPECT_EQ(sim::DdeDataHandleCount(), before + live.size());
  for (const auto& entry : live) DdeFreeDataHandle(entry.first);
  EXPECT_EQ(sim::DdeDataHandleCount(), before);
}

// Advise data waits in the queue among other posted work and reaches the client in the order it
// was posted, each value with its own bytes, whether the server's answer was application owned
// (copied) or released with the answer (handed on). Data still queued when the client's
// conversation ends is dropped and lets go of the names it held, and only those.
TEST_F(DdemlModel, QueuedAdviseDataArrivesInOrderWithItsOwnBytesAndLetsGoOfItsNames) {
  const std::size_t strings = sim::DdeStringHandleCount();
  {
    Instance server(kAppCmdFilterInits);
    Instance client(kAppCmdClientOnly);
    DdeNameService(server.id, server.Name("TwQueueSvc"), kDnsRegister);
    std::string value;
    bool owned = false;
    std::vector<HddeData> kept;  // the application-owned answers, freed at the end
    server.answer = [&](unsigned type, Hconv, Hsz, Hsz b, HddeData) -> HddeData {
      if (type != kXtypAdvReq) return type == kXtypConnect || type == kXtypAdvStart ? 1 : 0;
      const HddeData answer =
          DdeCreateDataHandle(server.id, value.data(), static_cast<std::uint32_t>(value.size()), 0,
                              b, kCfText, owned ? kHdataAppOwned : 0);
      if (owned) kept.push_back(answer);
      return answer;
    };
    std::vector<std::string> seen;
    client.answer = [&](unsigned type, Hconv, Hsz a, Hsz b, HddeData data) -> HddeData {
      if (type != kXtypAdvData) return 0;
      const std::vector<std::uint8_t> bytes = DdeDataBytes(data);
      seen.push_back(DdeQueryString(client.id, a) + "/" + DdeQueryString(client.id, b) + "=" +
                     std::string(bytes.begin(), bytes.end()));
      return kDdeFAck;
    };
    const Hwnd window = CreateHiddenWindow("TwQueueWindow", [&](Hwnd, unsigned, WParam w, LParam) {
      seen.push_back("message " + std::to_string(w));
      return LResult{0};
    });
    const Hconv conv = DdeConnect(client.id, client.Name("TwQueueSvc"), client.Name("T"));
    const Hsz item = client.Name("BID");
    ASSERT_TRUE(
        DdeClientTransaction(nullptr, 0, conv, item, kCfText, kXtypAdvStart, 1000, nullptr));
    PumpMessages();
    const Hsz topic_at_server = server.Name("T"), item_at_server = server.Name("BID");
    auto post = [&](const std::string& v, bool app_owned) {
      value = v;
      owned = app_owned;
      ASSERT_TRUE(DdePostAdvise(server.id, topic_at_server, item_at_server));
    };
    post("1.25", true);
    Post(window, 0x400, 1, 0);
    post("2.5", false);
    post("", true);
    Post(window, 0x400, 2, 0);
    post("333.75", false);
    PumpMessages();
    EXPECT_EQ(seen, (std::vector<std::string>{"T/BID=1.25", "message 1", "T/BID=2.5",
                                              "T/BID=", "message 2", "T/BID=333.75"}));

    seen.clear();
    post("4", false);
    post("5", true);
    const std::size_t queued = sim::DdeStringHandleCount();
    ASSERT_TRUE(DdeDisconnect(conv));
    PumpMessages();
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(sim::DdeStringHandleCount(), queued);  // the names are still held by others
    EXPECT_EQ(DdeQueryString(client.id, item), "BID");
    EXPECT_TRUE(DdeFreeStringHandle(client.id, item));
    for (HddeData h : kept) EXPECT_TRUE(DdeFreeDataHandle(h));
    DestroyWindow(window);
  }
  PumpMessages();
  EXPECT_EQ(sim::DdeStringHandleCount(), strings);
  EXPECT_EQ(sim::DdeConversationCount(), 0u);
}

}  // namespace
}  // namespace platform
