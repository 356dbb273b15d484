#include "app/win32/glyphs.h"

#include <initializer_list>

namespace tickwell {
namespace {

constexpr COLORREF kMask = RGB(255, 0, 255);

HBITMAP Paint(HDC screen, bool on) {
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, 16, 16);
  HGDIOBJ old_bmp = SelectObject(dc, bmp);
  RECT all{0, 0, 16, 16};
  HBRUSH mask = CreateSolidBrush(kMask);
  FillRect(dc, &all, mask);
  DeleteObject(mask);
  HPEN pen = CreatePen(PS_SOLID, 2, on ? RGB(0, 128, 0) : RGB(192, 0, 0));
  HBRUSH fill =
      on ? CreateSolidBrush(RGB(0, 200, 0)) : static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
  HGDIOBJ old_pen = SelectObject(dc, pen);
  HGDIOBJ old_brush = SelectObject(dc, fill);
  Ellipse(dc, 2, 2, 15, 15);
  if (!on) {
    MoveToEx(dc, 4, 12, nullptr);  // a slash through the ring: switched off
    LineTo(dc, 13, 3);
  }
  SelectObject(dc, old_brush);
  SelectObject(dc, old_pen);
  if (on) DeleteObject(fill);
  DeleteObject(pen);
  SelectObject(dc, old_bmp);
  DeleteDC(dc);
  return bmp;
}

}  // namespace

HIMAGELIST CreateDdeGlyphs() {
  HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 0);
  if (!list) return nullptr;
  HDC screen = GetDC(nullptr);
  for (bool on : {false, true}) {
    HBITMAP bmp = Paint(screen, on);
    ImageList_AddMasked(list, bmp, kMask);
    DeleteObject(bmp);
  }
  ReleaseDC(nullptr, screen);
  return list;
}

}  // namespace tickwell
