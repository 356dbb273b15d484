// Advise links served by a running manager: links accepted and stopped, every change delivered
// to every linked client, the data handles handed to DDEML, and posts deferred during a poke.
#ifndef _WIN32
#include <algorithm>
#include <map>
#include <memory>

#include "dde/manager/server_test_fixture.h"
#include "dde/model/topic.h"
#include "dde/tables/error_codes.h"
#include "dde/tables/format_names.h"
#include "platform/clipboard_format.h"

namespace tickwell {
namespace {

using testing::Party;
using testing::ServerTest;
using testing::Text;

class AdviseTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    m->OnAdviseStartReceived = [this](TDDEMLManager&, const std::string&, const std::string&,
                                      const std::string& item, std::int32_t, TDDEMLClipFmtType type,
                                      std::uint16_t number, bool& allow) {
      starts.push_back(item + " " + std::to_string(type) + " " + std::to_string(number));
      allow = item != "REFUSED";
    };
  }
  // The quote bridge's way of publishing one line.
  void Line(const std::string& symbol, const std::string& bid, const std::string& ask) {
    m->SetItemText("MT5", symbol, "BID", bid);
    m->SetItemText("MT5", symbol, "ASK", ask);
    m->SetItemText("MT5", symbol, "QUOTE", symbol + ";" + bid + ";" + ask);
  }
  // The last value a client was sent per topic/item.
  static std::map<std::string, std::string> Last(Party& p) {
    std::map<std::string, std::string> last;
    for (const auto& seen : p.Events(platform::kXtypAdvData))
      last[seen.name1 + "/" + seen.name2] = Text(seen.data);
    return last;
  }
  int Count(const std::string& text) {
    const std::string log = Log();
    int n = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }
  std::vector<std::string> starts;
};

// Two services with the same topic and item names (two terminals' quotes): DDEML posts a change
// to the links of both. By default each link is answered with its own service's value; with
// PostOwnServiceOnly the other service's link is left alone. Either way no link ever gets the
// other service's value.
TEST_F(AdviseTest, AChangeInOneServiceReachesTheOthersLinksOnlyWhenAsked) {
  ASSERT_TRUE(m->StartService("MT5_B"));
  for (bool own : {false, true}) {
    m->PostOwnServiceOnly = own;
    Party p(0);
    const platform::Hconv a = Connect(p, "EURUSD"), b = Connect(p, "EURUSD", "MT5_B");
    ASSERT_TRUE(a != 0 && b != 0);
    m->SetItemText("MT5", "EURUSD", "BID", "1.1");
    m->SetItemText("MT5_B", "EURUSD", "BID", "2.1");
    ASSERT_TRUE(Advise(p, a, "BID"));
    ASSERT_TRUE(Advise(p, b, "BID"));
    Pump();
    const std::size_t before = p.Events(platform::kXtypAdvData).size();
    m->SetItemText("MT5", "EURUSD", "BID", own ? "1.3" : "1.2");
    Pump();
    std::vector<std::string> sent;
    const auto events = p.Events(platform::kXtypAdvData);
    for (std::size_t i = before; i < events.size(); ++i) sent.push_back(Text(events[i].data));
    std::sort(sent.begin(), sent.end());
    const std::vector<std::string> expected =
        own ? std::vector<std::string>{"1.3"} : std::vector<std::string>{"1.2", "2.1"};
    EXPECT_EQ(sent, expected) << own;
  }
}

