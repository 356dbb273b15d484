// MetaTrader 4's layout as the user sets it up under Wine: the Settings box opened from the
// toolbar, OK, then DDE pressed off and on, as the help says; with another program's DDE server
// (standing in for MetaTrader 4's own) already serving MT4 when Tickwell starts. Tickwell, that
// server and the clients each run in a process of their own.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/win32/control_ids.h"
#include "tests/e2e/process.h"
#include "tests/e2e/running_tickwell.h"

namespace {

namespace ids = tickwell::ids;
using e2e::Text;

const std::string kMt4Topics = "BID\tASK\tHIGH\tLOW\tTIME\tQUOTE\tSystem";
const std::string kKeptOff = "Another program already serves MT4 (MetaTrader 4?)";

class Mt4Settings : public e2e::RunningTickwell {
 protected:
  void SetUp() override {
    // The other server first, as MetaTrader 4 runs before Tickwell starts. It takes any topic and
    // answers BID, ASK, ... items with "topic.item".
    other_ =
        std::make_unique<e2e::Background>(e2e::BinFolder() + "tw-raw-server.exe",
                                          std::vector<std::string>{"MT4", "--life", "300"}, true);
    ASSERT_TRUE(other_->Started());
    ASSERT_TRUE(
        e2e::WaitUntil([&] { return other_->Output().find("ready") != std::string::npos; }, 20000))
        << other_->Output();
    RunningTickwell::SetUp();
  }
  void TearDown() override {
    RunningTickwell::TearDown();
    StopOther();
  }
  // MetaTrader 4 closed: its server ends as a program does.
  void StopOther() {
    if (!other_) return;
    e2e::Run(e2e::BinFolder() + "tickwell-watch.exe", {"MT4", "BID", "-x", "[quit]", "-t", "10"});
    DWORD code = 1;
    EXPECT_TRUE(other_->WaitForExit(10000, &code)) << other_->Output();
    other_.reset();
  }
  // A request in a conversation of its own, as a spreadsheet cell =SERVICE|TOPIC!ITEM makes it;
  // the value keeps its tabs.
  std::string Ask(const std::string& service, const std::string& topic, const std::string& item) {
    const e2e::RunResult r = WatchService(service, {topic, item});
    if (r.exit_code == 2) return "<no conversation>";
    if (r.exit_code != 0) return "<refused>";
    std::istringstream lines(r.output);
    std::string line, date, time, got_topic, got_item, value;
    std::getline(lines, line);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream fields(line);
    if (!(fields >> date >> time >> got_topic >> got_item)) return "<unreadable: " + line + ">";
    fields.get();  // the blank before the value
    std::getline(fields, value);
    return value;
  }
  std::string Status() { return Text(Item(ids::kStatusBar)); }
  // The Settings box as the toolbar opens it; null when it did not come.
  HWND OpenSettings() {
    PostMessageA(main_, WM_COMMAND, MAKEWPARAM(ids::kCmdSettings, 0), 0);
    HWND box = nullptr;
    e2e::WaitUntil(
        [&] {
          box = FindWindowA("#32770", "Tickwell settings");
          return box != nullptr && IsWindowVisible(box);
        },
        10000);
    return box;
  }
  // What the box says when it opens; closed with Cancel.
  std::string SettingsBoxSays() {
    HWND box = OpenSettings();
    if (!box) return "<no box>";
    const std::string said = Text(GetDlgItem(box, ids::kSettingsProblem));
    SendMessageA(GetDlgItem(box, IDCANCEL), BM_CLICK, 0, 0);
    EXPECT_TRUE(e2e::WaitUntil([&] { return !IsWindow(box); }, 10000));
    return said;
  }
  // The user's steps: the layout's switch and name given in the Settings box, OK.
  void Set(bool enabled, const std::string& name) {
    HWND box = OpenSettings();
    ASSERT_NE(box, nullptr) << "the Settings box did not open";
    HWND check = GetDlgItem(box, ids::kSettingsMt4Enabled);
    if ((SendMessageA(check, BM_GETCHECK, 0, 0) == BST_CHECKED) != enabled)
      SendMessageA(check, BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(box, ids::kSettingsMt4Service), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(name.c_str()));
    SendMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(e2e::WaitUntil([&] { return !IsWindow(box); }, 10000))
        << Text(GetDlgItem(box, ids::kSettingsProblem));
  }
  // DDE pressed off and on, each waited for.
  void PressDdeTwice() {
    SwitchOff();
    SwitchOn();
  }

  std::unique_ptr<e2e::Background> other_;
};

TEST_F(Mt4Settings, AnotherServerOfTheNameIsNeverHiddenAndEveryChangeAppliesAtTheNextSwitchOn) {
  SwitchOn();
  const e2e::RunResult fed = Feed({"EURUSD;1.1;1.2;1.15;1021974720;15"});
  ASSERT_EQ(fed.exit_code, 0u) << fed.output;
  // The other server keeps its clients; Tickwell says why its layout is off, and what to do.
  EXPECT_EQ(Ask("MT4", "BID", "BID"), "BID.BID");
  EXPECT_EQ(Ask("MT4", "BID", "EURUSD"), "<refused>") << "Tickwell answered as MT4";
  EXPECT_EQ(Ask("MT5", "EURUSD", "BID"), "1.1");
  const std::string told = Status();
  EXPECT_EQ(told.rfind(kKeptOff, 0), 0u) << told;
  EXPECT_NE(told.find("rename Tickwell's layout in Settings"), std::string::npos) << told;
  EXPECT_EQ(SettingsBoxSays(), told);

  // The remedy, step by step: another name in Settings, DDE off and on.
  Set(true, "MT4TW");
  EXPECT_EQ(Ask("MT4TW", "BID", "EURUSD"), "<no conversation>") << "applied before DDE was on";
  PressDdeTwice();
  EXPECT_EQ(Ask("MT4TW", "BID", "EURUSD"), "1.1");
  EXPECT_EQ(Ask("MT4TW", "System", "Topics"), kMt4Topics);
  EXPECT_EQ(Ask("MT4", "BID", "BID"), "BID.BID");
  EXPECT_EQ(Status(), "");
  EXPECT_EQ(SettingsBoxSays(), "");

  // Switched off in Settings: no MT4TW from the next switch on.
  Set(false, "MT4TW");
  EXPECT_EQ(Ask("MT4TW", "BID", "EURUSD"), "1.1") << "this session goes on as it was";
  PressDdeTwice();
  EXPECT_EQ(Ask("MT4TW", "BID", "EURUSD"), "<no conversation>");
  EXPECT_EQ(Ask("MT4TW", "System", "Topics"), "<no conversation>");

  // MetaTrader 4 closed, the layout back on as MT4: Tickwell's own from the next switch on.
  StopOther();
  Set(true, "MT4");
  PressDdeTwice();
  EXPECT_EQ(Ask("MT4", "BID", "EURUSD"), "1.1");
  EXPECT_EQ(Ask("MT4", "System", "Topics"), kMt4Topics);
  EXPECT_EQ(Status(), "");
}

}  // namespace
