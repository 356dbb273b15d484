#include "app/win32/about_dialog.h"

#include <algorithm>
#include <vector>

#include "app/win32/control_ids.h"
#include "app/win32/dialog_template.h"
#include "platform/exception_report.h"
#include "platform/shell.h"

namespace tickwell {
namespace {

// Layout in pixels: the picture on the left, the texts in a column beside it, OK at the bottom
// right. The heights follow the texts, so a longer description makes a taller box.
constexpr int kMargin = 12;
constexpr int kPictureSize = 32;
constexpr int kTextLeft = kMargin + kPictureSize + kMargin;
constexpr int kTextWidth = 280;
constexpr int kClientWidth = kTextLeft + kTextWidth + kMargin;
constexpr int kButtonWidth = 75, kButtonHeight = 23;
// Link blue. The system's colour for links is not always one: Wine's is a pale grey that reads
// as disabled.
constexpr COLORREF kLinkColour = RGB(0, 64, 200);

struct AboutState {
  TAboutTexts texts;
  HICON picture = nullptr;
  LinkOpener open;
  bool modal = false;
  HFONT bold = nullptr;
  HFONT underlined = nullptr;
};

// The link's own words when it has them, else its address.
const std::string& LinkShown(const TAboutTexts& texts) {
  return texts.LinkText.empty() ? texts.Link : texts.LinkText;
}

AboutState* StateOf(HWND dialog) {
  return reinterpret_cast<AboutState*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// A copy of font with one change made to its description.
template <typename Change>
HFONT Variant(HFONT font, Change change) {
  LOGFONTA lf{};
  if (!font || !GetObjectA(font, sizeof lf, &lf)) return nullptr;
  change(lf);
  return CreateFontIndirectA(&lf);
}

// The size text takes in font, wrapped at width when wrap is set.
SIZE Measure(HWND window, HFONT font, const std::string& text, int width, bool wrap) {
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  RECT r{0, 0, width, 0};
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r,
            DT_CALCRECT | DT_NOPREFIX | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return {r.right - r.left, r.bottom - r.top};
}

HWND AddControl(HWND dialog, const char* cls, const std::string& text, DWORD style, int x, int y,
                int w, int h, int id, HFONT font) {
  HWND control = CreateWindowExA(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                                 dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleA(nullptr), nullptr);
  if (control && font) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

void Layout(HWND dialog, AboutState& state) {
  SetWindowTextA(dialog, state.texts.Title.c_str());
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
  state.bold = Variant(font, [](LOGFONTA& lf) { lf.lfWeight = FW_BOLD; });
  state.underlined = Variant(font, [](LOGFONTA& lf) { lf.lfUnderline = TRUE; });

  HWND picture = AddControl(dialog, "STATIC", "", SS_ICON | SS_CENTERIMAGE, kMargin, kMargin,
                            kPictureSize, kPictureSize, ids::kAboutPicture, nullptr);
  SendMessageA(picture, STM_SETICON, reinterpret_cast<WPARAM>(state.picture), 0);
  SetWindowPos(picture, nullptr, 0, 0, kPictureSize, kPictureSize, SWP_NOMOVE | SWP_NOZORDER);

  int y = kMargin;
  const SIZE version = Measure(dialog, state.bold, state.texts.Version, kTextWidth, false);
  AddControl(dialog, "STATIC", state.texts.Version, SS_LEFT | SS_NOPREFIX, kTextLeft, y, kTextWidth,
             version.cy, ids::kAboutVersion, state.bold ? state.bold : font);
  y += version.cy + 8;

  const std::string description = AboutDescriptionText(state.texts.Description);
  const SIZE text = Measure(dialog, font, description, kTextWidth, true);
  AddControl(dialog, "STATIC", description, SS_LEFT | SS_NOPREFIX, kTextLeft, y, kTextWidth,
             text.cy, ids::kAboutDescription, font);
  y += text.cy + 10;

  // A button drawn as a link: it takes the focus and answers the space bar like any button.
  const std::string& shown = LinkShown(state.texts);
  const SIZE link = Measure(dialog, state.underlined, shown, kTextWidth, false);
  AddControl(dialog, "BUTTON", shown, BS_OWNERDRAW | WS_TABSTOP, kTextLeft - 2, y,
             std::min<int>(link.cx + 4, kTextWidth + 2), link.cy + 4, ids::kAboutLink, font);
  y += link.cy + 4 + 14;

  HWND ok =
      AddControl(dialog, "BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP,
                 kClientWidth - kMargin - kButtonWidth, y, kButtonWidth, kButtonHeight, IDOK, font);
  y += kButtonHeight + kMargin;

  // The whole box around that client area, centred over its owner (or the screen).
  RECT frame{0, 0, kClientWidth, y};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE)));
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  RECT over{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  HWND owner = GetWindow(dialog, GW_OWNER);
  if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &over);
  int left = (over.left + over.right - width) / 2;
  int top = (over.top + over.bottom - height) / 2;
  left = std::clamp(left, 0, std::max(0, GetSystemMetrics(SM_CXSCREEN) - width));
  top = std::clamp(top, 0, std::max(0, GetSystemMetrics(SM_CYSCREEN) - height));
  SetWindowPos(dialog, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  // OK first in the tab order, so it has the focus when the box opens and the link is a Tab away.
  SetWindowPos(ok, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void DrawLink(const DRAWITEMSTRUCT& item, const AboutState& state) {
  RECT r = item.rcItem;
  FillRect(item.hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ old = state.underlined ? SelectObject(item.hDC, state.underlined) : nullptr;
  SetBkMode(item.hDC, TRANSPARENT);
  SetTextColor(item.hDC, kLinkColour);
  RECT text = r;
  InflateRect(&text, -2, -2);
  const std::string& shown = LinkShown(state.texts);
  DrawTextA(item.hDC, shown.c_str(), static_cast<int>(shown.size()), &text,
            DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
  if (old) SelectObject(item.hDC, old);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &r);
}

void OpenLink(HWND dialog, const AboutState& state) {
  if (state.open && state.open(dialog, state.texts.Link)) return;
  const std::string text = "The page could not be opened:\r\n" + state.texts.Link;
  MessageBoxA(dialog, text.c_str(), state.texts.Title.c_str(), MB_OK | MB_ICONWARNING);
}

void Close(HWND dialog, const AboutState& state, int result) {
  if (state.modal)
    EndDialog(dialog, result);
  else
    DestroyWindow(dialog);
}

INT_PTR OnMessage(HWND dialog, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, l);
    Layout(dialog, *reinterpret_cast<AboutState*>(l));
    return TRUE;  // the focus goes to the first control in the tab order: OK
  }
  AboutState* state = StateOf(dialog);
  if (!state) return FALSE;
  switch (msg) {
    case WM_COMMAND:
      switch (LOWORD(w)) {
        case IDOK:
        case IDCANCEL:
          Close(dialog, *state, LOWORD(w));
          return TRUE;
        case ids::kAboutLink:
          if (HIWORD(w) == BN_CLICKED) OpenLink(dialog, *state);
          return TRUE;
      }
      break;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
      if (item->CtlID != static_cast<UINT>(ids::kAboutLink)) break;
      DrawLink(*item, *state);
      return TRUE;
    }
    case WM_SETCURSOR:
      if (GetDlgCtrlID(reinterpret_cast<HWND>(w)) == ids::kAboutLink) {
        SetCursor(LoadCursor(nullptr, IDC_HAND));
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      break;
    case WM_DESTROY:
      if (state->bold) DeleteObject(state->bold);
      if (state->underlined) DeleteObject(state->underlined);
      state->bold = state->underlined = nullptr;
      break;
    case WM_NCDESTROY:
      SetWindowLongPtrA(dialog, DWLP_USER, 0);
      if (!state->modal) delete state;
      break;
  }
  return FALSE;
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT msg, WPARAM w, LPARAM l) {
  return platform::Guarded<INT_PTR>(FALSE, [&] { return OnMessage(dialog, msg, w, l); });
}

}  // namespace

bool OpenWithShell(HWND parent, const std::string& address) {
  return platform::ShellOpen(reinterpret_cast<platform::Hwnd>(parent), address);
}

std::string AboutDescriptionText(const std::string& description) {
  std::string text;
  for (std::size_t i = 0; i < description.size(); ++i) {
    const char c = description[i];
    if (c != '\r' && c != '\n') {
      text += c;
      continue;
    }
    text += "\r\n";
    // CR LF and LF CR are one break each.
    if (i + 1 < description.size() && (description[i + 1] == '\r' || description[i + 1] == '\n') &&
        description[i + 1] != c)
      ++i;
  }
  return text;
}

void ShowAboutDialog(HWND owner, const TAboutTexts& texts, HICON picture, LinkOpener open) {
  AboutState state{texts, picture, std::move(open), true};
  const std::vector<DWORD> tpl = EmptyDialogTemplate();
  DialogBoxIndirectParamA(GetModuleHandleA(nullptr),
                          reinterpret_cast<const DLGTEMPLATE*>(tpl.data()), owner, DialogProc,
                          reinterpret_cast<LPARAM>(&state));
}

HWND CreateAboutDialog(HWND owner, const TAboutTexts& texts, HICON picture, LinkOpener open) {
  // The box frees its state when it goes; a box that could not even be made leaks it, which is
  // safer than guessing whether it got far enough to free it.
  auto* state = new AboutState{texts, picture, std::move(open), false};
  const std::vector<DWORD> tpl = EmptyDialogTemplate();
  HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                           reinterpret_cast<const DLGTEMPLATE*>(tpl.data()), owner,
                                           DialogProc, reinterpret_cast<LPARAM>(state));
  if (!dialog) return nullptr;
  ShowWindow(dialog, SW_SHOW);
  return dialog;
}

}  // namespace tickwell
