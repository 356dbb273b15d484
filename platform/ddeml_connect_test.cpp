// Scenarios run on both backends: names, registration, connects, wild connects, conversation
// information and disconnects.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/clipboard_format.h"
#include "platform/ddeml.h"
#include "platform/ddeml_test_party.h"

namespace platform {
namespace {

using testing::Eventually;
using testing::Party;
using testing::Seen;
using testing::Settle;

TEST(DdemlNames, EqualTextsShareOneHandleSpelledAsFirstCreated) {
  Party a(kAppCmdClientOnly);
  Party b(kAppCmdClientOnly);
  Hsz first = a.Name("TwMiXed");
  Hsz again = a.Name("TWMIXED");
  Hsz other = b.Name("twmixed");
  Hsz different = a.Name("TwOther");
  ASSERT_NE(first, 0u);
  EXPECT_EQ(DdeCmpStringHandles(first, again), 0);
  EXPECT_EQ(DdeCmpStringHandles(first, other), 0);
  EXPECT_NE(DdeCmpStringHandles(first, different), 0);
  EXPECT_EQ(a.Read(again), "TwMiXed");
  EXPECT_EQ(b.Read(other), "TwMiXed");
  EXPECT_EQ(a.Read(0), "");
  // Three references were taken (two by a, one by b); the name lives until the last is freed.
  EXPECT_TRUE(a.Do([&] { return DdeFreeStringHandle(a.id(), first); }));
  EXPECT_EQ(a.Read(first), "TwMiXed");
  EXPECT_TRUE(a.Do([&] { return DdeFreeStringHandle(a.id(), again); }));
  EXPECT_EQ(b.Read(other), "TwMiXed");
  EXPECT_TRUE(b.Do([&] { return DdeFreeStringHandle(b.id(), other); }));
  EXPECT_EQ(b.Read(other), "");
}

TEST(DdemlNames, AHandleGoesWithTheInstanceThatOwnedIt) {
  Party keeper(kAppCmdClientOnly);
  Hsz lonely;
  {
    Party owner(kAppCmdClientOnly);
    lonely = owner.Name("TwOnlyOwnerHasMe");
    ASSERT_EQ(keeper.Read(lonely), "TwOnlyOwnerHasMe");
  }
  EXPECT_EQ(keeper.Read(lonely), "");
}

TEST(DdemlNames, AnEmptyOrOverlongNameGetsNoHandle) {
  Party a(kAppCmdClientOnly);
  EXPECT_EQ(a.Name(std::string(256, 'x')), 0u);
  EXPECT_EQ(a.Name(""), 0u);
}

// Connect-related callbacks only, without the registration notices every instance hears.
std::vector<unsigned> ConnectTypes(Party& party) {
  std::vector<unsigned> types;
  for (unsigned t : party.Types())
    if (t == kXtypConnect || t == kXtypConnectConfirm || t == kXtypWildConnect) types.push_back(t);
  return types;
}

// Other instances hear of a registration with both names; a client that connects by the
// instance-specific name reaches that server, which hears the base name.
TEST(DdemlRegistration, OthersHearRegisterAndUnregisterAndMayConnectByTheInstanceName) {
  Party listener(kAppCmdClientOnly);
  Party deaf(kAppCmdClientOnly | kCbfSkipRegistrations | kCbfSkipUnregistrations);
  Party server(kAppCmdFilterInits);
  Hsz service = server.Name("TwRegSvc");
  ASSERT_NE(server.Do([&] { return DdeNameService(server.id(), service, kDnsRegister); }), 0u);
  ASSERT_TRUE(Eventually([&] { return !listener.Events(kXtypRegister).empty(); }));
  Seen reg = listener.Events(kXtypRegister).front();
  EXPECT_EQ(reg.name1, "TwRegSvc");
  // The instance-specific name is the base name with the server's own tag in parentheses.
  EXPECT_EQ(reg.name2.rfind("TwRegSvc(", 0), 0u) << reg.name2;
  EXPECT_EQ(reg.name2.back(), ')');

  Hconv conv = listener.Do([&] {
    return DdeConnect(listener.id(), listener.Name(reg.name2), listener.Name("TwRegTopic"));
  });
  if (DdeRunningOnWine()) {
    // Wine departs from Windows: no server answers its instance-specific name.
    EXPECT_EQ(conv, 0u);
  } else {
    EXPECT_NE(conv, 0u);
    ASSERT_TRUE(Eventually([&] { return !server.Events(kXtypConnectConfirm).empty(); }));
    EXPECT_EQ(server.Events(kXtypConnect).at(0).name2, "TwRegSvc");
    EXPECT_EQ(server.Events(kXtypConnectConfirm).at(0).name2, "TwRegSvc");
    listener.Do([&] { return DdeDisconnect(conv); });
  }

  ASSERT_NE(server.Do([&] { return DdeNameService(server.id(), service, kDnsUnregister); }), 0u);
  ASSERT_TRUE(Eventually([&] { return !listener.Events(kXtypUnregister).empty(); }));
  const std::string gone = listener.Events(kXtypUnregister).front().name1;
  // Wine departs from Windows: the name's atom is sometimes freed before the notice is read
  // (seen in 1 of 10 runs), although the server still holds a handle of that name.
  if (!DdeRunningOnWine() || !gone.empty()) {
    EXPECT_EQ(gone, "TwRegSvc");
  }
  Settle();
  EXPECT_TRUE(deaf.Events().empty());
  // Wine departs from Windows: the registering instance hears its own registration too.
  const std::size_t own = DdeRunningOnWine() ? 1 : 0;
  EXPECT_EQ(server.Events(kXtypRegister).size(), own);
  EXPECT_EQ(server.Events(kXtypUnregister).size(), own);
}

TEST(DdemlRegistration, AClientOnlyInstanceCannotRegister) {
  Party client(kAppCmdClientOnly);
  Hsz service = client.Name("TwNoServe");
  HddeData done = client.Do([&] { return DdeNameService(client.id(), service, kDnsRegister); });
  if (DdeRunningOnWine()) {
    // Wine departs from Windows: it registers the name of a client-only instance.
    EXPECT_NE(done, 0u);
    return;
  }
  EXPECT_EQ(done, 0u);
  EXPECT_EQ(client.LastError(), kDmlErrDllUsage);
}

struct Served {
  Party server;
  Hsz service;
  explicit Served(std::uint32_t flags, const std::string& name, Party::Answer answer = nullptr)
      : server(flags, std::move(answer)), service(server.Name(name)) {
    server.Do([&] { return DdeNameService(server.id(), service, kDnsRegister); });
  }
};

TEST(DdemlConnect, AFilteringServerSeesOnlyItsOwnNames) {
  Served s(kAppCmdFilterInits, "TwConnSvc");
  Party client(kAppCmdClientOnly);
  Hsz svc = client.Name("TWCONNSVC");
  Hsz topic = client.Name("EURUSD");
  Hconv conv = client.Do([&] { return DdeConnect(client.id(), svc, topic); });
  ASSERT_NE(conv, 0u);
  ASSERT_TRUE(Eventually([&] { return !s.server.Events(kXtypConnectConfirm).empty(); }));
  std::vector<Seen> seen = s.server.Events();
  std::erase_if(seen, [](const Seen& e) { return e.type == kXtypRegister; });
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].type, kXtypConnect);
  EXPECT_EQ(seen[0].name1, "EURUSD");
  EXPECT_EQ(seen[0].name2, "TwConnSvc");  // spelled as the server first made it
  EXPECT_EQ(seen[0].data2, 0u);           // not the same instance
  EXPECT_EQ(seen[1].type, kXtypConnectConfirm);
  EXPECT_EQ(seen[1].name1, "EURUSD");
  EXPECT_EQ(seen[1].name2, "TwConnSvc");
  EXPECT_NE(seen[1].conv, 0u);

