#include "tools/sheet/sheet_window.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "tools/sheet/sheet_grid.h"
#include "tools/sheet/sheet_links.h"

namespace sheet {
namespace {

constexpr char kClassName[] = "TickwellSheet";
constexpr UINT_PTR kRetryTimer = 1;
constexpr UINT kConnectNow = WM_APP + 1;

// Geometry in pixels.
constexpr int kBarHeight = 26;     // formula bar
constexpr int kStatusHeight = 22;  // status line
constexpr int kRowHeader = 34;     // width of the row numbers
constexpr int kRowHeight = 21;
constexpr int kColumnWidth = 96;

const COLORREF kHeaderFill = RGB(236, 236, 236);
const COLORREF kGridLine = RGB(208, 208, 208);
const COLORREF kHeaderLine = RGB(170, 170, 170);
const COLORREF kSelection = RGB(33, 115, 70);
const COLORREF kMissing = RGB(150, 150, 150);
const COLORREF kStaleFill = RGB(244, 244, 244);

struct Sheet {
  Options options;
  Grid grid;
  Links links;
  HWND window = nullptr;
  std::size_t row = 0, column = 0;  // the selected value cell

  explicit Sheet(const Options& o)
      : options(o),
        grid(o.symbols, o.items),
        links(o.service, grid, [this](std::size_t, std::size_t) {
          if (window) InvalidateRect(window, nullptr, FALSE);
        }) {}

  // Spreadsheet cell (sheet_row, sheet_column) counts the heading row and the symbol column.
  RECT CellRect(std::size_t sheet_row, std::size_t sheet_column) const {
    RECT r;
    r.left = kRowHeader + static_cast<int>(sheet_column) * kColumnWidth;
    r.top = kBarHeight + kRowHeight * (1 + static_cast<int>(sheet_row));
    r.right = r.left + kColumnWidth;
    r.bottom = r.top + kRowHeight;
    return r;
  }

  static void Fill(HDC dc, const RECT& r, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
  }
  static void Line(HDC dc, int x0, int y0, int x1, int y1) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
  }
  static void Text(HDC dc, RECT r, const std::string& text, UINT align, COLORREF colour) {
    r.left += 4;
    r.right -= 4;
    SetTextColor(dc, colour);
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r,
              align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  }

  std::string Status() const {
    const std::size_t all = grid.Rows() * grid.Columns();
    const std::size_t running = links.LinksRunning();
    char text[256];
    const std::size_t stale = links.CellsStale();
    if (stale > 0)
      std::snprintf(text, sizeof text,
                    "%zu of %zu links to %s running; %zu values stale (grey): "
                    "waiting for DDE service %s",
                    running, all, options.service.c_str(), stale, options.service.c_str());
    else if (running == 0)
      std::snprintf(text, sizeof text, "No link yet: waiting for DDE service %s",
                    options.service.c_str());
    else
      std::snprintf(text, sizeof text, "%zu of %zu links to %s running, %ld updates", running, all,
                    options.service.c_str(), links.Updates());
    return text;
  }

