#include "app/win32/settings_dialog.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/win32/control_ids.h"
#include "app/win32/dialog_template.h"
#include "platform/exception_report.h"

namespace tickwell {
namespace {

// The box is this wide, or wider when the system's font makes the terminals' rows so.
constexpr int kMargin = 12, kWidth = 400, kButtonWidth = 75, kButtonHeight = 23;
// Inside the Terminals group: its caption's room above the first row, the space at its sides,
// a row's height, and the widths of the drop-downs and of the prefix and suffix.
constexpr int kGroupTop = 20, kGroupPad = 10, kRow = 28, kComboWidth = 150, kAffixWidth = 70;

struct SettingsState {
  SettingsBox box;
  std::vector<TSymbolRule> rules;  // as edited, by the place of their terminal in box.Terminals
  int shown_rule = -1;             // the terminal whose rule the prefix and suffix show
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

int TextWidth(HWND dialog, const std::string& text) {
  return static_cast<int>(Measure(dialog, text, 1000, false).cx);
}

std::string TextOf(HWND control) {
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(control)) + 1, '\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::string Trimmed(std::string text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.back())) text.pop_back();
  text.erase(0, static_cast<std::size_t>(std::find_if_not(text.begin(), text.end(), blank) -
                                         text.begin()));
  return text;
}

void FollowCheck(HWND dialog) {
  EnableWindow(GetDlgItem(dialog, ids::kSettingsMt4Service),
               IsDlgButtonChecked(dialog, ids::kSettingsMt4Enabled) == BST_CHECKED);
}

// The prefix and suffix edited so far are kept for the terminal they were shown for.
void KeepRuleEdits(HWND dialog, SettingsState& state) {
  if (state.shown_rule < 0) return;
  TSymbolRule& rule = state.rules[static_cast<std::size_t>(state.shown_rule)];
  rule.Prefix = TextOf(GetDlgItem(dialog, ids::kSettingsPrefix));
  rule.Suffix = TextOf(GetDlgItem(dialog, ids::kSettingsSuffix));
}

// The prefix and suffix show the rule of the terminal chosen in the rule's drop-down.
void ShowRule(HWND dialog, SettingsState& state, int terminal) {
  KeepRuleEdits(dialog, state);
  if (terminal < 0 || terminal >= static_cast<int>(state.rules.size())) return;
  SendDlgItemMessageA(dialog, ids::kSettingsRuleTerminal, CB_SETCURSEL,
                      static_cast<WPARAM>(terminal), 0);
  state.shown_rule = terminal;
  const TSymbolRule& rule = state.rules[static_cast<std::size_t>(terminal)];
  SetDlgItemTextA(dialog, ids::kSettingsPrefix, rule.Prefix.c_str());
  SetDlgItemTextA(dialog, ids::kSettingsSuffix, rule.Suffix.c_str());
}

const char kDefaultLabel[] = "Default terminal (MT5, MT4):";
const char kRuleLabel[] = "Symbol names of:";
const char kPrefixLabel[] = "Prefix:";
const char kSuffixLabel[] = "Suffix:";

// The column the Terminals group's captions take, and the width of the suffix's caption.
int CaptionWidth(HWND dialog) {
  return std::max(TextWidth(dialog, kDefaultLabel), TextWidth(dialog, kRuleLabel)) + 4;
}
int SuffixWidth(HWND dialog) { return TextWidth(dialog, kSuffixLabel) + 4; }

// The box's width: the prefix and suffix line up under the drop-downs, and both fit.
int BoxWidth(HWND dialog) {
  return std::max(kWidth, 2 * (kMargin + kGroupPad) + CaptionWidth(dialog) + 6 + kAffixWidth + 12 +
                              SuffixWidth(dialog) + 6 + kAffixWidth);
}

// The Terminals group from top, in a box width wide: the default's drop-down, the rule's
// terminal with its prefix and suffix, and a note. Answers where the group ends.
int LayoutTerminals(HWND dialog, SettingsState& state, int width, int top) {
  const int inner = width - 2 * kMargin;
  HWND group = AddControl(dialog, "BUTTON", "Terminals", BS_GROUPBOX, kMargin, top, inner, 0,
                          ids::kSettingsTerminalsGroup);
  const int left = kMargin + kGroupPad, right = width - kMargin - kGroupPad;
  const int label_width = CaptionWidth(dialog);
  const int field = left + label_width + 6;
  const int combo_width = std::min(kComboWidth, right - field);
  int y = top + kGroupTop;

  AddControl(dialog, "STATIC", kDefaultLabel, SS_LEFT | SS_NOPREFIX, left, y + 3, label_width, 16,
             -1);
  // Editable: a terminal that has not sent this run may be chosen by its label.
  HWND chosen =
      AddControl(dialog, "COMBOBOX", "", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP,
                 field, y, combo_width, 150, ids::kSettingsDefaultTerminal);
  SendMessageA(chosen, CB_LIMITTEXT, 100, 0);
  y += kRow;

  AddControl(dialog, "STATIC", kRuleLabel, SS_LEFT | SS_NOPREFIX, left, y + 3, label_width, 16, -1);
  HWND ruled = AddControl(dialog, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, field,
                          y, combo_width, 150, ids::kSettingsRuleTerminal);
  for (const SettingsTerminal& terminal : state.box.Terminals) {
    SendMessageA(chosen, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(terminal.Label.c_str()));
    SendMessageA(ruled, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(terminal.Label.c_str()));
  }
  SetWindowTextA(chosen, state.box.DefaultTerminal.c_str());
  y += kRow;

  AddControl(dialog, "STATIC", kPrefixLabel, SS_LEFT | SS_NOPREFIX, left, y + 3, label_width, 16,
             -1);
  HWND prefix_edit = AddControl(dialog, "EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, field, y,
                                kAffixWidth, 21, ids::kSettingsPrefix, WS_EX_CLIENTEDGE);
  const int suffix_left = field + kAffixWidth + 12;
  const int suffix_width = SuffixWidth(dialog);
  AddControl(dialog, "STATIC", kSuffixLabel, SS_LEFT | SS_NOPREFIX, suffix_left, y + 3,
             suffix_width, 16, -1);
  HWND suffix_edit =
      AddControl(dialog, "EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, suffix_left + suffix_width + 6, y,
                 kAffixWidth, 21, ids::kSettingsSuffix, WS_EX_CLIENTEDGE);
  for (HWND edit : {prefix_edit, suffix_edit}) SendMessageA(edit, EM_LIMITTEXT, 100, 0);
  y += kRow + 2;

  const bool known = !state.box.Terminals.empty();
  const std::string note =
      known ? "EURUSD.m: suffix .m. A workbook may then ask for EURUSD in that terminal's "
              "services; the broker's own name answers too."
            : "No terminal has sent yet: terminals appear here once they send quotes.";
  const int note_height = static_cast<int>(Measure(dialog, note, right - left, true).cy);
  AddControl(dialog, "STATIC", note, SS_LEFT | SS_NOPREFIX, left, y, right - left, note_height,
             ids::kSettingsTerminalsNote);
  y += note_height + kGroupPad;
  for (HWND control : {ruled, prefix_edit, suffix_edit}) EnableWindow(control, known);
  ShowRule(dialog, state, 0);
  MoveWindow(group, kMargin, top, inner, y - top, FALSE);
  return y;
}

void Layout(HWND dialog, SettingsState& state) {
  SetWindowTextA(dialog, "Tickwell settings");
  // Each text measured in the box's font, which the system may have replaced by a wider one.
  const int width = BoxWidth(dialog), inner = width - 2 * kMargin;
  int y = kMargin;
  const std::string check = "Also publish quotes in MetaTrader 4's DDE layout";
  const SIZE check_size = Measure(dialog, check, inner, false);
  AddControl(dialog, "BUTTON", check, BS_AUTOCHECKBOX | WS_TABSTOP, kMargin, y,
             std::min(inner, static_cast<int>(check_size.cx) + 24), 18, ids::kSettingsMt4Enabled);
  CheckDlgButton(dialog, ids::kSettingsMt4Enabled,
                 state.box.Current.Mt4Enabled ? BST_CHECKED : BST_UNCHECKED);
  y += 26;
  const std::string label = "Service name:";
  const int label_width = TextWidth(dialog, label) + 4;
  AddControl(dialog, "STATIC", label, SS_LEFT, kMargin + 18, y + 3, label_width, 16, -1);
  HWND name = AddControl(dialog, "EDIT", state.box.Current.Mt4Service, ES_AUTOHSCROLL | WS_TABSTOP,
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
  y += note_height + 10;
  y = LayoutTerminals(dialog, state, width, y) + 8;
  // What keeps the layout off while DDE is on, until a refused change takes its place.
  const std::string& problem = state.box.Current.Mt4Problem;
  const int problem_height =
      std::max(2 * static_cast<int>(Measure(dialog, "X", inner, false).cy),
               problem.empty() ? 0 : static_cast<int>(Measure(dialog, problem, inner, true).cy));
  AddControl(dialog, "STATIC", problem, SS_LEFT | SS_NOPREFIX, kMargin, y, inner, problem_height,
             ids::kSettingsProblem);
  y += problem_height + 8;
  AddControl(dialog, "BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP,
             width - kMargin - 2 * kButtonWidth - 8, y, kButtonWidth, kButtonHeight, IDOK);
  AddControl(dialog, "BUTTON", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, width - kMargin - kButtonWidth,
             y, kButtonWidth, kButtonHeight, IDCANCEL);
  y += kButtonHeight + kMargin;
  FollowCheck(dialog);

  RECT frame{0, 0, width, y};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE)));
  RECT over{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  HWND owner = GetWindow(dialog, GW_OWNER);
  if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &over);
  const int outer_width = frame.right - frame.left, height = frame.bottom - frame.top;
  // Centred over the owner, and whole on its screen however small the owner is or wherever it
  // sits.
  int left = (over.left + over.right - outer_width) / 2,
      top = (over.top + over.bottom - height) / 2;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoA(MonitorFromRect(&over, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const RECT& work = monitor.rcWork;
    left = std::max<int>(work.left, std::min<int>(left, work.right - outer_width));
    top = std::max<int>(work.top, std::min<int>(top, work.bottom - height));
  }
  SetWindowPos(dialog, nullptr, left, top, outer_width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Close(HWND dialog, const SettingsState& state, int result) {
  if (state.modal)
    EndDialog(dialog, result);
  else
    DestroyWindow(dialog);
}

// What is wrong stays in the box, with the control to mend it chosen.
void Refuse(HWND dialog, const std::string& problem, int control) {
  SetDlgItemTextA(dialog, ids::kSettingsProblem, problem.c_str());
  HWND focus = GetDlgItem(dialog, control);
  SetFocus(focus);
  SendMessageA(focus, control == ids::kSettingsDefaultTerminal ? CB_SETEDITSEL : EM_SETSEL, 0,
               control == ids::kSettingsDefaultTerminal ? MAKELPARAM(0, -1) : -1);
}

// MetaTrader 4's layout as before, then the default terminal and each terminal's rule that
// changed. The first change refused keeps the box open; those taken before it stay taken.
void Apply(HWND dialog, SettingsState& state) {
  SettingsBox& box = state.box;
  const std::string name = TextOf(GetDlgItem(dialog, ids::kSettingsMt4Service));
  const bool enabled = IsDlgButtonChecked(dialog, ids::kSettingsMt4Enabled) == BST_CHECKED;
  std::string problem = box.ApplyMt4 ? box.ApplyMt4(enabled, name) : std::string();
  if (!problem.empty()) return Refuse(dialog, problem, ids::kSettingsMt4Service);

  const std::string label = Trimmed(TextOf(GetDlgItem(dialog, ids::kSettingsDefaultTerminal)));
  if (label != box.DefaultTerminal) {
    problem = box.ApplyDefault ? box.ApplyDefault(label) : std::string();
    if (!problem.empty()) return Refuse(dialog, problem, ids::kSettingsDefaultTerminal);
    box.DefaultTerminal = label;
  }

  KeepRuleEdits(dialog, state);
  for (std::size_t t = 0; t < box.Terminals.size(); ++t) {
    SettingsTerminal& terminal = box.Terminals[t];
    if (state.rules[t] == terminal.Rule) continue;
    problem = box.ApplyRule ? box.ApplyRule(terminal.Label, state.rules[t]) : std::string();
    if (!problem.empty()) {
      ShowRule(dialog, state, static_cast<int>(t));
      return Refuse(dialog, problem, ids::kSettingsPrefix);
    }
    terminal.Rule = state.rules[t];
  }
  Close(dialog, state, IDOK);
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
        case ids::kSettingsRuleTerminal:
          if (HIWORD(w) == CBN_SELCHANGE)
            ShowRule(dialog, *state,
                     static_cast<int>(SendDlgItemMessageA(dialog, ids::kSettingsRuleTerminal,
                                                          CB_GETCURSEL, 0, 0)));
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

SettingsState* NewState(SettingsBox box, bool modal) {
  auto* state = new SettingsState{std::move(box), {}, -1, modal};
  for (const SettingsTerminal& terminal : state->box.Terminals)
    state->rules.push_back(terminal.Rule);
  return state;
}

}  // namespace

SettingsBox SettingsBoxFor(TMainForm& form) {
  SettingsBox box;
  box.Current = form.Settings();
  box.DefaultTerminal = form.Settings().DefaultTerminal;
  // The remembered default is in the book from the start, before it sends.
  const TQuoteBook& book = form.Book();
  for (int t = 0; t < book.TerminalCount(); ++t)
    if (!book.Terminal(t).Label.empty())
      box.Terminals.push_back({book.Terminal(t).Label, book.Terminal(t).Rule});
  box.ApplyMt4 = [&form](bool enabled, const std::string& service) {
    return form.ChangeMt4Settings(enabled, service);
  };
  box.ApplyDefault = [&form](const std::string& label) {
    return form.ChangeDefaultTerminal(label);
  };
  box.ApplyRule = [&form](const std::string& label, const TSymbolRule& rule) {
    return form.ChangeSymbolRule(label, rule);
  };
  return box;
}

void ShowSettingsDialog(HWND owner, SettingsBox box) {
  std::unique_ptr<SettingsState> state(NewState(std::move(box), true));
  const std::vector<DWORD> tpl = EmptyDialogTemplate();
  DialogBoxIndirectParamA(GetModuleHandleA(nullptr),
                          reinterpret_cast<const DLGTEMPLATE*>(tpl.data()), owner, DialogProc,
                          reinterpret_cast<LPARAM>(state.get()));
}

HWND CreateSettingsDialog(HWND owner, SettingsBox box) {
  SettingsState* state = NewState(std::move(box), false);
  const std::vector<DWORD> tpl = EmptyDialogTemplate();
  HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                           reinterpret_cast<const DLGTEMPLATE*>(tpl.data()), owner,
                                           DialogProc, reinterpret_cast<LPARAM>(state));
  if (dialog) ShowWindow(dialog, SW_SHOWNOACTIVATE);
  return dialog;
}

}  // namespace tickwell
