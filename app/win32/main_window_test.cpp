// The real main window in this process: when it shows itself, the font it and its children draw
// with, and whether every cell of the grid fits its column.
#include "app/win32/main_window.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/win32/control_ids.h"

namespace tickwell {
namespace {

namespace ids = tickwell::ids;

HWND Item(HWND main, int id) { return GetDlgItem(main, id); }

// A closed main window ends the program's message loop with WM_QUIT; here the loop is the test
// program's, which goes on.
void ForgetQuit() {
  MSG m;
  while (PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

HFONT FontOf(HWND window) {
  return reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
}

// What the grid held each time the main window was shown or the grid painted, seen through a
// hook on the messages this thread's windows are sent.
struct Observed {
  const TMainForm* form = nullptr;
  std::vector<std::string> at_show, at_paint;
};
Observed* observed = nullptr;

bool HasClass(HWND window, const char* cls) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return lstrcmpA(name, cls) == 0;
}

LRESULT CALLBACK WatchSentMessages(int code, WPARAM w, LPARAM l) {
  const auto* sent = reinterpret_cast<const CWPSTRUCT*>(l);
  if (code == HC_ACTION && observed && observed->form) {
    if (sent->message == WM_SHOWWINDOW && sent->wParam &&
        HasClass(sent->hwnd, ids::kMainWindowClass))
      observed->at_show.push_back(observed->form->Cell(0, 0));
    if (sent->message == WM_PAINT && HasClass(sent->hwnd, ids::kGridClass))
      observed->at_paint.push_back(observed->form->Cell(0, 0));
  }
  return CallNextHookEx(nullptr, code, w, l);
}

TEST(MainWindow, IsShownOnlyOnceTheGridHasItsCaptions) {
  Observed seen;
  TMainForm form;
  seen.form = &form;
  observed = &seen;
  HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, WatchSentMessages, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  {
    MainWindow window(form);
    ASSERT_TRUE(window.Create(SW_SHOWNOACTIVATE));
    EXPECT_TRUE(IsWindowVisible(window.Handle()));
  }
  UnhookWindowsHookEx(hook);
  observed = nullptr;
  ForgetQuit();
  ASSERT_FALSE(seen.at_show.empty()) << "the window was never shown";
  for (const std::string& caption : seen.at_show) EXPECT_EQ(caption, "TIME");
  for (const std::string& caption : seen.at_paint) EXPECT_EQ(caption, "TIME");
}

class ShownMainWindow : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(window->Create(SW_SHOWNOACTIVATE)); }
  void TearDown() override {
    window.reset();
    ForgetQuit();
  }
  HWND Main() const { return window->Handle(); }

  TMainForm form;
  std::unique_ptr<MainWindow> window = std::make_unique<MainWindow>(form);
};

TEST_F(ShownMainWindow, TheWindowAndEveryChildUseMsSansSerifAt8Points) {
  HFONT font = FontOf(Main());
  ASSERT_NE(font, nullptr) << "the window must answer its font";
  LOGFONTA lf{};
  ASSERT_TRUE(GetObjectA(font, sizeof lf, &lf));
  EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
  EXPECT_EQ(lf.lfHeight, -11);
  EXPECT_LE(lf.lfWeight, FW_NORMAL);
  for (int id : {ids::kToolbar, ids::kLabel, ids::kDdeButton, ids::kGrid, ids::kStatusBar}) {
    ASSERT_NE(Item(Main(), id), nullptr) << id;
    EXPECT_EQ(FontOf(Item(Main(), id)), font) << id;
  }
}

TEST_F(ShownMainWindow, HasAnIconForCaptionTaskbarAndTaskSwitcher) {
  for (WPARAM which : {ICON_SMALL, ICON_BIG}) {
    const auto icon = reinterpret_cast<HICON>(SendMessageA(Main(), WM_GETICON, which, 0));
    EXPECT_NE(icon, nullptr) << which;
    EXPECT_EQ(icon,
              MainWindow::AppIcon(GetSystemMetrics(which == ICON_BIG ? SM_CXICON : SM_CXSMICON)));
  }
}

TEST_F(ShownMainWindow, EveryCellFitsItsColumn) {
  // The widest texts a quote brings: a long time of day, prices and a large volume.
  form.QuoteLineReceived(form.Receiver(), platform::kNoWindow,
                                      "EURUSD;1.085012;1.085034;1.085023;1700000000;12345678");
  HWND grid = Item(Main(), ids::kGrid);
  RECT client;
  GetClientRect(grid, &client);
  HDC dc = GetDC(grid);
  HGDIOBJ old = SelectObject(dc, FontOf(grid));
  int left = 0;
  for (int col = 0; col < TMainForm::kGridCols; ++col) {
    const int width = form.ColWidth(col);
    for (int row = 0; row < TMainForm::kGridRows; ++row) {
      const std::string& text = form.Cell(col, row);
      ASSERT_FALSE(text.empty()) << col << "," << row;
      SIZE extent{};
      GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
      // Text starts 2 pixels into its cell and must end before the column's line.
      EXPECT_LE(2 + extent.cx, width) << "'" << text << "' is cut";
      EXPECT_LE(left + 2 + extent.cx, client.right) << "'" << text << "' leaves the grid";
      EXPECT_LT(extent.cy, 20) << "'" << text << "' is taller than its row";
    }
    left += width + 1;
  }
  SelectObject(dc, old);
  ReleaseDC(grid, dc);
}

}  // namespace
}  // namespace tickwell
