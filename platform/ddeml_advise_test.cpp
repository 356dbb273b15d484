// Scenarios run on both backends: advise loops (hot and warm, one to three links), the
// remaining count of XTYP_ADVREQ, application-owned answers handed out more than once, advise
// stop, and the server behaviour that must hold under Wine too.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <memory>

#include "platform/clipboard_format.h"
#include "platform/ddeml.h"
#include "platform/ddeml_test_party.h"

namespace platform {
namespace {

using testing::Eventually;
using testing::Party;
using testing::Seen;
using testing::Settle;
using testing::Text;

// A quote server: answers XTYP_ADVREQ with the current value of the item, as one
// application-owned handle shared by the links of one post when the count says more follow.
struct QuoteServer {
  std::mutex lock;
  std::map<std::string, std::string> values;
  HddeData shared = 0;
  std::vector<HddeData> owned;
  // Called for every transaction but XTYP_ADVREQ before it is answered.
  std::function<void(Party&, const Seen&)> before;
  Party party;
  Hsz service;

  QuoteServer()
      : party(kAppCmdFilterInits,
              [this](Party& self, const Seen& seen) -> HddeData { return Answer(self, seen); }) {
    service = party.Name("TwQuoteSvc");
    party.Do([&] { return DdeNameService(party.id(), service, kDnsRegister); });
  }
  ~QuoteServer() {
    party.Do([&] {
      for (HddeData h : owned) DdeFreeDataHandle(h);
      return 0;
    });
  }
  HddeData Answer(Party& self, const Seen& seen) {
    if (seen.type != kXtypAdvReq && before) before(self, seen);
    if (seen.type == kXtypConnect || seen.type == kXtypAdvStart) return 1;
    if (seen.type != kXtypAdvReq && seen.type != kXtypRequest) return 0;
    std::lock_guard<std::mutex> hold(lock);
    const std::string text = values[seen.name1 + "/" + seen.name2];
    if (seen.type == kXtypRequest) {
      return text.empty() ? 0
                          : DdeCreateDataHandle(self.id(), text.c_str(),
                                                static_cast<std::uint32_t>(text.size() + 1), 0,
                                                DdeCreateStringHandle(self.id(), seen.name2),
                                                seen.format, 0);
    }
    if (shared == 0) {
      Hsz item = DdeCreateStringHandle(self.id(), seen.name2);
      const unsigned command = (seen.data1 & 0xFFFF) > 0 ? kHdataAppOwned : 0;
      HddeData h =
          DdeCreateDataHandle(self.id(), text.c_str(), static_cast<std::uint32_t>(text.size() + 1),
                              0, item, seen.format, command);
      if (command) owned.push_back(h), shared = h;
      if ((seen.data1 & 0xFFFF) == 0) shared = 0;
      return h;
    }
    HddeData h = shared;
    if ((seen.data1 & 0xFFFF) == 0) shared = 0;
    return h;
  }
  void Set(const std::string& topic, const std::string& item, const std::string& value) {
    std::lock_guard<std::mutex> hold(lock);
    values[topic + "/" + item] = value;
  }
  // Posts the item on the topic, or on every topic when topic is empty.
  bool Post(const std::string& topic, const std::string& item, const std::string& value = {}) {
    if (!topic.empty() && !value.empty()) Set(topic, item, value);
    return party.Do([&] {
      return DdePostAdvise(party.id(), topic.empty() ? 0 : DdeCreateStringHandle(party.id(), topic),
                           DdeCreateStringHandle(party.id(), item));
    });
  }
};

// One client instance. (Wine gives one client instance a single conversation per service and
// topic, so the scenarios put each link of a topic in a client of its own, as spreadsheets do.)
struct Watcher {
  Party party{kAppCmdClientOnly};
  Hconv Connect(const std::string& topic) {
    return party.Do([&] {
      return DdeConnect(party.id(), DdeCreateStringHandle(party.id(), "TwQuoteSvc"),
                        DdeCreateStringHandle(party.id(), topic));
    });
  }
  bool Advise(Hconv conv, const std::string& item, unsigned type = kXtypAdvStart,
              std::uint32_t timeout = 5000, unsigned format = kCfText) {
    return party.Do([&] {
      std::uint32_t word = 0;
      return DdeClientTransaction(nullptr, 0, conv, DdeCreateStringHandle(party.id(), item), format,
                                  type, timeout, &word) != 0;
    });
  }
  std::string Request(Hconv conv, const std::string& item) {
    return party.Do([&] {
      HddeData h = DdeClientTransaction(nullptr, 0, conv, DdeCreateStringHandle(party.id(), item),
                                        kCfText, kXtypRequest, 5000, nullptr);
      std::string text = h ? Text(DdeDataBytes(h)) : "(failed)";
      if (h) DdeFreeDataHandle(h);
      return text;
    });
  }
  std::vector<std::string> Values() {
    std::vector<std::string> values;
    for (const Seen& s : party.Events(kXtypAdvData))
      values.push_back(s.name1 + "/" + s.name2 + "=" + (s.has_data ? Text(s.data) : "-"));
    return values;
  }
};

class DdemlAdvise : public ::testing::TestWithParam<int> {};

TEST_P(DdemlAdvise, EveryHotLinkGetsTheValueAndTheCountFallsToZero) {
  const int links = GetParam();
  QuoteServer server;
  std::vector<std::unique_ptr<Watcher>> clients;
  for (int i = 0; i < links; ++i) {
    clients.push_back(std::make_unique<Watcher>());
    Hconv conv = clients.back()->Connect("EURUSD");
    ASSERT_NE(conv, 0u);
    ASSERT_TRUE(clients.back()->Advise(conv, "BID"));
  }
  auto all_have = [&](std::size_t n) {
    for (auto& c : clients)
      if (c->Values().size() != n) return false;
    return true;
  };
  ASSERT_TRUE(server.Post("EURUSD", "BID", "1.0842"));
  ASSERT_TRUE(Eventually([&] { return all_have(1); }));
  for (auto& c : clients) EXPECT_EQ(c->Values().front(), "EURUSD/BID=1.0842");
  std::vector<Seen> asked = server.party.Events(kXtypAdvReq);
  ASSERT_EQ(asked.size(), static_cast<size_t>(links));
  for (int i = 0; i < links; ++i) {
    EXPECT_EQ(asked[i].data1 & 0xFFFF, static_cast<unsigned>(links - 1 - i));
    EXPECT_EQ(asked[i].name1, "EURUSD");
    EXPECT_EQ(asked[i].name2, "BID");
    EXPECT_EQ(asked[i].format, kCfText);
  }
  // A second post delivers the new value to every link.
  ASSERT_TRUE(server.Post("EURUSD", "BID", "1.0843"));
  ASSERT_TRUE(Eventually([&] { return all_have(2); }));
  for (auto& c : clients) EXPECT_EQ(c->Values().back(), "EURUSD/BID=1.0843");
}

TEST_P(DdemlAdvise, WarmLinksAreToldOfAChangeWithoutData) {
  const int links = GetParam();
  QuoteServer server;
  std::vector<std::unique_ptr<Watcher>> clients;
  for (int i = 0; i < links; ++i) {
    clients.push_back(std::make_unique<Watcher>());
    Hconv conv = clients.back()->Connect("GBPUSD");
    ASSERT_TRUE(clients.back()->Advise(conv, "ASK", kXtypAdvStart | kXtypfNoData));
  }
  ASSERT_TRUE(server.Post("GBPUSD", "ASK", "1.2710"));
  for (auto& c : clients) {
    ASSERT_TRUE(Eventually([&] { return c->Values().size() == 1; }));
    EXPECT_EQ(c->Values().front(), "GBPUSD/ASK=-");
  }
}

INSTANTIATE_TEST_SUITE_P(Links, DdemlAdvise, ::testing::Values(1, 2, 3));

TEST(DdemlAdviseStop, AStoppedLinkIsNoLongerServedAndAStopWithoutLinkFails) {
  QuoteServer server;
  Watcher client;
  Hconv conv = client.Connect("EURUSD");
  ASSERT_TRUE(client.Advise(conv, "BID"));
  ConvInfo info;
  ASSERT_TRUE(client.party.Do([&] { return DdeQueryConvInfo(conv, kQidSync, info); }));
  EXPECT_TRUE(info.status & kStAdvise);
  ASSERT_TRUE(client.Advise(conv, "BID", kXtypAdvStop));
  std::vector<Seen> stops = server.party.Events(kXtypAdvStop);
  ASSERT_EQ(stops.size(), 1u);
  EXPECT_EQ(stops[0].name1, "EURUSD");
  EXPECT_EQ(stops[0].name2, "BID");
  ASSERT_TRUE(server.Post("EURUSD", "BID", "1.5"));
  Settle();
  EXPECT_TRUE(server.party.Events(kXtypAdvReq).empty());
  EXPECT_TRUE(client.Values().empty());
  EXPECT_FALSE(client.Advise(conv, "BID", kXtypAdvStop, 500));
  // Wine departs from Windows: the server's library never answers the stop; it times out.
  EXPECT_EQ(client.party.LastError(),
            DdeRunningOnWine() ? kDmlErrUnadvAckTimeout : kDmlErrNotProcessed);
}

// A client that leaves without stopping its links: the server is told of the conversation's end
// alone, never of each link (the links end with it), whether the client disconnects or its
// instance ends; a later post asks for nothing.
TEST(DdemlAdviseStop, AClientThatLeavesWithLinksEndsThemWithItsConversation) {
  QuoteServer server;
  for (const bool disconnect : {true, false}) {
    auto client = std::make_unique<Watcher>();
    Hconv conv = client->Connect("EURUSD");
    ASSERT_NE(conv, 0u);
    for (const char* item : {"BID", "ASK"}) ASSERT_TRUE(client->Advise(conv, item));
    const std::size_t ends = server.party.Events(kXtypDisconnect).size();
    if (disconnect)
      ASSERT_TRUE(client->party.Do([&] { return DdeDisconnect(conv); }));
    else
      client.reset();
    ASSERT_TRUE(Eventually([&] { return server.party.Events(kXtypDisconnect).size() > ends; }));
    Settle();
    EXPECT_TRUE(server.party.Events(kXtypAdvStop).empty());
    ASSERT_TRUE(server.Post("EURUSD", "BID", "1.5"));
    Settle();
    EXPECT_TRUE(server.party.Events(kXtypAdvReq).empty());
  }
}

TEST(DdemlAdviseStart, ARepeatedStartMakesNoSecondLink) {
  QuoteServer server;
  Watcher client;
  Hconv conv = client.Connect("EURUSD");
  ASSERT_TRUE(client.Advise(conv, "BID"));
  ASSERT_TRUE(client.Advise(conv, "BID"));
  ASSERT_TRUE(server.Post("EURUSD", "BID", "2"));
  ASSERT_TRUE(Eventually([&] { return client.Values().size() == 1; }));
  Settle();
  EXPECT_EQ(server.party.Events(kXtypAdvReq).size(), 1u);
}

// Windows matches links by topic and item. Wine 8's DdePostAdvise matches by item only; the
// platform layer answers those foreign requests itself, so the server and the clients see the
// documented behaviour on both.
TEST(DdemlAdviseTopics, APostReachesOnlyTheLinksOfItsTopic) {
  QuoteServer server;
  Watcher client;
  Hconv eur = client.Connect("EURUSD");
  Hconv gbp = client.Connect("GBPUSD");
  ASSERT_NE(gbp, 0u);
  ASSERT_TRUE(client.Advise(eur, "BID"));
  ASSERT_TRUE(client.Advise(gbp, "BID"));
  ASSERT_TRUE(server.Post("EURUSD", "BID", "1.08"));
  ASSERT_TRUE(Eventually([&] { return !client.Values().empty(); }));
  Settle();
  EXPECT_EQ(client.Values(), std::vector<std::string>{"EURUSD/BID=1.08"});
  std::vector<Seen> asked = server.party.Events(kXtypAdvReq);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].name1, "EURUSD");
  EXPECT_EQ(asked[0].data1 & 0xFFFF, 0u);  // the only request of this post is its last

