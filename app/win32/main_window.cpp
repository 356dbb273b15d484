#include "app/win32/main_window.h"

#include <algorithm>
#include <initializer_list>
#include <string>

#include "app/win32/about_dialog.h"
#include "app/win32/control_ids.h"
#include "app/win32/glyphs.h"
#include "app/win32/quote_grid.h"
#include "app/win32/quote_label.h"
#include "app/win32/settings_dialog.h"
#include "app/win32/symbol_list.h"
#include "platform/exception_report.h"

namespace tickwell {
namespace {

constexpr int kPanelWidth = 222;  // the button, label and grid at the left are drawn for this
constexpr int kListTop = 32;
// A status panel's edges and the space the bar keeps before its text, with a little air.
constexpr int kStatusMargins = 12;
// What the list keeps when the problem takes room from it: its captions and a few rows.
constexpr int kListLeast = 64;
constexpr int kProblemGap = 4;  // between the list and the problem under it
// Room for the panel and a few columns of the list, for the status bar's panels, and beside the
// panel for a problem of a few lines under a few rows of the list.
constexpr int kMinClientWidth = 480, kMinClientHeight = 240;
constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;
// A busy feed changes the quote far more often than an eye can follow; painting each change
// would cost more than taking the line. Under Wine a paint of the window costs one to two
// milliseconds, more than a hundred lines with no client; at this rate the last quote is on
// screen within a tenth of a second.
constexpr UINT kPaintIntervalMs = 80;
constexpr UINT_PTR kPaintTimer = 1;
// DDE's conversations and links are counted, not told: once a second is enough for an eye.
constexpr UINT kCountIntervalMs = 1000;
constexpr UINT_PTR kCountTimer = 2;
// What the form does outside a sender's call (a new terminal's names), asked for by a post.
constexpr UINT kWorkMessage = WM_APP + 1;

HWND Child(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, HWND parent,
           int id) {
  return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

MainWindow::MainWindow(TMainForm& form) : form_(form) {}

MainWindow::~MainWindow() {
  form_.OnChanged = nullptr;
  form_.OnWork = nullptr;
  form_.OnShowAbout = nullptr;
  form_.OnShowSettings = nullptr;
  if (hwnd_) DestroyWindow(hwnd_);
  if (images_) ImageList_Destroy(images_);
  if (font_) DeleteObject(font_);
}

HICON MainWindow::AppIcon(int size) {
  // Shared: the system keeps the icon for the life of the program, whoever asks for it.
  HANDLE icon = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(ids::kAppIcon), IMAGE_ICON,
                           size, size, LR_SHARED);
  return icon ? static_cast<HICON>(icon) : LoadIcon(nullptr, IDI_APPLICATION);
}

bool MainWindow::Create(int show) {
  INITCOMMONCONTROLSEX icc{sizeof icc,
                           ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  dde_switch_message_ = RegisterWindowMessageA(ids::kDdeSwitchMessage);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = AppIcon(GetSystemMetrics(SM_CXICON));
  wc.hIconSm = AppIcon(GetSystemMetrics(SM_CXSMICON));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = ids::kMainWindowClass;
  const bool registered = RegisterClassExA(&wc) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  if (!registered || !RegisterQuoteGridClass() || !RegisterQuoteLabelClass()) return false;

  // Caption, place and client size as the window's stored description gives them.
  RECT frame{0, 0, form_.ClientWidth(), form_.ClientHeight()};
  AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
  hwnd_ = CreateWindowExA(0, ids::kMainWindowClass, form_.Caption().c_str(), kStyle, form_.Left(),
                          form_.Top(), frame.right - frame.left, frame.bottom - frame.top, nullptr,
                          nullptr, GetModuleHandleA(nullptr), this);
  if (!hwnd_) return false;
  // On the window as well as its class: other programs (a taskbar, a task switcher) ask the
  // window with WM_GETICON.
  SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(wc.hIcon));
  SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(wc.hIconSm));
  form_.WindowHandle = reinterpret_cast<platform::Hwnd>(hwnd_);
  form_.OnChanged = [this] { Refresh(); };
  form_.OnWork = [this] { PostMessageA(hwnd_, kWorkMessage, 0, 0); };
  form_.OnShowAbout = [this](const TAboutTexts& texts) { ShowAbout(texts); };
  form_.OnShowSettings = [this] { ShowSettingsDialog(hwnd_, SettingsBoxFor(form_)); };
  form_.FormCreate();
  Refresh();
  Paint();
  ShowCounts();
  SetTimer(hwnd_, kCountTimer, kCountIntervalMs, nullptr);
  Place(show);
  UpdateWindow(hwnd_);
  return true;
}

void MainWindow::Place(int show) {
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  GetWindowPlacement(hwnd_, &wp);
  const TWindowPlace& remembered = form_.Settings().Place;
  RECT r = wp.rcNormalPosition;
  if (remembered.Known())
    r = {remembered.Left, remembered.Top, remembered.Left + remembered.Width,
         remembered.Top + remembered.Height};
  // Whole on the nearest screen that is there now (a second monitor may have gone), where it
  // fits.
  HMONITOR monitor = MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (monitor && GetMonitorInfoA(monitor, &info)) {
    const RECT& work = info.rcWork;
    const int width = std::min<int>(r.right - r.left, work.right - work.left);
    const int height = std::min<int>(r.bottom - r.top, work.bottom - work.top);
    const int left = std::clamp<int>(r.left, work.left, work.right - width);
    const int top = std::clamp<int>(r.top, work.top, work.bottom - height);
    r = {left, top, left + width, top + height};
  }
  wp.rcNormalPosition = r;
  wp.showCmd = SW_HIDE;  // placed while hidden; shown below as the caller asks
  wp.flags = 0;
  SetWindowPlacement(hwnd_, &wp);
  const bool normal = show == SW_SHOWNORMAL || show == SW_SHOWDEFAULT || show == SW_SHOW;
  ShowWindow(hwnd_, remembered.Maximized && normal ? SW_SHOWMAXIMIZED : show);
}

void MainWindow::RememberPlace() {
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  if (!GetWindowPlacement(hwnd_, &wp)) return;
  const RECT& r = wp.rcNormalPosition;
  const bool maximized = wp.showCmd == SW_SHOWMAXIMIZED ||
                         (wp.showCmd == SW_SHOWMINIMIZED && (wp.flags & WPF_RESTORETOMAXIMIZED));
  form_.FormClose({r.left, r.top, r.right - r.left, r.bottom - r.top, maximized});
}

int MainWindow::StatusTextWidth(const std::string& text) const {
  HDC dc = GetDC(status_);
  HGDIOBJ old = SelectObject(dc, font_);
  SIZE extent{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, old);
  ReleaseDC(status_, dc);
  return extent.cx;
}

MainWindow::StatusPlan MainWindow::PlanStatus(int width) const {
  // The last panel ends under the size grip.
  const int dde = StatusTextWidth(dde_text_) + kStatusMargins + GetSystemMetrics(SM_CXVSCROLL);
  const int counts = StatusTextWidth(counts_text_) + kStatusMargins;
  const int room = std::max(0, width - dde - counts);
  const bool apart = !status_text_.empty() && StatusTextWidth(status_text_) + kStatusMargins > room;
  return {{apart ? 0 : room, room + counts, -1}, apart};
}

void MainWindow::ArrangeStatus() {
  RECT client;
  GetClientRect(hwnd_, &client);
  const StatusPlan plan = PlanStatus(static_cast<int>(client.right));
  if (plan != status_plan_ || (plan.problem_apart && problem_text_ != status_text_)) Layout();
}

int MainWindow::FitProblem(int width, int room) {
  if (problem_text_ != status_text_) {
    problem_text_ = status_text_;
    SetWindowTextA(problem_, problem_text_.c_str());
  }
  // Wrapped at this width without a scroll bar, then counted.
  ShowScrollBar(problem_, SB_VERT, FALSE);
  SetWindowPos(problem_, nullptr, 0, 0, width, std::max(room, 1), SWP_NOMOVE | SWP_NOZORDER);
  const int lines = static_cast<int>(SendMessageA(problem_, EM_GETLINECOUNT, 0, 0));
  HDC dc = GetDC(problem_);
  HGDIOBJ old = SelectObject(dc, font_);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(problem_, dc);
  const int line = std::max(1, static_cast<int>(metrics.tmHeight));
  const int most = std::max(1, (room - kListLeast - kProblemGap) / line);
  if (lines > most) ShowScrollBar(problem_, SB_VERT, TRUE);
  return std::min(lines, most) * line;
}

void MainWindow::Layout() {
  RECT client;
  GetClientRect(hwnd_, &client);
  const int width = static_cast<int>(client.right), height = static_cast<int>(client.bottom);
  SendMessageA(toolbar_, TB_AUTOSIZE, 0, 0);
  SendMessageA(status_, WM_SIZE, 0, 0);
  status_plan_ = PlanStatus(width);
  SendMessageA(status_, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(status_plan_.parts));
  // Setting the parts may drop their texts (Wine's bar does). The problem's panel keeps its
  // text when it has no width, so that the bar's text is the problem for every reader.
  const std::string* texts[3] = {&status_text_, &counts_text_, &dde_text_};
  for (WPARAM part = 0; part < 3; ++part)
    SendMessageA(status_, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(texts[part]->c_str()));
  RECT bar;
  GetWindowRect(status_, &bar);
  const int list_width = std::max(0, width - kPanelWidth - 8);
  int list_height = std::max(0, height - static_cast<int>(bar.bottom - bar.top) - kListTop - 6);
  if (status_plan_.problem_apart) {
    const int problem_height = FitProblem(list_width, list_height);
    list_height = std::max(0, list_height - problem_height - kProblemGap);
    MoveWindow(problem_, kPanelWidth, kListTop + list_height + kProblemGap, list_width,
               problem_height, TRUE);
  }
  ShowWindow(problem_, status_plan_.problem_apart ? SW_SHOWNA : SW_HIDE);
  MoveWindow(list_, kPanelWidth, kListTop, list_width, list_height, TRUE);
  MoveWindow(hint_, kPanelWidth + 8, kListTop + 8, std::max(0, list_width - 16),
             std::max(0, list_height - 16), TRUE);
  FitSymbolListColumns(list_, form_);
}

void MainWindow::ShowCounts() {
  const std::string dde = form_.DdeStateText();
  if (dde != dde_text_) {
    dde_text_ = dde;
    SendMessageA(status_, SB_SETTEXTA, 2, reinterpret_cast<LPARAM>(dde_text_.c_str()));
    ArrangeStatus();
  }
}

void MainWindow::CreateChildren() {
  // MS Sans Serif at 8 points (11 pixels high), kept by the window (WM_GETFONT answers it) and
  // handed to every child below.
  font_ =
      CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");

  toolbar_ = Child(TOOLBARCLASSNAMEA, "", TBSTYLE_FLAT | TBSTYLE_LIST | CCS_TOP | CCS_NODIVIDER, 0,
                   0, kPanelWidth, 23, hwnd_, ids::kToolbar);
  SendMessageA(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageA(toolbar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
  TBBUTTON buttons[3] = {};
  const char* captions[3] = {"Help", "About", "Settings"};
  const int commands[3] = {ids::kCmdHelp, ids::kCmdAbout, ids::kCmdSettings};
  for (int i = 0; i < 3; ++i) {
    buttons[i].iBitmap = I_IMAGENONE;
    buttons[i].idCommand = commands[i];
    buttons[i].fsState = TBSTATE_ENABLED;
    buttons[i].fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
    buttons[i].iString = reinterpret_cast<INT_PTR>(captions[i]);
  }
  SendMessageA(toolbar_, TB_ADDBUTTONSA, 3, reinterpret_cast<LPARAM>(buttons));
  SendMessageA(toolbar_, TB_AUTOSIZE, 0, 0);

  // The label grows to the right as its caption does.
  label_ = CreateQuoteLabel(hwnd_, 104, 40, kPanelWidth - 104 - 4, 13);
  button_ =
      Child("BUTTON", "DDE", BS_OWNERDRAW | WS_TABSTOP, 8, 32, 75, 25, hwnd_, ids::kDdeButton);
  grid_ = CreateQuoteGrid(hwnd_, 8, 64, 201, 108, form_);
  list_ = CreateSymbolList(hwnd_, kPanelWidth, kListTop, 100, 100, font_, form_);
  hint_ = Child("STATIC", "", SS_LEFT | SS_NOPREFIX, kPanelWidth, kListTop, 100, 100, hwnd_,
                ids::kHint);
  // Read-only text rather than a label: it wraps a refused line that has no spaces, scrolls
  // when it is longer than the room, and the line can be copied from it.
  problem_ =
      CreateWindowExA(0, "EDIT", "", WS_CHILD | ES_MULTILINE | ES_READONLY, kPanelWidth, kListTop,
                      100, 20, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ids::kProblem)),
                      GetModuleHandleA(nullptr), nullptr);
  status_ =
      Child(STATUSCLASSNAMEA, "", SBARS_SIZEGRIP, 0, 179, kPanelWidth, 22, hwnd_, ids::kStatusBar);
  for (HWND child : {toolbar_, label_, button_, grid_, list_, hint_, problem_, status_}) {
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  }
  images_ = CreateDdeGlyphs();
}

void MainWindow::Refresh() {
  if (!hwnd_) return;
  if (form_.SymbolLabelCaption() != label_text_) {
    label_text_ = form_.SymbolLabelCaption();
    SetWindowTextA(label_, label_text_.c_str());  // paints nothing by itself
  }
  if (form_.StatusText() != status_text_) {
    status_text_ = form_.StatusText();
    SendMessageA(status_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(status_text_.c_str()));
  }
  if (form_.GlyphIndex() != glyph_) {
    glyph_ = form_.GlyphIndex();
    InvalidateRect(button_, nullptr, TRUE);  // a click: shown at once
    ShowCounts();
  }
  if (!paint_due_) paint_due_ = SetTimer(hwnd_, kPaintTimer, kPaintIntervalMs, nullptr) != 0;
  if (!paint_due_) Paint();  // no timer to be had: paint now rather than never
}

void MainWindow::Paint() {
  InvalidateRect(label_, nullptr, FALSE);
  InvalidateRect(grid_, nullptr, TRUE);
  FollowSymbolList(list_, form_);
  const std::string counts = form_.CountsText();
  if (counts != counts_text_) {
    counts_text_ = counts;
    SendMessageA(status_, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(counts_text_.c_str()));
  }
  // The list, or in its place what to do while it is empty.
  const std::string hint = form_.EmptyHint();
  if (hint != hint_text_ || (hint.empty() && !IsWindowVisible(list_))) {
    hint_text_ = hint;
    SetWindowTextA(hint_, hint_text_.c_str());
    ShowWindow(hint_, hint.empty() ? SW_HIDE : SW_SHOW);
    ShowWindow(list_, hint.empty() ? SW_SHOW : SW_HIDE);
  }
  ArrangeStatus();
}

void MainWindow::DrawButton(const DRAWITEMSTRUCT& item) {
  RECT r = item.rcItem;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  DrawFrameControl(item.hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
  const int shift = pressed ? 1 : 0;
  const int glyph_x = r.left + 12 + shift;
  const int glyph_y = r.top + (r.bottom - r.top - 16) / 2 + shift;
  if (images_)
    ImageList_Draw(images_, form_.GlyphIndex(), item.hDC, glyph_x, glyph_y, ILD_TRANSPARENT);
  RECT text = r;
  text.left = glyph_x + 16 + 4;
  OffsetRect(&text, 0, shift);
  SetBkMode(item.hDC, TRANSPARENT);
  DrawTextA(item.hDC, "DDE", 3, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
  if (item.itemState & ODS_FOCUS) {
    InflateRect(&r, -4, -4);
    DrawFocusRect(item.hDC, &r);
  }
}

void MainWindow::ShowAbout(const TAboutTexts& texts) {
  ShowAboutDialog(hwnd_, texts, AppIcon(GetSystemMetrics(SM_CXICON)));
}

LRESULT CALLBACK MainWindow::Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(l)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(hwnd, msg, w, l);
  return platform::Guarded<LRESULT>(0, [&] { return self->OnMessage(msg, w, l); });
}

LRESULT MainWindow::OnMessage(UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_CREATE:
      CreateChildren();
      return 0;
    case WM_SIZE:
      Layout();
      return 0;
    case WM_GETMINMAXINFO: {
      RECT least{0, 0, kMinClientWidth, kMinClientHeight};
      AdjustWindowRectEx(&least, kStyle, FALSE, 0);
      auto* info = reinterpret_cast<MINMAXINFO*>(l);
      info->ptMinTrackSize = {least.right - least.left, least.bottom - least.top};
      return 0;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(l);
      if (header->idFrom == static_cast<UINT_PTR>(ids::kSymbolList) &&
          header->code == LVN_GETDISPINFOA) {
        AnswerSymbolListText(*reinterpret_cast<NMLVDISPINFOA*>(l), form_);
        return 0;
      }
      break;
    }
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    case WM_COMMAND:
      switch (LOWORD(w)) {
        case ids::kDdeButton:
          form_.DdeButtonClick();
          return 0;
        case ids::kCmdHelp:
          if (!form_.HelpCommandClick()) {
            const std::string text =
                "No program could open the help page. It is here:\r\n" + TMainForm::HelpPagePath();
            MessageBoxA(hwnd_, text.c_str(), "Tickwell", MB_OK | MB_ICONWARNING);
          }
          return 0;
        case ids::kCmdAbout:
          form_.AboutCommandClick();
          return 0;
        case ids::kCmdSettings:
          form_.SettingsCommandClick();
          return 0;
      }
      break;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
      if (item->CtlID == static_cast<UINT>(ids::kDdeButton)) {
        DrawButton(*item);
        return TRUE;
      }
      break;
    }
    case WM_TIMER:
      if (w == kPaintTimer) {
        KillTimer(hwnd_, kPaintTimer);
        paint_due_ = false;
        Paint();
        return 0;
      }
      if (w == kCountTimer) {
        form_.Tick();
        ShowCounts();
        return 0;
      }
      break;
    case kWorkMessage:
      form_.DoWork();
      return 0;
    case WM_CTLCOLORSTATIC:
      // The problem's text scrolls: its background is painted, not left to show through.
      if (reinterpret_cast<HWND>(l) == problem_) {
        SetBkColor(reinterpret_cast<HDC>(w), GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      SetBkMode(reinterpret_cast<HDC>(w), TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_DESTROY:
      RememberPlace();
      hwnd_ = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  if (msg == dde_switch_message_ && dde_switch_message_ != 0) {
    form_.SwitchDde(w != 0);
    return 1;
  }
  return DefWindowProcA(hwnd_, msg, w, l);
}

}  // namespace tickwell
