// Requests (System topic, per-topic information items, ordinary items), pokes and executes from
// a client of a running manager, with the acknowledgement words the client sees.
#ifndef _WIN32
#include "dde/manager/server_test_fixture.h"
#include "dde/model/topic.h"
#include "dde/tables/error_codes.h"
#include "dde/tables/format_names.h"
#include "platform/clipboard_format.h"

namespace tickwell {
namespace {

using testing::Party;
using testing::ServerTest;

class RequestTest : public ServerTest {
 protected:
  platform::Hconv ServerEnd() { return m->Conversation(0)->ConvHandle; }
};

TEST_F(RequestTest, TheSystemTopicAnswersItsItemsAfterItsEvents) {
  const platform::Hconv conv = Connect("system");
  ASSERT_NE(conv, 0u);
  EXPECT_EQ(Request(conv, "SYSITEMS"), "Status");
  EXPECT_NE(m->FindItem("MT5", "System", "SysItems"), nullptr);
  EXPECT_NE(m->FindItem("MT5", "System", "TopicItemList"), nullptr);

  int topics = 0;
  m->OnTopicReceived = [&](TDDEMLManager&, const std::string& s) { topics += s == "MT5"; };
  EXPECT_EQ(Request(conv, "Topics"), "<none>");  // never stored
  EXPECT_EQ(topics, 1);
  m->OnSysHelpReceived = [](TDDEMLManager& sender, const std::string& s) {
    sender.SetItemText(s, "System", "Help", "Quotes from the terminal");
  };
  m->OnFormatReceived = [](TDDEMLManager&, const std::string&) {};
  EXPECT_EQ(Request(conv, "help"), "Quotes from the terminal");
  EXPECT_EQ(Request(conv, "TopicItemList"), "Status\tTopics\tHelp\tFormats");
  m->SetItemText("MT5", "System", "Status", "Ready");
  EXPECT_EQ(Request(conv, "Status"), "Ready");

  // A busy service answers nothing, on any topic.
  m->SetItemText("MT5", "System", "Status", "busy");
  EXPECT_EQ(Request(conv, "Status"), "<none>");
  EXPECT_TRUE(Logged("XTypeRequest : Service Busy"));
}

TEST_F(RequestTest, ItemsAreAnsweredInTheirFormatOrAsTheConflictSettingSays) {
  m->SetItemText("MT5", "EURUSD", "BID", "1.0841");
  const platform::Hconv conv = Connect("EURUSD");
  EXPECT_EQ(Request(conv, "bid"), "1.0841");
  EXPECT_EQ(Request(conv, "ASK"), "<none>");  // no such item
  EXPECT_EQ(Request(conv, "TopicItemList"), "<none>");

  // A format the item does not hold: refused with the mismatch report, ignored, or answered 0.
  const unsigned xl = platform::RegisterClipboardFormat("XlTable");
  EXPECT_EQ(Request(conv, "BID", xl), "<none>");
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0], "XTypRequest - incorrect data format being returned. Client requested " +
                             ClipFormatName(xl) + ", server is returning Text");
  m->FormatConflict = fctIgnore;
  EXPECT_EQ(Request(conv, "BID", xl), "1.0841");
  m->FormatConflict = fctNullResponse;
  EXPECT_EQ(Request(conv, "BID", xl), "<none>");

  // Changes the request event makes are not posted; ValidItem false answers nothing.
  Party watcher(0);
  const platform::Hconv linked = Connect(watcher, "EURUSD");
  m->OnAdviseStartReceived = [](TDDEMLManager&, const std::string&, const std::string&,
                                const std::string&, std::int32_t, TDDEMLClipFmtType, std::uint16_t,
                                bool& allow) { allow = true; };
  ASSERT_TRUE(Advise(watcher, linked, "BID"));
  watcher.Clear();
  bool valid = true;
  m->OnRequestReceived = [&](TDDEMLManager& sender, const std::string& s, const std::string& t,
                             const std::string& i, std::int32_t, TDDEMLClipFmtType type,
                             std::uint16_t number, bool& v) {
    EXPECT_EQ(type, cfText);
    EXPECT_EQ(number, 1u);
    sender.SetItemText(s, t, i, "1.0900");
    v = valid;
  };
  EXPECT_EQ(Request(conv, "BID"), "1.0900");
  Pump();
  EXPECT_TRUE(watcher.Events(platform::kXtypAdvData).empty());
  EXPECT_EQ(m->FindItem("MT5", "EURUSD", "BID")->PostMode, pmPostNow);
  valid = false;
  EXPECT_EQ(Request(conv, "BID"), "<none>");

