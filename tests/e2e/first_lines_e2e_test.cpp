// Lines that come while Tickwell starts. The terminal's component sends as soon as it finds the
// receiver, which answers before the DDE server has named its services; a client that already
// runs (a spreadsheet, an RTD server) makes naming them wait on it, and the lines come then.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/win32/control_ids.h"
#include "feed/quote_sender.h"
#include "tests/e2e/bare_client.h"
#include "tests/e2e/process.h"

namespace {

using tickwell::feed::TQuoteSender;
using tickwell::feed::TSendResult;

const char* const kSymbols[] = {"EURUSD", "GBPUSD", "USDJPY", "XAUUSD"};

std::string Line(const std::string& symbol, int n) {
  return symbol + ";1.0" + std::to_string(n) + ";1.1" + std::to_string(n) + ";1.05;" +
         std::to_string(1700000000 + n) + ";" + std::to_string(n);
}

// As the terminal's component sends: a line Tickwell did not take within the sender's bound
// (a loaded machine, a program still making its window) is sent again, not counted as sent.
TSendResult Send(TQuoteSender& sender, const std::string& line) {
  TSendResult result = sender.SendLine(line);
  const DWORD start = GetTickCount();
  while (result == TSendResult::kTimedOut && GetTickCount() - start < 20000)
    result = sender.SendLine(line);
  return result;
}

bool Listed(const std::string& topics, const std::string& symbol) {
  return ("\t" + topics + "\t").find("\t" + symbol + "\t") != std::string::npos;
}

TEST(StartAndSend, FirstLinesSentTheMomentTheReceiverAnswersAreServedAndSoAreTheNext) {
  e2e::BareClient client;
  TQuoteSender sender;
  ASSERT_TRUE(sender.Ready());
  e2e::Background app(e2e::BinFolder() + "tickwell.exe", {"/dde", "on"});
  ASSERT_TRUE(app.Started());
  // The handshake is repeated until the receiver answers; the lines go at once.
  ASSERT_TRUE(sender.FindReceiver(20000)) << "Tickwell's receiver did not answer within 20 s";
  for (const char* symbol : kSymbols)
    ASSERT_EQ(Send(sender, Line(symbol, 1)), TSendResult::kSent) << symbol;

  // DDE is on before the window is shown. Waiting for it rather than for the service: under
  // Wine each connect that finds no server leaves a window behind in this process, and
  // thousands of them slow every broadcast of the later runs of a loop.
  HWND main = nullptr;
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        main = FindWindowA(tickwell::ids::kMainWindowClass, "Tickwell");
        return main != nullptr && IsWindowVisible(main);
      },
      20000))
      << "Tickwell's window was not shown within 20 s";
  const std::string topics = client.Ask("MT5", "System", "Topics");
  for (const char* symbol : kSymbols)
    EXPECT_TRUE(Listed(topics, symbol)) << symbol << " is not in System!Topics: " << topics;
  for (const char* symbol : kSymbols) {
    EXPECT_EQ(client.Ask("MT5", symbol, "QUOTE"), Line(symbol, 1)) << symbol;
    EXPECT_EQ(client.Ask("MT5", symbol, "BID"), "1.01") << symbol;
    EXPECT_EQ(client.Ask("MT4", "ASK", symbol), "1.11") << symbol;
  }
  // The symbols' later lines are served too.
  for (const char* symbol : kSymbols)
    ASSERT_EQ(Send(sender, Line(symbol, 2)), TSendResult::kSent) << symbol;
  for (const char* symbol : kSymbols) {
    EXPECT_EQ(client.Ask("MT5", symbol, "QUOTE"), Line(symbol, 2)) << symbol;
    EXPECT_EQ(client.Ask("MT4", "BID", symbol), "1.02") << symbol;
  }

  PostMessageA(main, WM_CLOSE, 0, 0);
  DWORD code = 1;
  EXPECT_TRUE(app.WaitForExit(10000, &code)) << "Tickwell did not close";
  EXPECT_EQ(code, 0u);
}

}  // namespace
