// The receiver as a real window in this process, spoken to by a second process.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interapp/inter_app.h"
#include "tests/e2e/process.h"

namespace {

using tickwell::TInterAppReceiver;

struct Heard {
  std::vector<std::string> log;
  explicit Heard(TInterAppReceiver& r) {
    r.OnReceiveCall = [this](TInterAppReceiver&, platform::Hwnd) { log.push_back("call"); };
    r.OnReceiveString = [this](TInterAppReceiver&, platform::Hwnd, const std::string& t) {
      log.push_back("string " + t);
    };
    r.OnReceiveInteger = [this](TInterAppReceiver&, platform::Hwnd, std::int32_t v) {
      log.push_back("int " + std::to_string(v));
    };
    r.OnReceiveReal = [this](TInterAppReceiver&, platform::Hwnd, double v) {
      log.push_back("real " + std::to_string(v));
    };
    r.OnReceiveData = [this](TInterAppReceiver&, platform::Hwnd, const void* d, std::uint32_t n) {
      log.push_back("data " + std::string(static_cast<const char*>(d), n));
    };
  }
};

e2e::RunResult Peer(const TInterAppReceiver& r, std::vector<std::string> args) {
  args.insert(args.begin(), std::to_string(r.Handle()));
  return e2e::Run(e2e::BinFolder() + "interapp-peer.exe", args);
}

std::string Id(const TInterAppReceiver& r) { return std::to_string(r.Handle()); }

// How a peer's run went, for a failure's message.
std::string Describe(const e2e::RunResult& run) {
  return "started " + std::to_string(run.started) + " (error " + std::to_string(run.start_error) +
         "), finished " + std::to_string(run.finished) + ", exit " + std::to_string(run.exit_code) +
         ", printed: " + run.output;
}

TEST(InterAppAcrossProcesses, HandshakesAreAnsweredWithTheReceiversWindow) {
  TInterAppReceiver r;
  Heard heard(r);
  auto call = Peer(r, {"call"});
  ASSERT_TRUE(call.started && call.finished) << call.output;
  EXPECT_NE(call.output.find("answer handshake 2 from " + Id(r)), std::string::npos) << call.output;
  auto silent = Peer(r, {"silent"});
  EXPECT_NE(silent.output.find("answer handshake 3 from " + Id(r)), std::string::npos)
      << silent.output;
  auto other = Peer(r, {"code", "6"});
  EXPECT_EQ(other.output.find("from " + Id(r)), std::string::npos) << other.output;
  EXPECT_EQ(heard.log, std::vector<std::string>{"call"});
}

TEST(InterAppAcrossProcesses, BroadcastSilentCallFindsTheReceiver) {
  TInterAppReceiver r;
  auto found = e2e::Run(e2e::BinFolder() + "interapp-peer.exe", {"0", "silent"});
  EXPECT_NE(found.output.find("answer handshake 3 from " + Id(r)), std::string::npos)
      << found.output;
}

TEST(InterAppAcrossProcesses, GroupNamesTravelAsGlobalAtoms) {
  TInterAppReceiver r;
  Heard heard(r);
  r.SetGroupName("TickwellE2EGroup");
  auto wrong = Peer(r, {"byname", "SomeOtherGroup"});
  EXPECT_EQ(wrong.output.find("answer"), std::string::npos) << wrong.output;
  auto right = Peer(r, {"byname", "tickwelle2egroup"});  // atoms ignore case
  EXPECT_NE(right.output.find("answer byname"), std::string::npos) << Describe(right);
  EXPECT_NE(right.output.find("atom TickwellE2EGroup"), std::string::npos) << Describe(right);
  auto silent = Peer(r, {"bynamesilent", "TickwellE2EGroup"});
  EXPECT_NE(silent.output.find("answer bynamesilent"), std::string::npos) << silent.output;
  EXPECT_EQ(heard.log, std::vector<std::string>{"call"});
}

TEST(InterAppAcrossProcesses, EveryPayloadKindArrivesIntact) {
  TInterAppReceiver r;
  Heard heard(r);
  const std::string long_line(300, 'q');
  const std::vector<std::vector<std::string>> payloads{
      {"string", "EURUSD;1.08501;1.08503;1.08502;1700000000;15"},
      {"string", long_line},
      {"int", "-42"},
      {"real", "1.25"},
      {"data", "raw bytes"},
      {"kind", "9", "ignored"}};
  std::string runs;
  for (const auto& payload : payloads) {
    runs += payload[0] + ": " + Describe(Peer(r, payload)) + "\n";
  }
  std::string log;
  for (const std::string& entry : heard.log) log += entry.substr(0, 40) + "\n";
  ASSERT_EQ(heard.log.size(), 5u) << "heard:\n" << log << "peers:\n" << runs;
  EXPECT_EQ(heard.log[0], "string EURUSD;1.08501;1.08503;1.08502;1700000000;15");
  EXPECT_EQ(heard.log[1], "string " + long_line.substr(0, 255));
  EXPECT_EQ(heard.log[2], "int -42");
  EXPECT_EQ(heard.log[3], "real 1.250000");
  EXPECT_EQ(heard.log[4], "data raw bytes");
}

TEST(InterAppAcrossProcesses, ADisabledReceiverStaysSilent) {
  TInterAppReceiver r;
  Heard heard(r);
  r.SetEnabled(false);
  auto call = Peer(r, {"call"});
  EXPECT_EQ(call.output.find("from " + Id(r)), std::string::npos) << call.output;
  Peer(r, {"string", "x"});
  EXPECT_TRUE(heard.log.empty());
}

}  // namespace