  // Not storing server data: the item is empty after it was answered.
  valid = true;
  m->OnRequestReceived = nullptr;
  m->StoreServerItemData = false;
  EXPECT_EQ(Request(conv, "BID"), "1.0900");
  EXPECT_EQ(m->FindItem("MT5", "EURUSD", "BID")->Text(), "");
}

TEST_F(RequestTest, PokesStoreTheDataAndAnswerAsTheHandlerSays) {
  const platform::Hconv conv = Connect("EURUSD");
  // No handler: stored, but not taken; the client sees busy with the application code 6.
  EXPECT_EQ(Send(conv, platform::kXtypPoke, "BID", "1.5"), platform::kDmlErrInvalidParameter);
  EXPECT_EQ(m->FindItem("MT5", "EURUSD", "BID")->Text(), "1.5");
  bool allow = true;
  m->OnPokeReceived = [&](TDDEMLManager&, const std::string& s, const std::string& t,
                          const std::string& i, std::int32_t, bool& a) {
    EXPECT_EQ(s + "/" + t + "/" + i, "MT5/EURUSD/BID");
    a = allow;
  };
  EXPECT_EQ(Send(conv, platform::kXtypPoke, "BID", "1.6"), platform::kDdeFAck);
  allow = false;
  EXPECT_EQ(Send(conv, platform::kXtypPoke, "BID", "1.7"), platform::kDmlErrInvalidParameter);
  EXPECT_EQ(m->FindItem("MT5", "EURUSD", "BID")->Text(), "1.7");  // stored all the same

  // What the callback answers DDEML, value by value.
  const platform::HddeData data = platform::DdeCreateDataHandle(m->InstanceId, "9", 2, 0, 0, 1, 0);
  EXPECT_EQ(Call(platform::kXtypPoke, ServerEnd(), "EURUSD", "", 0, 1, data),
            platform::kDmlErrInvalidParameter);  // no item name: nothing stored
  EXPECT_EQ(Call(platform::kXtypPoke, 0x4242, "EURUSD", "BID", 0, 1, data),
            platform::kDmlErrInvalidParameter);  // no conversation
  m->SetItemText("MT5", "System", "Status", "BUSY");
  EXPECT_EQ(Call(platform::kXtypPoke, ServerEnd(), "EURUSD", "BID", 0, 1, data),
            platform::kDdeFBusy);
  EXPECT_EQ(m->FindItem("MT5", "EURUSD", "BID")->Text(), "1.7");
  platform::DdeFreeDataHandle(data);
}

// UTF-16 text as the bytes a client reads back, trailing zeros dropped as Request drops them.
std::string Wide(const std::string& text) {
  std::string bytes;
  for (char c : text) bytes += {c, '\0'};
  bytes.pop_back();
  return bytes;
}

TEST_F(RequestTest, TextIsAnsweredInEitherTextFormatAndNoOtherFormatGetsItsBytes) {
  m->SetItemText("MT5", "EURUSD", "BID", "1.0841");
  const platform::Hconv conv = Connect("EURUSD");
  EXPECT_EQ(Request(conv, "BID", platform::kCfUnicodeText), Wide("1.0841"));
  EXPECT_EQ(Request(conv, "BID", platform::kCfText), "1.0841");
  EXPECT_TRUE(Logged("      Format  = 13 (UnicodeText)"));
  // Text poked as UTF-16 is served as 8-bit text as well.
  const std::string poked = Wide("1.0843") + '\0';
  EXPECT_EQ(Send(conv, platform::kXtypPoke, "ASK", poked, platform::kCfUnicodeText),
            platform::kDmlErrInvalidParameter);  // stored, not taken: no handler
  EXPECT_EQ(Request(conv, "ASK", platform::kCfText), "1.0843");

  // The System topic's stored texts, in the format asked; nothing for a format text is not.
  const platform::Hconv sys = Connect("System");
  EXPECT_EQ(Request(sys, "SysItems", platform::kCfUnicodeText), Wide("Status"));
  m->SetItemText("MT5", "System", "Status", "Ready");
  EXPECT_EQ(Request(sys, "Status", platform::kCfUnicodeText), Wide("Ready"));
  const unsigned xl = platform::RegisterClipboardFormat("XlTable");
  EXPECT_EQ(Request(sys, "Status", xl), "<none>");
  EXPECT_EQ(Request(sys, "Status", platform::kCfOemText), "<none>");
  EXPECT_TRUE(reports_.empty());

  // An item holding a table asked for as text: the mismatch report names both formats.
  const std::uint8_t table[] = {16, 0, 4, 0, 1, 0, 1, 0};
  const platform::HddeData data =
      platform::DdeCreateDataHandle(m->InstanceId, table, sizeof table, 0, 0, xl, 0);
  m->SetItemData("MT5", "EURUSD", "BOOK", static_cast<std::uint16_t>(xl), data);
  platform::DdeFreeDataHandle(data);
  EXPECT_EQ(Request(conv, "BOOK", platform::kCfUnicodeText), "<none>");
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0],
            "XTypRequest - incorrect data format being returned. Client requested UnicodeText, "
            "server is returning XlTable");
}

