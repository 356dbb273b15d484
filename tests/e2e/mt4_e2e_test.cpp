// Workbooks built for MetaTrader 4 (=MT4|BID!EURUSD): Tickwell under Wine, fed by tickwell-feed
// and read in that terminal's layout by tickwell-watch, each in a process of its own.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/process.h"
#include "tests/e2e/running_tickwell.h"

namespace {

using e2e::LastValues;
class Mt4Layout : public e2e::RunningTickwell {
 protected:
  // Each requested item's value in a conversation of its own, keyed "topic/item".
  std::map<std::string, std::string> Ask(const std::string& service,
                                         const std::vector<std::string>& args) {
    const e2e::RunResult r = WatchService(service, args);
    EXPECT_EQ(r.exit_code, 0u) << r.output;
    return LastValues(r.output);
  }
  void FeedOk(const std::vector<std::string>& lines) {
    const e2e::RunResult fed = Feed(lines);
    ASSERT_EQ(fed.exit_code, 0u) << fed.output;
  }
};

TEST_F(Mt4Layout, AClientFollowsEveryFieldOfSeveralSymbolsAndBothServicesAgree) {
  SwitchOn();
  // Before a symbol's first line, as MetaTrader 4 answered.
  EXPECT_EQ(Ask("MT4", {"BID", "EURUSD"})["BID/EURUSD"], "N/A");

  // A client holding hot links on the bid of two symbols, started before any line came.
  e2e::Background holder(e2e::BinFolder() + "tickwell-watch.exe",
                         {"MT4", "BID", "EURUSD", "GBPUSD", "-a", "-t", "120"}, true);
  int n = 0;
  std::string bid;
  const bool linked = e2e::WaitUntil(
      [&] {
        bid = "1.08" + std::to_string(100 + n++);
        if (Feed({"EURUSD;" + bid + ";1.2;1.15;1021974720;15"}).exit_code != 0) return false;
        return e2e::WaitUntil([&] { return LastValues(holder.Output())["BID/EURUSD"] == bid; },
                              500);
      },
      20000);
  ASSERT_TRUE(linked) << holder.Output();

  // Extended lines with the day's high and low; the second GBPUSD line has none and keeps them.
  // USDCHF is linked by nobody: its second line is read only by the requests below.
  FeedOk({"EURUSD;1.5773;1.5778;1.5775;1021974720;3;1.5800;1.5700",
          "GBPUSD;1.2;1.3;1.25;1700000000;7;1.31;1.19", "GBPUSD;1.21;1.3;1.25;1700000060;8",
          "USDCHF;0.9001;0.9004;0.9002;1021974720;5;0.9100;0.8900",
          "USDCHF;0.9011;0.9014;0.9012;1021974780;6;0.9120;0.8900"});
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        auto seen = LastValues(holder.Output());
        return seen["BID/EURUSD"] == "1.5773" && seen["BID/GBPUSD"] == "1.21";
      },
      10000))
      << holder.Output();

  for (const char* format : {"text", "unicode"}) {
    std::map<std::string, std::string> seen;
    for (const char* topic : {"BID", "ASK", "HIGH", "LOW", "TIME", "QUOTE"}) {
      for (auto& [key, value] : Ask("MT4", {topic, "EURUSD", "GBPUSD", "USDCHF", "-f", format}))
        seen[key] = value;
    }
    EXPECT_EQ(seen, (std::map<std::string, std::string>{
                        {"BID/EURUSD", "1.5773"},
                        {"ASK/EURUSD", "1.5778"},
                        {"HIGH/EURUSD", "1.5800"},
                        {"LOW/EURUSD", "1.5700"},
                        {"TIME/EURUSD", "21.05.02 9:52"},
                        {"QUOTE/EURUSD", "21.05.02 9:52 1.5773 1.5778"},
                        {"BID/GBPUSD", "1.21"},
                        {"ASK/GBPUSD", "1.3"},
                        {"HIGH/GBPUSD", "1.31"},
                        {"LOW/GBPUSD", "1.19"},
                        {"TIME/GBPUSD", "14.11.23 22:14"},
                        {"QUOTE/GBPUSD", "14.11.23 22:14 1.21 1.3"},
                        {"BID/USDCHF", "0.9011"},
                        {"ASK/USDCHF", "0.9014"},
                        {"HIGH/USDCHF", "0.9120"},
                        {"LOW/USDCHF", "0.8900"},
                        {"TIME/USDCHF", "21.05.02 9:53"},
                        {"QUOTE/USDCHF", "21.05.02 9:53 0.9011 0.9014"},
                    }))
        << format;
  }
  // The same quote in MetaTrader 5's layout, its high and low included.
  EXPECT_EQ(Ask("MT5", {"EURUSD", "BID", "ASK", "HIGH", "LOW"}),
            (std::map<std::string, std::string>{{"EURUSD/BID", "1.5773"},
                                                {"EURUSD/ASK", "1.5778"},
                                                {"EURUSD/HIGH", "1.5800"},
                                                {"EURUSD/LOW", "1.5700"}}));
  EXPECT_EQ(Ask("MT5", {"GBPUSD", "HIGH", "QUOTE"}),
            (std::map<std::string, std::string>{
                {"GBPUSD/HIGH", "1.31"}, {"GBPUSD/QUOTE", "GBPUSD;1.21;1.3;1.25;1700000060;8"}}));
}

// A link that no line could ever fill is refused, so the client (a spreadsheet's cell) shows an
// error instead of a value that stays empty; the correct links of the same client are taken.
TEST_F(Mt4Layout, LinksNoLineCouldFillAreRefusedInBothLayouts) {
  SwitchOn();
  FeedOk({"EURUSD;1.1;1.2;1.15;1021974720;15"});
  struct Case {
    std::vector<std::string> args;
    std::string refused;
  };
  const Case cases[] = {
      {{"MT5", "EURUSD", "BID", "BIDD"}, "BIDD"},  // a misspelt item after a correct one
      {{"MT4", "EURUSD", "BID"}, "BID"},           // MT5's order of names under MT4
      {{"MT4", "BID", "EURUSD", "GBPUSD"}, ""},    // a symbol yet to come is linked
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    for (const char* option : {"-a", "-n", "1", "-t", "2"}) args.emplace_back(option);
    const e2e::RunResult r = e2e::Run(e2e::BinFolder() + "tickwell-watch.exe", args);
    if (c.refused.empty()) {
      // Both links taken: the run ends at its time bound, waiting for a line.
      EXPECT_EQ(r.exit_code, 4u) << r.output;
      EXPECT_EQ(r.output.find("failed"), std::string::npos) << r.output;
    } else {
      EXPECT_EQ(r.exit_code, 3u) << r.output;
      EXPECT_NE(r.output.find("advise start on " + c.refused + " failed"), std::string::npos)
          << r.output;
    }
  }
}

}  // namespace