  // The same from the other topic, whose link Wine meets in the other order.
  ASSERT_TRUE(server.Post("GBPUSD", "BID", "1.27"));
  ASSERT_TRUE(Eventually([&] { return client.Values().size() == 2; }));
  Settle();
  EXPECT_EQ(client.Values().back(), "GBPUSD/BID=1.27");
  asked = server.party.Events(kXtypAdvReq);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[1].name1, "GBPUSD");
  EXPECT_EQ(asked[1].data1 & 0xFFFF, 0u);

  // Names are the same whatever their case: a post named in small letters reaches the link
  // made in capitals, and still only on its own topic.
  server.Set("EURUSD", "BID", "1.10");
  ASSERT_TRUE(server.Post("eurusd", "bid"));
  ASSERT_TRUE(Eventually([&] { return client.Values().size() == 3; }));
  Settle();
  EXPECT_EQ(client.Values().back(), "EURUSD/BID=1.10");
  EXPECT_EQ(client.Values().size(), 3u);
  asked = server.party.Events(kXtypAdvReq);
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_EQ(asked[2].name1, "EURUSD");

  // A post without a topic reaches the item's links on every topic.
  server.Set("EURUSD", "BID", "1.09");
  server.Set("GBPUSD", "BID", "1.28");
  ASSERT_TRUE(server.Post("", "BID"));
  ASSERT_TRUE(Eventually([&] { return client.Values().size() == 5; }));
  std::vector<std::string> both = client.Values();
  both.erase(both.begin(), both.begin() + 3);
  std::sort(both.begin(), both.end());
  EXPECT_EQ(both, (std::vector<std::string>{"EURUSD/BID=1.09", "GBPUSD/BID=1.28"}));
  asked = server.party.Events(kXtypAdvReq);
  ASSERT_EQ(asked.size(), 5u);
  std::vector<std::string> topics{asked[3].name1, asked[4].name1};
  std::sort(topics.begin(), topics.end());
  EXPECT_EQ(topics, (std::vector<std::string>{"EURUSD", "GBPUSD"}));
}

