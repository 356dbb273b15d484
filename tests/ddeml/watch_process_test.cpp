// tickwell-watch against a raw DDEML server, each in a process of its own, through the real
// DDE messages of the system.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>

#include "platform/ddeml.h"
#include "tests/ddeml/child_process.h"

namespace ddeml_test {
namespace {

using namespace platform;

// Counts the lines of text that contain every one of the given pieces.
int LinesWith(const std::string& text, const std::vector<std::string>& pieces) {
  std::istringstream lines(text);
  int count = 0;
  for (std::string line; std::getline(lines, line);) {
    bool all = true;
    for (const std::string& piece : pieces) all = all && line.find(piece) != std::string::npos;
    count += all;
  }
  return count;
}

// A raw server that answers before the test goes on (polled, never slept for).
class RawServer {
 public:
  explicit RawServer(const std::string& service, std::vector<std::string> extra = {}) {
    extra.insert(extra.begin(), service);
    process_ = std::make_unique<ChildProcess>(BinPath("tw-raw-server.exe"), extra);
    DdeInstance probe = 0;
    DdeInitialize(
        probe,
        [](unsigned, unsigned, Hconv, Hsz, Hsz, HddeData, std::uintptr_t,
           std::uintptr_t) -> HddeData { return 0; },
        kAppCmdClientOnly);
    Hsz svc = DdeCreateStringHandle(probe, service);
    Hsz topic = DdeCreateStringHandle(probe, "System");
    const DWORD until = ::GetTickCount() + 20000;
    while (!answering_ && static_cast<long>(until - ::GetTickCount()) > 0 && !process_->Wait(0)) {
      if (Hconv conv = DdeConnect(probe, svc, topic)) {
        DdeDisconnect(conv);
        answering_ = true;
      } else {
        ::Sleep(20);
      }
    }
    DdeUninitialize(probe);
  }
  bool answering() const { return answering_; }
  ChildProcess& process() { return *process_; }

 private:
  std::unique_ptr<ChildProcess> process_;
  bool answering_ = false;
};

struct Watch {
  std::unique_ptr<ChildProcess> process;
  explicit Watch(const std::vector<std::string>& args)
      : process(std::make_unique<ChildProcess>(BinPath("tickwell-watch.exe"), args)) {}
  int Finish(DWORD ms = 30000) {
    EXPECT_TRUE(process->Wait(ms)) << "tickwell-watch did not finish";
    return process->exit_code();
  }
};

TEST(WatchProcess, RequestsPokesAndExecutesAgainstARealServer) {
  RawServer server("TwRawA");
  ASSERT_TRUE(server.answering());

  Watch request({"TwRawA", "EURUSD", "BID", "ASK"});
  EXPECT_EQ(request.Finish(), 0) << request.process->Errors();
  std::string out = request.process->Output();
  EXPECT_EQ(LinesWith(out, {" EURUSD BID EURUSD.BID"}), 1) << out;
  EXPECT_EQ(LinesWith(out, {" EURUSD ASK EURUSD.ASK"}), 1) << out;

  Watch poke({"TwRawA", "EURUSD", "BID", "-p", "BID=1.0842", "-r"});
  EXPECT_EQ(poke.Finish(), 0) << poke.process->Errors();
  EXPECT_EQ(LinesWith(poke.process->Output(), {" EURUSD BID 1.0842"}), 1);

  Watch unicode({"TwRawA", "EURUSD", "BID", "-f", "unicode"});
  EXPECT_EQ(unicode.Finish(), 0) << unicode.process->Errors();
  EXPECT_EQ(LinesWith(unicode.process->Output(), {" EURUSD BID 1.0842"}), 1);

  Watch execute({"TwRawA", "System", "-x", "[ok(1)]"});
  EXPECT_EQ(execute.Finish(), 0) << execute.process->Errors();

  Watch refused({"TwRawA", "System", "-x", "not a command"});
  EXPECT_EQ(refused.Finish(), 3);
  EXPECT_NE(refused.process->Errors().find("DMLERR_NOTPROCESSED"), std::string::npos)
      << refused.process->Errors();

  Watch unknown({"TwRawA", "EURUSD", "NOPE"});
  EXPECT_EQ(unknown.Finish(), 3);
  EXPECT_NE(unknown.process->Errors().find("request of NOPE failed (DMLERR_NOTPROCESSED)"),
            std::string::npos)
      << unknown.process->Errors();
}

TEST(WatchProcess, HotLinksPrintEveryUpdateUntilTheCount) {
  RawServer server("TwRawB", {"--symbols", "1", "--feed-on-advise", "5"});
  ASSERT_TRUE(server.answering());
  Watch advise({"TwRawB", "SYM0", "BID", "-a", "-n", "5", "-t", "20"});
  EXPECT_EQ(advise.Finish(), 0) << advise.process->Errors();
  std::string out = advise.process->Output();
  EXPECT_EQ(LinesWith(out, {" SYM0 BID "}), 5) << out;
  EXPECT_EQ(LinesWith(out, {" SYM0 BID 4"}), 1) << out;
}

TEST(WatchProcess, WarmLinksPrintChangesAndTheTimeBoundEndsAShortFeed) {
  RawServer server("TwRawC", {"--symbols", "1", "--feed-on-advise", "3"});
  ASSERT_TRUE(server.answering());
  Watch warm({"TwRawC", "SYM0", "ASK", "-w", "-n", "10", "-t", "3"});
  EXPECT_EQ(warm.Finish(), 4);
  EXPECT_EQ(LinesWith(warm.process->Output(), {" SYM0 ASK (changed)"}), 3);
  EXPECT_NE(warm.process->Errors().find("time bound passed after 3 of 10 updates"),
            std::string::npos)
      << warm.process->Errors();
}

TEST(WatchProcess, AbsentServiceAndBadCommandLinesExitWithTheirCodes) {
  Watch absent({"TwNobodyHere", "EURUSD", "BID"});
  EXPECT_EQ(absent.Finish(), 2);
  EXPECT_NE(absent.process->Errors().find("DMLERR_NO_CONV_ESTABLISHED"), std::string::npos)
      << absent.process->Errors();

  Watch usage({"OnlyService"});
  EXPECT_EQ(usage.Finish(), 1);
  EXPECT_NE(usage.process->Errors().find("SERVICE and TOPIC are required"), std::string::npos);

  Watch format({"S", "T", "I", "-f", "bitmap"});
  EXPECT_EQ(format.Finish(), 1);
}

TEST(WatchProcess, ListNamesWhatAWildConnectAnswers) {
  RawServer server("TwRawD");
  ASSERT_TRUE(server.answering());
  Watch list({"TwRawD", "*", "--list"});
  EXPECT_EQ(list.Finish(), 0) << list.process->Errors();
  // Every DDEML lists at least the first pair (Wine's lists no more).
  EXPECT_GE(LinesWith(list.process->Output(), {"TwRawD", "|System"}), 1) << list.process->Output();
}

}  // namespace
}  // namespace ddeml_test
