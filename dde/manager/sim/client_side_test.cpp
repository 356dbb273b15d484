// The client side of the manager's callback on the model: a conversation in the client role
// (the program opens none itself) issues asynchronous transactions to a server and holds links
// on its items; completions and advise data come back through the manager.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>
#include <memory>
#include <stdexcept>

#include "dde/diagnostics/trace_test_fixture.h"
#include "dde/manager/manager.h"
#include "dde/model/topic.h"
#include "dde/tables/error_codes.h"
#include "platform/ddeml_test_party.h"

namespace tickwell {
namespace {

using platform::testing::Party;
using platform::testing::Seen;

// The pieces, each followed by a space.
template <typename... Pieces>
std::string Line(const Pieces&... pieces) {
  std::ostringstream out;
  ((out << pieces << ' '), ...);
  return out.str();
}

class ClientSide : public testing::TraceTestBase {
 protected:
  void SetUp() override {
    TraceTestBase::SetUp();
    ApplyDebugState(platform::kNoWindow, dbFile, true, Path("m.log"));
    server = std::make_unique<Party>(0, [this](Party& self, const Seen& seen) {
      return Serve(self, seen);
    });
    ASSERT_NE(platform::DdeNameService(server->id(), server->Name("SRV"), platform::kDnsRegister),
              0u);
    m = std::make_unique<TDDEMLManager>();
    m->SetScope(ddeClientOnly);
    ASSERT_TRUE(m->InitDDEML());
    conv = new TDDEMLConversation;
    conv->IsServer = false;
    conv->SyncMode = 0;
    conv->InstanceId = m->InstanceId;
    conv->ConversationId = static_cast<std::uint32_t>(m->NextConversationId());
    conv->ClientService = new TDDEMLService;
    conv->ClientService->Name = "SRV";
    conv->Topic = new TDDEMLTopic;
    conv->Topic->SetName(m->InstanceId, "TOPIC");
    m->Conversations->Add(conv);
    const platform::Hsz service = platform::DdeCreateStringHandle(m->InstanceId, "SRV");
    const platform::Hconv h = platform::DdeConnect(m->InstanceId, service, conv->Topic->Handle());
    platform::DdeFreeStringHandle(m->InstanceId, service);
    ASSERT_NE(h, 0u);
    conv->SetHandle(h);
    Pump();

    m->OnRequestResponse = [this](TDDEMLManager&, std::int32_t convId, const std::string& service,
                                  const std::string& topic, const std::string& item,
                                  std::int32_t user, std::int32_t trans, TDDEMLClipFmtType type,
                                  std::uint16_t number, std::int32_t size) {
      events.push_back(Line("response", convId, service, topic, item, user, trans, int(type),
                            number, size, conv->Topic->ItemText(item)));
    };
    m->OnAsyncResponse = [this](TDDEMLManager&, const std::string& service,
                                const std::string& topic, const std::string& item,
                                std::int32_t user, TDDEMLTransType type, std::int32_t trans,
                                bool success) {
      events.push_back(Line("async", service, topic, item, user, int(type), trans, success));
    };
    m->OnUnknownCompleteResponse = [this](TDDEMLManager&, const std::string& service,
                                          const std::string& topic, const std::string& item,
                                          std::int32_t trans) {
      events.push_back(Line("unknown", service, topic, item, trans));
    };
  }
  void TearDown() override {
    m.reset();
    server.reset();
    TraceTestBase::TearDown();
  }