// On an XTYPF_ACKREQ link, a post that outruns the client's acknowledgement of the last update
// is asked for again, with CADV_LATEACK, once the acknowledgement arrives; the client ends with
// the latest value.
TEST(DdemlAdviseAck, APostThatOutrunsTheAcknowledgementIsServedLate) {
  QuoteServer server;
  Watcher client;
  Hconv conv = client.Connect("EURUSD");
  ASSERT_TRUE(client.Advise(conv, "BID", kXtypAdvStart | kXtypfAckReq));
  server.Set("EURUSD", "BID", "1");
  server.party.Do([&] {
    Hsz topic = DdeCreateStringHandle(server.party.id(), "EURUSD");
    Hsz item = DdeCreateStringHandle(server.party.id(), "BID");
    DdePostAdvise(server.party.id(), topic, item);
    server.Set("EURUSD", "BID", "2");
    return DdePostAdvise(server.party.id(), topic, item);  // before the first is acknowledged
  });
  ASSERT_TRUE(Eventually([&] { return client.Values().size() == 2; }));
  Settle();
  EXPECT_EQ(client.Values(), (std::vector<std::string>{"EURUSD/BID=1", "EURUSD/BID=2"}));
  std::vector<Seen> asked = server.party.Events(kXtypAdvReq);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[0].data1 & 0xFFFF, 0u);
  // Wine departs from Windows: it serves every post at once, without waiting for the client's
  // acknowledgement, so the late request never comes.
  EXPECT_EQ(asked[1].data1 & 0xFFFF, DdeRunningOnWine() ? 0u : kCadvLateAck);
}

