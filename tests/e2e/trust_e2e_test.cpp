// Quotes a trader can trust: Tickwell under Wine, fed by tickwell-feed and read by tickwell-watch
// and by a DDE client of this test's own, each in a process of its own. What a client is served
// must always be a whole line the terminal sent, and nothing else.
#include <gtest/gtest.h>
// ddeml.h needs windows.h before it.
#include <windows.h>
#include <ddeml.h>

#include <map>
#include <string>
#include <vector>

#include "app/win32/control_ids.h"
#include "tests/e2e/process.h"
#include "tests/e2e/running_tickwell.h"

namespace {

using e2e::LastValues;
using e2e::Printed;
namespace ids = tickwell::ids;
using e2e::Text;

class Trust : public e2e::RunningTickwell {
 protected:
  // One request in a conversation of its own: the value, or "<exit N>" when it failed.
  std::string Ask(const std::string& topic, const std::string& item,
                  const std::string& format = "text") {
    const e2e::RunResult r = Watch({topic, item, "-f", format});
    if (r.exit_code != 0) return "<exit " + std::to_string(r.exit_code) + "> " + r.output;
    return LastValues(r.output)[topic + "/" + item];
  }
  void FeedOk(const std::vector<std::string>& lines) {
    const e2e::RunResult fed = Feed(lines);
    ASSERT_EQ(fed.exit_code, 0u) << fed.output;
  }
  // A watcher holding hot links on the symbol's BID, ASK and QUOTE. Lines with a fresh bid are
  // fed until it shows one, so its links are in place; the last of them is returned.
  std::string StartHolder(const std::string& symbol) {
    holders_.push_back(std::make_unique<e2e::Background>(
        e2e::BinFolder() + "tickwell-watch.exe",
        std::vector<std::string>{"MT5", symbol, "BID", "ASK", "QUOTE", "-a", "-t", "120"}, true));
    e2e::Background& holder = *holders_.back();
    std::string line;
    int n = 0;
    const bool linked = e2e::WaitUntil(
        [&] {
          line = symbol + ";1.085" + std::to_string(10 + n++) + ";1.08503;1.08502;1700000000;15";
          if (Feed({line}).exit_code != 0) return false;
          return e2e::WaitUntil(
              [&] { return LastValues(holder.Output())[symbol + "/QUOTE"] == line; }, 500);
        },
        20000);
    EXPECT_TRUE(linked) << symbol << " holder was sent nothing:\n" << holder.Output();
    return line;
  }
  e2e::Background& Holder() { return *holders_.back(); }
  // Feeds a fresh line and waits until the holder shows it: everything fed before has reached
  // the holder by then, or never will.
  void Settle(e2e::Background& holder, const std::string& line) {
    FeedOk({line});
    const std::string symbol = line.substr(0, line.find(';'));
    EXPECT_TRUE(e2e::WaitUntil(
        [&] { return LastValues(holder.Output())[symbol + "/QUOTE"] == line; }, 20000))
        << holder.Output();
  }
  std::string Grid() { return Text(Item(ids::kGrid)); }
  std::string Status() { return Text(Item(ids::kStatusBar)); }