  s.server.Clear();
  Hsz unknown = client.Name("TwNobodyServes");
  EXPECT_EQ(client.Do([&] { return DdeConnect(client.id(), unknown, topic); }), 0u);
  EXPECT_EQ(client.LastError(), kDmlErrNoConvEstablished);
  Settle();
  EXPECT_TRUE(ConnectTypes(s.server).empty());
}

// Filtering is on from the first DdeInitialize whatever the flags: a server is asked only for
// the names it registered. DNS_FILTEROFF opens it to every name, which it may then refuse.
TEST(DdemlConnect, FilteringIsOnFromTheStartAndOnlyFilterOffOpensIt) {
  Party server(0, [](Party&, const Seen& seen) -> HddeData {
    return seen.type == kXtypConnect && seen.name2 == "TwWelcome" ? 1 : 0;
  });
  Party client(kAppCmdClientOnly);
  Hsz topic = client.Name("System");
  Hsz refused = client.Name("TwUnwelcome");
  Hsz welcome = client.Name("TwWelcome");
  EXPECT_EQ(client.Do([&] { return DdeConnect(client.id(), welcome, topic); }), 0u);
  EXPECT_EQ(client.LastError(), kDmlErrNoConvEstablished);
  Hsz own = server.Name("TwOwnSvc");
  ASSERT_NE(server.Do([&] { return DdeNameService(server.id(), own, kDnsRegister); }), 0u);
  EXPECT_EQ(client.Do([&] { return DdeConnect(client.id(), welcome, topic); }), 0u);
  Settle();
  EXPECT_TRUE(ConnectTypes(server).empty());

  ASSERT_NE(server.Do([&] { return DdeNameService(server.id(), own, kDnsFilterOff); }), 0u);
  EXPECT_EQ(client.Do([&] { return DdeConnect(client.id(), refused, topic); }), 0u);
  Hconv conv = client.Do([&] { return DdeConnect(client.id(), welcome, topic); });
  EXPECT_NE(conv, 0u);
  ASSERT_TRUE(Eventually([&] { return server.Events(kXtypConnectConfirm).size() == 1; }));
  std::vector<Seen> connects = server.Events(kXtypConnect);
  ASSERT_EQ(connects.size(), 2u);
  EXPECT_EQ(connects[0].name2, "TwUnwelcome");
  EXPECT_EQ(connects[1].name2, "TwWelcome");
}

