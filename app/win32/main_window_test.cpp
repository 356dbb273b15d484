// The real main window in this process: when it shows itself, the font it and its children draw
// with, whether every cell of the grid and the list fits its column, and every status message
// its place.
#include "app/win32/main_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/win32/control_ids.h"
#include "app/win32/symbol_list.h"
#include "interapp/terminal_label.h"

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

TEST_F(ShownMainWindow, TheLabelNamesTheLastSymbolAtOnceToEveryReader) {
  HWND label = Item(Main(), ids::kLabel);
  form.QuoteLineReceived(form.Receiver(), platform::kNoWindow, "EURUSD;1;2;3;1700000000;4");
  char text[64] = {};
  EXPECT_EQ(SendMessageA(label, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text)), 6);
  EXPECT_STREQ(text, "EURUSD");
  EXPECT_EQ(GetWindowTextLengthA(label), 6);
  form.QuoteLineReceived(form.Receiver(), platform::kNoWindow, "GBPUSD;1;2;3;1700000000;4");
  // A short buffer gets what fits, ended by its zero.
  EXPECT_EQ(GetWindowTextA(label, text, 4), 3);
  EXPECT_STREQ(text, "GBP");
  EXPECT_EQ(SendMessageA(label, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(text)), 0);
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

// Pumps this thread's messages until found() holds or two seconds pass.
template <typename F>
bool PumpUntil(F found) {
  const DWORD start = GetTickCount();
  while (!found()) {
    if (GetTickCount() - start > 2000) return false;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
    Sleep(10);
  }
  return true;
}

std::string ListText(HWND list, int row, int col) {
  char text[256] = "";
  LVITEMA item{};
  item.iSubItem = col;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return text;
}

std::string ListCaption(HWND list, int col) {
  char text[64] = "";
  LVCOLUMNA column{};
  column.mask = LVCF_TEXT;
  column.pszText = text;
  column.cchTextMax = sizeof text;
  SendMessageA(list, LVM_GETCOLUMNA, static_cast<WPARAM>(col), reinterpret_cast<LPARAM>(&column));
  return text;
}

// The bar copies a panel's whole text, however long: the buffer is made to measure.
std::string PanelText(HWND status, int part) {
  const auto length = LOWORD(SendMessageA(status, SB_GETTEXTLENGTHA, static_cast<WPARAM>(part), 0));
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  SendMessageA(status, SB_GETTEXTA, static_cast<WPARAM>(part),
               reinterpret_cast<LPARAM>(text.data()));
  text.resize(std::char_traits<char>::length(text.c_str()));
  return text;
}

RECT ChildRect(HWND main, HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST_F(ShownMainWindow, TheEmptyWindowSaysWhatToDoThenListsEverySymbolAndCountsInTheStatusBar) {
  HWND list = Item(Main(), ids::kSymbolList), hint = Item(Main(), ids::kHint);
  HWND status = Item(Main(), ids::kStatusBar);
  ASSERT_NE(list, nullptr);
  ASSERT_NE(hint, nullptr);
  EXPECT_TRUE(IsWindowVisible(hint));
  EXPECT_FALSE(IsWindowVisible(list));
  char text[512] = "";
  GetWindowTextA(hint, text, sizeof text);
  EXPECT_NE(std::string(text).find("press DDE"), std::string::npos) << text;
  EXPECT_EQ(PanelText(status, 2), "DDE off");
  // The widest values a quote brings, in another order than the list's.
  for (const char* line : {"USDJPY;149.51234;149.51634;149.51434;1700000000;12345678",
                           "EURUSD;1.085012;1.085034;1.085023;1700000000;15", "EURUSD;1;2"})
    form.QuoteLineReceived(form.Receiver(), platform::kNoWindow, line);
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(list) != FALSE; }));
  EXPECT_FALSE(IsWindowVisible(hint));
  ASSERT_TRUE(PumpUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 2; }));
  HDC dc = GetDC(list);
  HGDIOBJ old = SelectObject(dc, FontOf(list));
  for (int row = 0; row < 2; ++row) {
    for (int col = 0; col < TMainForm::kListCols; ++col) {
      const std::string cell = ListText(list, row, col);
      EXPECT_EQ(cell, form.ListCell(row, col)) << row << "," << col;
      SIZE extent{};
      GetTextExtentPoint32A(dc, cell.c_str(), static_cast<int>(cell.size()), &extent);
      // A list view keeps a few pixels at each side of a cell's text.
      EXPECT_LE(extent.cx + 12, SendMessageA(list, LVM_GETCOLUMNWIDTH, col, 0))
          << "'" << cell << "' is cut";
    }
  }
  SelectObject(dc, old);
  ReleaseDC(list, dc);
  EXPECT_EQ(ListText(list, 0, TMainForm::kColTerminal), "(unnamed)");
  EXPECT_EQ(ListText(list, 0, TMainForm::kColSymbol), "EURUSD");
  ASSERT_TRUE(PumpUntil([&] { return PanelText(status, 1) == "3 lines received, 1 refused"; }))
      << PanelText(status, 1);
  EXPECT_EQ(PanelText(status, 0).rfind("1 line refused - the last price is missing", 0), 0u);
  form.DdeButtonClick();
  EXPECT_EQ(PanelText(status, 2), "DDE on: 0 conversations, 0 links");
  form.DdeButtonClick();
}