  std::vector<std::unique_ptr<e2e::Background>> holders_;
};

TEST_F(Trust, ASymbolKeepsItsValuesForClientsThatConnectForEachRequest) {
  SwitchOn();
  FeedOk({"EURUSD;1.08561;1.08563;1.08562;1700000000;15"});
  // Each request is a conversation of its own, ended before the next starts: the topic stays.
  for (int n = 0; n < 5; ++n) EXPECT_EQ(Ask("EURUSD", "BID"), "1.08561") << "request " << n;
  EXPECT_EQ(Ask("EURUSD", "VOLUME"), "15");
}

TEST_F(Trust, SwitchingDdeOnServesTheLinesAlreadyReceived) {
  // Received before DDE was ever on: shown, and served from the first request on.
  const e2e::RunResult fed =
      Feed({"EURUSD;1.08501;1.08503;1.08502;1700000000;15", "GBPUSD;1.25;1.26;1.255;1700000000;3"});
  ASSERT_EQ(fed.exit_code, 0u) << fed.output;
  EXPECT_EQ(Text(Item(ids::kLabel)), "GBPUSD") << Status() << "\n" << fed.output;
  SwitchOn();
  EXPECT_EQ(Ask("EURUSD", "BID"), "1.08501");
  EXPECT_EQ(Ask("GBPUSD", "ASK"), "1.26");

  // A line that comes while DDE is off is served once it is on again, with every other symbol.
  SwitchOff();
  FeedOk({"EURUSD;1.09;1.0902;1.0901;1700000060;2"});
  EXPECT_EQ(Grid(),
            "TIME\t11/14/2023 10:14:20 PM\r\nBID\t1.09\r\nASK\t1.0902\r\nLAST\t1.0901\r\n"
            "VOLUME\t2");
  SwitchOn();
  EXPECT_EQ(Ask("EURUSD", "BID"), "1.09");
  EXPECT_EQ(Ask("GBPUSD", "QUOTE"), "GBPUSD;1.25;1.26;1.255;1700000000;3");
}

TEST_F(Trust, ABadLineChangesNoValueAnywhereAndIsNamedInTheStatusBar) {
  SwitchOn();
  const std::string good = StartHolder("EURUSD");
  const std::string bid = good.substr(7, good.find(';', 7) - 7);
  const std::string grid = Grid();
  // An empty place that would shift the values, and a time in milliseconds.
  const std::string shifted = "EURUSD;1.1;;1.2;1700000000;15;";
  const std::string millis = "EURUSD;1.08523;1.08525;1.08524;1700000000123;3";
  FeedOk({shifted, millis});
  EXPECT_EQ(Status(), "2 lines refused - the time is not a whole number of seconds since 1970: " +
                          millis + " ('1700000000123' is not a valid integer value)");
  EXPECT_EQ(Grid(), grid);
  EXPECT_EQ(Text(Item(ids::kLabel)), "EURUSD");
  EXPECT_EQ(Ask("EURUSD", "BID"), bid);
  EXPECT_EQ(Ask("EURUSD", "ASK"), "1.08503");
  EXPECT_EQ(Ask("EURUSD", "LAST"), "1.08502");
  EXPECT_EQ(Ask("EURUSD", "TIME"), "1700000000");

  Settle(Holder(), "EURUSD;1.08601;1.08603;1.08602;1700000060;16");
  EXPECT_EQ(Status(), "2 lines refused");
  // The linked client was sent nothing of the refused lines.
  const std::vector<std::string> refused = {"EURUSD/BID 1.1",          "EURUSD/ASK 1.2",
                                            "EURUSD/QUOTE " + shifted, "EURUSD/BID 1.08523",
                                            "EURUSD/ASK 1.08525",      "EURUSD/QUOTE " + millis};
  for (const std::string& v : Printed(Holder().Output())) {
    for (const std::string& r : refused) EXPECT_NE(v, r);
  }
}

// A DDE client in the test's own process, holding its conversations until it goes.
class OwnClient {
 public:
  OwnClient() {
    DdeInitializeA(&id_, &OwnClient::Callback, APPCLASS_STANDARD | APPCMD_CLIENTONLY, 0);
  }
  ~OwnClient() {
    for (HCONV c : convs_) DdeDisconnect(c);
    if (id_) DdeUninitialize(id_);
  }
  HCONV Connect(const std::string& topic) {
    HSZ service = DdeCreateStringHandleA(id_, "MT5", CP_WINANSI);
    HSZ t = DdeCreateStringHandleA(id_, topic.c_str(), CP_WINANSI);
    HCONV conv = DdeConnect(id_, service, t, nullptr);
    DdeFreeStringHandle(id_, service);
    DdeFreeStringHandle(id_, t);
    if (conv) convs_.push_back(conv);
    return conv;
  }
  // Pokes text; what the server answered does not reach a client under Wine, which is told
  // every poke succeeded, so the tests look at what the poke changed instead.
  void Poke(HCONV conv, const std::string& item, const std::string& value) {
    HSZ name = DdeCreateStringHandleA(id_, item.c_str(), CP_WINANSI);
    DWORD result = 0;
    DdeClientTransaction(reinterpret_cast<BYTE*>(const_cast<char*>(value.c_str())),
                         static_cast<DWORD>(value.size() + 1), conv, name, CF_TEXT, XTYP_POKE, 5000,
                         &result);
    DdeFreeStringHandle(id_, name);
  }

 private:
  static HDDEDATA CALLBACK Callback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
  }
  DWORD id_ = 0;
  std::vector<HCONV> convs_;
};

TEST_F(Trust, PokesChangeNoQuoteAndCannotSilenceTheServer) {
  SwitchOn();
  const std::string good = StartHolder("EURUSD");
  const std::string bid = good.substr(7, good.find(';', 7) - 7);
  OwnClient client;
  const HCONV system = client.Connect("System");
  const HCONV quotes = client.Connect("EURUSD");
  ASSERT_TRUE(system && quotes);
  // "BUSY" in the System topic's status would refuse every request while this client holds
  // its conversation, as it does here.
  client.Poke(system, "Status", "BUSY");
  client.Poke(quotes, "BID", "9.99");
  const e2e::RunResult poked = Watch({"EURUSD", "-p", "ASK=9.98"});
  EXPECT_EQ(poked.exit_code, 0u) << "Wine tells its client every poke succeeded: " << poked.output;
  EXPECT_EQ(Ask("EURUSD", "BID"), bid);
  EXPECT_EQ(Ask("EURUSD", "ASK"), "1.08503");

  Settle(Holder(), "EURUSD;1.08601;1.08603;1.08602;1700000060;16");
  for (const std::string& v : Printed(Holder().Output()))
    EXPECT_EQ(v.find(" 9.9"), std::string::npos) << "a poked value reached a linked client: " << v;
}

TEST_F(Trust, TextIsAnsweredInUnicodeAsInTextAndNeverInAnotherFormat) {
  SwitchOn();
  const std::string good = "EURUSD;1.08501;1.08503;1.08502;1700000000;15";
  FeedOk({good});
  // What Tcl's "dde request" asks for by default.
  EXPECT_EQ(Ask("EURUSD", "BID", "unicode"), "1.08501");
  EXPECT_EQ(Ask("EURUSD", "QUOTE", "unicode"), good);
  EXPECT_EQ(Ask("System", "SysItems", "unicode"),
            "SysItems\tTopics\tStatus\tFormats\tHelp\tTopicItemList\tTerminals");
  EXPECT_EQ(Ask("System", "SysItems"),
            "SysItems\tTopics\tStatus\tFormats\tHelp\tTopicItemList\tTerminals");
  // Stored text is not a table: no answer rather than text bytes read as one.
  const e2e::RunResult table = Watch({"System", "SysItems", "-f", "xltable"});
  EXPECT_EQ(table.exit_code, 3u) << table.output;
  EXPECT_EQ(Ask("EURUSD", "BID"), "1.08501");  // still serving
}

}  // namespace
