// When Tickwell's DDE ends (its window closed, its DDE switched off) its clients are told and can
// link again once it is back; and only one Tickwell runs at a time. Tickwell, tickwell-feed and
// tickwell-watch in processes of their own, and a client of the test's own that keeps its DDE
// instance across Tickwell's restart.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/win32/control_ids.h"
#include "platform/clipboard_format.h"
#include "platform/ddeml.h"
#include "tests/e2e/process.h"
#include "tests/e2e/running_tickwell.h"

namespace {

namespace ids = tickwell::ids;
using e2e::Text;

class WineEnds : public e2e::RunningTickwell {
 protected:
  // A watcher holding hot links on EURUSD, once it has been sent a value.
  std::unique_ptr<e2e::Background> StartWatcher() {
    auto watcher = std::make_unique<e2e::Background>(
        e2e::BinFolder() + "tickwell-watch.exe",
        std::vector<std::string>{"MT5", "EURUSD", "BID", "QUOTE", "-a", "-t", "120"}, true);
    int n = 0;
    const bool linked = e2e::WaitUntil(
        [&] {
          const std::string bid = "0.5" + std::to_string(++n);
          Feed({"EURUSD;" + bid + ";1;1;0;1"});
          return e2e::WaitUntil(
              [&] { return watcher->Output().find(" BID " + bid) != std::string::npos; }, 500);
        },
        20000);
    EXPECT_TRUE(linked) << "the watcher got no value: " << watcher->Output();
    return watcher;
  }
  // The watcher ends by itself, soon, and says why.
  void ExpectToldOfTheEnd(e2e::Background& watcher, const char* how) {
    DWORD code = 0;
    ASSERT_TRUE(watcher.WaitForExit(10000, &code))
        << "after " << how << " the watcher still runs:\n"
        << watcher.Output();
    EXPECT_EQ(code, 2u) << how << ":\n" << watcher.Output();
    // Its last words may still be on their way through the pipe when its end is seen.
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
          return watcher.Output().find("the server ended the conversation") != std::string::npos;
        },
        5000))
        << how << ":\n"
        << watcher.Output();
  }
};

TEST_F(WineEnds, AWatcherIsToldWhenDdeIsSwitchedOffOrTickwellClosesAndANewOneReadsTheNextQuote) {
  SwitchOn();
  auto first = StartWatcher();
  ClickDde();
  ExpectToldOfTheEnd(*first, "switching DDE off");

  SwitchOn();
  auto second = StartWatcher();
  Stop();
  ExpectToldOfTheEnd(*second, "closing Tickwell");

  Start();
  SwitchOn();
  ASSERT_EQ(Feed({"EURUSD;2.5;2.75;2.5;1700000000;3"}).exit_code, 0u);
  const auto read = Watch({"EURUSD", "BID"});
  EXPECT_EQ(read.exit_code, 0u) << read.output;
  EXPECT_NE(read.output.find("EURUSD BID 2.5"), std::string::npos) << read.output;
}

// A client that keeps one DDE instance, as a spreadsheet does: a Wine client that still holds
// the ended conversation refuses a new one on the same names.
class OwnClient {
 public:
  OwnClient() {
    platform::DdeInitialize(
        instance_,
        [this](unsigned type, unsigned, platform::Hconv conv, platform::Hsz, platform::Hsz,
               platform::HddeData data, std::uintptr_t, std::uintptr_t) -> platform::HddeData {
          if (type == platform::kXtypDisconnect && conv == conv_) ++disconnects_;
          if (type == platform::kXtypAdvData) {
            last_ = Bytes(data);
            return platform::kDdeFAck;
          }
          return 0;
        },
        platform::kAppCmdClientOnly);
  }
  ~OwnClient() {
    if (conv_) platform::DdeDisconnect(conv_);
    if (instance_) platform::DdeUninitialize(instance_);
  }
  bool Connect() {
    conv_ = platform::DdeConnect(instance_, Name("MT5"), Name("EURUSD"));
    return conv_ != 0;
  }
  bool Link() { return Transact(platform::kXtypAdvStart) != 0; }
  std::string Request() {
    platform::HddeData data = Transact(platform::kXtypRequest);
    std::string text = Bytes(data);
    if (data) platform::DdeFreeDataHandle(data);
    return text;
  }
  int disconnects() const { return disconnects_; }
  const std::string& last() const { return last_; }