TEST(DdemlConnect, SkippedConfirmsAndFailedConnectionsFilterBeforeTheCallback) {
  Served quiet(kAppCmdFilterInits | kCbfSkipConnectConfirms, "TwQuietSvc");
  Party client(kAppCmdClientOnly);
  Hsz topic = client.Name("T");
  EXPECT_NE(client.Do([&] { return DdeConnect(client.id(), client.Name("TwQuietSvc"), topic); }),
            0u);
  Settle();
  if (DdeRunningOnWine()) {
    // Wine departs from Windows: CBF_SKIP_CONNECT_CONFIRMS does not hold back the confirm.
    EXPECT_EQ(ConnectTypes(quiet.server),
              (std::vector<unsigned>{kXtypConnect, kXtypConnectConfirm}));
  } else {
    EXPECT_EQ(ConnectTypes(quiet.server), std::vector<unsigned>{kXtypConnect});
  }

  Served closed(kAppCmdFilterInits | kCbfFailConnections, "TwClosedSvc");
  EXPECT_EQ(client.Do([&] { return DdeConnect(client.id(), client.Name("TwClosedSvc"), topic); }),
            0u);
  Settle();
  EXPECT_TRUE(ConnectTypes(closed.server).empty());
}

TEST(DdemlConnect, ConversationInfoNamesBothSides) {
  Served s(kAppCmdFilterInits, "TwInfoSvc");
  Party client(kAppCmdClientOnly);
  Hconv conv = client.Do(
      [&] { return DdeConnect(client.id(), client.Name("twinfosvc"), client.Name("GBPUSD")); });
  ASSERT_NE(conv, 0u);
  ASSERT_TRUE(Eventually([&] { return !s.server.Events(kXtypConnectConfirm).empty(); }));
  ConvInfo info;
  ASSERT_TRUE(client.Do([&] { return DdeQueryConvInfo(conv, kQidSync, info); }));
  EXPECT_EQ(client.Read(info.service_request), "TwInfoSvc");
  EXPECT_EQ(client.Read(info.topic), "GBPUSD");
  EXPECT_EQ(client.Read(info.service_partner).rfind("TwInfoSvc", 0), 0u);
  EXPECT_TRUE(info.status & kStClient);
  EXPECT_TRUE(info.status & kStConnected);
  EXPECT_EQ(info.state, kXstConnected);
  EXPECT_NE(info.partner, 0u);

  Hconv server_end = s.server.Events(kXtypConnectConfirm).front().conv;
  ConvInfo other;
  ASSERT_TRUE(s.server.Do([&] { return DdeQueryConvInfo(server_end, kQidSync, other); }));
  EXPECT_EQ(s.server.Read(other.topic), "GBPUSD");
  EXPECT_EQ(s.server.Read(other.service_request), "TwInfoSvc");
  EXPECT_FALSE(other.status & kStClient);
  EXPECT_TRUE(other.status & kStConnected);
}