  // The server: requests answer the item's value (none for EMPTY), pokes are refused on
  // REFUSED, advise requests answer the value.
  platform::HddeData Serve(Party& self, const Seen& seen) {
    switch (seen.type) {
      case platform::kXtypConnect:
      case platform::kXtypAdvStart:
        return 1;
      case platform::kXtypRequest:
      case platform::kXtypAdvReq: {
        if (seen.name2 == "EMPTY") return 0;
        const std::string& text = values[seen.name2];
        return platform::DdeCreateDataHandle(self.id(), text.c_str(),
                                             static_cast<std::uint32_t>(text.size() + 1), 0,
                                             self.Name(seen.name2), seen.format, 0);
      }
      case platform::kXtypPoke:
        return seen.name2 == "REFUSED" ? platform::kDdeFNotProcessed : platform::kDdeFAck;
      case platform::kXtypExecute:
        return platform::kDdeFAck;
    }
    return 0;
  }
  static void Pump() {
    while (platform::PumpMessages() > 0) {
    }
  }
  // An asynchronous transaction of the conversation, recorded on its item as a client does.
  std::uint32_t Issue(unsigned type, const std::string& item, const std::string& data = "") {
    TDDEMLItem* it = conv->Topic->FindOrAddItem(item);
    std::uint32_t id = 0;
    EXPECT_NE(platform::DdeClientTransaction(data.empty() ? nullptr : data.c_str(),
                                             data.empty() ? 0 : std::uint32_t(data.size() + 1),
                                             conv->ConvHandle, it->Handle(), 1, type,
                                             platform::kTimeoutAsync, &id),
              0u);
    it->AddTransaction(id, static_cast<std::uint16_t>(type));
    return id;
  }
  // A link on item started for real, warm or hot.
  TDDEMLItem* Link(const std::string& item, bool hot) {
    TDDEMLItem* it = conv->Topic->FindOrAddItem(item);
    std::uint32_t status = 0;
    EXPECT_NE(platform::DdeClientTransaction(
                  nullptr, 0, conv->ConvHandle, it->Handle(), 1,
                  platform::kXtypAdvStart | (hot ? 0 : platform::kXtypfNoData), 1000, &status),
              0u);
    it->LinkState = hot ? lsHot : lsWarm;
    return it;
  }
  void Post(const std::string& item, const std::string& value) {
    values[item] = value;
    ASSERT_TRUE(platform::DdePostAdvise(server->id(), server->Name("TOPIC"), server->Name(item)));
    Pump();
  }
  // What the manager's callback answers a transaction of the type with text as its data,
  // called as DDEML would.
  platform::HddeData Call(unsigned type, const std::string& item, const char* text,
                          std::uintptr_t id = 0, const std::string& topic = "TOPIC",
                          platform::Hconv to = 0) {
    const platform::Hsz t = platform::DdeCreateStringHandle(m->InstanceId, topic);
    const platform::Hsz i = item.empty() ? 0 : platform::DdeCreateStringHandle(m->InstanceId, item);
    const platform::HddeData data =
        text ? platform::DdeCreateDataHandle(m->InstanceId, text,
                                             static_cast<std::uint32_t>(std::strlen(text) + 1), 0,
                                             i, 1, 0)
             : 0;
    const platform::HddeData result =
        m->CallBack(type, 1, to ? to : conv->ConvHandle, t, i, data, id, 0);
    if (data) platform::DdeFreeDataHandle(data);
    if (i) platform::DdeFreeStringHandle(m->InstanceId, i);
    platform::DdeFreeStringHandle(m->InstanceId, t);
    return result;
  }
  platform::HddeData AdviseData(const std::string& item, const char* text,
                                const std::string& topic = "TOPIC", platform::Hconv to = 0) {
    return Call(platform::kXtypAdvData, item, text, 0, topic, to);
  }
  bool Logged(const std::string& text) {
    return Read("m.log").find(text) != std::string::npos;
  }

