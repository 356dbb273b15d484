// tickwell-feed naming the terminal its lines are from, to a receiver in this process.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/win32/control_ids.h"
#include "interapp/inter_app.h"
#include "tests/e2e/process.h"

namespace {

using tickwell::TInterAppReceiver;
using Log = std::vector<std::string>;

// What the receiver was handed: raw bytes as "data ...", lines as they are.
struct Heard {
  Log log;
  explicit Heard(TInterAppReceiver& r) {
    r.OnReceiveString = [this](TInterAppReceiver&, platform::Hwnd, const std::string& t) {
      log.push_back(t);
    };
    r.OnReceiveData = [this](TInterAppReceiver&, platform::Hwnd, const void* d, std::uint32_t n) {
      log.push_back("data " + std::string(static_cast<const char*>(d), n));
    };
  }
};

e2e::RunResult Feed(const std::vector<std::string>& args) {
  return e2e::Run(e2e::BinFolder() + "tickwell-feed.exe", args);
}

TEST(TickwellFeed, NamesItsTerminalBeforeTheLinesOnlyWhenTold) {
  ASSERT_EQ(FindWindowA(tickwell::ids::kMainWindowClass, nullptr), nullptr)
      << "a Tickwell is running";
  TInterAppReceiver receiver;
  Heard heard(receiver);
  auto fed =
      Feed({"--timeout", "5000", "--terminal", "ICM Live", "EURUSD;1;2;3;0;4", "GBPUSD;1;2;3;0;4"});
  ASSERT_TRUE(fed.finished) << fed.output;
  EXPECT_EQ(fed.exit_code, 0u) << fed.output;
  // The label as the receiver has it, since it names the terminal's services.
  EXPECT_NE(fed.output.find("sent 2 lines as terminal ICM_Live"), std::string::npos) << fed.output;
  EXPECT_EQ(heard.log,
            (Log{"data Tickwell.Terminal:ICM_Live", "EURUSD;1;2;3;0;4", "GBPUSD;1;2;3;0;4"}));

  // Without the option: the default terminal, lines only, as ever.
  heard.log.clear();
  fed = Feed({"--timeout", "5000", "EURUSD;5;2;3;0;4"});
  EXPECT_EQ(fed.exit_code, 0u) << fed.output;
  EXPECT_NE(fed.output.find("sent 1 line"), std::string::npos) << fed.output;
  EXPECT_EQ(fed.output.find("terminal"), std::string::npos) << fed.output;
  EXPECT_EQ(heard.log, Log{"EURUSD;5;2;3;0;4"});

  // A missing label is a usage mistake, and nothing is sent.
  heard.log.clear();
  for (const auto& args : {std::vector<std::string>{"EURUSD;6;2;3;0;4", "--terminal"},
                           std::vector<std::string>{"--terminal", "", "EURUSD;6;2;3;0;4"}}) {
    fed = Feed(args);
    EXPECT_EQ(fed.exit_code, 1u) << fed.output;
    EXPECT_NE(fed.output.find("--terminal needs a label"), std::string::npos) << fed.output;
  }
  EXPECT_TRUE(heard.log.empty());
  fed = Feed({"--help"});
  EXPECT_NE(fed.output.find("--terminal LABEL"), std::string::npos) << fed.output;
}

}  // namespace