TEST_F(RequestTest, AManagerThatTakesNoPokesChangesNothingForThem) {
  m->AcceptPokes = false;
  m->SetItemText("MT5", "EURUSD", "BID", "1.0841");
  Party watcher(0);
  const platform::Hconv linked = Connect(watcher, "EURUSD");
  m->OnAdviseStartReceived = [](TDDEMLManager&, const std::string&, const std::string&,
                                const std::string&, std::int32_t, TDDEMLClipFmtType, std::uint16_t,
                                bool& allow) { allow = true; };
  ASSERT_TRUE(Advise(watcher, linked, "BID"));
  watcher.Clear();
  bool asked = false;
  m->OnPokeReceived = [&](TDDEMLManager&, const std::string&, const std::string&,
                          const std::string&, std::int32_t, bool& allow) { asked = allow = true; };
  const platform::Hconv conv = Connect("EURUSD");
  EXPECT_EQ(Send(conv, platform::kXtypPoke, "BID", "9.99"), platform::kDmlErrNotProcessed);
  EXPECT_EQ(Send(conv, platform::kXtypPoke, "NEW", "1"), platform::kDmlErrNotProcessed);
  // Nor can a client make the service busy for everybody.
  const platform::Hconv sys = Connect("System");
  EXPECT_EQ(Send(sys, platform::kXtypPoke, "Status", "BUSY"), platform::kDmlErrNotProcessed);
  Pump();
  EXPECT_FALSE(asked);
  EXPECT_TRUE(watcher.Events(platform::kXtypAdvData).empty());
  EXPECT_EQ(m->FindItem("MT5", "EURUSD", "NEW"), nullptr);
  EXPECT_EQ(m->FindItem("MT5", "System", "Status"), nullptr);
  EXPECT_EQ(Request(conv, "BID"), "1.0841");
  EXPECT_TRUE(Logged("XTypPoke - Pokes not accepted"));
}

TEST_F(RequestTest, HandlersMayEndTheConversationOrRemoveTheItemWhileTheyRun) {
  // Run under the address sanitizer: nothing may be written into the removed item afterwards.
  m->SetItemText("MT5", "EURUSD", "BID", "1.0841");
  const platform::Hconv conv = Connect("EURUSD");
  ASSERT_NE(conv, 0u);
  const platform::Hconv server = ServerEnd();
  // The client leaves while the request's handler pumps messages: its topic closes with it.
  m->OnRequestReceived = [&](TDDEMLManager&, const std::string&, const std::string&,
                             const std::string&, std::int32_t, TDDEMLClipFmtType, std::uint16_t,
                             bool&) {
    platform::DdeDisconnect(conv);
    Pump();
  };
  EXPECT_EQ(Call(platform::kXtypRequest, server, "EURUSD", "BID"), 0u);
  EXPECT_EQ(m->ConversationCount(), 0);
  EXPECT_EQ(m->FindService("MT5")->FindTopic("EURUSD"), nullptr);

  // The handlers drop the symbol themselves: its conversations end and its topic goes.
  const auto drop = [](TDDEMLManager& sender, const std::string& s, const std::string& t) {
    sender.DisconnectAll();
    sender.FindService(s)->RemoveTopic(t);
  };
  m->OnRequestReceived = [&](TDDEMLManager& sender, const std::string& s, const std::string& t,
                             const std::string&, std::int32_t, TDDEMLClipFmtType, std::uint16_t,
                             bool&) { drop(sender, s, t); };
  m->OnPokeReceived = [&](TDDEMLManager& sender, const std::string& s, const std::string& t,
                          const std::string&, std::int32_t, bool& allow) {
    drop(sender, s, t);
    allow = true;
  };
  const platform::HddeData data = platform::DdeCreateDataHandle(m->InstanceId, "9", 2, 0, 0, 1, 0);
  for (unsigned type : {platform::kXtypRequest, platform::kXtypPoke}) {
    m->SetItemText("MT5", "EURUSD", "BID", "1.0841");
    ASSERT_NE(Connect("EURUSD"), 0u);
    const platform::HddeData answer = Call(type, ServerEnd(), "EURUSD", "BID", 0, 1, data);
    EXPECT_EQ(answer, type == platform::kXtypPoke ? platform::kDdeFAck : 0u);
    EXPECT_EQ(m->FindItem("MT5", "EURUSD", "BID"), nullptr);
    Pump();
  }
  platform::DdeFreeDataHandle(data);
}

