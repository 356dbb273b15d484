// TickwellFeed.dll loaded the way a trading terminal loads it (LoadLibrary, functions found by
// their plain names), feeding the real Tickwell in another process.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/win32/control_ids.h"
#include "feed/tickwell_feed.h"
#include "interapp/inter_app.h"
#include "tests/e2e/process.h"
#include "tests/e2e/running_tickwell.h"

namespace {

namespace ids = tickwell::ids;
using e2e::Text;

class FeedDll {
 public:
  FeedDll() : module_(LoadLibraryA((e2e::BinFolder() + "TickwellFeed.dll").c_str())) {
    if (!module_) return;
    Find(Open, "TwfOpen");
    Find(SendQuote, "TwfSendQuote");
    Find(SendQuoteEx, "TwfSendQuoteEx");
    Find(SendLine, "TwfSendLine");
    Find(Close, "TwfClose");
    Find(SetTerminal, "TwfSetTerminal");
  }
  ~FeedDll() { Unload(); }
  FeedDll(const FeedDll&) = delete;
  FeedDll& operator=(const FeedDll&) = delete;

  bool Loaded() const {
    return module_ && Open && SendQuote && SendQuoteEx && SendLine && Close && SetTerminal;
  }
  void Unload() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
  }
  int Quote(const wchar_t* symbol, const wchar_t* bid) {
    return SendQuote(symbol, bid, L"2", L"3", L"60", L"4");
  }

  decltype(&TwfOpen) Open = nullptr;
  decltype(&TwfSendQuote) SendQuote = nullptr;
  decltype(&TwfSendQuoteEx) SendQuoteEx = nullptr;
  decltype(&TwfSendLine) SendLine = nullptr;
  decltype(&TwfClose) Close = nullptr;
  decltype(&TwfSetTerminal) SetTerminal = nullptr;

 private:
  template <typename F>
  void Find(F& function, const char* name) {
    function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }
  HMODULE module_;
};

// The feed's own window, which lives while the feed is open.
HWND FeedWindow() { return FindWindowExA(HWND_MESSAGE, nullptr, "TickwellQuoteSender", nullptr); }

class FeedDllToTickwell : public e2e::RunningTickwell {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dll_.Loaded()) << "TickwellFeed.dll or one of its functions was not found";
    RunningTickwell::SetUp();
  }
  void TearDown() override {
    dll_.Close();
    RunningTickwell::TearDown();
  }
  std::string Grid() { return Text(Item(ids::kGrid)); }

  FeedDll dll_;
};

TEST_F(FeedDllToTickwell, QuotesAndLinesArriveAsSent) {
  ASSERT_EQ(dll_.Open(10000), TWF_OK);
  EXPECT_EQ(dll_.SendQuote(L"EURUSD", L"1.08501", L"1.08503", L"1.08502", L"1700000000", L"15"),
            TWF_OK);
  EXPECT_EQ(Text(Item(ids::kLabel)), "EURUSD");
  EXPECT_EQ(Grid(),
            "TIME\t11/14/2023 10:13:20 "
            "PM\r\nBID\t1.08501\r\nASK\t1.08503\r\nLAST\t1.08502\r\nVOLUME\t15");
  // UTF-16 in, the ANSI code page (Western under this Wine) out.
  EXPECT_EQ(dll_.Quote(L"DAX\u20ac", L"1"), TWF_OK);
  EXPECT_EQ(Text(Item(ids::kLabel)), "DAX\x80");
  EXPECT_EQ(dll_.SendLine(L"GBPUSD;1.1;;1.2;1700000000;15;"), TWF_OK);  // as it is
  EXPECT_EQ(Text(Item(ids::kStatusBar)),
            "1 line refused - the ask price is missing: GBPUSD;1.1;;1.2;1700000000;15;");

  // A call from another thread than the opener's still reaches Tickwell.
  int from_thread = -1;
  std::thread([&] { from_thread = dll_.Quote(L"USDJPY", L"150"); }).join();
  EXPECT_EQ(from_thread, TWF_OK);
  EXPECT_EQ(Text(Item(ids::kLabel)), "USDJPY");
  EXPECT_EQ(dll_.Quote(L"EURUSD", L"9"), TWF_OK);
  EXPECT_EQ(Grid(), "TIME\t1/1/1970 12:01:00 AM\r\nBID\t9\r\nASK\t2\r\nLAST\t3\r\nVOLUME\t4");

  // With the day's high and low after the volume, and with neither.
  EXPECT_EQ(dll_.SendQuoteEx(L"GBPUSD", L"1.25", L"1.26", L"0", L"60", L"7", L"1.27", L"1.24"),
            TWF_OK);
  EXPECT_EQ(Text(Item(ids::kLabel)), "GBPUSD");
  EXPECT_EQ(Grid(), "TIME\t1/1/1970 12:01:00 AM\r\nBID\t1.25\r\nASK\t1.26\r\nLAST\t0\r\nVOLUME\t7");
  EXPECT_EQ(dll_.SendQuoteEx(L"EURUSD", L"8", L"2", L"3", L"60", L"4", nullptr, L""), TWF_OK);
  EXPECT_EQ(Text(Item(ids::kLabel)), "EURUSD");
  // A high without a low is refused and nothing is sent.
  EXPECT_EQ(dll_.SendQuoteEx(L"USDJPY", L"1", L"2", L"3", L"60", L"4", L"5", nullptr),
            TWF_BAD_ARGUMENT);
  EXPECT_EQ(Text(Item(ids::kLabel)), "EURUSD");
}