TEST_F(AdviseTest, TwoClientsOnThreeSymbolsEndWithTheLastLineOfEach) {
  Party a(0), b(0);
  const std::vector<std::string> symbols{"EURUSD", "GBPUSD", "XAUUSD"};
  for (const auto& symbol : symbols) {
    for (Party* p : {&a, &b}) {
      const platform::Hconv conv = Connect(*p, symbol);
      ASSERT_NE(conv, 0u);
      for (const char* item : {"BID", "ASK", "QUOTE"}) ASSERT_TRUE(Advise(*p, conv, item));
    }
  }
  EXPECT_EQ(m->FindItem("MT5", "GBPUSD", "ASK")->AdviseCount, 2);
  std::map<std::string, std::string> expected;
  for (int n = 0; n < 40; ++n) {
    for (const auto& symbol : symbols) {
      const std::string bid = std::to_string(n) + "." + symbol.substr(0, 1);
      const std::string ask = std::to_string(n + 1);
      Line(symbol, bid, ask);
      expected[symbol + "/BID"] = bid;
      expected[symbol + "/ASK"] = ask;
      expected[symbol + "/QUOTE"] = symbol + ";" + bid + ";" + ask;
    }
    if (n % 7 == 0) Pump();
  }
  Pump();
  EXPECT_EQ(Last(a), expected);
  EXPECT_EQ(Last(b), expected);
  EXPECT_EQ(a.Events(platform::kXtypAdvData).size(), 40u * 9u);
  // For each change the first of two requests shares an owned handle, the last gets its own.
  EXPECT_EQ(Count("XTypeAdvReq - Returning New owned DataH"), 40 * 9);
  EXPECT_EQ(Count("XTypeAdvReq - Returning unowned DataH"), 40 * 9);
  platform::HddeData left = 0;
  EXPECT_FALSE(m->FindItem("MT5", "EURUSD", "BID")->OwnedHandle(left));

  // Sharing the last request's handle too: one handle per change, freed when the post is over,
  // and the clients see the same values.
  m->ShareLastAdviseHandle = true;
  for (int n = 40; n < 50; ++n) {
    Line("EURUSD", std::to_string(n), std::to_string(n + 1));
    expected["EURUSD/BID"] = std::to_string(n);
    expected["EURUSD/ASK"] = std::to_string(n + 1);
    expected["EURUSD/QUOTE"] = "EURUSD;" + expected["EURUSD/BID"] + ";" + expected["EURUSD/ASK"];
  }
  Pump();
  EXPECT_EQ(Last(a), expected);
  EXPECT_EQ(Last(b), expected);
  EXPECT_EQ(Count("XTypeAdvReq - Returning New owned DataH"), 40 * 9 + 10 * 3);
  EXPECT_EQ(Count("XTypeAdvReq - Returning Prev owned DataH"), 10 * 3);
  EXPECT_EQ(Count("XTypeAdvReq - Returning unowned DataH"), 40 * 9);
  EXPECT_FALSE(m->FindItem("MT5", "EURUSD", "BID")->OwnedHandle(left));
}

TEST_F(AdviseTest, StartsAreAskedForAndStopsReportTheLastLink) {
  Party a(0), b(0);
  const platform::Hconv ca = Connect(a, "EURUSD");
  const platform::Hconv cb = Connect(b, "EURUSD");
  ASSERT_TRUE(Advise(a, ca, "VOLUME"));  // a new item, made empty
  EXPECT_EQ(m->FindItem("MT5", "EURUSD", "VOLUME")->Text(), "");
  ASSERT_TRUE(Advise(b, cb, "VOLUME"));
  EXPECT_FALSE(Advise(a, ca, "REFUSED"));
  EXPECT_TRUE(Logged(ManagerErrorText(-35)));
  EXPECT_TRUE(Logged("MT5/EURUSD/REFUSED"));
  EXPECT_EQ(starts.front(), "VOLUME 1 1");

  std::vector<std::string> stops;
  m->OnAdviseStopReceived = [&](TDDEMLManager&, const std::string& s, const std::string& t,
                                const std::string& i,
                                std::int32_t) { stops.push_back(s + "/" + t + "/" + i); };
  std::uint32_t status = 0;
  platform::DdeClientTransaction(nullptr, 0, ca, a.Name("VOLUME"), 1, platform::kXtypAdvStop, 1000,
                                 &status);
  EXPECT_TRUE(stops.empty());
  platform::DdeClientTransaction(nullptr, 0, cb, b.Name("VOLUME"), 1, platform::kXtypAdvStop, 1000,
                                 &status);
  EXPECT_EQ(stops, std::vector<std::string>{"MT5/EURUSD/VOLUME"});
  EXPECT_EQ(m->FindItem("MT5", "EURUSD", "VOLUME")->LinkState, lsNone);
  m->SetItemText("MT5", "EURUSD", "VOLUME", "5");
  Pump();
  EXPECT_TRUE(a.Events(platform::kXtypAdvData).empty());

  // Without a handler every start is refused; so is every start on a busy service.
  m->OnAdviseStartReceived = nullptr;
  EXPECT_FALSE(Advise(a, ca, "BID"));
  m->SetItemText("MT5", "System", "Status", "BUSY");
  EXPECT_FALSE(Advise(a, ca, "BID"));
  EXPECT_TRUE(Logged("XTypAdvStart : Service Busy"));
}

