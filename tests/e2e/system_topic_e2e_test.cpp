// What a DDE client finds out about Tickwell without knowing its symbols: the System topic and
// each topic's item list, read under Wine by tickwell-watch and by a bare client of Wine's DDEML
// in this process, while tickwell-feed brings the lines, each program a process of its own.
#include <gtest/gtest.h>
#include <windows.h>
#include <ddeml.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/bare_client.h"
#include "tests/e2e/process.h"
#include "tests/e2e/running_tickwell.h"

namespace {

const std::string kSysItems = "SysItems\tTopics\tStatus\tFormats\tHelp\tTopicItemList\tTerminals";
const std::string kMt4Topics = "BID\tASK\tHIGH\tLOW\tTIME\tQUOTE\tSystem";

// The value of the first line tickwell-watch printed ("date time topic item value"); the value
// keeps its tabs.
std::string FirstValue(const std::string& output) {
  std::istringstream lines(output);
  std::string line, date, time, topic, item, value;
  if (!std::getline(lines, line)) return "<no output>";
  if (!line.empty() && line.back() == '\r') line.pop_back();
  std::istringstream fields(line);
  if (!(fields >> date >> time >> topic >> item)) return "<unreadable: " + line + ">";
  fields.get();  // the blank before the value
  std::getline(fields, value);
  return value;
}

using e2e::BareClient;

// ASCII text as UTF-16LE bytes.
std::string Wide(const std::string& text) {
  std::string wide;
  for (char c : text) wide += {c, '\0'};
  return wide;
}

class SystemTopic : public e2e::RunningTickwell {
 protected:
  // One item in a conversation of its own, as tickwell-watch prints it; "<exit n>" on failure.
  std::string Ask(const std::string& service, const std::string& topic, const std::string& item,
                  const char* format = "text") {
    const e2e::RunResult r = e2e::Run(e2e::BinFolder() + "tickwell-watch.exe",
                                      {service, topic, item, "-f", format, "-t", "10"});
    if (r.exit_code != 0) return "<exit " + std::to_string(r.exit_code) + "> " + r.output;
    return FirstValue(r.output);
  }
  void FeedOk(const std::vector<std::string>& lines) {
    const e2e::RunResult fed = Feed(lines);
    ASSERT_EQ(fed.exit_code, 0u) << fed.output;
  }
};

TEST_F(SystemTopic, ClientsFindTheSymbolsAndTheirItemsInBothLayouts) {
  SwitchOn();
  EXPECT_EQ(Ask("MT5", "System", "Status"), "Ready");
  EXPECT_EQ(Ask("MT5", "System", "Topics"), "System");
  EXPECT_EQ(Ask("MT4", "System", "Topics"), kMt4Topics);

  FeedOk({"EURUSD;1.5773;1.5778;1.5775;1021974720;3;1.5800;1.5700",
          "GBPUSD;1.2;1.3;1.25;1700000000;7"});
  for (const char* format : {"text", "unicode"}) {
    SCOPED_TRACE(format);
    EXPECT_EQ(Ask("MT5", "System", "Topics", format), "EURUSD\tGBPUSD\tSystem");
    EXPECT_EQ(Ask("MT5", "System", "SysItems", format), kSysItems);
    EXPECT_EQ(Ask("MT5", "System", "Status", format), "Ready");
    EXPECT_EQ(Ask("MT5", "System", "Formats", format), "TEXT\tUNICODETEXT");
    const std::string help = Ask("MT5", "System", "Help", format);
    EXPECT_NE(help.find("=MT5|EURUSD!BID"), std::string::npos) << help;
    EXPECT_NE(help.find("=MT4|BID!EURUSD"), std::string::npos) << help;
    EXPECT_EQ(Ask("MT5", "EURUSD", "TopicItemList", format),
              "ASK\tBID\tHIGH\tLAST\tLOW\tQUOTE\tTIME\tVOLUME");
    EXPECT_EQ(Ask("MT5", "GBPUSD", "Formats", format), "TEXT\tUNICODETEXT");
    EXPECT_EQ(Ask("MT4", "System", "Topics", format), kMt4Topics);
    EXPECT_EQ(Ask("MT4", "BID", "TopicItemList", format), "EURUSD\tGBPUSD");
    EXPECT_EQ(Ask("MT4", "HIGH", "TopicItemList", format), "EURUSD");
  }
  // A symbol a workbook asks for before its first line answers N/A, and is still not listed.
  EXPECT_EQ(Ask("MT4", "ASK", "USDJPY"), "N/A");
  EXPECT_EQ(Ask("MT4", "ASK", "TopicItemList"), "EURUSD\tGBPUSD");
  // Still the quotes themselves.
  EXPECT_EQ(Ask("MT5", "EURUSD", "BID"), "1.5773");
}

TEST_F(SystemTopic, ABareClientHoldingItsConversationReadsFreshListsInEitherTextFormat) {
  SwitchOn();
  FeedOk({"EURUSD;1.1;1.2;1.15;1700000000;15"});
  BareClient client;
  const HCONV system = client.Connect("MT5", "System");
  const HCONV fields = client.Connect("MT4", "BID");
  ASSERT_TRUE(system && fields);
  // CF_TEXT ends with its zero byte, as a text client expects.
  EXPECT_EQ(client.Request(system, "Topics", CF_TEXT), std::string("EURUSD\tSystem", 14));
  EXPECT_EQ(client.Request(system, "Status", CF_TEXT), std::string("Ready", 6));
  // UTF-16 (what Tcl's dde request asks for by default): the same characters.
  EXPECT_EQ(client.Request(system, "Topics", CF_UNICODETEXT).substr(0, 26), Wide("EURUSD\tSystem"));
  // No list in a format that is not text: no bytes to misread.
  EXPECT_EQ(client.Request(system, "Topics", CF_BITMAP), "<none>");
  EXPECT_EQ(client.Request(system, "SysItems", RegisterClipboardFormatA("XlTable")), "<none>");

  // A symbol that comes while the conversation is held is listed at the next request.
  FeedOk({"USDJPY;150.1;150.2;150.15;1700000000;3"});
  EXPECT_EQ(client.Request(system, "Topics", CF_TEXT), std::string("EURUSD\tUSDJPY\tSystem", 21));
  EXPECT_EQ(client.Request(fields, "TopicItemList", CF_TEXT), std::string("EURUSD\tUSDJPY", 14));
  // The held conversation still reads the quote.
  EXPECT_EQ(client.Request(fields, "USDJPY", CF_TEXT), std::string("150.1", 6));
}

}  // namespace