TEST_F(FeedDllToTickwell, WhatWouldArriveWrongIsRefusedWithItsCodeAndNothingIsSent) {
  ASSERT_EQ(dll_.Open(10000), TWF_OK);
  // The longest line there may be arrives whole; one character more is refused, not cut.
  const std::wstring head = L"EURUSD;1;2;3;60;";
  const std::wstring longest = head + std::wstring(255 - head.size(), L'7');
  ASSERT_EQ(dll_.SendLine(longest.c_str()), TWF_OK);
  const std::string shown = Grid();
  EXPECT_NE(shown.find("VOLUME\t" + std::string(255 - head.size(), '7')), std::string::npos)
      << shown;
  const std::wstring symbol(250, L'S');
  EXPECT_EQ(dll_.SendLine((longest + L"7").c_str()), TWF_TOO_LONG);
  EXPECT_EQ(dll_.SendQuote(symbol.c_str(), L"1", L"2", L"3", L"60", L"4"), TWF_TOO_LONG);
  EXPECT_EQ(dll_.Quote(L"EUR;USD", L"1"), TWF_BAD_ARGUMENT);
  EXPECT_EQ(dll_.Quote(L"EURUSD", L""), TWF_BAD_ARGUMENT);
  EXPECT_EQ(dll_.Quote(nullptr, L"1"), TWF_BAD_ARGUMENT);
  EXPECT_EQ(dll_.SendLine(nullptr), TWF_BAD_ARGUMENT);
  EXPECT_EQ(dll_.Quote(L"\u0416", L"1"), TWF_BAD_TEXT);  // no Cyrillic in a Western code page
  EXPECT_EQ(Grid(), shown);
  EXPECT_EQ(Text(Item(ids::kLabel)), "EURUSD");
}

TEST_F(FeedDllToTickwell, TickwellClosedAndStartedAgainIsFoundAgain) {
  ASSERT_EQ(dll_.Open(10000), TWF_OK);
  ASSERT_EQ(dll_.Quote(L"EURUSD", L"1"), TWF_OK);
  Stop();
  EXPECT_EQ(dll_.Quote(L"EURUSD", L"5"), TWF_NO_RECEIVER);
  ASSERT_NO_FATAL_FAILURE(Start());
  // The first send after the start finds the new receiver itself.
  EXPECT_EQ(dll_.Quote(L"EURUSD", L"6"), TWF_OK);
  EXPECT_EQ(Grid(), "TIME\t1/1/1970 12:01:00 AM\r\nBID\t6\r\nASK\t2\r\nLAST\t3\r\nVOLUME\t4");
}

