// The real debug window: a fixed-size top-level window with a read-only memo inside a bevel and
// four buttons along the bottom. It calls the form's handlers; whatever they throw is handed to
// the application's exception report, never to the system.
#include "dde/diagnostics/debug_form_view.h"

#include <windows.h>

#include <deque>

#include "dde/diagnostics/debug_form.h"
#include "platform/exception_report.h"

namespace tickwell {
namespace {

constexpr char kClassName[] = "TDDEMLDebugForm";
constexpr int kClientWidth = 414, kClientHeight = 271;

enum ControlId : int { kMemo = 100, kCloseButton, kClearButton, kPrintButton, kSaveButton, kBevel };

struct ButtonLayout {
  ControlId id;
  const char* caption;
  int x;
};
constexpr ButtonLayout kButtons[] = {{kCloseButton, "&Close", 20},
                                     {kClearButton, "Cle&ar", 111},
                                     {kPrintButton, "&Print", 201},
                                     {kSaveButton, "&Save", 292}};
constexpr int kButtonTop = 232, kButtonWidth = 73, kButtonHeight = 25;

class Win32View : public DebugFormView {
 public:
  Win32View(TDDEMLDebugForm& form) : form_(form) {}
  ~Win32View() override {
    if (window_) DestroyWindow(window_);
    if (font_) DeleteObject(font_);
  }

  bool Create(HWND owner, bool stay_on_top);