 private:
  platform::Hsz Name(const char* text) { return platform::DdeCreateStringHandle(instance_, text); }
  platform::HddeData Transact(unsigned type) {
    std::uint32_t status = 0;
    return platform::DdeClientTransaction(nullptr, 0, conv_, Name("BID"), platform::kCfText, type,
                                          5000, &status);
  }
  static std::string Bytes(platform::HddeData data) {
    std::vector<std::uint8_t> bytes = platform::DdeDataBytes(data);
    std::string text(bytes.begin(), bytes.end());
    return text.substr(0, text.find('\0'));
  }
  platform::DdeInstance instance_ = 0;
  platform::Hconv conv_ = 0;
  int disconnects_ = 0;
  std::string last_;
};

TEST_F(WineEnds, AClientKeepingItsInstanceIsToldOnceAndConnectsAgainAfterARestart) {
  SwitchOn();
  ASSERT_EQ(Feed({"EURUSD;1.25;1.5;1.25;1700000000;1"}).exit_code, 0u);
  OwnClient client;
  ASSERT_TRUE(client.Connect());
  ASSERT_TRUE(client.Link());
  EXPECT_EQ(client.Request(), "1.25");
  ASSERT_EQ(Feed({"EURUSD;1.75;2;1.75;1700000000;2"}).exit_code, 0u);
  EXPECT_TRUE(e2e::WaitUntil([&] { return client.last() == "1.75"; }, 10000)) << client.last();

  Stop();
  EXPECT_TRUE(e2e::WaitUntil([&] { return client.disconnects() > 0; }, 10000))
      << "the client was not told that Tickwell closed";
  Start();
  SwitchOn();
  ASSERT_EQ(Feed({"EURUSD;3.25;3.5;3.25;1700000000;3"}).exit_code, 0u);
  ASSERT_TRUE(client.Connect()) << "the same names were refused after the restart";
  ASSERT_TRUE(client.Link());
  EXPECT_EQ(client.Request(), "3.25");
  ASSERT_EQ(Feed({"EURUSD;3.75;4;3.75;1700000000;4"}).exit_code, 0u);
  EXPECT_TRUE(e2e::WaitUntil([&] { return client.last() == "3.75"; }, 10000)) << client.last();
  EXPECT_EQ(client.disconnects(), 1);
}

BOOL CALLBACK CountMainWindow(HWND hwnd, LPARAM found) {
  char name[64] = "";
  GetClassNameA(hwnd, name, sizeof name);
  if (std::string(name) == ids::kMainWindowClass) ++*reinterpret_cast<int*>(found);
  return TRUE;
}

int MainWindows() {
  int count = 0;
  EnumWindows(CountMainWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

TEST_F(WineEnds, ASecondTickwellBringsTheFirstToTheFrontAndEndsWhileTheFeedGoesOn) {
  SwitchOn();
  PostMessageA(main_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  ASSERT_TRUE(e2e::WaitUntil([&] { return IsIconic(main_) != FALSE; }, 10000));

  const auto second = e2e::Run(e2e::BinFolder() + "tickwell.exe", {}, 15000);
  ASSERT_TRUE(second.finished) << "the second Tickwell did not end";
  EXPECT_EQ(second.exit_code, 0u);
  EXPECT_TRUE(e2e::WaitUntil([&] { return !IsIconic(main_); }, 10000))
      << "the running Tickwell was not brought back";
  EXPECT_EQ(MainWindows(), 1);

  ASSERT_EQ(Feed({"GBPUSD;1.27;1.28;1.275;1700000000;5"}).exit_code, 0u);
  EXPECT_TRUE(e2e::WaitUntil([&] { return Text(Item(ids::kLabel)) == "GBPUSD"; }, 10000))
      << Text(Item(ids::kLabel));
  const auto read = Watch({"GBPUSD", "ASK"});
  EXPECT_EQ(read.exit_code, 0u) << read.output;
  EXPECT_NE(read.output.find("GBPUSD ASK 1.28"), std::string::npos) << read.output;
}

}  // namespace