TEST(FeedDll, CallsOutOfTurnAreRefusedAndUnloadingLeavesNothingBehind) {
  ASSERT_EQ(FindWindowA(ids::kMainWindowClass, nullptr), nullptr) << "a Tickwell is running";
  auto dll = std::make_unique<FeedDll>();
  ASSERT_TRUE(dll->Loaded());
  EXPECT_EQ(dll->Quote(L"EURUSD", L"1"), TWF_NOT_OPEN);
  EXPECT_EQ(dll->Close(), TWF_NOT_OPEN);
  EXPECT_EQ(dll->Open(-1), TWF_BAD_ARGUMENT);
  EXPECT_EQ(dll->Open(60001), TWF_BAD_ARGUMENT);
  EXPECT_EQ(FeedWindow(), nullptr);
  // Nobody answers: open all the same, and every send says so.
  EXPECT_EQ(dll->Open(200), TWF_NO_RECEIVER);
  EXPECT_NE(FeedWindow(), nullptr);
  EXPECT_EQ(dll->Quote(L"EURUSD", L"1"), TWF_NO_RECEIVER);
  EXPECT_EQ(dll->Close(), TWF_OK);
  EXPECT_EQ(FeedWindow(), nullptr);
  EXPECT_EQ(dll->Close(), TWF_NOT_OPEN);
  // A host that unloads the library without closing it first.
  EXPECT_EQ(dll->Open(0), TWF_NO_RECEIVER);
  dll->Unload();
  EXPECT_EQ(FeedWindow(), nullptr);
  dll = std::make_unique<FeedDll>();
  ASSERT_TRUE(dll->Loaded());
  EXPECT_EQ(dll->Open(0), TWF_NO_RECEIVER);
  EXPECT_EQ(dll->Close(), TWF_OK);
}

TEST(FeedDll, AHungReceiverCostsASendNoMoreThanItsBound) {
  ASSERT_EQ(FindWindowA(ids::kMainWindowClass, nullptr), nullptr) << "a Tickwell is running";
  FeedDll dll;
  ASSERT_TRUE(dll.Loaded());
  e2e::Background peer(e2e::BinFolder() + "interapp-peer.exe", {"0", "hang", "20000"}, true);
  ASSERT_TRUE(peer.Started());
  ASSERT_TRUE(e2e::WaitUntil([&] { return dll.Open(0) == TWF_OK; }, 20000))
      << "the peer never answered: " << peer.Output();
  for (int i = 0; i < 2; ++i) {
    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(dll.Quote(L"EURUSD", L"1"), TWF_TIMED_OUT) << "send " << i;
    // The bound is one second; this only says the call came back, not how fast.
    EXPECT_LT(GetTickCount64() - start, 8000u) << "send " << i;
  }
  EXPECT_TRUE(e2e::WaitUntil([&] { return peer.Output() == "hanging\n" ||
                                          peer.Output() == "hanging\r\n"; },
                             5000))
      << "the line did not reach the peer: " << peer.Output();
  EXPECT_EQ(dll.Close(), TWF_OK);
}

// What a receiver in this process was handed: raw bytes as "data ...", lines as they are.
struct Heard {
  std::vector<std::string> log;
  explicit Heard(tickwell::TInterAppReceiver& r) {
    r.OnReceiveString = [this](tickwell::TInterAppReceiver&, platform::Hwnd, const std::string& t) {
      log.push_back(t);
    };
    r.OnReceiveData = [this](tickwell::TInterAppReceiver&, platform::Hwnd, const void* d,
                             std::uint32_t n) {
      log.push_back("data " + std::string(static_cast<const char*>(d), n));
    };
  }
};
using Log = std::vector<std::string>;

