#include "app/win32/quote_label.h"

#include <string>

#include "app/win32/control_ids.h"
#include "platform/exception_report.h"

namespace tickwell {
namespace {

constexpr int kFontSlot = 0;  // offset of the font in the window's extra bytes

void Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  std::string text(static_cast<size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
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
      default:
        // WM_SETTEXT keeps the text and, on a child without a caption, paints nothing.
        return DefWindowProcA(hwnd, msg, w, l);
    }
  });
}

}  // namespace

bool RegisterQuoteLabelClass() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = LabelProc;
  wc.cbWndExtra = sizeof(HFONT);
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
