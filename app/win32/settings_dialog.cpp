#include "app/win32/settings_dialog.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "app/win32/control_ids.h"
#include "app/win32/dialog_template.h"
#include "platform/exception_report.h"

namespace tickwell {
namespace {

constexpr int kMargin = 12, kWidth = 400, kButtonWidth = 75, kButtonHeight = 23;

struct SettingsState {
  TSettings current;
  SettingsApply apply;
  bool modal = false;
};

SettingsState* StateOf(HWND dialog) {
  return reinterpret_cast<SettingsState*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

HWND AddControl(HWND dialog, const char* cls, const std::string& text, DWORD style, int x, int y,
                int w, int h, int id, DWORD ex_style = 0) {
  HWND control = CreateWindowExA(ex_style, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y,
                                 w, h, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleA(nullptr), nullptr);
  if (control) SendMessageA(control, WM_SETFONT, SendMessageA(dialog, WM_GETFONT, 0, 0), FALSE);
  return control;
}

// The size text takes in the box's font, wrapped at width when wrap is set.
SIZE Measure(HWND dialog, const std::string& text, int width, bool wrap) {
  HDC dc = GetDC(dialog);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
  RECT r{0, 0, width, 0};
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r,
            DT_CALCRECT | DT_NOPREFIX | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
  SelectObject(dc, old);
  ReleaseDC(dialog, dc);
  return {r.right - r.left, r.bottom - r.top};
}

void FollowCheck(HWND dialog) {
  EnableWindow(GetDlgItem(dialog, ids::kSettingsMt4Service),
               IsDlgButtonChecked(dialog, ids::kSettingsMt4Enabled) == BST_CHECKED);
}

void Layout(HWND dialog, const SettingsState& state) {
  SetWindowTextA(dialog, "Tickwell settings");
  // Each text measured in the box's font, which the system may have replaced by a wider one.
  const int inner = kWidth - 2 * kMargin;
  int y = kMargin;
  const std::string check = "Also publish quotes in MetaTrader 4's DDE layout";
  const SIZE check_size = Measure(dialog, check, inner, false);
  AddControl(dialog, "BUTTON", check, BS_AUTOCHECKBOX | WS_TABSTOP, kMargin, y,
             std::min(inner, static_cast<int>(check_size.cx) + 24), 18, ids::kSettingsMt4Enabled);
  CheckDlgButton(dialog, ids::kSettingsMt4Enabled,
                 state.current.Mt4Enabled ? BST_CHECKED : BST_UNCHECKED);
  y += 26;
  const std::string label = "Service name:";
  const int label_width = static_cast<int>(Measure(dialog, label, inner, false).cx) + 4;
  AddControl(dialog, "STATIC", label, SS_LEFT, kMargin + 18, y + 3, label_width, 16, -1);
  HWND name = AddControl(dialog, "EDIT", state.current.Mt4Service, ES_AUTOHSCROLL | WS_TABSTOP,
                         kMargin + 18 + label_width + 6, y, 140, 21, ids::kSettingsMt4Service,
                         WS_EX_CLIENTEDGE);
  SendMessageA(name, EM_LIMITTEXT, 300, 0);
  y += 32;
  const std::string note =
      "For a MetaTrader 4 workbook: =MT4|BID!EURUSD. Choose another name (for example MT4TW) "
      "while MetaTrader 4's own DDE server runs. A change applies the next time DDE is switched "
      "on.";
  const int note_height = static_cast<int>(Measure(dialog, note, inner, true).cy);
  AddControl(dialog, "STATIC", note, SS_LEFT | SS_NOPREFIX, kMargin, y, inner, note_height,
             ids::kSettingsNote);
  y += note_height + 8;
  // What keeps the layout off while DDE is on, until a refused name takes its place.
  const std::string& problem = state.current.Mt4Problem;
  const int problem_height =
      std::max(2 * static_cast<int>(Measure(dialog, "X", inner, false).cy),
               problem.empty() ? 0 : static_cast<int>(Measure(dialog, problem, inner, true).cy));
  AddControl(dialog, "STATIC", problem, SS_LEFT | SS_NOPREFIX, kMargin, y, inner, problem_height,
             ids::kSettingsProblem);
  y += problem_height + 8;
  AddControl(dialog, "BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP,
             kWidth - kMargin - 2 * kButtonWidth - 8, y, kButtonWidth, kButtonHeight, IDOK);
  AddControl(dialog, "BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP,
             kWidth - kMargin - kButtonWidth, y, kButtonWidth, kButtonHeight, IDCANCEL);
  y += kButtonHeight + kMargin;
  FollowCheck(dialog);

  RECT frame{0, 0, kWidth, y};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE)));
  RECT over{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  HWND owner = GetWindow(dialog, GW_OWNER);
  if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &over);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  SetWindowPos(dialog, nullptr, (over.left + over.right - width) / 2,
               (over.top + over.bottom - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Close(HWND dialog, const SettingsState& state, int result) {
  if (state.modal)
    EndDialog(dialog, result);
  else
    DestroyWindow(dialog);
}

void Apply(HWND dialog, SettingsState& state) {
  HWND edit = GetDlgItem(dialog, ids::kSettingsMt4Service);
  std::string name(static_cast<std::size_t>(GetWindowTextLengthA(edit)) + 1, '\0');
  name.resize(
      static_cast<std::size_t>(GetWindowTextA(edit, name.data(), static_cast<int>(name.size()))));
  const bool enabled = IsDlgButtonChecked(dialog, ids::kSettingsMt4Enabled) == BST_CHECKED;
  const std::string problem = state.apply ? state.apply(enabled, name) : std::string();
  if (problem.empty()) return Close(dialog, state, IDOK);
  SetDlgItemTextA(dialog, ids::kSettingsProblem, problem.c_str());
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, 0, -1);
}

INT_PTR OnMessage(HWND dialog, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, l);
    Layout(dialog, *reinterpret_cast<SettingsState*>(l));
    return TRUE;
  }
  SettingsState* state = StateOf(dialog);
  if (!state) return FALSE;
  switch (msg) {
    case WM_COMMAND:
      switch (LOWORD(w)) {
        case IDOK:
          Apply(dialog, *state);
          return TRUE;
        case IDCANCEL:
          Close(dialog, *state, IDCANCEL);
          return TRUE;
        case ids::kSettingsMt4Enabled:
          FollowCheck(dialog);
          return TRUE;
      }
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

void ShowSettingsDialog(HWND owner, const TSettings& current, SettingsApply apply) {
  SettingsState state{current, std::move(apply), true};
  const std::vector<DWORD> tpl = EmptyDialogTemplate();
  DialogBoxIndirectParamA(GetModuleHandleA(nullptr),
                          reinterpret_cast<const DLGTEMPLATE*>(tpl.data()), owner, DialogProc,
                          reinterpret_cast<LPARAM>(&state));
}

HWND CreateSettingsDialog(HWND owner, const TSettings& current, SettingsApply apply) {
  auto* state = new SettingsState{current, std::move(apply), false};
  const std::vector<DWORD> tpl = EmptyDialogTemplate();
  HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                           reinterpret_cast<const DLGTEMPLATE*>(tpl.data()), owner,
                                           DialogProc, reinterpret_cast<LPARAM>(state));
  if (dialog) ShowWindow(dialog, SW_SHOWNOACTIVATE);
  return dialog;
}

}  // namespace tickwell