TEST_F(AdviseTest, AClientThatLeavesWithoutStoppingTakesItsLinksWithIt) {
  std::vector<std::string> stops;
  m->OnAdviseStopReceived = [&](TDDEMLManager&, const std::string&, const std::string& t,
                                const std::string& i,
                                std::int32_t) { stops.push_back(t + "/" + i); };
  Party stays(0);
  const platform::Hconv held = Connect(stays, "EURUSD");
  for (const char* item : {"BID", "ASK"}) ASSERT_TRUE(Advise(stays, held, item));
  TDDEMLItem* bid = m->FindItem("MT5", "EURUSD", "BID");
  for (int round = 0; round < 5; ++round) {
    auto leaves = std::make_unique<Party>(0);
    const platform::Hconv conv = Connect(*leaves, "EURUSD");
    for (const char* item : {"BID", "ASK", "BID", "QUOTE"})
      ASSERT_TRUE(Advise(*leaves, conv, item));
    ASSERT_TRUE(Advise(*leaves, conv, "BID", 13));  // a second link on the item, in UTF-16
    EXPECT_EQ(m->ServerLinkCount(), 2 + 4);         // the repeated start made no link
    EXPECT_EQ(bid->AdviseCount, 3);
    if (round % 2 == 0)
      ASSERT_TRUE(platform::DdeDisconnect(conv));
    else
      leaves.reset();  // the client's instance ends
    Pump();
    ASSERT_EQ(m->ConversationCount(), 1);
    EXPECT_EQ(m->ServerLinkCount(), 2);
    EXPECT_EQ(bid->AdviseCount, 1);
    EXPECT_EQ(bid->LinkState, lsServer);
    // QUOTE was linked by the leaving client alone: it has no link left, as after its stop.
    EXPECT_EQ(m->FindItem("MT5", "EURUSD", "QUOTE")->LinkState, lsNone);
    EXPECT_EQ(stops, std::vector<std::string>(round + 1, "EURUSD/QUOTE"));
  }
  m->SetItemText("MT5", "EURUSD", "BID", "1.7");
  m->SetItemText("MT5", "EURUSD", "QUOTE", "EURUSD;1.7");  // linked by nobody: not posted
  Pump();
  EXPECT_EQ(Last(stays), (std::map<std::string, std::string>{{"EURUSD/BID", "1.7"}}));
  EXPECT_EQ(m->AdvisePosts(), 1u);

  // The manager's own ends let the links go too: by key, and all at once.
  const platform::Hconv other = Connect(stays, "GBPUSD");
  ASSERT_TRUE(Advise(stays, other, "BID"));
  ASSERT_TRUE(m->DisconnectConversation(std::pair<std::string, std::string>("MT5", "GBPUSD"), 1));
  EXPECT_EQ(m->FindItem("MT5", "GBPUSD", "BID")->LinkState, lsNone);
  EXPECT_EQ(stops.back(), "GBPUSD/BID");
  EXPECT_EQ(m->ServerLinkCount(), 2);
  m->DisconnectAll();
  EXPECT_EQ(m->ServerLinkCount(), 0);
  EXPECT_EQ(bid->AdviseCount, 0);
  EXPECT_EQ(bid->LinkState, lsNone);
  EXPECT_EQ(std::count(stops.begin(), stops.end(), "EURUSD/BID"), 1);
}

TEST_F(AdviseTest, UnnamedFormatsAreLinkedAsTextAndRegisteredOnesMayConflict) {
  Party a(0);
  const platform::Hconv conv = Connect(a, "EURUSD");
  m->SetItemText("MT5", "EURUSD", "BID", "1.25");
  ASSERT_TRUE(Advise(a, conv, "BID", 13));  // CF_UNICODETEXT
  EXPECT_EQ(starts.back(), "BID 1 1");
  EXPECT_EQ(m->FindItem("MT5", "EURUSD", "BID")->AdviseFormat, 1u);
  m->SetItemText("MT5", "EURUSD", "BID", "1.26");
  Pump();
  auto data = a.Events(platform::kXtypAdvData);
  ASSERT_EQ(data.size(), 1u);
  EXPECT_EQ(data[0].format, 13u);
  data[0].data.resize(8);
  EXPECT_EQ(data[0].data, (std::vector<std::uint8_t>{'1', 0, '.', 0, '2', 0, '6', 0}));

  // A registered format the item does not hold: accepted, but every request is refused.
  const unsigned xl = platform::RegisterClipboardFormat("XlTable");
  ASSERT_TRUE(Advise(a, conv, "ASK", xl));
  m->SetItemText("MT5", "EURUSD", "ASK", "1.27");
  Pump();
  ASSERT_FALSE(reports_.empty());
  EXPECT_EQ(reports_.back(),
            "XTypAdvReq - incorrect data format being returned. "
            "Client requested " +
                ClipFormatName(xl) + ", server is returning Text");
  EXPECT_TRUE(Logged("CallBack end"));
  m->FormatConflict = fctNullResponse;
  const std::size_t reports = reports_.size();
  m->SetItemText("MT5", "EURUSD", "ASK", "1.28");
  Pump();
  EXPECT_EQ(reports_.size(), reports);
  EXPECT_EQ(a.Events(platform::kXtypAdvData).size(), 1u);
}

