// Every platform call the DDE side makes during a scripted session fails once, in turn, the way
// SQLite's fault-injecting file system fails each I/O: first the session runs clean and its calls
// are counted, then it runs once per call with that call failing. Nothing may crash or leak, and
// afterwards a new client must read every symbol's last quote. Every failure leaves a trace line
// naming the call and its error.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "dde/diagnostics/trace.h"
#include "fuzz/model_counts.h"
#include "fuzz/session.h"
#include "platform/files.h"
#include "platform/sim/ddeml_sim.h"
#include "platform/sim/sim_window.h"

namespace tickwell::fuzz {
namespace {

const std::vector<std::string> kSymbols{"EURUSD", "GBPUSD", "USDJPY"};

std::string Line(const std::string& symbol, int n) {
  return symbol + ";1." + std::to_string(n) + ";1." + std::to_string(n + 2) + ";1." +
         std::to_string(n + 1) + ";" + std::to_string(1700000000 + n) + ";" + std::to_string(n);
}

// The session: start, connects, requests, links, lines, poke, execute, disconnects, DDE off and
// on, lines again; the caller stops it. The watcher is a spreadsheet that stays open, linked to
// every symbol's QUOTE (the last conversation on a topic to go takes the topic's items with it).
// Returns the last line of each symbol.
void Watch(Client& watcher) {
  for (const std::string& s : kSymbols) {
    watcher.Connect(s);
    watcher.Link(s, "QUOTE");
  }
}

std::map<std::string, std::string> Script(Tickwell& app, Client& watcher) {
  std::map<std::string, std::string> last;
  auto feed = [&](const std::string& symbol, int n) {
    last[symbol] = Line(symbol, n);
    app.Feed(last[symbol]);
  };
  Client a, b;
  for (const std::string& s : kSymbols) feed(s, 1);
  Watch(watcher);
  a.Connect("EURUSD");
  a.Connect("GBPUSD");
  a.Link("EURUSD", "BID");
  a.Link("EURUSD", "QUOTE");
  a.Link("GBPUSD", "TIME", platform::kCfUnicodeText);
  a.Transact("EURUSD", "ASK", platform::kXtypRequest, platform::kCfText);
  b.Connect("USDJPY");
  b.Link("USDJPY", "QUOTE");
  b.Link("USDJPY", "BID", platform::RegisterClipboardFormat("XlTable"));
  b.Connect("System");
  b.Transact("System", "Topics", platform::kXtypRequest, platform::kCfText);
  for (const std::string& s : kSymbols) feed(s, 2);
  const std::string poked = "1.5";
  a.Transact("EURUSD", "BID", platform::kXtypPoke, platform::kCfText,
             std::vector<std::uint8_t>(poked.begin(), poked.end() + 1));
  const std::string command = "[Open(1)]";
  a.Transact("EURUSD", "", platform::kXtypExecute, platform::kCfText,
             std::vector<std::uint8_t>(command.begin(), command.end() + 1));
  a.Transact("EURUSD", "BID", platform::kXtypAdvStop, platform::kCfText);
  a.Disconnect("GBPUSD");
  for (const std::string& s : kSymbols) feed(s, 3);
  app.ToggleDde();  // off
  a.Forget();
  b.Forget();
  feed("EURUSD", 4);
  app.ToggleDde();  // on
  watcher.Forget();
  for (const std::string& s : kSymbols) feed(s, 5);
  Watch(watcher);
  b.Connect("EURUSD");
  b.Link("EURUSD", "QUOTE");
  for (const std::string& s : kSymbols) feed(s, 6);
  b.DisconnectAll();
  return last;
}

// A new client reads each symbol's QUOTE; the symbols it could not read.
std::vector<std::string> Unread(const std::map<std::string, std::string>& last) {
  std::vector<std::string> unread;
  Client c;
  for (const auto& [symbol, line] : last) {
    c.Connect(symbol);
    const Client::Outcome q = c.Transact(symbol, "QUOTE", platform::kXtypRequest, platform::kCfText);
    if (!q.ok || Client::Decode(q.data, platform::kCfText) != line) {
      unread.push_back(symbol);
      if (std::getenv("TICKWELL_FAULT_DEBUG"))
        std::printf("%s: ok %d status %x read '%s' want '%s'\n", symbol.c_str(), q.ok, q.status,
                    Client::Decode(q.data, platform::kCfText).c_str(), line.c_str());
    }
  }
  c.DisconnectAll();
  return unread;
}

// Calls named by the lines "<tag> <call>: ..." of fuzz/known_findings, each waiting on a change
// outside the tests: "fault_session" the session does not survive the call's failure yet,
// "fault_session_trace" the failure is not traced yet.
std::set<std::string> KnownFindings(const std::string& tag) {
  std::set<std::string> calls;
  std::ifstream in(TICKWELL_FUZZ_DIR "/known_findings");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(tag + " ", 0) == 0)
      calls.insert(line.substr(tag.size() + 1, line.find(':') - tag.size() - 1));
  return calls;
}

// The trace line a failed call must leave: the name the code knows it by and the error the model
// failed it with (a window's post has no DDEML error; it is traced as DMLERR_POSTMSG_FAILED).
std::string ExpectedTrace(const std::string& call) {
  if (call == "Post") return "Call failed : PostMessage : DMLERR_POSTMSG_FAILED (0x400C)";
  return "Call failed : " + call + " : DMLERR_SYS_ERROR (0x400F)";
}

class FaultSession : public ::testing::Test {
 protected:
  void SetUp() override {
    // A folder of this run's own: another checkout's run of the session may be going on.
    dir_ = std::filesystem::temp_directory_path() /
           ("tickwell-fault-session-" + std::to_string(std::random_device{}()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    platform::sim::SetDdeInstanceFault(nullptr);
    platform::sim::SetWindowFault(nullptr);
    StoreDebugState(dbNone, "");
    std::filesystem::remove_all(dir_);
  }
  // The server side's calls: DDEML calls of the program's own instance (not a client's) and the
  // posting window's posts. Numbered from 1; the nth fails with DMLERR_SYS_ERROR. 0 only counts.
  void Inject(long nth) {
    count_ = 0;
    failed_.clear();
    platform::sim::SetDdeInstanceFault([this, nth](const char* call, platform::DdeInstance,
                                                   bool client_only) -> unsigned {
      if (client_only) return 0;
      if (++count_ != nth) return 0;
      failed_ = call;
      return platform::kDmlErrSysError;
    });
    platform::sim::SetWindowFault([this, nth](const char* call) {
      if (std::string(call) != "Post") return false;
      if (++count_ != nth) return false;
      failed_ = call;
      return true;
    });
  }
  std::string Trace() {
    std::string text;
    platform::ReadWholeFile((dir_ / "trace.log").string(), text);
    return text;
  }

  std::filesystem::path dir_;
  long count_ = 0;
  std::string failed_;
};

TEST_F(FaultSession, EveryServerCallFailedInTurnRecoversWithoutLeaks) {
  const ModelCounts empty = ModelCounts::Now();
  std::map<std::string, std::string> last;
  Inject(0);
  {
    Tickwell app;
    Client watcher;
    last = Script(app, watcher);
    EXPECT_TRUE(Unread(last).empty()) << "the clean session does not serve its quotes";
  }
  const long calls = count_;
  ASSERT_GT(calls, 100) << "the session made too few calls to mean anything";
  std::map<std::string, int> untraced, restarted;
  const std::set<std::string> known = KnownFindings("fault_session");
  const std::set<std::string> known_untraced = KnownFindings("fault_session_trace");
  int recovered_alone = 0;
  for (long n = 1; n <= calls; ++n) {
    std::filesystem::remove(dir_ / "trace.log");
    Inject(n);
    {
      Tickwell app([&] { ApplyDebugState(platform::kNoWindow, dbFile, true, (dir_ / "trace.log").string()); });
      Client watcher;
      last = Script(app, watcher);
      const std::string call = failed_;
      ASSERT_FALSE(call.empty()) << "call " << n << " of " << calls << " was never made";
      platform::sim::SetDdeInstanceFault(nullptr);
      platform::sim::SetWindowFault(nullptr);
      if (Trace().find(ExpectedTrace(call)) == std::string::npos) {
        ++untraced[call];
        EXPECT_TRUE(known_untraced.count(call))
            << "failing call " << n << " (" << call << ") left no line \"" << ExpectedTrace(call)
            << "\" in the trace";
      }
      std::vector<std::string> unread = Unread(last);
      if (unread.empty()) {
        ++recovered_alone;
      } else {
        // What a user does when a spreadsheet stops updating: DDE off and on; the terminal's
        // next tick of each symbol then reaches every client.
        ++restarted[call];
        if (app.DdeOn()) app.ToggleDde();
        app.ToggleDde();
        watcher.Forget();
        for (auto& [symbol, line] : last) app.Feed(line);
        Watch(watcher);
        unread = Unread(last);
      }
      if (!unread.empty() && known.count(call)) {
        std::printf("known finding: after failing call %ld (%s) %zu symbols stay unread\n", n,
                    call.c_str(), unread.size());
        unread.clear();
      }
      EXPECT_TRUE(unread.empty()) << "after failing call " << n << " (" << call << ") "
                                  << unread.size() << " symbols stay unread";
    }
    StoreDebugState(dbNone, "");
    const ModelCounts after = ModelCounts::Now();
    EXPECT_EQ(after, empty) << "failing call " << n << " ("  << failed_ << ") left "
                            << after.Text();
  }
  std::printf("fault session: %ld server calls failed in turn; %d recovered by themselves\n",
              calls, recovered_alone);
  for (const auto& [call, times] : restarted)
    std::printf("  %s failed: %d times DDE had to be switched off and on\n", call.c_str(), times);
  for (const auto& [call, times] : untraced)
    std::printf("  %s failed: %d times without its trace line%s\n", call.c_str(), times,
                known_untraced.count(call) ? " (known finding)" : "");
}

// DdeInitialize hands its error back and leaves no instance to ask: the trace and the error
// report name that error, and switching DDE on again once the cause is gone works.
TEST_F(FaultSession, AFailedStartReportsTheErrorDdeInitializeReturned) {
  platform::sim::SetDdeInstanceFault([](const char* call, platform::DdeInstance, bool client_only) {
    return std::string(call) == "DdeInitialize" && !client_only ? platform::kDmlErrDllUsage : 0u;
  });
  Tickwell app([&] { ApplyDebugState(platform::kNoWindow, dbFile, true, (dir_ / "trace.log").string()); });
  platform::sim::SetDdeInstanceFault(nullptr);
  EXPECT_NE(Trace().find("Call failed : DdeInitialize : DMLERR_DLL_USAGE (0x4004)"), std::string::npos)
      << Trace();
  EXPECT_NE(Trace().find("DDEML Error = DMLERR_DLL_USAGE"), std::string::npos) << Trace();
  if (app.DdeOn()) app.ToggleDde();
  app.ToggleDde();
  ASSERT_TRUE(app.DdeOn());
  const std::string line = Line("EURUSD", 7);
  app.Feed(line);
  EXPECT_TRUE(Unread({{"EURUSD", line}}).empty());
}

}  // namespace
}  // namespace tickwell::fuzz
