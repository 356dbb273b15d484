#include "app/win32/quote_grid.h"

#include <algorithm>
#include <cstring>

#include "app/win32/control_ids.h"
#include "platform/exception_report.h"

namespace tickwell {
namespace {

constexpr int kRowHeight = 20;
constexpr int kFontSlot = 0;  // offset of the font in the window's extra bytes

const TMainForm* FormOf(HWND hwnd) {
  return reinterpret_cast<const TMainForm*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

// The font given with WM_SETFONT, else the parent's, else the system's font for controls; never
// the bold system font a device context starts with.
HFONT FontOf(HWND hwnd) {
  if (auto own = reinterpret_cast<HFONT>(GetWindowLongPtrA(hwnd, kFontSlot))) return own;
  if (auto parent = reinterpret_cast<HFONT>(SendMessageA(GetParent(hwnd), WM_GETFONT, 0, 0)))
    return parent;
  return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void Paint(HWND hwnd, const TMainForm& form) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ old_font = SelectObject(dc, FontOf(hwnd));
  SetBkMode(dc, TRANSPARENT);
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  HGDIOBJ old_pen = SelectObject(dc, pen);
  int x = 0;
  for (int col = 0; col < TMainForm::kGridCols; ++col) {
    const int w = form.ColWidth(col);
    for (int row = 0; row < TMainForm::kGridRows; ++row) {
      const int y = row * (kRowHeight + 1);
      RECT cell{x + 2, y, x + w, y + kRowHeight};
      const std::string& text = form.Cell(col, row);
      DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &cell,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      MoveToEx(dc, x, y + kRowHeight, nullptr);  // line under the cell
      LineTo(dc, x + w + 1, y + kRowHeight);
    }
    x += w;
    MoveToEx(dc, x, 0, nullptr);  // line right of the column
    LineTo(dc, x, TMainForm::kGridRows * (kRowHeight + 1));
    x += 1;
  }
  SelectObject(dc, old_pen);
  DeleteObject(pen);
  SelectObject(dc, old_font);
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK GridProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(l);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  const TMainForm* form = FormOf(hwnd);
  if (!form) return DefWindowProcA(hwnd, msg, w, l);
  return platform::Guarded<LRESULT>(0, [&]() -> LRESULT {
    switch (msg) {
      case WM_PAINT:
        Paint(hwnd, *form);
        return 0;
      case WM_SETFONT:
        SetWindowLongPtrA(hwnd, kFontSlot, static_cast<LONG_PTR>(w));
        if (LOWORD(l)) InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
      case WM_GETFONT:
        return static_cast<LRESULT>(GetWindowLongPtrA(hwnd, kFontSlot));
      case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(QuoteGridText(*form).size());
      case WM_GETTEXT: {
        if (w == 0 || l == 0) return 0;
        const std::string text = QuoteGridText(*form);
        const size_t n = std::min<size_t>(text.size(), static_cast<size_t>(w) - 1);
        std::memcpy(reinterpret_cast<char*>(l), text.data(), n);
        reinterpret_cast<char*>(l)[n] = '\0';
        return static_cast<LRESULT>(n);
      }
      default:
        return DefWindowProcA(hwnd, msg, w, l);
    }
  });
}

}  // namespace

std::string QuoteGridText(const TMainForm& form) {
  std::string text;
  for (int row = 0; row < TMainForm::kGridRows; ++row) {
    if (row > 0) text += "\r\n";
    text += form.Cell(0, row) + "\t" + form.Cell(1, row);
  }
  return text;
}

bool RegisterQuoteGridClass() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = GridProc;
  wc.cbWndExtra = sizeof(HFONT);
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = ids::kGridClass;
  return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CreateQuoteGrid(HWND parent, int x, int y, int width, int height, const TMainForm& form) {
  return CreateWindowExA(0, ids::kGridClass, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, x, y, width,
                         height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ids::kGrid)),
                         GetModuleHandleA(nullptr), const_cast<TMainForm*>(&form));
}

}  // namespace tickwell
