// Tickwell as the user runs it: the real program, fed by tickwell-feed from another process, read
// back from its window.
#include <gtest/gtest.h>

#include <string>

#include "app/win32/control_ids.h"
#include "tests/e2e/process.h"

namespace {

namespace ids = tickwell::ids;

// WM_GETTEXT itself: GetWindowText on another process's window reads only the stored caption,
// not what the grid and the status bar answer.
std::string Text(HWND hwnd) {
  char buf[1024] = {};
  SendMessageA(hwnd, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
  return buf;
}

class RunningTickwell : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(FindWindowA(ids::kMainWindowClass, nullptr), nullptr)
        << "a Tickwell is already running";
    app_ = std::make_unique<e2e::Background>(e2e::BinFolder() + "tickwell.exe",
                                             std::vector<std::string>{});
    ASSERT_TRUE(app_->Started());
    // Ready when the window is there and its receiver answers the feed's handshake.
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return (main_ = FindWindowA(ids::kMainWindowClass, "Tickwell")) != nullptr; },
        20000));
  }
  void TearDown() override {
    if (main_) {
      PostMessageA(main_, WM_CLOSE, 0, 0);
      DWORD code = 1;
      EXPECT_TRUE(app_->WaitForExit(10000, &code)) << "Tickwell did not close";
      EXPECT_EQ(code, 0u);
    }
  }
  e2e::RunResult Feed(const std::vector<std::string>& lines) {
    std::vector<std::string> args = {"--timeout", "10000"};
    args.insert(args.end(), lines.begin(), lines.end());
    return e2e::Run(e2e::BinFolder() + "tickwell-feed.exe", args);
  }
  HWND Item(int id) const { return GetDlgItem(main_, id); }

  std::unique_ptr<e2e::Background> app_;
  HWND main_ = nullptr;
};

TEST_F(RunningTickwell, ShowsTheLayoutAtStart) {
  EXPECT_EQ(Text(main_), "Tickwell");
  RECT client;
  GetClientRect(main_, &client);
  EXPECT_EQ(client.right, 222);
  EXPECT_EQ(client.bottom, 201);
  EXPECT_EQ(Text(Item(ids::kDdeButton)), "DDE");
  EXPECT_EQ(Text(Item(ids::kLabel)), "");
  EXPECT_EQ(Text(Item(ids::kGrid)), "TIME\t\r\nBID\t\r\nASK\t\r\nLAST\t\r\nVOLUME\t");
}

TEST_F(RunningTickwell, AFedLineFillsLabelAndGrid) {
  auto fed = Feed({"EURUSD;1.08501;1.08503;1.08502;1700000000;15"});
  ASSERT_TRUE(fed.finished);
  EXPECT_EQ(fed.exit_code, 0u) << fed.output;
  EXPECT_EQ(Text(Item(ids::kLabel)), "EURUSD");
  EXPECT_EQ(Text(Item(ids::kGrid)),
            "TIME\t11/14/2023 10:13:20 "
            "PM\r\nBID\t1.08501\r\nASK\t1.08503\r\nLAST\t1.08502\r\nVOLUME\t15");
}

TEST_F(RunningTickwell, ABadLineIsReportedInTheStatusBarAndTheFeedGoesOn) {
  auto fed = Feed({"EURUSD;1;2;3;0;4", "GBPUSD;1.1;;1.2;1700000000;15;",
                   "USDJPY;150;151;150.5;1700000000123;3"});
  EXPECT_EQ(fed.exit_code, 0u) << fed.output;
  // The last line published its items, then failed on its millisecond time: label shows the
  // symbol, the grid keeps the first line's values.
  EXPECT_EQ(Text(Item(ids::kLabel)), "USDJPY");
  EXPECT_EQ(Text(Item(ids::kStatusBar)), "'1700000000123' is not a valid integer value");
  EXPECT_EQ(Text(Item(ids::kGrid)), "TIME\t1/1/1970\r\nBID\t1\r\nASK\t2\r\nLAST\t3\r\nVOLUME\t4");
  // The window still answers and takes the next good line.
  fed = Feed({"EURUSD;9;8;7;60;6"});
  EXPECT_EQ(Text(Item(ids::kGrid)),
            "TIME\t1/1/1970 12:01:00 AM\r\nBID\t9\r\nASK\t8\r\nLAST\t7\r\nVOLUME\t6");
}

TEST_F(RunningTickwell, TheDdeButtonCanBePressed) {
  HWND button = Item(ids::kDdeButton);
  ASSERT_NE(button, nullptr);
  SendMessageA(button, BM_CLICK, 0, 0);
  SendMessageA(button, BM_CLICK, 0, 0);
  EXPECT_TRUE(IsWindow(main_));
  auto fed = Feed({"EURUSD;1;2;3;0;4"});
  EXPECT_EQ(fed.exit_code, 0u) << fed.output;
}

TEST(TickwellFeed, SaysSoWhenNoReceiverAnswers) {
  ASSERT_EQ(FindWindowA(ids::kMainWindowClass, nullptr), nullptr);
  auto fed =
      e2e::Run(e2e::BinFolder() + "tickwell-feed.exe", {"--timeout", "300", "EURUSD;1;2;3;0;4"});
  ASSERT_TRUE(fed.finished);
  EXPECT_EQ(fed.exit_code, 2u);
  EXPECT_NE(fed.output.find("no Tickwell receiver answered within 300 ms"), std::string::npos)
      << fed.output;
}

TEST(TickwellFeed, RejectsBadArguments) {
  auto fed = e2e::Run(e2e::BinFolder() + "tickwell-feed.exe", {"--timeout", "soon"});
  EXPECT_EQ(fed.exit_code, 1u);
  EXPECT_NE(fed.output.find("--timeout needs a number of milliseconds"), std::string::npos)
      << fed.output;
}

}  // namespace
