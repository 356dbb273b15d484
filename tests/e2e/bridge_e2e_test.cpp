// The whole bridge: Tickwell switched on by its "DDE" button, quote lines from tickwell-feed, and
// tickwell-watch clients in processes of their own reading the quotes by request and advise.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "app/win32/control_ids.h"
#include "tests/e2e/process.h"
#include "tests/e2e/running_tickwell.h"

namespace {

using e2e::LastValues;
namespace ids = tickwell::ids;
using e2e::Text;

class Bridge : public e2e::RunningTickwell {
 protected:
  // Starts a watcher holding hot links on the symbol's items, and waits until it is sent a
  // value: a line with a fresh bid is fed until the watcher shows it.
  e2e::Background& StartWatcher(const std::string& symbol) {
    watchers_.push_back(std::make_unique<e2e::Background>(
        e2e::BinFolder() + "tickwell-watch.exe",
        std::vector<std::string>{"MT5", symbol, "BID", "ASK", "QUOTE", "-a", "-t", "120"}, true));
    e2e::Background& watcher = *watchers_.back();
    int n = 0;
    bool linked = e2e::WaitUntil(
        [&] {
          const std::string bid = "0.5" + std::to_string(++primer_) + std::to_string(n++);
          Feed({symbol + ";" + bid + ";1;1;0;1"});
          return e2e::WaitUntil(
              [&] { return LastValues(watcher.Output())[symbol + "/BID"] == bid; }, 500);
        },
        20000);
    EXPECT_TRUE(linked) << symbol << " watcher got no value: " << watcher.Output();
    return watcher;
  }