  void Paint(HDC dc, const RECT& client) {
    Fill(dc, client, RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    HPEN grid_pen = CreatePen(PS_SOLID, 1, kGridLine);
    HPEN header_pen = CreatePen(PS_SOLID, 1, kHeaderLine);

    // Formula bar: the selected cell's name and its formula.
    RECT bar = {0, 0, client.right, kBarHeight - 1};
    Fill(dc, bar, kHeaderFill);
    RECT name = {4, 3, 4 + 60, kBarHeight - 4};
    Fill(dc, name, RGB(255, 255, 255));
    FrameRect(dc, &name, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    Text(dc, name, ColumnName(column + 1) + std::to_string(row + 2), DT_LEFT, RGB(0, 0, 0));
    RECT formula = {72, 3, client.right - 4, kBarHeight - 4};
    Fill(dc, formula, RGB(255, 255, 255));
    FrameRect(dc, &formula, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    Text(dc, formula, grid.Formula(options.service, row, column), DT_LEFT, RGB(0, 0, 0));

    // Column letters and row numbers.
    const std::size_t sheet_columns = grid.Columns() + 1;
    const std::size_t sheet_rows = grid.Rows() + 1;
    RECT letters = {0, kBarHeight, client.right, kBarHeight + kRowHeight};
    Fill(dc, letters, kHeaderFill);
    RECT numbers = {0, kBarHeight, kRowHeader, client.bottom - kStatusHeight};
    Fill(dc, numbers, kHeaderFill);
    SelectObject(dc, header_pen);
    for (std::size_t c = 0; c < sheet_columns; ++c) {
      RECT r = CellRect(0, c);
      OffsetRect(&r, 0, -kRowHeight);
      Text(dc, r, ColumnName(c), DT_CENTER, RGB(60, 60, 60));
      Line(dc, r.right, r.top, r.right, r.bottom);
    }
    for (std::size_t s = 0; s < sheet_rows; ++s) {
      RECT r = CellRect(s, 0);
      r.left = 0;
      r.right = kRowHeader;
      Text(dc, r, std::to_string(s + 1), DT_CENTER, RGB(60, 60, 60));
      Line(dc, 0, r.bottom, kRowHeader, r.bottom);
    }
    Line(dc, 0, kBarHeight + kRowHeight, client.right, kBarHeight + kRowHeight);
    Line(dc, kRowHeader, kBarHeight, kRowHeader, client.bottom - kStatusHeight);

    // The cells: headings in row 1, symbols in column A, linked values right-aligned.
    SelectObject(dc, grid_pen);
    for (std::size_t s = 0; s < sheet_rows; ++s) {
      for (std::size_t c = 0; c < sheet_columns; ++c) {
        RECT r = CellRect(s, c);
        Line(dc, r.left, r.bottom - 1, r.right, r.bottom - 1);
        Line(dc, r.right - 1, r.top, r.right - 1, r.bottom);
        if (s == 0) {
          Text(dc, r, c == 0 ? "Symbol" : grid.Item(c - 1), DT_LEFT, RGB(0, 0, 0));
        } else if (c == 0) {
          Text(dc, r, grid.Symbol(s - 1), DT_LEFT, RGB(0, 0, 0));
        } else if (!links.CellLinked(s - 1, c - 1) && grid.Value(s - 1, c - 1).empty()) {
          Text(dc, r, "#N/A", DT_RIGHT, kMissing);
        } else if (links.CellStale(s - 1, c - 1)) {
          Fill(dc, {r.left, r.top, r.right - 1, r.bottom - 1}, kStaleFill);
          Text(dc, r, grid.Value(s - 1, c - 1), DT_RIGHT, kMissing);
        } else {
          Text(dc, r, grid.Value(s - 1, c - 1), DT_RIGHT, RGB(0, 0, 0));
        }
      }
    }
    RECT selected = CellRect(row + 1, column + 1);
    HBRUSH mark = CreateSolidBrush(kSelection);
    FrameRect(dc, &selected, mark);
    InflateRect(&selected, -1, -1);
    FrameRect(dc, &selected, mark);
    DeleteObject(mark);

    RECT status = {0, client.bottom - kStatusHeight, client.right, client.bottom};
    Fill(dc, status, kHeaderFill);
    SelectObject(dc, header_pen);
    Line(dc, 0, status.top, client.right, status.top);
    Text(dc, status, Status(), DT_LEFT, RGB(0, 0, 0));

    SelectObject(dc, GetStockObject(BLACK_PEN));
    DeleteObject(grid_pen);
    DeleteObject(header_pen);
  }

  void OnPaint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    // Drawn off screen first, so a burst of updates does not flicker.
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    Paint(memory, client);
    BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    EndPaint(window, &ps);
  }

  void OnClick(int x, int y) {
    for (std::size_t r = 0; r < grid.Rows(); ++r)
      for (std::size_t c = 0; c < grid.Columns(); ++c) {
        RECT cell = CellRect(r + 1, c + 1);
        POINT p = {x, y};
        if (PtInRect(&cell, p)) {
          row = r;
          column = c;
          InvalidateRect(window, nullptr, FALSE);
        }
      }
  }

  void Connect() {
    if (links.LinksRunning() < grid.Rows() * grid.Columns()) links.Connect();
    InvalidateRect(window, nullptr, FALSE);
  }
};

LRESULT CALLBACK SheetProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(l);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* sheet = reinterpret_cast<Sheet*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!sheet) return DefWindowProcA(hwnd, msg, w, l);
  switch (msg) {
    case WM_PAINT:
      sheet->OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
      sheet->OnClick(static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l)));
      return 0;
    case WM_TIMER:
    case kConnectNow:
      if (msg == kConnectNow || w == kRetryTimer) sheet->Connect();
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd, kRetryTimer);
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, w, l);
}

}  // namespace

int RunWindow(const Options& options) {
  auto sheet = std::make_unique<Sheet>(options);
  std::string error;
  if (!sheet->links.Start(error)) {
    std::fprintf(stderr, "tickwell-sheet: %s\n", error.c_str());
    return 5;
  }
  HINSTANCE module = GetModuleHandleA(nullptr);
  WNDCLASSA wc = {};
  wc.lpfnWndProc = SheetProc;
  wc.hInstance = module;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  wc.lpszClassName = kClassName;
  RegisterClassA(&wc);

  RECT size = {
      0, 0, kRowHeader + kColumnWidth * static_cast<int>(options.items.size() + 1),
      kBarHeight + kRowHeight * static_cast<int>(options.symbols.size() + 2) + kStatusHeight + 6};
  const DWORD style = WS_OVERLAPPEDWINDOW;
  AdjustWindowRect(&size, style, FALSE);
  const std::string title = "tickwell-sheet - " + options.service;
  HWND hwnd = CreateWindowA(kClassName, title.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                            size.right - size.left, size.bottom - size.top, nullptr, nullptr,
                            module, sheet.get());
  if (!hwnd) {
    std::fprintf(stderr, "tickwell-sheet: the window could not be made (error %lu)\n",
                 GetLastError());
    return 5;
  }
  sheet->window = hwnd;
  ShowWindow(hwnd, SW_SHOWNORMAL);
  SetTimer(hwnd, kRetryTimer, options.retry_ms, nullptr);
  PostMessageA(hwnd, kConnectNow, 0, 0);
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  sheet->window = nullptr;
  return 0;
}

}  // namespace sheet