// DDEML asks for a post's data on every conversation with the topic's and item's names, whatever
// their service: each link must get its own service's value, also once an item has been
// replaced by another of the same name.
TEST_F(AdviseTest, EachLinkOfAPostGetsTheValueOfItsOwnServiceAsItIsWhenAsked) {
  ASSERT_TRUE(m->TerminateDDEML());
  m->AddService("MTX");
  m->SetServiceEnabled("MTX", true);
  ASSERT_TRUE(m->InitDDEML());
  Party a(0), b(0);
  const platform::Hconv ca = Connect(a, "EURUSD", "MT5");
  const platform::Hconv cb = Connect(b, "EURUSD", "MTX");
  ASSERT_NE(ca, 0u);
  ASSERT_NE(cb, 0u);
  m->SetItemText("MTX", "EURUSD", "BID", "other");
  ASSERT_TRUE(Advise(a, ca, "BID"));
  ASSERT_TRUE(Advise(b, cb, "BID"));
  for (const char* value : {"1.1", "1.2"}) {
    m->SetItemText("MT5", "EURUSD", "BID", value);
    Pump();
    EXPECT_EQ(Last(a)["EURUSD/BID"], value);
    EXPECT_EQ(Last(b)["EURUSD/BID"], "other");
  }
  // The item ends and another of the same name takes its place between two posts.
  TDDEMLTopic* topic = m->FindService("MT5")->FindTopic("EURUSD");
  ASSERT_NE(topic, nullptr);
  topic->DeleteItem(topic->FindItem("BID"));
  m->FindService("MT5")->AddAdvise("EURUSD", "BID", 1);
  m->SetItemText("MT5", "EURUSD", "BID", "1.3");
  Pump();
  EXPECT_EQ(Last(a)["EURUSD/BID"], "1.3");
  EXPECT_EQ(Last(b)["EURUSD/BID"], "other");
}

TEST_F(AdviseTest, ALateAcknowledgementsRequestLeavesNoSharedHandleBehind) {
  Party a(0), b(0);
  const platform::Hconv ca = Connect(a, "EURUSD");
  const platform::Hconv cb = Connect(b, "EURUSD");
  std::uint32_t status = 0;
  // Links that wait for the client's acknowledgement before the next update.
  for (auto [p, conv] : {std::pair{&a, ca}, std::pair{&b, cb}})
    ASSERT_NE(platform::DdeClientTransaction(nullptr, 0, conv, p->Name("BID"), 1,
                                             platform::kXtypAdvStart | platform::kXtypfAckReq, 1000,
                                             &status),
              0u);
  m->SetItemText("MT5", "EURUSD", "BID", "1");
  m->SetItemText("MT5", "EURUSD", "BID", "2");  // held until the first is acknowledged
  Pump();
  EXPECT_GE(Count("AdvReqCount Lo word = 65535"), 1);
  platform::HddeData left = 0;
  EXPECT_FALSE(m->FindItem("MT5", "EURUSD", "BID")->OwnedHandle(left));
  EXPECT_EQ(Last(a)["EURUSD/BID"], "2");
  EXPECT_EQ(Last(b)["EURUSD/BID"], "2");
}