class ExecuteTest : public RequestTest {
 protected:
  void SetUp() override {
    RequestTest::SetUp();
    m->ExecCmds().AddCmd("OPEN", "Ss", true);
    m->ExecCmds().AddCmd("CLOSE", "", true);
    m->ExecCmds().AddCmd("MANY", std::string(25, 's'), true);
    conv = Connect("EURUSD");
  }
  std::uint32_t Execute(const std::string& text) {
    return Send(conv, platform::kXtypExecute, "", text);
  }
  platform::HddeData ExecuteCall(const std::string& text, platform::Hconv to) {
    const platform::HddeData data = platform::DdeCreateDataHandle(
        m->InstanceId, text.c_str(), static_cast<std::uint32_t>(text.size() + 1), 0, 0, 1, 0);
    const platform::HddeData result = Call(platform::kXtypExecute, to, "EURUSD", "", 0, 1, data);
    platform::DdeFreeDataHandle(data);
    return result;
  }
  platform::Hconv conv = 0;
};

TEST_F(ExecuteTest, CommandsReachTheHandlerOneByOneWithTheirParameters) {
  EXPECT_EQ(ExecuteCall("[OPEN(a,b)]", ServerEnd()), platform::kDmlErrNotProcessed);  // no handler
  std::vector<std::string> seen;
  std::string refuse;
  m->OnExecuteReceived = [&](TDDEMLManager&, const std::string&, const std::string&,
                             const std::string& name, const std::vector<std::string>& params,
                             std::int32_t count, bool& succeed) {
    EXPECT_EQ(params.size(), 21u);
    seen.push_back(name + " " + std::to_string(count) + " " + params[0] + params[1]);
    succeed = name != refuse;
  };
  EXPECT_EQ(Execute("[OPEN(a,b)][CLOSE]"), platform::kDdeFAck);
  EXPECT_EQ(seen, (std::vector<std::string>{"OPEN 2 ab", "CLOSE 0 ab"}));

  refuse = "CLOSE";
  seen.clear();
  EXPECT_EQ(ExecuteCall("[OPEN(a,b)][CLOSE][OPEN(c)]", ServerEnd()), platform::kDmlErrNotProcessed);
  EXPECT_EQ(seen.size(), 2u);
  EXPECT_TRUE(Logged(ManagerErrorText(-34)));
  EXPECT_TRUE(Logged("MT5/EURUSD : Cmd = CLOSE"));

  // More parameters than the handler's array holds: refused as a whole, never cut.
  seen.clear();
  std::string many = "[MANY(";
  for (int i = 0; i < 22; ++i) many += (i ? "," : "") + std::string(1, static_cast<char>('a' + i));
  EXPECT_EQ(ExecuteCall(many + ")]", ServerEnd()), platform::kDmlErrNotProcessed);
  EXPECT_TRUE(seen.empty());
  EXPECT_TRUE(Logged("MT5/EURUSD : Cmd = MANY"));

  // A text that does not parse, an unknown conversation, a busy service.
  EXPECT_EQ(ExecuteCall("[NOSUCH]", ServerEnd()), platform::kDmlErrNotProcessed);
  EXPECT_EQ(ExecuteCall("[CLOSE]", 0x4242), platform::kDmlErrInvalidParameter);
  EXPECT_TRUE(Logged("ConvObj not found with this handle"));
  m->SetItemText("MT5", "System", "Status", "BUSY");
  EXPECT_EQ(ExecuteCall("[CLOSE]", ServerEnd()), platform::kDmlErrBusy);
}

TEST_F(ExecuteTest, ARawHandlerAnswersAloneOrLetsTheCommandsDecide) {
  bool proceed = false;
  std::string raw;
  m->OnRawExecuteReceived = [&](TDDEMLManager&, const std::string&, const std::string&,
                                const char* text, std::uint16_t, bool& succeed, bool& p) {
    raw = text;
    succeed = true;
    p = proceed;
  };
  int parsed = 0;
  m->OnExecuteReceived = [&](TDDEMLManager&, const std::string&, const std::string&,
                             const std::string&, const std::vector<std::string>&, std::int32_t,
                             bool& succeed) {
    ++parsed;
    succeed = false;
  };
  EXPECT_EQ(Execute("[CLOSE]"), platform::kDdeFAck);
  EXPECT_EQ(raw, "[CLOSE]");
  EXPECT_EQ(parsed, 0);
  proceed = true;
  EXPECT_EQ(ExecuteCall("[CLOSE]", ServerEnd()), platform::kDmlErrNotProcessed);
  EXPECT_EQ(parsed, 1);
}

}  // namespace
}  // namespace tickwell
#endif
