#include "app/win32/quote_label.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "app/win32/control_ids.h"
#include "platform/exception_report.h"

namespace tickwell {
namespace {

// Offsets in the window's extra bytes: the font, and the label's own copy of its text.
constexpr int kFontSlot = 0;
constexpr int kTextSlot = sizeof(HFONT);

// The text lives with the label rather than in the system's caption, so that setting it, once
// per quote line, costs no call outside the process (under Wine every caption change is a round
// trip to its server). WM_GETTEXT answers it, for this window and for other programs alike.
std::string* TextOf(HWND hwnd) {
  return reinterpret_cast<std::string*>(GetWindowLongPtrA(hwnd, kTextSlot));
}

void Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  static const std::string kNone;
  const std::string* kept = TextOf(hwnd);
  const std::string& text = kept ? *kept : kNone;
  auto font = reinterpret_cast<HFONT>(GetWindowLongPtrA(hwnd, kFontSlot));
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &client,
            DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  SelectObject(dc, old);
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  return platform::Guarded<LRESULT>(0, [&]() -> LRESULT {
    switch (msg) {
      case WM_PAINT:
        Paint(hwnd);
        return 0;
      case WM_ERASEBKGND:
        return 1;  // painted whole in WM_PAINT
      case WM_SETFONT:
        SetWindowLongPtrA(hwnd, kFontSlot, static_cast<LONG_PTR>(w));
        if (LOWORD(l)) InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
      case WM_GETFONT:
        return static_cast<LRESULT>(GetWindowLongPtrA(hwnd, kFontSlot));
      case WM_NCCREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(l);
        auto* text = new std::string(create->lpszName ? create->lpszName : "");
        SetWindowLongPtrA(hwnd, kTextSlot, reinterpret_cast<LONG_PTR>(text));
        return DefWindowProcA(hwnd, msg, w, l);
      }
      case WM_NCDESTROY:
        delete TextOf(hwnd);
        SetWindowLongPtrA(hwnd, kTextSlot, 0);
        return DefWindowProcA(hwnd, msg, w, l);
      // Setting the text paints nothing: the main window repaints the label with the grid.
      case WM_SETTEXT:
        if (std::string* text = TextOf(hwnd)) {
          text->assign(l ? reinterpret_cast<const char*>(l) : "");
          return TRUE;
        }
        return FALSE;
      case WM_GETTEXTLENGTH: {
        const std::string* text = TextOf(hwnd);
        return text ? static_cast<LRESULT>(text->size()) : 0;
      }
      case WM_GETTEXT: {
        const std::string* text = TextOf(hwnd);
        if (!text || w == 0 || l == 0) return 0;
        const size_t n = std::min<size_t>(text->size(), static_cast<size_t>(w) - 1);
        std::memcpy(reinterpret_cast<char*>(l), text->data(), n);
        reinterpret_cast<char*>(l)[n] = '\0';
        return static_cast<LRESULT>(n);
      }
      default:
        return DefWindowProcA(hwnd, msg, w, l);
    }
  });
}

}  // namespace

bool RegisterQuoteLabelClass() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = LabelProc;
  wc.cbWndExtra = sizeof(HFONT) + sizeof(std::string*);
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = ids::kLabelClass;
  return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateQuoteLabel(HWND parent, int x, int y, int width, int height) {
  return CreateWindowExA(0, ids::kLabelClass, "", WS_CHILD | WS_VISIBLE, x, y, width, height,
                         parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ids::kLabel)),
                         GetModuleHandleA(nullptr), nullptr);
}

}  // namespace tickwell