HddeData AnswerWildWithTwoTopics(Party& self, const Seen& seen) {
  if (seen.type != kXtypWildConnect) return seen.type == kXtypConnect ? 1 : 0;
  Hsz svc = DdeCreateStringHandle(self.id(), "TwWildSvc");
  return DdeCreateHszPairData(self.id(), {{svc, DdeCreateStringHandle(self.id(), "EURUSD")},
                                          {svc, DdeCreateStringHandle(self.id(), "USDJPY")}});
}

TEST(DdemlConnect, WildConnectTakesTheFirstAnsweredPair) {
  Served s(kAppCmdFilterInits, "TwWildSvc", AnswerWildWithTwoTopics);
  Party client(kAppCmdClientOnly);
  Hconv conv = client.Do([&] { return DdeConnect(client.id(), s.service, 0); });
  ASSERT_NE(conv, 0u);
  ConvInfo info;
  ASSERT_TRUE(client.Do([&] { return DdeQueryConvInfo(conv, kQidSync, info); }));
  EXPECT_EQ(client.Read(info.topic), "EURUSD");
  ASSERT_TRUE(Eventually([&] { return !s.server.Events(kXtypConnectConfirm).empty(); }));
  std::vector<Seen> wild = s.server.Events(kXtypWildConnect);
  ASSERT_EQ(wild.size(), 1u);
  EXPECT_EQ(wild[0].name1, "");
  EXPECT_EQ(wild[0].name2, "TwWildSvc");
}

TEST(DdemlConnect, WildConnectListOpensAConversationPerAnsweredPair) {
  Served s(kAppCmdFilterInits, "TwWildSvc", AnswerWildWithTwoTopics);
  Party client(kAppCmdClientOnly);
  HconvList list = client.Do([&] { return DdeConnectList(client.id(), s.service, 0, 0); });
  if (DdeRunningOnWine()) {
    // Wine departs from Windows: DdeConnectList answers a list without conversations.
    EXPECT_EQ(client.Do([&] { return DdeQueryNextServer(list, 0); }), 0u);
    EXPECT_TRUE(ConnectTypes(s.server).empty());
    return;
  }
  ASSERT_NE(list, 0u);
  std::vector<std::string> topics;
  client.Do([&] {
    for (Hconv c = DdeQueryNextServer(list, 0); c; c = DdeQueryNextServer(list, c)) {
      ConvInfo info;
      if (DdeQueryConvInfo(c, kQidSync, info)) {
        topics.push_back(DdeQueryString(client.id(), info.topic));
        EXPECT_TRUE(info.status & kStInList);
      }
    }
    return 0;
  });
  EXPECT_EQ(topics, (std::vector<std::string>{"EURUSD", "USDJPY"}));
  ASSERT_TRUE(Eventually([&] { return s.server.Events(kXtypConnectConfirm).size() == 2; }));
  EXPECT_EQ(s.server.Events(kXtypWildConnect).size(), 1u);

  // Asked again with the list, the library keeps what it holds and opens nothing twice; a
  // conversation that ended leaves the list and its pair is connected anew.
  auto members = [&](HconvList of) {
    return client.Do([&] {
      std::vector<Hconv> all;
      for (Hconv c = DdeQueryNextServer(of, 0); c; c = DdeQueryNextServer(of, c)) all.push_back(c);
      return all;
    });
  };
  const std::vector<Hconv> before = members(list);
  list = client.Do([&] { return DdeConnectList(client.id(), s.service, 0, list); });
  EXPECT_EQ(members(list), before);
  ASSERT_EQ(before.size(), 2u);
  EXPECT_TRUE(client.Do([&] { return DdeDisconnect(before[0]); }));
  list = client.Do([&] { return DdeConnectList(client.id(), s.service, 0, list); });
  const std::vector<Hconv> after = members(list);
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(std::count(after.begin(), after.end(), before[0]), 0);
  EXPECT_EQ(std::count(after.begin(), after.end(), before[1]), 1);
  EXPECT_TRUE(client.Do([&] { return DdeDisconnectList(list); }));
  EXPECT_TRUE(Eventually([&] { return s.server.Events(kXtypDisconnect).size() == 3; }));
}