TEST_F(AdviseTest, AChangeMadeByAPokeIsPostedAfterThePokeReturns) {
  Party a(0);
  const platform::Hconv watching = Connect(a, "EURUSD");
  ASSERT_TRUE(Advise(a, watching, "BID"));
  m->SetItemText("MT5", "EURUSD", "BID", "1.0");
  Pump();
  a.Clear();
  const std::size_t before = Log().size();
  const platform::Hconv poking = Connect("EURUSD");
  EXPECT_EQ(Send(poking, platform::kXtypPoke, "BID", "7.5"), platform::kDmlErrInvalidParameter);
  Pump();
  const std::string log = Log().substr(before);
  const std::size_t queued = log.find("ProcTopicAdvise - pre queuePostAdvise : EURUSD/BID");
  const std::size_t back = log.find("ProcTopicAdvise - post queuePostAdvise : EURUSD/BID");
  const std::size_t ended = log.find("XTypPoke - End");
  const std::size_t posted = log.find("PostAdvise(atoms) - Calling DdePostAdvise");
  ASSERT_NE(posted, std::string::npos) << log;
  EXPECT_LT(queued, back);
  EXPECT_LT(back, ended);
  EXPECT_LT(ended, posted);
  EXPECT_TRUE(Logged("PostAdvise(atoms) - OK"));
  EXPECT_EQ(Last(a)["EURUSD/BID"], "7.5");
  EXPECT_EQ(m->FindItem("MT5", "EURUSD", "BID")->PostMode, pmPostNow);
}

TEST_F(AdviseTest, QueuedPostsForAGoneServiceOrWindowAreDropped) {
  Party a(0);
  const platform::Hconv conv = Connect(a, "EURUSD");
  ASSERT_TRUE(Advise(a, conv, "BID"));
  TDDEMLService* service = m->Services().Items(0);
  TDDEMLItem* item = m->FindItem("MT5", "EURUSD", "BID");
  const std::uint64_t posts = m->AdvisePosts();

  // The posting window made last is the active one; destroying it leaves none.
  {
    TDDEMLPostingWindow later;
    EXPECT_EQ(ActivePostingWindow(), &later);
  }
  EXPECT_EQ(ActivePostingWindow(), nullptr);
  queuePostAdvise(service, service->FindTopic("EURUSD")->Handle(), item->Handle());
  Pump();
  EXPECT_EQ(m->AdvisePosts(), posts);

  // A record naming a service that is no longer the manager's is not used.
  TDDEMLPostingWindow window;
  int delivered = 0;
  window.OnPostAdvise = [&](TDDEMLPostingWindow& w, TDDEMLService* s, platform::Hsz t,
                            platform::Hsz i) {
    ++delivered;
    m->DoQueuedPostAdvise(w, s, t, i);
  };
  TDDEMLService stranger;
  queuePostAdvise(&stranger, 1, 2);
  queuePostAdvise(service, service->FindTopic("EURUSD")->Handle(), item->Handle());
  Pump();
  EXPECT_EQ(delivered, 2);
  EXPECT_EQ(m->AdvisePosts(), posts + 1);
  queuePostAdvise(service, 1, 2);  // still queued when the window goes
}

TEST_F(AdviseTest, DdeOffEndsLiveConversationsAndOnAgainServesNewOnes) {
  Party a(0);
  const platform::Hconv conv = Connect(a, "EURUSD");
  ASSERT_TRUE(Advise(a, conv, "BID"));
  ASSERT_TRUE(m->TerminateDDEML());
  Pump();
  EXPECT_EQ(m->ConversationCount(), 0);
  EXPECT_FALSE(a.Events(platform::kXtypDisconnect).empty());
  m->SetItemText("MT5", "EURUSD", "BID", "2.0");  // kept, posted to nobody
  ASSERT_TRUE(m->InitDDEML());
  const platform::Hconv again = Connect(a, "EURUSD");
  ASSERT_NE(again, 0u);
  ASSERT_TRUE(Advise(a, again, "BID"));
  m->SetItemText("MT5", "EURUSD", "BID", "2.1");
  Pump();
  EXPECT_EQ(Last(a)["EURUSD/BID"], "2.1");
  EXPECT_EQ(Request(Connect("EURUSD"), "BID"), "2.1");
}