// A registered format such as XlTable reaches the server as its number in every transaction,
// and the client gets advise data in it.
TEST(DdemlRegisteredFormat, EveryTransactionCarriesTheFormatNumber) {
  const unsigned xl = RegisterClipboardFormat("XlTable");
  QuoteServer server;
  server.Set("EURUSD", "BID", "xl");
  Watcher client;
  Hconv conv = client.Connect("EURUSD");
  ASSERT_TRUE(client.Advise(conv, "BID", kXtypAdvStart, 5000, xl));
  client.party.Do([&] {
    std::uint32_t word = 0;
    return DdeClientTransaction("1", 2, conv, DdeCreateStringHandle(client.party.id(), "BID"), xl,
                                kXtypPoke, 5000, &word);
  });
  ASSERT_TRUE(server.Post("EURUSD", "BID"));
  for (unsigned type : {kXtypAdvStart, kXtypPoke, kXtypAdvReq}) {
    ASSERT_TRUE(Eventually([&] { return !server.party.Events(type).empty(); })) << type;
    EXPECT_EQ(server.party.Events(type).front().format, xl) << std::hex << type;
  }
  const bool stopped = client.Advise(conv, "BID", kXtypAdvStop, 1000, xl);
  if (DdeRunningOnWine()) {
    // Wine departs from Windows: its client drops advise data in a registered format, and its
    // client cannot stop such a link.
    Settle();
    EXPECT_TRUE(client.Values().empty());
    EXPECT_FALSE(stopped);
    for (const Seen& stop : server.party.Events(kXtypAdvStop)) EXPECT_EQ(stop.format, xl);
    return;
  }
  ASSERT_TRUE(Eventually([&] { return client.Values().size() == 1; }));
  EXPECT_EQ(client.party.Events(kXtypAdvData).front().format, xl);
  EXPECT_TRUE(stopped);
  ASSERT_EQ(server.party.Events(kXtypAdvStop).size(), 1u);
  EXPECT_EQ(server.party.Events(kXtypAdvStop).front().format, xl);
}