TEST(DdemlHszPairs, ABlockReadsBackInOrderAndEndsAtTheZeroPair) {
  Party a(kAppCmdClientOnly);
  Hsz s = a.Name("TwS"), t = a.Name("TwT");
  a.Do([&] {
    HddeData block = DdeCreateHszPairData(a.id(), {{s, t}, {t, s}});
    std::vector<HszPair> pairs = DdeReadHszPairs(block);
    EXPECT_EQ(DdeGetData(block, nullptr, 0, 0), 3 * 2 * sizeof(void*));
    EXPECT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[1].service, t);
    EXPECT_EQ(pairs[1].topic, s);
    return DdeFreeDataHandle(block);
  });
}

TEST(DdemlDisconnect, TheClientEndingTellsTheServerAndInvalidatesTheHandles) {
  Served s(kAppCmdFilterInits, "TwByeSvc");
  Party client(kAppCmdClientOnly);
  Hconv conv =
      client.Do([&] { return DdeConnect(client.id(), client.Name("TwByeSvc"), client.Name("T")); });
  ASSERT_TRUE(Eventually([&] { return !s.server.Events(kXtypConnectConfirm).empty(); }));
  Hconv server_end = s.server.Events(kXtypConnectConfirm).front().conv;
  EXPECT_TRUE(client.Do([&] { return DdeDisconnect(conv); }));
  ASSERT_TRUE(Eventually([&] { return !s.server.Events(kXtypDisconnect).empty(); }));
  EXPECT_EQ(s.server.Events(kXtypDisconnect).front().conv, server_end);
  Settle();
  ConvInfo info;
  EXPECT_FALSE(client.Do([&] { return DdeQueryConvInfo(conv, kQidSync, info); }));
  EXPECT_FALSE(s.server.Do([&] { return DdeQueryConvInfo(server_end, kQidSync, info); }));
  EXPECT_FALSE(client.Do([&] { return DdeDisconnect(conv); }));
}

// The client of a conversation its server ended: told once, its handle no longer serves, and
// a new conversation on the same service and topic opens (Wine keeps the ended one and refuses
// it unless the platform makes the end reach its client).
void ExpectEndedAndConnectAgain(Party& client, Hconv conv, const std::string& service) {
  ASSERT_TRUE(Eventually([&] { return !client.Events(kXtypDisconnect).empty(); }));
  EXPECT_EQ(client.Events(kXtypDisconnect).front().conv, conv);
  Settle();
  EXPECT_EQ(client.Events(kXtypDisconnect).size(), 1u);
  ConvInfo info;
  if (client.Do([&] { return DdeQueryConvInfo(conv, kQidSync, info); })) {
    EXPECT_FALSE(info.status & kStConnected);
  }
  std::uint32_t status = 0;
  EXPECT_EQ(client.Do([&] {
    return DdeClientTransaction(nullptr, 0, conv, client.Name("BID"), kCfText, kXtypRequest, 1000,
                                &status);
  }),
            0u);
  Hconv again =
      client.Do([&] { return DdeConnect(client.id(), client.Name(service), client.Name("T")); });
  EXPECT_NE(again, 0u) << "a new conversation on the same names was refused";
  if (again) {
    EXPECT_TRUE(client.Do([&] { return DdeDisconnect(again); }));
  }
}