TEST_F(AdviseTest, AValueSetWhileDdeIsOffGoesToItsOwnItemAndIsServedWhenOnAgain) {
  for (const bool keep : {true, false}) {
    m->KeepReleasedTopics = keep;
    Party a(0);
    const platform::Hconv conv = Connect(a, "EURUSD");
    ASSERT_TRUE(Advise(a, conv, "BID"));
    m->SetItemText("MT5", "EURUSD", "BID", "1.0");
    m->SetItemText("MT5", "EURUSD", "ASK", "1.1");
    Pump();
    ASSERT_TRUE(m->TerminateDDEML());
    Pump();
    // Every publishing call finds the item by its name, however many symbols there are.
    TDDEMLManager::TItemPlaces places;
    const TDDEMLManager::TItemText texts[] = {{"BID", "2.0", 0}, {"ASK", "2.1", 1}};
    m->SetItemTexts("MT5", "EURUSD", texts, &places);
    m->SetItemText("MT5", "GBPUSD", "BID", "3.0");
    m->SetItemText("MT5", "EURUSD", "LAST", "2.2");
    const TDDEMLManager::TTopicText topics[] = {{"EURUSD", "2.3"}, {"GBPUSD", "3.3"}};
    m->SetItemInTopics("MT5", "HIGH", topics);
    TDDEMLTopic* eurusd = m->FindService("MT5")->FindTopic("EURUSD");
    ASSERT_NE(eurusd, nullptr);
    std::vector<std::string> names;
    for (int i = 0; i < eurusd->ItemCount(); ++i)
      names.push_back(eurusd->ItemNames(i) + "=" + eurusd->Items(i)->Text());
    EXPECT_EQ(names, (std::vector<std::string>{"ASK=2.1", "BID=2.0", "HIGH=2.3", "LAST=2.2"}));
    EXPECT_EQ(m->FindItem("MT5", "GBPUSD", "HIGH")->Text(), "3.3");
    // A link with no instance to post with: the post fails as any failed post, with its error.
    m->FindService("MT5")->AddAdvise("EURUSD", "VOLUME", 1);
    m->SetItemText("MT5", "EURUSD", "VOLUME", "7");
    EXPECT_TRUE(Logged("Call failed : DdePostAdvise : DMLERR_DLL_NOT_INITIALIZED (0x4003)"));
    EXPECT_TRUE(Logged("EURUSD/VOLUME - FAILED!"));
    EXPECT_TRUE(Logged(ManagerErrorText(-31)));
    m->FindService("MT5")->FindItem("EURUSD", "VOLUME")->RemoveAdviseLink();

    ASSERT_TRUE(m->InitDDEML());
    Party b(0);
    const platform::Hconv again = Connect(b, "EURUSD");
    ASSERT_NE(again, 0u);
    ASSERT_TRUE(Advise(b, again, "BID"));
    std::uint32_t status = 0;
    const platform::HddeData data = platform::DdeClientTransaction(
        nullptr, 0, again, b.Name("BID"), 1, platform::kXtypRequest, 1000, &status);
    ASSERT_NE(data, 0u);
    EXPECT_EQ(Text(platform::DdeDataBytes(data)), "2.0");
    platform::DdeFreeDataHandle(data);
    m->SetItemText("MT5", "EURUSD", "BID", "2.5");
    Pump();
    EXPECT_EQ(Last(b)["EURUSD/BID"], "2.5");
    EXPECT_EQ(Last(a)["EURUSD/BID"], "1.0");
    EXPECT_EQ(m->FindService("MT5")->TopicCount(), 2);
    EXPECT_EQ(m->FindService("MT5")->FindTopic("EURUSD")->ItemCount(), 5);
    m->DisconnectAll();
  }
}

TEST_F(AdviseTest, LinksInTextAndUnicodeOnOneItemEachGetTheirOwnFormat) {
  Party a(0), b(0), c(0);
  const platform::Hconv ca = Connect(a, "EURUSD"), cb = Connect(b, "EURUSD"),
                        cc = Connect(c, "EURUSD");
  ASSERT_TRUE(Advise(a, ca, "BID", 1));
  ASSERT_TRUE(Advise(b, cb, "BID", 13));
  ASSERT_TRUE(Advise(c, cc, "BID", 1));
  for (const char* value : {"1.5", "1.6"}) m->SetItemText("MT5", "EURUSD", "BID", value);
  Pump();
  for (Party* p : {&a, &b, &c}) {
    const auto data = p->Events(platform::kXtypAdvData);
    ASSERT_EQ(data.size(), 2u);
    const bool wide = p == &b;
    EXPECT_EQ(data[1].format, wide ? 13u : 1u);
    EXPECT_EQ(data[1].data[1], wide ? 0 : '.');
  }
}

}  // namespace
}  // namespace tickwell
#endif