  std::vector<std::unique_ptr<e2e::Background>> watchers_;
  int primer_ = 0;
};

TEST_F(Bridge, WatchersOnSeveralSymbolsEndWithTheLastLineOfEach) {
  SwitchOn();
  const std::vector<std::string> symbols = {"EURUSD", "GBPUSD", "EURUSD", "GBPUSD", "XAUUSD"};
  std::vector<e2e::Background*> watching;
  for (const auto& symbol : symbols) watching.push_back(&StartWatcher(symbol));

  std::vector<std::string> lines;
  std::map<std::string, std::string> expected;
  for (int n = 1; n <= 60; ++n) {
    const std::string symbol = symbols[n % 3 == 0 ? 4 : n % 2];
    const std::string bid = std::to_string(n) + ".25";
    const std::string ask = std::to_string(n) + ".5";
    const std::string line =
        symbol + ";" + bid + ";" + ask + ";" + bid + ";1700000000;" + std::to_string(n);
    lines.push_back(line);
    expected[symbol + "/BID"] = bid;
    expected[symbol + "/ASK"] = ask;
    expected[symbol + "/QUOTE"] = line;
  }
  const auto fed = Feed(lines);
  ASSERT_EQ(fed.exit_code, 0u) << fed.output;
  for (std::size_t w = 0; w < watching.size(); ++w) {
    const std::string symbol = symbols[w];
    std::map<std::string, std::string> want;
    for (const char* item : {"BID", "ASK", "QUOTE"})
      want[symbol + "/" + item] = expected[symbol + "/" + item];
    EXPECT_TRUE(e2e::WaitUntil([&] { return LastValues(watching[w]->Output()) == want; }, 20000))
        << "watcher " << w << " on " << symbol << " ended with:\n"
        << watching[w]->Output();
  }
  EXPECT_EQ(Text(Item(ids::kLabel)), symbols[4]);  // line 60 went to the third symbol
}

TEST_F(Bridge, RequestsPokesExecutesAndTheSystemTopicAreAnswered) {
  SwitchOn();
  // Every symbol keeps its topic and values whether or not a client holds a conversation on it.
  StartWatcher("EURUSD");
  ASSERT_EQ(Feed({"EURUSD;1.08501;1.08503;1.08502;1700000000;15"}).exit_code, 0u);
  auto r = Watch({"EURUSD", "BID", "VOLUME", "QUOTE"});
  EXPECT_EQ(r.exit_code, 0u) << r.output;
  EXPECT_EQ(LastValues(r.output),
            (std::map<std::string, std::string>{
                {"EURUSD/BID", "1.08501"},
                {"EURUSD/VOLUME", "15"},
                {"EURUSD/QUOTE", "EURUSD;1.08501;1.08503;1.08502;1700000000;15"}}));
  r = Watch({"EURUSD", "NOSUCH"});
  EXPECT_EQ(r.exit_code, 3u) << r.output;  // no such item: no data

  // The System topic lists its items and the symbols quoted so far.
  r = Watch({"system", "SYSITEMS"});
  EXPECT_EQ(r.exit_code, 0u) << r.output;
  EXPECT_EQ(LastValues(r.output)["system/SYSITEMS"],
            "SysItems\tTopics\tStatus\tFormats\tHelp\tTopicItemList\tTerminals")
      << r.output;
  r = Watch({"System", "Topics"});
  EXPECT_EQ(r.exit_code, 0u) << r.output;
  EXPECT_EQ(LastValues(r.output)["System/Topics"], "EURUSD\tSystem") << r.output;

  // Tickwell takes no pokes: it answers "not processed" (0x4009) and stores nothing. Wine's
  // client reports every poke as done.
  r = Watch({"EURUSD", "-p", "BID=7.5"});
  EXPECT_EQ(r.exit_code, 0u) << "Wine reports the refused poke as done: " << r.output;
  r = Watch({"EURUSD", "BID"});
  EXPECT_EQ(LastValues(r.output)["EURUSD/BID"], "1.08501") << r.output;
  // Nor commands: "not processed" (0x4009), which Wine's client names as such.
  r = Watch({"EURUSD", "-x", "[Open(1)]"});
  EXPECT_EQ(r.exit_code, 3u) << r.output;
  EXPECT_NE(r.output.find("DMLERR_NOTPROCESSED"), std::string::npos) << r.output;
  EXPECT_EQ(Watch({"EURUSD", "ASK"}).exit_code, 0u);  // still serving
}

TEST_F(Bridge, DdeOffStopsTheUpdatesAndOnAgainServesNewClients) {
  SwitchOn();
  e2e::Background& watcher = StartWatcher("EURUSD");
  SendMessageA(Item(ids::kDdeButton), BM_CLICK, 0, 0);
  EXPECT_TRUE(e2e::WaitUntil(
      [&] {
        return Watch({"EURUSD", "BID"}).exit_code == 2;
      },
      20000))
      << "the service still answers after DDE was switched off";
  // The watcher is told its conversation ended, under Wine too, and ends with exit code 2.
  DWORD code = 0;
  EXPECT_TRUE(e2e::WaitUntil([&] { return watcher.Ended(&code); }, 20000)) << watcher.Output();
  EXPECT_EQ(code, 2u) << watcher.Output();
  ASSERT_EQ(Feed({"EURUSD;2.25;2.5;2.25;1700000000;1"}).exit_code, 0u);

  SwitchOn();
  e2e::Background& again = StartWatcher("EURUSD");
  ASSERT_EQ(Feed({"EURUSD;3.25;3.5;3.25;1700000000;1"}).exit_code, 0u);
  EXPECT_TRUE(e2e::WaitUntil(
      [&] {
        return LastValues(again.Output())["EURUSD/QUOTE"] == "EURUSD;3.25;3.5;3.25;1700000000;1";
      },
      20000))
      << again.Output();
}

TEST_F(Bridge, WellOverSixtyFiveThousandUpdatesInOneRunAllArrive) {
  // Wine's DDEML alone would stop delivering advise data after 65,535 posts in a process's
  // life; the platform's Wine fix frees what it would leak.
  SwitchOn();
  std::vector<e2e::Background*> watching = {&StartWatcher("EURUSD"), &StartWatcher("EURUSD"),
                                            &StartWatcher("GBPUSD")};
  // Two clients on EURUSD with three links each: each line is six posts; 12,000 lines.
  char folder[MAX_PATH];
  GetTempPathA(sizeof folder, folder);
  const std::string file = std::string(folder) + "tickwell-bridge-lines.txt";
  std::map<std::string, std::string> want;
  {
    std::string text;
    for (int n = 1; n <= 12000; ++n) {
      const std::string symbol = n % 1000 == 0 ? "GBPUSD" : "EURUSD";
      const std::string line = symbol + ";" + std::to_string(n) + ".5;" + std::to_string(n) +
                               ".75;1;1700000000;" + std::to_string(n);
      text += line + "\n";
      want[symbol + "/BID"] = std::to_string(n) + ".5";
      want[symbol + "/ASK"] = std::to_string(n) + ".75";
      want[symbol + "/QUOTE"] = line;
    }
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
  }
  const auto fed =
      e2e::Run(e2e::BinFolder() + "tickwell-feed.exe", {"--timeout", "10000", "-f", file}, 300000);
  DeleteFileA(file.c_str());
  ASSERT_EQ(fed.exit_code, 0u) << fed.output;
  const std::vector<std::string> symbols = {"EURUSD", "EURUSD", "GBPUSD"};
  for (std::size_t w = 0; w < watching.size(); ++w) {
    std::map<std::string, std::string> mine;
    for (const char* item : {"BID", "ASK", "QUOTE"})
      mine[symbols[w] + "/" + item] = want[symbols[w] + "/" + item];
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
          // The last few kilobytes, from a line's start, hold the last values.
          const std::string out = watching[w]->Output();
          std::size_t from = out.size() > 4096 ? out.find('\n', out.size() - 4096) : 0;
          from = from == std::string::npos ? out.size() : from;
          return LastValues(out.substr(from)) == mine;
        },
        60000))
        << "watcher " << w << " ended without the last line";
    const std::string out = watching[w]->Output();
    EXPECT_EQ(out.find("(missing data)"), std::string::npos) << "watcher " << w;
  }
}

}  // namespace