// Several links served by one post, many posts in a row, values of several items interleaved:
// every value must arrive under its own item name (Wine 8 frees the item's atom early when one
// post serves several links; the platform layer adds the missing references).
TEST(DdemlAdviseStream, ManyPostsToSeveralLinksArriveUnderTheirOwnItems) {
  QuoteServer server;
  std::vector<std::unique_ptr<Watcher>> clients;
  const char* items[] = {"BID", "ASK", "LAST"};
  for (int c = 0; c < 3; ++c) {
    clients.push_back(std::make_unique<Watcher>());
    Hconv conv = clients.back()->Connect("USDJPY");
    for (const char* item : items) ASSERT_TRUE(clients.back()->Advise(conv, item));
  }
  const int rounds = 40;
  for (int r = 0; r < rounds; ++r)
    for (const char* item : items)
      ASSERT_TRUE(server.Post("USDJPY", item, std::string(item) + std::to_string(r)));
  for (auto& client : clients) {
    ASSERT_TRUE(Eventually([&] { return client->Values().size() == 3u * rounds; }));
    for (const Seen& s : client->party.Events(kXtypAdvData)) {
      ASSERT_TRUE(s.has_data);
      EXPECT_EQ(Text(s.data).rfind(s.name2, 0), 0u) << s.name2 << " got " << Text(s.data);
    }
    EXPECT_EQ(client->Values().back(), "USDJPY/LAST=LAST" + std::to_string(rounds - 1));
  }
}

// A server that posts an update of one link while it answers a transaction on another item: the
// client is then sent the update before the answer it waits for. The update belongs to its link
// and must not end the transaction (Wine's client takes any message that comes in the wait for
// the end of it; the platform layer holds those updates back until the answer is in).
TEST(DdemlAdviseInterleaved, UpdatesThatArriveDuringATransactionAreNotTakenForItsAnswer) {
  QuoteServer server;
  std::atomic<int> posts{0};
  server.before = [&](Party& self, const Seen& seen) {
    if ((seen.type != kXtypAdvStart && seen.type != kXtypRequest) || seen.name2 == "BID") return;
    server.Set("EURUSD", "BID", seen.name2);
    ++posts;
    DdePostAdvise(self.id(), DdeCreateStringHandle(self.id(), "EURUSD"),
                  DdeCreateStringHandle(self.id(), "BID"));
  };
  Watcher client;
  Hconv conv = client.Connect("EURUSD");
  ASSERT_TRUE(client.Advise(conv, "BID"));
  const int items = 20;
  for (int i = 0; i < items; ++i) {
    const std::string item = "I" + std::to_string(i);
    server.Set("EURUSD", item, "value of " + item);
    EXPECT_TRUE(client.Advise(conv, item)) << item;
    EXPECT_EQ(client.Request(conv, item), "value of " + item);
  }
  ASSERT_EQ(posts, 2 * items);
  ASSERT_TRUE(Eventually([&] { return client.Values().size() == 2u * items; }));
  std::vector<std::string> values = client.Values();
  EXPECT_EQ(values.front(), "EURUSD/BID=I0");
  EXPECT_EQ(values.back(), "EURUSD/BID=I" + std::to_string(items - 1));
}

}  // namespace
}  // namespace platform