  platform::Hwnd Handle() const override { return reinterpret_cast<platform::Hwnd>(window_); }
  bool Exists() const override { return window_ != nullptr; }
  void Show() override {
    if (!window_) return;
    ShowWindow(window_, SW_SHOW);
    SetFocus(GetDlgItem(window_, kCloseButton));
  }
  void Hide() override {
    if (window_) ShowWindow(window_, SW_HIDE);
  }
  bool Visible() const override { return window_ && IsWindowVisible(window_); }
  void Minimize() override {
    if (window_) ShowWindow(window_, SW_MINIMIZE);
  }
  void Restore() override {
    if (window_) ShowWindow(window_, SW_RESTORE);
  }
  bool Minimized() const override { return window_ && IsIconic(window_); }
  TFormBounds Bounds() const override {
    RECT r{};
    if (window_) GetWindowRect(window_, &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
  }
  TFormBounds RestoredBounds() const override;
  void SetBounds(const TFormBounds& b) override {
    if (window_)
      SetWindowPos(window_, nullptr, b.left, b.top, b.width, b.height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }

  // The memo holds the lines separated by CR LF; the length of each is kept so the first line
  // can be cut without asking the control, whose own line numbers follow word wrapping.
  void AppendLine(const std::string& line) override {
    std::string text = lengths_.empty() ? line : "\r\n" + line;
    for (char& c : text)
      if (c == '\0') c = ' ';  // the control would stop at a terminator
    const LRESULT end = GetWindowTextLengthA(memo_);
    SendMessageA(memo_, EM_SETSEL, end, end);
    SendMessageA(memo_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    lengths_.push_back(line.size());
  }
  void DeleteFirstLine() override {
    if (lengths_.empty()) return;
    if (lengths_.size() == 1) {
      ClearLines();
      return;
    }
    const WPARAM cut = lengths_.front() + 2;
    SendMessageA(memo_, EM_SETSEL, 0, cut);
    SendMessageA(memo_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
    lengths_.pop_front();
  }
  void ClearLines() override {
    SetWindowTextA(memo_, "");
    lengths_.clear();
  }

  static LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM w, LPARAM l);

 private:
  LRESULT OnMessage(UINT msg, WPARAM w, LPARAM l);
  void CreateControls();
  void Click(int id);

  TDDEMLDebugForm& form_;
  HWND window_ = nullptr;
  HWND memo_ = nullptr;
  HFONT font_ = nullptr;
  std::deque<std::size_t> lengths_;
};

TFormBounds Win32View::RestoredBounds() const {
  if (!Minimized()) return Bounds();
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (!GetWindowPlacement(window_, &placement)) return Bounds();
  // The normal position is in work-area coordinates: a taskbar at the top or the left of the
  // screen shifts it against the screen's.
  RECT r = placement.rcNormalPosition;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoA(MonitorFromRect(&r, MONITOR_DEFAULTTOPRIMARY), &monitor))
    OffsetRect(&r, monitor.rcWork.left - monitor.rcMonitor.left,
               monitor.rcWork.top - monitor.rcMonitor.top);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

bool RegisterWindowClass() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExA(instance, kClassName, &existing)) return true;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Win32View::WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  return RegisterClassExA(&wc) != 0;
}

bool Win32View::Create(HWND owner, bool stay_on_top) {
  if (!RegisterWindowClass()) return false;
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  const DWORD ex_style = stay_on_top ? WS_EX_TOPMOST : 0;
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, ex_style);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  window_ = CreateWindowExA(ex_style, kClassName, TDDEMLDebugForm::kCaption, style, left, top,
                            width, height, owner, nullptr, GetModuleHandleA(nullptr), this);
  if (!window_) return false;
  CreateControls();
  return memo_ != nullptr;
}

void Win32View::CreateControls() {
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  font_ =
      CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
  HINSTANCE instance = GetModuleHandleA(nullptr);
  auto child = [&](DWORD ex_style, const char* cls, const char* text, DWORD style, int x, int y,
                   int w, int h, int id) {
    HWND control =
        CreateWindowExA(ex_style, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (control && font_) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), 0);
    return control;
  };
  child(0, "STATIC", "", SS_ETCHEDFRAME, 8, 8, 401, 209, kBevel);
  memo_ = child(WS_EX_CLIENTEDGE, "EDIT", "",
                WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 16, 16, 385,
                193, kMemo);
  if (memo_) SendMessageA(memo_, EM_SETLIMITTEXT, 0, 0);  // no limit beyond the system's
  for (const ButtonLayout& b : kButtons)
    child(0, "BUTTON", b.caption,
          WS_TABSTOP | (b.id == kCloseButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), b.x, kButtonTop,
          kButtonWidth, kButtonHeight, b.id);
}

void Win32View::Click(int id) {
  switch (id) {
    case kCloseButton:
      form_.TheCloseButtonClick();
      break;
    case kClearButton:
      form_.TheClearButtonClick();
      break;
    case kPrintButton:
      form_.ThePrintButtonClick();
      break;
    case kSaveButton:
      form_.TheSavebuttonClick();
      break;
  }
}

LRESULT Win32View::OnMessage(UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(w) == BN_CLICKED && l != 0) {
        Click(LOWORD(w));
        return 0;
      }
      break;
    case WM_MOVE:
      form_.FormMoved();
      return 0;
    case WM_CLOSE:  // closing only hides: the thread keeps its window and its lines
      form_.TheCloseButtonClick();
      return 0;
  }
  return DefWindowProcA(window_, msg, w, l);
}

LRESULT CALLBACK Win32View::WindowProc(HWND window, UINT msg, WPARAM w, LPARAM l) {
  auto* view = reinterpret_cast<Win32View*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    view = static_cast<Win32View*>(reinterpret_cast<CREATESTRUCTA*>(l)->lpCreateParams);
    view->window_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
  }
  if (!view) return DefWindowProcA(window, msg, w, l);
  if (msg == WM_NCDESTROY) {
    // Gone, possibly with its owner: the trace sink forgets the form when it next looks.
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    view->window_ = nullptr;
    view->memo_ = nullptr;
    return DefWindowProcA(window, msg, w, l);
  }
  return platform::Guarded<LRESULT>(0, [&] { return view->OnMessage(msg, w, l); });
}

}  // namespace

std::unique_ptr<DebugFormView> CreateDebugFormView(TDDEMLDebugForm& form, platform::Hwnd owner,
                                                   bool stay_on_top) {
  auto view = std::make_unique<Win32View>(form);
  if (!view->Create(reinterpret_cast<HWND>(owner), stay_on_top)) return nullptr;
  return view;
}

}  // namespace tickwell