TEST_F(ShownMainWindow, ResizesWithTheListTakingTheRoomAndKeepsAUsableLeastSize) {
  const LONG style = GetWindowLongA(Main(), GWL_STYLE);
  EXPECT_TRUE((style & WS_THICKFRAME) && (style & WS_MAXIMIZEBOX));
  HWND list = Item(Main(), ids::kSymbolList), status = Item(Main(), ids::kStatusBar);
  HWND grid = Item(Main(), ids::kGrid);
  const RECT grid_before = ChildRect(Main(), grid);
  for (const SIZE size : {SIZE{1000, 600}, SIZE{700, 400}}) {
    SetWindowPos(Main(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    GetClientRect(Main(), &client);
    const RECT l = ChildRect(Main(), list), s = ChildRect(Main(), status),
               g = ChildRect(Main(), grid);
    EXPECT_EQ(client.right - l.right, 8) << size.cx;
    EXPECT_GT(l.left, g.right) << "the list is beside the grid";
    EXPECT_LT(l.bottom, s.top) << "the list ends above the status bar";
    EXPECT_GT(l.bottom, s.top - 12);
    EXPECT_EQ(s.bottom, client.bottom);
    EXPECT_EQ(s.right, client.right);
    EXPECT_TRUE(EqualRect(&g, &grid_before)) << "the grid keeps its place";
  }
  // Made as small as it goes, the panel and some of the list still show.
  SetWindowPos(Main(), nullptr, 0, 0, 50, 50, SWP_NOMOVE | SWP_NOZORDER);
  RECT client;
  GetClientRect(Main(), &client);
  EXPECT_GE(client.right, 480);
  EXPECT_GE(client.bottom, 240);
  EXPECT_GT(ChildRect(Main(), list).right - ChildRect(Main(), list).left, 200);
}

int TextWidth(HWND window, const std::string& text) {
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, FontOf(window));
  SIZE extent{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return extent.cx;
}

// What of the status texts cannot be read whole, or "" when all can: the counts and DDE's state
// in their panels, the problem in its panel or, when that is too narrow, in its own place above
// the status bar, every line of it on screen (or, for a problem longer than the room, scrolled
// to with a scroll bar).
std::string WhatIsCut(HWND main, const TMainForm& form, bool scrolls = false) {
  HWND status = Item(main, ids::kStatusBar), problem = Item(main, ids::kProblem);
  const std::string texts[3] = {form.StatusText(), form.CountsText(), form.DdeStateText()};
  for (int part = 0; part < 3; ++part) {
    const std::string shown = PanelText(status, part);
    if (shown != texts[part]) return "panel " + std::to_string(part) + " holds '" + shown + "'";
    RECT r{};
    SendMessageA(status, SB_GETRECT, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(&r));
    // A panel's edges and the space the bar keeps before the text; the size grip covers the
    // end of the last panel.
    const int room =
        static_cast<int>(r.right - r.left) - 5 - (part == 2 ? GetSystemMetrics(SM_CXVSCROLL) : 0);
    if (shown.empty() || TextWidth(status, shown) <= room) continue;
    if (part != 0) return "'" + shown + "' is cut in its panel";
    if (r.right - r.left > 2) return "the problem shows cut in its panel: '" + shown + "'";
    if (!IsWindowVisible(problem)) return "the problem is nowhere: '" + shown + "'";
    char text[1024] = "";
    GetWindowTextA(problem, text, sizeof text);
    if (shown != text) return std::string("the problem's place holds '") + text + "'";
    HDC dc = GetDC(problem);
    HGDIOBJ old = SelectObject(dc, FontOf(problem));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(problem, dc);
    RECT format{};
    SendMessageA(problem, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
    const LRESULT lines = SendMessageA(problem, EM_GETLINECOUNT, 0, 0);
    const bool all_shown = SendMessageA(problem, EM_GETFIRSTVISIBLELINE, 0, 0) == 0 &&
                           (format.bottom - format.top) >= lines * metrics.tmHeight;
    if (all_shown == scrolls)
      return "the problem's " + std::to_string(lines) + (scrolls ? " lines" : " lines do not") +
             " all show";
    if (scrolls && !(GetWindowLongA(problem, GWL_STYLE) & WS_VSCROLL))
      return "the problem's lines do not all show and cannot be scrolled to";
    const RECT p = ChildRect(main, problem), s = ChildRect(main, status),
               l = ChildRect(main, Item(main, ids::kSymbolList));
    if (p.bottom > s.top || p.top < l.bottom) return "the problem is hidden by another part";
  }
  return "";
}

// The window's messages at its first size and at its least, each whole where it shows.
TEST(MainWindowStatus, EveryMessageShowsWholeAtTheDefaultAndTheLeastSize) {
  // A settings file that cannot be written, its folder being a file, in a long path as a
  // user's profile gives one.
  const std::filesystem::path blocker =
      std::filesystem::temp_directory_path() / "tickwell-status-test-a-file-where-a-folder-goes";
  std::filesystem::remove_all(blocker);
  {
    std::FILE* f = std::fopen(blocker.string().c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
  }
  TMainForm form;
  form.SettingsFile = (blocker / "Tickwell" / "tickwell.ini").string();
  {
    MainWindow window(form);
    ASSERT_TRUE(window.Create(SW_SHOWNOACTIVATE));
    HWND main = window.Handle();
    RECT first;
    GetWindowRect(main, &first);
    const SIZE sizes[] = {{first.right - first.left, first.bottom - first.top}, {50, 50}};
    const auto feed = [&](const char* line) {
      form.QuoteLineReceived(form.Receiver(), platform::kNoWindow, line);
    };
    struct Step {
      std::function<void()> act;
      const char* message;  // how the status bar's problem starts
      bool scrolls_at_least = false;
    };
    const Step steps[] = {
        // A refused line with its reason and detail, after enough lines for two-digit counts.
        {[&] {
           for (int i = 0; i < 12; ++i) feed("EURUSD;1.08501;1.08503;1.08502;1700000000;15");
           feed("GBPUSD;1.1;;1.2;1700000000;15;");
           feed("USDJPY;150;151;150.5;1700000000123;3");
         },
         "2 lines refused - the time is not a whole number of seconds since 1970: USDJPY"},
        // A long one with no space to wrap at, its detail and a day's high and low.
        {[&] {
           feed("EURUSD.ecn;1.085012;1.085034;1.085023;1700000000123;12345678;1.086201;1.084101");
         },
         "3 lines refused - the time is not"},
        // The next good line leaves the count of refused lines.
        {[&] { feed("EURUSD;1.08501;1.08503;1.08502;1700000000;15"); }, "3 lines refused"},
        // A switch that cannot be remembered names the file.
        {[&] { form.DdeButtonClick(); }, "The DDE switch could not be remembered: "},
        // A refused line as long as the feed lets through: scrolled at the least size.
        {[&] { feed(("EURUSD;1;2;3;" + std::string(200, '9') + ";15").c_str()); },
         "4 lines refused - the time is not", true},
    };
    for (const Step& step : steps) {
      step.act();
      ASSERT_EQ(form.StatusText().rfind(step.message, 0), 0u) << form.StatusText();
      for (const SIZE size : sizes) {
        SetWindowPos(main, nullptr, 0, 0, size.cx, size.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        const bool scrolls = step.scrolls_at_least && size.cx == sizes[1].cx;
        PumpUntil([&] { return WhatIsCut(main, form, scrolls).empty(); });
        EXPECT_EQ(WhatIsCut(main, form, scrolls), "") << size.cx << "x" << size.cy;
        // The list keeps its captions and a few rows beside the problem.
        const RECT l = ChildRect(main, Item(main, ids::kSymbolList));
        EXPECT_GE(l.bottom - l.top, 60) << form.StatusText();
      }
    }
    form.DdeButtonClick();
  }
  ForgetQuit();
  std::filesystem::remove_all(blocker);
}

std::vector<int> ColumnWidths(HWND list) {
  std::vector<int> widths;
  for (int col = 0; col < TMainForm::kListCols; ++col)
    widths.push_back(static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, col, 0)));
  return widths;
}

TEST_F(ShownMainWindow, TheSymbolColumnFitsTheLongestSymbolAndTheColumnsShareAWideListsRoom) {
  HWND list = Item(Main(), ids::kSymbolList);
  const std::string longest = "Crude Oil WTI Futures (Jan 2024)";
  for (const std::string& symbol : {std::string("EURUSD"), longest, std::string("XAUUSD")})
    form.QuoteLineReceived(form.Receiver(), platform::kNoWindow,
                           symbol + ";71.25;71.27;71.26;1700000000;3");
  ASSERT_TRUE(PumpUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 3; }));
  EXPECT_LE(TextWidth(list, longest) + 12,
            SendMessageA(list, LVM_GETCOLUMNWIDTH, TMainForm::kColSymbol, 0));
  // At its first size the list is narrower than its columns: they have their natural widths.
  const std::vector<int> restored = ColumnWidths(list);
  int natural = 0;
  for (int width : restored) natural += width;
  RECT client;
  GetClientRect(list, &client);
  ASSERT_GE(natural, client.right);

  // Maximised, the room beyond the natural widths is shared among the columns and nothing
  // scrolls; a screen narrower than that keeps them and the list scrolls.
  ShowWindow(Main(), SW_MAXIMIZE);
  ASSERT_TRUE(IsZoomed(Main()));
  GetClientRect(list, &client);
  const auto total = [&](const std::vector<int>& widths) {
    int sum = 0;
    for (int col = 0; col < TMainForm::kListCols; ++col) {
      EXPECT_GE(widths[col], restored[col]) << col;
      sum += widths[col];
    }
    return sum;
  };
  EXPECT_EQ(total(ColumnWidths(list)), std::max<int>(natural, client.right))
      << ::testing::PrintToString(restored);
  EXPECT_EQ((GetWindowLongA(list, GWL_STYLE) & WS_HSCROLL) != 0, natural > client.right);
  // A list wider than any screen here has room to share.
  const RECT before = ChildRect(Main(), list);
  MoveWindow(list, before.left, before.top, natural + 300, before.bottom - before.top, TRUE);
  FitSymbolListColumns(list, form);
  GetClientRect(list, &client);
  EXPECT_EQ(total(ColumnWidths(list)), client.right) << "the columns fill the list";
  EXPECT_FALSE(GetWindowLongA(list, GWL_STYLE) & WS_HSCROLL) << "and need no scrolling";

  ShowWindow(Main(), SW_RESTORE);
  EXPECT_EQ(ColumnWidths(list), restored);
}

// Terminals that named themselves: a row per terminal and symbol, the label in its own column
// wide enough for the longest, and the status bar counting the terminals.
TEST_F(ShownMainWindow, ListsEachTerminalsSymbolsUnderItsLabel) {
  HWND list = Item(Main(), ids::kSymbolList), status = Item(Main(), ids::kStatusBar);
  const std::string longest = "Pepperstone_Live_Account_2";
  platform::Hwnd sender = 0x100;
  for (const std::string& label : {std::string("icm"), longest}) {
    const std::string message = TerminalMessage(label);
    form.TerminalNamed(form.Receiver(), sender, message.data(),
                       static_cast<std::uint32_t>(message.size()));
    form.QuoteLineReceived(form.Receiver(), sender, "EURUSD;1.1;1.2;1.15;1700000000;1");
    sender += 0x100;
  }
  form.DoWork();
  ASSERT_TRUE(PumpUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 2; }));
  EXPECT_EQ(ListCaption(list, TMainForm::kColTerminal), "Terminal");
  EXPECT_EQ(ListText(list, 0, TMainForm::kColTerminal), "icm");
  EXPECT_EQ(ListText(list, 1, TMainForm::kColTerminal), longest);
  for (int row = 0; row < 2; ++row) {
    EXPECT_EQ(ListText(list, row, TMainForm::kColSymbol), "EURUSD");
    EXPECT_EQ(ListText(list, row, TMainForm::kColBid), "1.1");
  }
  EXPECT_LE(TextWidth(list, longest) + 12,
            SendMessageA(list, LVM_GETCOLUMNWIDTH, TMainForm::kColTerminal, 0));
  EXPECT_TRUE(PumpUntil([&] {
    return PanelText(status, 1) == "2 terminals, 2 lines received, 0 refused";
  })) << PanelText(status, 1);
}

