// The real debug window: opened through the trace sink, filled by traces, driven by its buttons
// and by the system's own save dialog.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "dde/diagnostics/debug_form.h"
#include "dde/diagnostics/trace_test_fixture.h"
#include "platform/ini_file.h"

namespace tickwell {
namespace {

HWND Win(platform::Hwnd handle) { return reinterpret_cast<HWND>(handle); }

std::string TextOf(HWND window) {
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

struct Child {
  HWND window;
  std::string cls, text;
  RECT rect;  // in the parent's client coordinates
};

std::vector<Child> ChildrenOf(HWND parent) {
  std::vector<Child> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char cls[64] = "";
    GetClassNameA(child, cls, sizeof cls);
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    children.push_back({child, cls, TextOf(child), r});
  }
  return children;
}

HWND FindChild(HWND parent, const char* cls, const char* text = nullptr) {
  for (const Child& c : ChildrenOf(parent))
    if (lstrcmpiA(c.cls.c_str(), cls) == 0 && (!text || c.text == text)) return c.window;
  return nullptr;
}

class DebugWindowTest : public testing::TraceTestBase {
 protected:
  std::unique_ptr<TDDEMLDebugForm> MakeForm() {
    return std::make_unique<TDDEMLDebugForm>(platform::kNoWindow, false, Path("prog.DFP"));
  }
};

TEST_F(DebugWindowTest, OpensWithTheDesignedLayout) {
  ApplyDebugState(platform::kNoWindow, dbForm, true, "");
  ASSERT_NE(DebugForm(), nullptr);
  HWND window = Win(DebugForm()->Handle());
  ASSERT_TRUE(IsWindow(window));
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(TextOf(window), "TDDEMLManager Debug Display ");
  EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MAXIMIZEBOX));

  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 414);
  EXPECT_EQ(client.bottom, 271);
  RECT outer;
  GetWindowRect(window, &outer);
  EXPECT_NEAR((outer.left + outer.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
  EXPECT_NEAR((outer.top + outer.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

  HWND memo = FindChild(window, "Edit");
  ASSERT_NE(memo, nullptr);
  EXPECT_TRUE(GetWindowLongA(memo, GWL_STYLE) & ES_READONLY);
  EXPECT_TRUE(GetWindowLongA(memo, GWL_STYLE) & WS_VSCROLL);
  struct Expected {
    const char* text;
    int x;
  } buttons[] = {{"&Close", 20}, {"Cle&ar", 111}, {"&Print", 201}, {"&Save", 292}};
  for (const Expected& b : buttons) {
    bool found = false;
    for (const Child& c : ChildrenOf(window)) {
      if (c.text != b.text) continue;
      found = true;
      EXPECT_EQ(c.rect.left, b.x) << b.text;
      EXPECT_EQ(c.rect.top, 232) << b.text;
      EXPECT_EQ(c.rect.right - c.rect.left, 73) << b.text;
      EXPECT_EQ(c.rect.bottom - c.rect.top, 25) << b.text;
    }
    EXPECT_TRUE(found) << b.text;
  }
  for (const Child& c : ChildrenOf(window)) {
    if (c.window != memo) continue;
    EXPECT_EQ(c.rect.left, 16);
    EXPECT_EQ(c.rect.top, 16);
  }
}

TEST_F(DebugWindowTest, MemoShowsTheLatest501TraceLinesAndTheButtonsWork) {
  ApplyDebugState(platform::kNoWindow, dbForm, false, "");
  ASSERT_NE(DebugForm(), nullptr);
  HWND window = Win(DebugForm()->Handle());
  HWND memo = FindChild(window, "Edit");
  ASSERT_NE(memo, nullptr);
  std::string expected;
  for (int i = 1; i <= 502; ++i) {
    Trace("line ", i, ' ', i % 2 == 0);
    if (i > 1)
      expected += (expected.empty() ? "" : "\r\n") + std::string("line ") + std::to_string(i) +
                  (i % 2 == 0 ? " TRUE" : " FALSE");
  }
  EXPECT_EQ(TextOf(memo), expected);

  SendMessageA(FindChild(window, "Button", "&Close"), BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindowVisible(window));
  Trace("while hidden");
  EXPECT_TRUE(TextOf(memo).ends_with("\r\nwhile hidden"));
  ApplyDebugState(platform::kNoWindow, dbForm, false, "");
  EXPECT_EQ(Win(DebugForm()->Handle()), window);
  EXPECT_FALSE(IsWindowVisible(window)) << "an existing window is left as it is";

  SendMessageA(FindChild(window, "Button", "Cle&ar"), BM_CLICK, 0, 0);
  EXPECT_EQ(TextOf(memo), "");
  Trace("again");
  EXPECT_EQ(TextOf(memo), "again");
}

BOOL CALLBACK FindVisibleDialog(HWND window, LPARAM found) {
  char cls[16] = "";
  GetClassNameA(window, cls, sizeof cls);
  if (lstrcmpA(cls, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

// Fills in and confirms the save dialog that the window's thread is about to show.
void AnswerSaveDialog(DWORD gui_thread, const std::string& path, std::atomic<bool>& answered) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < deadline) {
    HWND dialog = nullptr;
    EnumThreadWindows(gui_thread, FindVisibleDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog) {
      HWND name = GetDlgItem(dialog, 0x47c);        // cmb13, the file name box
      if (!name) name = GetDlgItem(dialog, 0x480);  // edt1 in older layouts
      if (name) {
        SetWindowTextA(name, path.c_str());
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
        answered = true;
      } else {
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
      }
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

TEST_F(DebugWindowTest, SaveWritesTheLinesToTheFileChosenInTheDialog) {
  auto form = MakeForm();
  form->Show();
  form->AddLine("first line");
  form->AddLine("second line");
  HWND save = FindChild(Win(form->Handle()), "Button", "&Save");
  ASSERT_NE(save, nullptr);
  const std::string target = Path("saved.txt");
  std::atomic<bool> answered{false};
  std::thread helper(AnswerSaveDialog, GetCurrentThreadId(), target, std::ref(answered));
  SendMessageA(save, BM_CLICK, 0, 0);  // returns once the dialog is closed
  helper.join();
  ASSERT_TRUE(answered) << "no save dialog appeared";
  EXPECT_EQ(Read("saved.txt"), "first line\r\nsecond line\r\n");
}

TEST_F(DebugWindowTest, MovingTheWindowStoresItsPosition) {
  RECT stored{};
  {
    auto form = MakeForm();
    EXPECT_FALSE(platform::FileExists(Path("prog.DFP"))) << "opening alone writes nothing";
    HWND window = Win(form->Handle());
    SetWindowPos(window, nullptr, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetWindowRect(window, &stored);
  }
  const std::string dfp = Path("prog.DFP");
  EXPECT_EQ(platform::IniReadInteger(dfp, "Position", "Left", -1), 40);
  EXPECT_EQ(platform::IniReadInteger(dfp, "Position", "Top", -1), 50);
  EXPECT_EQ(platform::IniReadInteger(dfp, "Position", "Width", -1), stored.right - stored.left);
  EXPECT_EQ(platform::IniReadInteger(dfp, "Position", "Height", -1), stored.bottom - stored.top);

  auto reopened = MakeForm();
  RECT now;
  GetWindowRect(Win(reopened->Handle()), &now);
  EXPECT_EQ(now.left, 40);
  EXPECT_EQ(now.top, 50);
}

TEST_F(DebugWindowTest, MinimisingStoresTheRestoredPosition) {
  const std::string dfp = Path("prog.DFP");
  RECT placed{};
  {
    auto form = MakeForm();
    form->Show();
    HWND window = Win(form->Handle());
    SetWindowPos(window, nullptr, 60, 70, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetWindowRect(window, &placed);
    SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);  // as the caption's button does
    ASSERT_TRUE(IsIconic(window));
    EXPECT_TRUE(form->Minimized());
    EXPECT_EQ(platform::IniReadInteger(dfp, "Position", "Left", -1), 60);
    EXPECT_EQ(platform::IniReadInteger(dfp, "Position", "Top", -1), 70);
    EXPECT_EQ(platform::IniReadInteger(dfp, "Position", "Width", -1), placed.right - placed.left);
    EXPECT_EQ(platform::IniReadInteger(dfp, "Position", "Height", -1), placed.bottom - placed.top);
    form->Restore();
    EXPECT_FALSE(IsIconic(window));
  }
  auto reopened = MakeForm();
  RECT now;
  GetWindowRect(Win(reopened->Handle()), &now);
  EXPECT_EQ(now.left, 60);
  EXPECT_EQ(now.top, 70);
  EXPECT_EQ(now.right - now.left, placed.right - placed.left);
}

TEST_F(DebugWindowTest, WindowGoesWithItsOwner) {
  HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  ApplyDebugState(reinterpret_cast<platform::Hwnd>(owner), dbForm, true, "");
  ASSERT_NE(DebugForm(), nullptr);
  HWND window = Win(DebugForm()->Handle());
  EXPECT_EQ(GetWindow(window, GW_OWNER), owner);
  DestroyWindow(owner);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_NO_THROW(Trace("after the owner"));
  EXPECT_EQ(DebugForm(), nullptr);
  EXPECT_TRUE(reports_.empty());
}

TEST_F(DebugWindowTest, SystemMenuCloseOnlyHides) {
  auto form = MakeForm();
  form->Show();
  HWND window = Win(form->Handle());
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_FALSE(IsWindowVisible(window));
}

}  // namespace
}  // namespace tickwell