TEST(FeedDll, TheTerminalLabelGoesBeforeTheFirstLineOfEveryConnection) {
  ASSERT_EQ(FindWindowA(ids::kMainWindowClass, nullptr), nullptr) << "a Tickwell is running";
  FeedDll dll;
  ASSERT_TRUE(dll.Loaded());
  EXPECT_EQ(dll.SetTerminal(nullptr), TWF_BAD_ARGUMENT);
  EXPECT_EQ(dll.SetTerminal(L"icm"), TWF_NOT_OPEN);
  {
    tickwell::TInterAppReceiver first;
    Heard heard(first);
    ASSERT_EQ(dll.Open(2000), TWF_OK);
    EXPECT_EQ(dll.SetTerminal(nullptr), TWF_BAD_ARGUMENT);
    // Named while connected: at once, made safe (one "_" for each character outside ASCII).
    EXPECT_EQ(dll.SetTerminal(L"ICM Live-1 \u00e9\U0001F600"), TWF_OK);
    EXPECT_EQ(dll.Quote(L"EURUSD", L"1"), TWF_OK);
    EXPECT_EQ(heard.log, (Log{"data Tickwell.Terminal:ICM_Live_1___", "EURUSD;1;2;3;60;4"}));
    // A label too long is cut.
    EXPECT_EQ(dll.SetTerminal(std::wstring(100, L'x').c_str()), TWF_OK);
    EXPECT_EQ(heard.log.back(), "data Tickwell.Terminal:" + std::string(64, 'x'));
    EXPECT_EQ(dll.SetTerminal(L"pepper"), TWF_OK);
    EXPECT_EQ(heard.log, (Log{"data Tickwell.Terminal:ICM_Live_1___", "EURUSD;1;2;3;60;4",
                              "data Tickwell.Terminal:" + std::string(64, 'x'),
                              "data Tickwell.Terminal:pepper"}));
  }
  // Tickwell closed and started again: the send that finds it names the terminal first.
  EXPECT_EQ(dll.Quote(L"EURUSD", L"2"), TWF_NO_RECEIVER);
  tickwell::TInterAppReceiver second;
  Heard heard(second);
  EXPECT_EQ(dll.Quote(L"EURUSD", L"3"), TWF_OK);
  EXPECT_EQ(dll.Quote(L"EURUSD", L"4"), TWF_OK);
  // A call from another thread moves the feed to a new window, a new connection: the label
  // goes first there too, and again when the feed comes back. This thread takes the messages
  // meanwhile.
  std::atomic<int> from_thread = -1;
  std::thread moved([&] { from_thread = dll.Quote(L"USDJPY", L"150"); });
  EXPECT_TRUE(e2e::WaitUntil([&] { return from_thread != -1; }, 10000));
  moved.join();
  EXPECT_EQ(from_thread, TWF_OK);
  EXPECT_EQ(dll.Quote(L"EURUSD", L"5"), TWF_OK);
  EXPECT_EQ(heard.log,
            (Log{"data Tickwell.Terminal:pepper", "EURUSD;3;2;3;60;4", "EURUSD;4;2;3;60;4",
                 "data Tickwell.Terminal:pepper", "USDJPY;150;2;3;60;4",
                 "data Tickwell.Terminal:pepper", "EURUSD;5;2;3;60;4"}));
  // Cleared: the default terminal again, told at once.
  EXPECT_EQ(dll.SetTerminal(L""), TWF_OK);
  EXPECT_EQ(heard.log.back(), "data Tickwell.Terminal:");
  // Opening again while open looks anew: a new connection, named at once.
  EXPECT_EQ(dll.SetTerminal(L"pepper"), TWF_OK);
  heard.log.clear();
  ASSERT_EQ(dll.Open(2000), TWF_OK);
  EXPECT_EQ(heard.log, Log{"data Tickwell.Terminal:pepper"});
  // Closing forgets the label: opened again, only lines go.
  EXPECT_EQ(dll.Close(), TWF_OK);
  EXPECT_EQ(dll.SetTerminal(L"pepper"), TWF_NOT_OPEN);
  heard.log.clear();
  ASSERT_EQ(dll.Open(2000), TWF_OK);
  EXPECT_EQ(dll.Quote(L"EURUSD", L"6"), TWF_OK);
  EXPECT_EQ(heard.log, Log{"EURUSD;6;2;3;60;4"});
  EXPECT_EQ(dll.Close(), TWF_OK);
}

TEST(FeedDll, AHungReceiverCostsTheLabelNoMoreThanItsBound) {
  ASSERT_EQ(FindWindowA(ids::kMainWindowClass, nullptr), nullptr) << "a Tickwell is running";
  FeedDll dll;
  ASSERT_TRUE(dll.Loaded());
  e2e::Background peer(e2e::BinFolder() + "interapp-peer.exe", {"0", "hang", "20000"}, true);
  ASSERT_TRUE(peer.Started());
  ASSERT_TRUE(e2e::WaitUntil([&] { return dll.Open(0) == TWF_OK; }, 20000))
      << "the peer never answered: " << peer.Output();
  ULONGLONG start = GetTickCount64();
  EXPECT_EQ(dll.SetTerminal(L"icm"), TWF_TIMED_OUT);
  EXPECT_LT(GetTickCount64() - start, 8000u);
  // Not taken: it is tried again before the line, which waits for it no longer than a line.
  start = GetTickCount64();
  EXPECT_EQ(dll.Quote(L"EURUSD", L"1"), TWF_TIMED_OUT);
  EXPECT_LT(GetTickCount64() - start, 8000u);
  EXPECT_TRUE(e2e::WaitUntil(
      [&] { return peer.Output() == "hanging\n" || peer.Output() == "hanging\r\n"; }, 5000))
      << "the label did not reach the peer: " << peer.Output();
  EXPECT_EQ(dll.Close(), TWF_OK);
}

}  // namespace
