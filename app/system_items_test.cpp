#include "app/system_items.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/mt4_layout.h"
#include "platform/clipboard_format.h"
#include "platform/ddeml.h"
#include "platform/window.h"

namespace tickwell {
namespace {

#ifndef _WIN32
// A DDEML client instance in the test's process, under the model.
class Client {
 public:
  Client() {
    platform::DdeInitialize(
        id_,
        [](unsigned, unsigned, platform::Hconv, platform::Hsz, platform::Hsz, platform::HddeData,
           std::uintptr_t, std::uintptr_t) -> platform::HddeData { return 0; },
        platform::kAppCmdClientOnly);
  }
  ~Client() { platform::DdeUninitialize(id_); }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  platform::Hconv Connect(const std::string& service, const std::string& topic) {
    const platform::Hconv conv = platform::DdeConnect(id_, Name(service), Name(topic));
    while (platform::PumpMessages() > 0) {
    }
    return conv;
  }
  void Disconnect(platform::Hconv conv) {
    platform::DdeDisconnect(conv);
    while (platform::PumpMessages() > 0) {
    }
  }
  // The answer as text, read back from either text format; "<none>" when nothing came.
  std::string Ask(platform::Hconv conv, const std::string& item,
                  unsigned format = platform::kCfText) {
    std::uint32_t status = 0;
    const platform::HddeData data = platform::DdeClientTransaction(
        nullptr, 0, conv, Name(item), format, platform::kXtypRequest, 1000, &status);
    if (data == 0) return "<none>";
    const std::vector<std::uint8_t> bytes = platform::DdeDataBytes(data);
    platform::DdeFreeDataHandle(data);
    std::string text;
    if (format != platform::kCfUnicodeText) {
      text.assign(bytes.begin(), bytes.end());
      if (text.empty() || text.back() != '\0') return "<unterminated: " + text + ">";
      return text.substr(0, text.find('\0'));
    }
    // The texts here are ASCII: every second byte must be zero.
    for (std::size_t i = 0; i + 1 < bytes.size() && (bytes[i] || bytes[i + 1]); i += 2) {
      if (bytes[i + 1] != 0) return "<not ASCII as UTF-16>";
      text += static_cast<char>(bytes[i]);
    }
    return text;
  }

 private:
  platform::Hsz Name(const std::string& text) { return platform::DdeCreateStringHandle(id_, text); }
  platform::DdeInstance id_ = 0;
};

// A manager serving both layouts, with the System items attached, and a client of it.
class SystemItemsTest : public ::testing::Test {
 protected:
  SystemItemsTest() {
    m.SetScope(ddeServerOnly);
    for (const char* service : {"MT5", "MT4"}) {
      m.AddService(service);
      m.SetServiceEnabled(service, true);
    }
    items.Attach(m, "MT5", "MT4");
    EXPECT_TRUE(m.InitDDEML());
  }
  // What the program publishes for one quote, in both layouts.
  void Quote(const std::string& symbol, const std::string& bid) {
    for (const char* field : {"BID", "ASK", "LAST", "TIME", "VOLUME", "QUOTE"})
      m.SetItemText("MT5", symbol, field, bid);
    for (const char* field : {"BID", "ASK", "TIME", "QUOTE"})
      m.SetItemText("MT4", field, symbol, bid);
  }

