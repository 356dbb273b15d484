// Tickwell started for a test and closed after it (or closed and started again within it), with
// what the tests do to it: clicks, lines from tickwell-feed.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/win32/control_ids.h"
#include "tests/e2e/process.h"

namespace e2e {

// WM_GETTEXT itself: GetWindowText on another process's window reads only the stored caption,
// not what the grid and the status bar answer.
inline std::string Text(HWND hwnd) {
  char buf[1024] = {};
  SendMessageA(hwnd, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
  return buf;
}

// Every value tickwell-watch printed ("date time topic item value"), as "topic/item value".
inline std::vector<std::string> Printed(const std::string& output) {
  std::vector<std::string> values;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream fields(line);
    std::string date, time, topic, item, value;
    if (fields >> date >> time >> topic >> item) {
      std::getline(fields >> std::ws, value);
      values.push_back(topic + "/" + item + " " + value);
    }
  }
  return values;
}

// The last value tickwell-watch printed for each "topic/item".
inline std::map<std::string, std::string> LastValues(const std::string& output) {
  std::map<std::string, std::string> last;
  for (const std::string& v : Printed(output)) {
    const auto blank = v.find(' ');
    last[v.substr(0, blank)] = v.substr(blank + 1);
  }
  return last;
}

class RunningTickwell : public ::testing::Test {
 protected:
  void SetUp() override { Start(); }
  void TearDown() override {
    if (main_) Stop();
  }
  // Starts Tickwell with DDE off, whatever an earlier start remembered, and waits until its
  // window is shown.
  void Start() {
    ASSERT_EQ(FindWindowA(tickwell::ids::kMainWindowClass, nullptr), nullptr)
        << "a Tickwell is already running";
    app_ = std::make_unique<e2e::Background>(e2e::BinFolder() + "tickwell.exe",
                                             std::vector<std::string>{"/dde", "off"});
    ASSERT_TRUE(app_->Started());
    // Ready when the window is shown: it is found as soon as it exists, while its children are
    // still being made, and is shown only once they and the grid's captions are there.
    DWORD code = 0;
    bool ended = false;
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
          main_ = FindWindowA(tickwell::ids::kMainWindowClass, "Tickwell");
          ended = app_->Ended(&code);
          return ended || (main_ != nullptr && IsWindowVisible(main_));
        },
        20000))
        << "Tickwell's window was not shown within 20 s";
    if (ended) main_ = nullptr;
    ASSERT_FALSE(ended) << "tickwell.exe ended at start with exit code " << code;
  }
  // Closes Tickwell's window as the user does and waits until the program has ended.
  void Stop() {
    PostMessageA(main_, WM_CLOSE, 0, 0);
    main_ = nullptr;
    DWORD code = 1;
    EXPECT_TRUE(app_->WaitForExit(10000, &code)) << "Tickwell did not close";
    EXPECT_EQ(code, 0u);
  }
  e2e::RunResult Feed(const std::vector<std::string>& lines) {
    std::vector<std::string> args = {"--timeout", "10000"};
    args.insert(args.end(), lines.begin(), lines.end());
    return e2e::Run(e2e::BinFolder() + "tickwell-feed.exe", args);
  }
  HWND Item(int id) const { return GetDlgItem(main_, id); }
  // tickwell-watch on the service MT5, or on another, bounded at 10 s.
  e2e::RunResult Watch(const std::vector<std::string>& args) { return WatchService("MT5", args); }
  e2e::RunResult WatchService(const std::string& service, const std::vector<std::string>& args) {
    std::vector<std::string> all = {service};
    all.insert(all.end(), args.begin(), args.end());
    all.insert(all.end(), {"-t", "10"});
    return e2e::Run(e2e::BinFolder() + "tickwell-watch.exe", all);
  }
  void ClickDde() { SendMessageA(Item(tickwell::ids::kDdeButton), BM_CLICK, 0, 0); }
  // Clicks "DDE" and waits until the service answers (on), or no longer answers (off).
  void SwitchOn() { SwitchDde(0, "the service did not answer after DDE was switched on"); }
  void SwitchOff() { SwitchDde(2, "the service still answers after DDE was switched off"); }

  std::unique_ptr<e2e::Background> app_;
  HWND main_ = nullptr;

 private:
  void SwitchDde(unsigned watch_exit, const char* failure) {
    ClickDde();
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return Watch({"System", "SysItems"}).exit_code == watch_exit; }, 20000))
        << failure;
  }
};

}  // namespace e2e
