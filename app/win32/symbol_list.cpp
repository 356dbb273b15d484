#include "app/win32/symbol_list.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "app/win32/control_ids.h"
#include "platform/locale.h"

namespace tickwell {
namespace {

// The widest value a column commonly holds, in the locale's own date and time forms.
std::string WidestValue(int col) {
  switch (col) {
    case TMainForm::kColTerminal:
      return "(unnamed)";
    case TMainForm::kColSymbol:
      return "EURUSD.ecn";
    case TMainForm::kColTime:
      return platform::FormatShortDate(2023, 12, 28) + " " + platform::FormatLongTime(22, 58, 58);
    case TMainForm::kColVolume:
      return "12345678";
    case TMainForm::kColReceived:
      return platform::FormatLongTime(22, 58, 58);
    default:
      return "12345.678";
  }
}

bool IsNumberColumn(int col) {
  return col != TMainForm::kColTerminal && col != TMainForm::kColSymbol &&
         col != TMainForm::kColTime && col != TMainForm::kColReceived;
}

// What the control keeps beside a cell's text, with a little air.
constexpr int kMargins = 14;

int TextWidth(HDC dc, const std::string& text) {
  SIZE extent{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  return extent.cx;
}

}  // namespace

HWND CreateSymbolList(HWND parent, int x, int y, int width, int height, HFONT font,
                      const TMainForm& form) {
  HWND list = CreateWindowExA(
      WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
      WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS, x, y,
      width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ids::kSymbolList)),
      GetModuleHandleA(nullptr), nullptr);
  if (!list) return nullptr;
  SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
               LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
  for (int col = 0; col < TMainForm::kListCols; ++col) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    // Prices and volumes line up at their right edge; the first column cannot.
    column.fmt = IsNumberColumn(col) ? LVCFMT_RIGHT : LVCFMT_LEFT;
    column.pszText = const_cast<char*>(TMainForm::ListCaption(col));
    column.iSubItem = col;
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(col),
                 reinterpret_cast<LPARAM>(&column));
  }
  FitSymbolListColumns(list, form);
  return list;
}

void FitSymbolListColumns(HWND list, const TMainForm& form) {
  // Each column as wide as its caption or its widest value in the list's font, with the
  // margins the control keeps around a cell's text.
  std::array<int, TMainForm::kListCols> widths{};
  HDC dc = GetDC(list);
  auto font = reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  for (int col = 0; col < TMainForm::kListCols; ++col)
    widths[col] =
        std::max(TextWidth(dc, WidestValue(col)), TextWidth(dc, TMainForm::ListCaption(col)));
  // Symbols are names a broker chooses ("Crude Oil WTI"), labels names a user chooses: the
  // columns follow the longest.
  for (int row = 0; row < form.RowCount(); ++row)
    for (int col : {TMainForm::kColTerminal, TMainForm::kColSymbol})
      widths[col] = std::max(widths[col], TextWidth(dc, form.ListCell(row, col)));
  SelectObject(dc, old);
  ReleaseDC(list, dc);
  int natural = 0;
  for (int& width : widths) {
    width += kMargins;
    natural += width;
  }

  // The room the rows have, without a vertical scroll bar's width.
  RECT client;
  GetClientRect(list, &client);
  const int extra = static_cast<int>(client.right) - natural;
  for (int col = 0; col < TMainForm::kListCols; ++col) {
    // Shared evenly, the pixels that do not divide going to the later columns.
    const int share =
        extra <= 0 ? 0
                   : extra * (col + 1) / TMainForm::kListCols - extra * col / TMainForm::kListCols;
    const int width = widths[col] + share;
    if (SendMessageA(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(col), 0) != width)
      SendMessageA(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(col), MAKELPARAM(width, 0));
  }
}

void FollowSymbolList(HWND list, TMainForm& form) {
  const TListChanges changes = form.TakeListChanges();
  if (changes.All) {
    // Rows were added: the count changes and every row shown may now be another symbol.
    SendMessageA(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(form.RowCount()), LVSICF_NOSCROLL);
    // A new symbol may be longer, and a scroll bar may have come.
    FitSymbolListColumns(list, form);
    InvalidateRect(list, nullptr, FALSE);
    return;
  }
  if (changes.Rows.empty() || !IsWindowVisible(list)) return;
  const int top = static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
  const int shown = static_cast<int>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0)) + 1;
  for (int row : changes.Rows) {
    if (row >= top && row <= top + shown)
      SendMessageA(list, LVM_REDRAWITEMS, static_cast<WPARAM>(row), static_cast<LPARAM>(row));
  }
}

void AnswerSymbolListText(NMLVDISPINFOA& info, const TMainForm& form) {
  LVITEMA& item = info.item;
  if (!(item.mask & LVIF_TEXT) || item.pszText == nullptr || item.cchTextMax <= 0) return;
  if (item.iItem < 0 || item.iItem >= form.RowCount() || item.iSubItem < 0 ||
      item.iSubItem >= TMainForm::kListCols) {
    item.pszText[0] = '\0';
    return;
  }
  const std::string text = form.ListCell(item.iItem, item.iSubItem);
  const std::size_t n = std::min<std::size_t>(text.size(), item.cchTextMax - 1);
  std::memcpy(item.pszText, text.data(), n);
  item.pszText[n] = '\0';
}

}  // namespace tickwell