  TDDEMLManager m;
  TSystemItems items;
  Client client;
};

TEST_F(SystemItemsTest, EverySystemItemAnswersInBothTextFormatsOnBothServices) {
  Quote("EURUSD", "1.1");
  for (const char* service : {"MT5", "MT4"}) {
    const platform::Hconv sys = client.Connect(service, "System");
    ASSERT_NE(sys, 0u) << service;
    for (unsigned format : {platform::kCfText, platform::kCfUnicodeText}) {
      SCOPED_TRACE(std::string(service) + " format " + std::to_string(format));
      EXPECT_EQ(client.Ask(sys, "SysItems", format),
                "SysItems\tTopics\tStatus\tFormats\tHelp\tTopicItemList\tTerminals");
      EXPECT_EQ(client.Ask(sys, "TopicItemList", format), client.Ask(sys, "SysItems", format));
      EXPECT_EQ(client.Ask(sys, "Status", format), "Ready");
      EXPECT_EQ(client.Ask(sys, "Formats", format), "TEXT\tUNICODETEXT");
      const std::string help = client.Ask(sys, "Help", format);
      EXPECT_NE(help.find("=MT5|EURUSD!BID"), std::string::npos) << help;
      EXPECT_NE(help.find("=MT4|BID!EURUSD"), std::string::npos) << help;
      EXPECT_EQ(help.find('\n'), std::string::npos) << "one paragraph: " << help;
    }
    // Names are compared without regard to case, as everywhere in DDE.
    EXPECT_EQ(client.Ask(sys, "sTaTuS"), "Ready");
    // The lists are text: a client asking for another format gets nothing rather than bytes it
    // would misread.
    EXPECT_EQ(client.Ask(sys, "Topics", 2), "<none>");
    EXPECT_EQ(client.Ask(sys, "SysItems", 2), "<none>");
  }
  EXPECT_EQ(client.Ask(client.Connect("MT5", "System"), "Topics"), "EURUSD\tSystem");
  EXPECT_EQ(client.Ask(client.Connect("MT4", "System"), "Topics"),
            "BID\tASK\tHIGH\tLOW\tTIME\tQUOTE\tSystem");
}

TEST_F(SystemItemsTest, TopicsFollowTheSymbolsAndLeaveOutNamesClientsMerelyAskedFor) {
  const platform::Hconv mt5 = client.Connect("MT5", "System");
  const platform::Hconv mt4 = client.Connect("MT4", "System");
  // Before any quote the field layout still has its fields; the symbol layout has no symbol.
  EXPECT_EQ(client.Ask(mt5, "Topics"), "System");
  EXPECT_EQ(client.Ask(mt4, "Topics"), "BID\tASK\tHIGH\tLOW\tTIME\tQUOTE\tSystem");

  // A mistyped symbol: its topic exists while the conversation lasts, and asking it for its
  // lists stores items into it, but it holds no quote.
  const platform::Hconv typo = client.Connect("MT5", "EURUDS");
  ASSERT_NE(typo, 0u);
  EXPECT_EQ(client.Ask(typo, "TopicItemList"), "");
  EXPECT_EQ(client.Ask(typo, "Formats"), "TEXT\tUNICODETEXT");
  EXPECT_EQ(client.Ask(typo, "BID"), "<none>");
  EXPECT_EQ(client.Ask(mt5, "Topics"), "System");

  Quote("GBPUSD", "1.2");
  Quote("EURUSD", "1.1");
  // Fresh on every request: a symbol quoted since the last one is listed.
  EXPECT_EQ(client.Ask(mt5, "Topics"), "EURUSD\tGBPUSD\tSystem");
  EXPECT_EQ(client.Ask(mt5, "Topics", platform::kCfUnicodeText), "EURUSD\tGBPUSD\tSystem");
  EXPECT_EQ(client.Ask(mt4, "Topics"), "BID\tASK\tHIGH\tLOW\tTIME\tQUOTE\tSystem");
  // A symbol called System is not listed twice.
  Quote("System", "9");
  EXPECT_EQ(client.Ask(mt5, "Topics"), "EURUSD\tGBPUSD\tSystem");
}

TEST_F(SystemItemsTest, TopicItemListNamesTheFieldsOfASymbolAndTheSymbolsOfAField) {
  Quote("EURUSD", "1.1");
  Quote("GBPUSD", "1.2");
  // A client asked the field layout for a symbol no line has brought: it answers N/A, but the
  // name is no symbol of the terminal's.
  m.SetItemText("MT4", "BID", "NOSUCH", mt4::kNotAvailable);
  // A link on an item no quote has filled yet leaves an item without a value.
  m.AddItem("MT5", "EURUSD", "HIGH");

  const platform::Hconv symbol = client.Connect("MT5", "eurusd");
  const std::string fields = "ASK\tBID\tLAST\tQUOTE\tTIME\tVOLUME";
  EXPECT_EQ(client.Ask(symbol, "TopicItemList"), fields);
  // Asking twice lists the same: the stored list items are no fields of the symbol.
  EXPECT_EQ(client.Ask(symbol, "Formats"), "TEXT\tUNICODETEXT");
  EXPECT_EQ(client.Ask(symbol, "TopicItemList", platform::kCfUnicodeText), fields);
  // The quote items answer as before.
  EXPECT_EQ(client.Ask(symbol, "BID"), "1.1");

  const platform::Hconv bid = client.Connect("MT4", "BID");
  EXPECT_EQ(client.Ask(bid, "TopicItemList"), "EURUSD\tGBPUSD");
  EXPECT_EQ(client.Ask(bid, "Formats", platform::kCfUnicodeText), "TEXT\tUNICODETEXT");
  EXPECT_EQ(client.Ask(client.Connect("MT4", "HIGH"), "TopicItemList"), "");
}

TEST_F(SystemItemsTest, StatusIsThereOnEveryNewSystemTopicAndNeverSaysBusy) {
  // The first thing a client asks, on a System topic that did not exist before its connect.
  platform::Hconv sys = client.Connect("MT5", "System");
  EXPECT_EQ(client.Ask(sys, "Status"), "Ready");
  // The last conversation takes the topic and its items with it; the next one finds them again.
  client.Disconnect(sys);
  ASSERT_EQ(m.FindService("MT5")->FindTopic("System"), nullptr);
  sys = client.Connect("MT5", "System");
  EXPECT_EQ(client.Ask(sys, "Status"), "Ready");
  EXPECT_FALSE(m.FindService("MT5")->IsBusy());
  // Still answering after every other System item was asked.
  for (const char* item : {"Topics", "SysItems", "Formats", "Help"})
    EXPECT_NE(client.Ask(sys, item), "<none>") << item;
  EXPECT_EQ(client.Ask(sys, "Quote"), "<none>");  // no such System item
  EXPECT_EQ(client.Ask(client.Connect("MT4", "System"), "Status"), "Ready");
}

TEST(SystemItemsAttach, HandlersSetBeforeKeepRunningAndAttachingAgainOnlyRenames) {
  TDDEMLManager m;
  m.SetScope(ddeServerOnly);
  m.AddService("QUOTES");
  m.SetServiceEnabled("QUOTES", true);
  std::vector<std::string> seen;
  m.OnTopicReceived = [&](TDDEMLManager&, const std::string& s) { seen.push_back("topics " + s); };
  m.OnItemReceived = [&](TDDEMLManager&, const std::string& s, const std::string& t) {
    seen.push_back("items " + s + "/" + t);
  };
  TSystemItems items;
  items.Attach(m, "MT5", "");
  items.Attach(m, "QUOTES", "FIELDS");  // the names change; the handlers are not doubled
  ASSERT_TRUE(m.InitDDEML());
  m.SetItemText("QUOTES", "EURUSD", "BID", "1.1");
  Client client;
  const platform::Hconv sys = client.Connect("QUOTES", "System");
  EXPECT_EQ(client.Ask(sys, "Topics"), "EURUSD\tSystem");
  EXPECT_EQ(client.Ask(client.Connect("QUOTES", "EURUSD"), "TopicItemList"), "BID");
  EXPECT_EQ(seen, (std::vector<std::string>{"topics QUOTES", "items QUOTES/EURUSD"}));
  const std::string help = client.Ask(sys, "Help");
  EXPECT_NE(help.find("=QUOTES|EURUSD!BID"), std::string::npos) << help;
  EXPECT_NE(help.find("=FIELDS|BID!EURUSD"), std::string::npos) << help;
}

// Tickwell itself: what a client finds once quote lines came, in both layouts, across a restart
// of the DDE service.
TEST(SystemItemsForm, TheProgramsServicesListWhatTheLinesBrought) {
  TMainForm form;
  form.SettingsFile = "";  // no settings file: both layouts under their own names
  form.FormCreate();
  form.DdeButtonClick();
  const auto feed = [&](const std::string& line) {
    form.QuoteLineReceived(form.Receiver(), platform::kNoWindow, line);
  };
  Client client;
  platform::Hconv mt5 = client.Connect("MT5", "System");
  EXPECT_EQ(client.Ask(mt5, "Topics", platform::kCfUnicodeText), "System");
  EXPECT_EQ(client.Ask(mt5, "Status"), "Ready");
  feed("EURUSD;1.1;1.2;1.15;1700000000;15;1.3;1.0");
  feed("GBPUSD;1.2;1.3;1.25;1700000000;7");
  EXPECT_EQ(client.Ask(mt5, "Topics"), "EURUSD\tGBPUSD\tSystem");
  EXPECT_EQ(client.Ask(client.Connect("MT5", "GBPUSD"), "TopicItemList"),
            "ASK\tBID\tLAST\tQUOTE\tTIME\tVOLUME");
  EXPECT_EQ(client.Ask(client.Connect("MT5", "EURUSD"), "TopicItemList"),
            "ASK\tBID\tHIGH\tLAST\tLOW\tQUOTE\tTIME\tVOLUME");

  // A spreadsheet asking MetaTrader 4's layout for a symbol no line brought gets N/A; it is
  // still no symbol of the terminal's.
  const platform::Hconv bid = client.Connect("MT4", "BID");
  EXPECT_EQ(client.Ask(bid, "USDJPY"), "N/A");
  EXPECT_EQ(client.Ask(bid, "TopicItemList"), "EURUSD\tGBPUSD");
  EXPECT_EQ(client.Ask(client.Connect("MT4", "HIGH"), "TopicItemList"), "EURUSD");
  const platform::Hconv mt4 = client.Connect("MT4", "System");
  EXPECT_EQ(client.Ask(mt4, "Topics"), "BID\tASK\tHIGH\tLOW\tTIME\tQUOTE\tSystem");
  EXPECT_NE(client.Ask(mt4, "Help").find("=MT4|BID!EURUSD"), std::string::npos);

  // Off and on again: the kept lines are served at once, and so are the lists.
  form.DdeButtonClick();
  form.DdeButtonClick();
  mt5 = client.Connect("MT5", "System");
  EXPECT_EQ(client.Ask(mt5, "Status"), "Ready");
  EXPECT_EQ(client.Ask(mt5, "Topics"), "EURUSD\tGBPUSD\tSystem");
  EXPECT_EQ(client.Ask(mt5, "SysItems"), TSystemItems::kSysItems);
}

TEST(SystemItemsText, HelpLeavesOutALayoutThatIsNotServed) {
  const std::string help = TSystemItems("MT5", "").HelpText();
  EXPECT_NE(help.find("=MT5|EURUSD!BID"), std::string::npos);
  EXPECT_EQ(help.find("MetaTrader 4"), std::string::npos) << help;
}
#endif

}  // namespace
}  // namespace tickwell