TEST_F(ShownMainWindow, ASecondStartsSwitchTurnsDdeOnAndOffWithoutRememberingIt) {
  const UINT message = RegisterWindowMessageA(ids::kDdeSwitchMessage);
  EXPECT_EQ(SendMessageA(Main(), message, 1, 0), 1);
  EXPECT_EQ(form.DdeTag(), 1);
  EXPECT_EQ(form.GlyphIndex(), 1);
  EXPECT_EQ(SendMessageA(Main(), message, 1, 0), 1);  // already on: stays on
  EXPECT_EQ(form.DdeTag(), 1);
  EXPECT_EQ(SendMessageA(Main(), message, 0, 0), 1);
  EXPECT_EQ(form.DdeTag(), 0);
}

// The window where the user left it, from the settings file, and back into it when it closes.
TEST(MainWindowPlace, OpensWhereItWasLeftOnAVisibleScreenAndRemembersWhereItCloses) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "tickwell-place";
  std::filesystem::create_directories(dir);
  const std::string file = (dir / "tickwell.ini").string();
  std::filesystem::remove(file);
  struct Case {
    TWindowPlace stored;
    RECT expected;  // outer frame
  };
  const int screen_w = GetSystemMetrics(SM_CXSCREEN), screen_h = GetSystemMetrics(SM_CYSCREEN);
  const Case cases[] = {
      {{40, 30, 600, 350, false}, {40, 30, 640, 380}},
      // On a monitor that is gone: moved onto the screen, its size kept where it fits.
      {{screen_w + 500, 20, 600, 350, false}, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(TSettings::WritePlace(file, c.stored));
    TMainForm form;
    form.SettingsFile = file;
    {
      MainWindow window(form);
      ASSERT_TRUE(window.Create(SW_SHOWNOACTIVATE));
      RECT r;
      GetWindowRect(window.Handle(), &r);
      if (c.expected.right != 0) {
        EXPECT_TRUE(EqualRect(&r, &c.expected))
            << r.left << "," << r.top << "," << r.right << "," << r.bottom;
      } else {
        EXPECT_LE(r.right, screen_w);
        EXPECT_LE(r.bottom, screen_h);
        EXPECT_GE(r.left, 0);
        EXPECT_EQ(r.right - r.left, 600);
      }
      SetWindowPos(window.Handle(), nullptr, 70, 60, 720, 420, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ForgetQuit();
    EXPECT_EQ(TSettings::Read(file).Place, (TWindowPlace{70, 60, 720, 420, false}));
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tickwell