TEST(DdemlDisconnect, TheServerEndingTellsTheClientWhichCanConnectAgain) {
  Served s(kAppCmdFilterInits, "TwDropSvc");
  Party client(kAppCmdClientOnly);
  Hconv conv = client.Do(
      [&] { return DdeConnect(client.id(), client.Name("TwDropSvc"), client.Name("T")); });
  ASSERT_NE(conv, 0u);
  ASSERT_TRUE(Eventually([&] { return !s.server.Events(kXtypConnectConfirm).empty(); }));
  Hconv server_end = s.server.Events(kXtypConnectConfirm).front().conv;
  EXPECT_TRUE(s.server.Do([&] { return DdeDisconnect(server_end); }));
  ExpectEndedAndConnectAgain(client, conv, "TwDropSvc");
  // The side that ends is not told; the new conversation was confirmed and ended by its client.
  // The library may give the new conversation the ended one's handle, so the order of what the
  // server saw tells them apart: two confirms, then the one disconnect, of the second.
  ASSERT_TRUE(Eventually([&] { return !s.server.Events(kXtypDisconnect).empty(); }));
  Settle();
  std::vector<Seen> seen;
  for (const Seen& event : s.server.Events())
    if (event.type == kXtypConnectConfirm || event.type == kXtypDisconnect) seen.push_back(event);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].type, kXtypConnectConfirm);
  EXPECT_EQ(seen[1].type, kXtypConnectConfirm);
  EXPECT_EQ(seen[2].type, kXtypDisconnect);
  EXPECT_EQ(seen[2].conv, seen[1].conv);
  ConvInfo info;
  EXPECT_FALSE(s.server.Do([&] { return DdeQueryConvInfo(server_end, kQidSync, info); }));
  EXPECT_FALSE(s.server.Do([&] { return DdeDisconnect(server_end); }));
}

TEST(DdemlDisconnect, UninitialisingAServerEndsItsConversationsAndNames) {
  auto s = std::make_unique<Served>(kAppCmdFilterInits, "TwGoneSvc");
  Party client(kAppCmdClientOnly);
  Hconv conv = client.Do(
      [&] { return DdeConnect(client.id(), client.Name("TwGoneSvc"), client.Name("T")); });
  ASSERT_NE(conv, 0u);
  ASSERT_TRUE(Eventually([&] { return !s->server.Events(kXtypConnectConfirm).empty(); }));
  EXPECT_TRUE(s->server.Uninitialize());
  ASSERT_TRUE(Eventually([&] { return !client.Events(kXtypUnregister).empty(); }));
  const std::string name = client.Events(kXtypUnregister).front().name1;
  if (DdeRunningOnWine() && name.empty()) {
    // Wine departs from Windows: the ending server sometimes frees the name's atom before the
    // client reads it, although the client still holds a handle of that name.
  } else {
    EXPECT_EQ(name, "TwGoneSvc");
  }
  Hsz svc = client.Name("TwGoneSvc");
  EXPECT_EQ(client.Do([&] { return DdeConnect(client.id(), svc, client.Name("T")); }), 0u);
  // The same service back in another instance: the client reaches it again.
  s = std::make_unique<Served>(kAppCmdFilterInits, "TwGoneSvc");
  ExpectEndedAndConnectAgain(client, conv, "TwGoneSvc");
}

TEST(DdemlClipboardFormats, RegisteredNamesShareANumberAndReadBack) {
  unsigned xl = RegisterClipboardFormat("XlTable");
  EXPECT_GE(xl, 0xC000u);
  EXPECT_EQ(RegisterClipboardFormat("xltable"), xl);
  EXPECT_NE(RegisterClipboardFormat("Link"), xl);
  EXPECT_EQ(ClipboardFormatName(xl), "XlTable");
  EXPECT_EQ(ClipboardFormatName(kCfText), "");
  EXPECT_EQ(RegisterClipboardFormat(""), 0u);
}

}  // namespace
}  // namespace platform