  std::unique_ptr<Party> server;
  std::unique_ptr<TDDEMLManager> m;
  TDDEMLConversation* conv = nullptr;  // the manager's
  std::map<std::string, std::string> values{{"BID", "1.2345"}, {"ASK", "1.2347"}};
  std::vector<std::string> events;
};

TEST_F(ClientSide, RequestsCompleteIntoTheirItemsAndOneWithoutDataIsError46) {
  conv->Topic->FindOrAddItem("BID")->UserHandle = 77;
  const std::uint32_t bid = Issue(platform::kXtypRequest, "BID");
  const std::uint32_t empty = Issue(platform::kXtypRequest, "EMPTY");
  conv->Topic->FindItem("EMPTY")->Data.SetText("stale");
  Pump();
  EXPECT_EQ(events, (std::vector<std::string>{
                        Line("response", conv->ConversationId, "SRV", "TOPIC", "BID", 77, bid,
                             int(cfText), 1, 6, "1.2345"),
                        Line("async", "SRV", "TOPIC", "EMPTY", 0, int(ttRequest), empty, false)}));
  // Both items stay (RetainClientItems), the value with the one that came; nothing is pending.
  EXPECT_EQ(conv->Topic->ItemText("BID"), "1.2345");
  ASSERT_NE(conv->Topic->FindItem("EMPTY"), nullptr);
  EXPECT_EQ(conv->Topic->ItemText("EMPTY"), "");
  EXPECT_EQ(conv->Topic->FindItem("BID")->TransactionCount(), 0);
  EXPECT_EQ(conv->Topic->FindItem("EMPTY")->TransactionCount(), 0);
  EXPECT_TRUE(Logged(ManagerErrorText(-46)));
  EXPECT_TRUE(Logged("Message     = [SRV]/[TOPIC]/[EMPTY]"));
  EXPECT_TRUE(Logged("XTypeXActComplete : Conv Found :SRV/TOPIC"));
}

TEST_F(ClientSide, WithoutRetainingTheDataAndTheItemsGoOnceTheirLastTransactionEnds) {
  m->RetainClientItemData = false;
  Issue(platform::kXtypRequest, "BID");
  Pump();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_NE(events[0].find(" 6 1.2345 "), std::string::npos);  // reported, then emptied
  ASSERT_NE(conv->Topic->FindItem("BID"), nullptr);
  EXPECT_EQ(conv->Topic->ItemText("BID"), "");

  m->RetainClientItems = false;
  Issue(platform::kXtypRequest, "ASK");
  conv->Topic->FindItem("ASK")->AddTransaction(999, platform::kXtypPoke);  // still to come
  Pump();
  ASSERT_NE(conv->Topic->FindItem("ASK"), nullptr);
  Call(platform::kXtypXactComplete, "ASK", "ok", 999);
  EXPECT_EQ(conv->Topic->FindItem("ASK"), nullptr);
  // An item whose request the handler's own work already removed is not touched again.
  m->OnRequestResponse = [this](TDDEMLManager& sender, std::int32_t, const std::string&,
                                const std::string&, const std::string&, std::int32_t, std::int32_t,
                                TDDEMLClipFmtType, std::uint16_t, std::int32_t) {
    sender.DisconnectConversation(std::int64_t{conv->ConversationId}, 0);
  };
  Issue(platform::kXtypRequest, "BID");
  Pump();
  EXPECT_EQ(m->ConversationCount(), 0);
}

TEST_F(ClientSide, PokesAndExecutesReportWhetherTheServerTookThem) {
  const std::uint32_t good = Issue(platform::kXtypPoke, "BID", "1.5");
  const std::uint32_t refused = Issue(platform::kXtypPoke, "REFUSED", "1.5");
  const std::uint32_t exec = Issue(platform::kXtypExecute, "CMD", "[Open()]");
  Pump();
  EXPECT_EQ(events, (std::vector<std::string>{
                        Line("async", "SRV", "TOPIC", "BID", 0, int(ttPoke), good, true),
                        Line("async", "SRV", "TOPIC", "REFUSED", 0, int(ttPoke), refused, false),
                        Line("async", "SRV", "TOPIC", "CMD", 0, int(ttExecute), exec, true)}));
  EXPECT_EQ(conv->Topic->FindItem("REFUSED")->TransactionCount(), 0);
}

TEST_F(ClientSide, AnAdviseStopCompletesSilentlyAndStrangeCompletionsAreOnlyReported) {
  TDDEMLItem* bid = Link("BID", true);
  ASSERT_TRUE(conv->StopAdvise("BID"));  // asynchronous: its transaction is recorded
  ASSERT_EQ(bid->TransactionCount(), 1);
  Pump();
  EXPECT_EQ(bid->TransactionCount(), 0);
  EXPECT_TRUE(events.empty());

  // A completion nothing waits for, for a known item and for an unknown one.
  bid->AddTransaction(41, platform::kXtypPoke);
  EXPECT_EQ(Call(platform::kXtypXactComplete, "BID", "ok", 42), 0u);
  EXPECT_EQ(Call(platform::kXtypXactComplete, "NEW", "ok", 41), 0u);
  EXPECT_EQ(events, (std::vector<std::string>{Line("unknown", "SRV", "TOPIC", "BID", 42),
                                              Line("unknown", "SRV", "TOPIC", "NEW", 41)}));
  EXPECT_EQ(conv->Topic->FindItem("NEW"), nullptr);
  EXPECT_EQ(bid->TransactionCount(), 1);
  // Another topic, or a conversation the manager does not hold: nothing at all.
  events.clear();
  Call(platform::kXtypXactComplete, "BID", "ok", 41, "OTHER");
  Call(platform::kXtypXactComplete, "BID", "ok", 41, "TOPIC", 0x7777);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(bid->TransactionCount(), 1);
}

TEST_F(ClientSide, HotLinksDeliverValuesAndWarmLinksOnlyNotices) {
  std::vector<std::string> hooks;
  conv->OnHotLink = [&](TDDEMLConversation&, const std::string& item, std::int32_t user,
                        unsigned format, std::uint32_t size) {
    hooks.push_back("hot " + item + " " + std::to_string(user) + " " + std::to_string(format) +
                    " " + std::to_string(size) + " " + conv->Topic->ItemText(item));
  };
  conv->OnWarmLink = [&](TDDEMLConversation&, const std::string& item, std::int32_t user) {
    hooks.push_back("warm " + item + " " + std::to_string(user) + " " +
                    conv->Topic->ItemText(item));
  };
  Link("BID", true)->UserHandle = 5;
  Link("ASK", false)->Data.SetText("kept");
  Post("BID", "1.3000");
  Post("ASK", "1.3002");
  EXPECT_EQ(hooks, (std::vector<std::string>{"hot BID 5 1 6 1.3000", "warm ASK 0 kept"}));
  EXPECT_TRUE(Logged("XTypeAdvData - Calling OnHotLinkResponse"));
  // Hot-link notice without data empties the value; the answer is an acknowledgement.
  EXPECT_EQ(AdviseData("BID", nullptr), platform::kDdeFAck);
  EXPECT_EQ(conv->Topic->ItemText("BID"), "");
}

TEST_F(ClientSide, DataForUnknownItemsIsKeptOnlyWhenAskedTo) {
  conv->Topic->AddItem("QUIET");
  EXPECT_EQ(AdviseData("NEW", "1"), platform::kDdeFNotProcessed);  // no hook: not taken
  EXPECT_EQ(conv->Topic->FindItem("NEW"), nullptr);
  // An item without a name (and no advise start to give it one) takes no other item with it.
  EXPECT_EQ(AdviseData("", "1"), platform::kDdeFNotProcessed);
  EXPECT_EQ(conv->Topic->ItemCount(), 1);

  std::vector<std::string> asked;
  conv->OnUnknownAdvise = [&](TDDEMLConversation&, const std::string& item, bool& accept) {
    asked.push_back(item + " " + conv->Topic->ItemText(item));
    accept = item == "TAKEN";
  };
  EXPECT_EQ(AdviseData("TAKEN", "2"), platform::kDdeFAck);
  EXPECT_EQ(AdviseData("LEFT", nullptr), platform::kDdeFNotProcessed);
  EXPECT_EQ(asked, (std::vector<std::string>{"TAKEN 2", "LEFT "}));
  EXPECT_EQ(conv->Topic->ItemCount(), 1);  // accepted or not, unknown items go
  conv->KeepUnknownItems = true;
  EXPECT_EQ(AdviseData("TAKEN", "3"), platform::kDdeFAck);
  EXPECT_EQ(conv->Topic->ItemText("TAKEN"), "3");
}

TEST_F(ClientSide, DataWithoutAnItemNameBelongsToTheOneAdviseStartUnderWay) {
  Issue(platform::kXtypAdvStart, "LAST");  // not pumped: still waiting for its answer
  EXPECT_EQ(AdviseData("", "1.1"), platform::kDdeFAck);
  EXPECT_EQ(conv->Topic->ItemText("LAST"), "1.1");
  Issue(platform::kXtypAdvStart, "VOLUME");  // two under way: no telling which
  EXPECT_EQ(AdviseData("", "1.2"), platform::kDdeFNotProcessed);
  EXPECT_EQ(conv->Topic->ItemText("LAST"), "1.1");
  Pump();
}

TEST_F(ClientSide, AdviseDataIsRefusedWhenBusyForeignOrFailing) {
  Link("BID", true);
  std::vector<platform::HddeData> inner;
  int depth = 0;
  conv->OnHotLink = [&](TDDEMLConversation&, const std::string&, std::int32_t, unsigned,
                        std::uint32_t) {
    if (depth++ == 0) inner.push_back(AdviseData("BID", "nested"));
    --depth;
  };
  conv->UseBusy = true;
  EXPECT_EQ(AdviseData("BID", "1"), platform::kDdeFAck);
  conv->UseBusy = false;
  EXPECT_EQ(AdviseData("BID", "2"), platform::kDdeFAck);
  EXPECT_EQ(inner, (std::vector<platform::HddeData>{platform::kDdeFBusy, platform::kDdeFAck}));
  EXPECT_FALSE(conv->InAdviseData);

  conv->OnHotLink = [](TDDEMLConversation&, const std::string&, std::int32_t, unsigned,
                       std::uint32_t) { throw std::runtime_error("handler failed"); };
  EXPECT_EQ(AdviseData("BID", "3"), platform::kDdeFNotProcessed);
  EXPECT_FALSE(conv->InAdviseData);
  conv->OnHotLink = nullptr;
  EXPECT_EQ(AdviseData("BID", "4", "OTHER"), platform::kDdeFNotProcessed);
  EXPECT_EQ(conv->Topic->ItemText("BID"), "3");
  EXPECT_EQ(AdviseData("BID", "5", "TOPIC", 0x7777), platform::kDdeFNotProcessed);
  // A serving conversation's items are published values, never advise data.
  conv->IsServer = true;
  EXPECT_EQ(AdviseData("BID", "6"), platform::kDdeFNotProcessed);
  conv->IsServer = false;
  EXPECT_EQ(conv->Topic->ItemText("BID"), "3");
}

}  // namespace
}  // namespace tickwell
