// The Settings box in this process: what it opens with, the name following the switch, a refused
// name keeping it open with the reason, a taken one closing it; the terminals it lists, and the
// default and symbol rules it hands to the program's form and its settings file.
#include "app/win32/settings_dialog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/win32/control_ids.h"
#include "interapp/terminal_label.h"

namespace tickwell {
namespace {

namespace ids = tickwell::ids;

std::string TextOf(HWND window) {
  char text[512] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

using Mt4Apply = std::function<std::string(bool, const std::string&)>;

// A box of MetaTrader 4's layout alone: no terminal known.
SettingsBox Mt4Box(const TSettings& current, Mt4Apply apply) {
  SettingsBox box;
  box.Current = current;
  box.ApplyMt4 = std::move(apply);
  return box;
}

// Whether the control's text fits it in the font the system gave the box, and the control the box.
void ExpectFits(HWND box, int id, bool wraps) {
  RECT client;
  GetClientRect(box, &client);
  HWND control = GetDlgItem(box, id);
  RECT r;
  GetClientRect(control, &r);
  const std::string text = TextOf(control);
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  RECT need{0, 0, r.right, 0};
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &need,
            DT_CALCRECT | DT_NOPREFIX | (wraps ? DT_WORDBREAK : DT_SINGLELINE));
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  // A check box's own square takes the first 16 or so pixels.
  EXPECT_LE(need.right + (wraps ? 0 : 16), r.right) << text;
  EXPECT_LE(need.bottom, r.bottom) << text;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
  EXPECT_LE(r.right, client.right) << text;
  EXPECT_LE(r.bottom, client.bottom) << text;
}

TEST(SettingsBox, ChangesMt4sLayoutOnlyWithANameTheApplicationTakes) {
  TSettings current;
  current.Mt4Enabled = false;
  current.Mt4Service = "MT4TW";
  std::vector<std::pair<bool, std::string>> asked;
  HWND box =
      CreateSettingsDialog(nullptr, Mt4Box(current, [&](bool enabled, const std::string& name) {
                             asked.push_back({enabled, name});
                             return name == "MT5" ? std::string("MT5 is taken") : std::string();
                           }));
  ASSERT_NE(box, nullptr);
  HWND check = GetDlgItem(box, ids::kSettingsMt4Enabled);
  HWND name = GetDlgItem(box, ids::kSettingsMt4Service);
  EXPECT_EQ(TextOf(box), "Tickwell settings");
  EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(TextOf(name), "MT4TW");
  EXPECT_FALSE(IsWindowEnabled(name)) << "no name to give while the layout is off";
  ExpectFits(box, ids::kSettingsMt4Enabled, false);
  ExpectFits(box, ids::kSettingsNote, true);
  EXPECT_EQ(TextOf(GetDlgItem(box, ids::kSettingsProblem)), "") << "nothing wrong to tell";
  SendMessageA(check, BM_CLICK, 0, 0);
  EXPECT_TRUE(IsWindowEnabled(name));

  SetWindowTextA(name, "MT5");
  SendMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  ASSERT_TRUE(IsWindow(box)) << "a refused name closed the box";
  EXPECT_EQ(TextOf(GetDlgItem(box, ids::kSettingsProblem)), "MT5 is taken");
  SetWindowTextA(name, "QUOTES4");
  SendMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindow(box));
  EXPECT_EQ(asked, (std::vector<std::pair<bool, std::string>>{{true, "MT5"}, {true, "QUOTES4"}}));

  // Cancel asks nothing.
  box = CreateSettingsDialog(nullptr, Mt4Box(current, [&](bool, const std::string&) {
                               ADD_FAILURE() << "Cancel applied the settings";
                               return std::string();
                             }));
  ASSERT_NE(box, nullptr);
  SendMessageA(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  EXPECT_FALSE(IsWindow(box));
}

// Opened while another program keeps MetaTrader 4's layout off, the box says so in full.
TEST(SettingsBox, OpensWithWhatKeepsTheLayoutOff) {
  TSettings current;
  current.Mt4Problem =
      "Another program already serves MT4 (MetaTrader 4?), so Tickwell's MetaTrader 4 layout is "
      "off. To have both, rename Tickwell's layout in Settings (for example MT4TW), then switch "
      "DDE off and on.";
  HWND box = CreateSettingsDialog(nullptr, Mt4Box(current, [](bool, const std::string&) {
                                    return std::string("The service needs a name.");
                                  }));
  ASSERT_NE(box, nullptr);
  HWND problem = GetDlgItem(box, ids::kSettingsProblem);
  EXPECT_EQ(TextOf(problem), current.Mt4Problem);
  ExpectFits(box, ids::kSettingsProblem, true);
  // A refused name takes its place.
  SendMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  EXPECT_EQ(TextOf(problem), "The service needs a name.");
  DestroyWindow(box);
  EXPECT_FALSE(IsWindow(box));
}

// A settings file of its own, removed afterwards.
class SettingsFile {
 public:
  SettingsFile() : dir_(std::filesystem::temp_directory_path() / "tickwell-settings-box") {
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  ~SettingsFile() { std::filesystem::remove_all(dir_); }
  std::string Path() const { return (dir_ / "tickwell.ini").string(); }

 private:
  std::filesystem::path dir_;
};

// The program's form reading file, with terminals that named themselves and sent a line each,
// in this order.
void Start(TMainForm& form, const std::string& file, const std::vector<std::string>& labels) {
  form.SettingsFile = file;
  form.FormCreate();
  platform::Hwnd sender = 0x100;
  for (const std::string& label : labels) {
    const std::string message = TerminalMessage(label);
    form.TerminalNamed(form.Receiver(), sender, message.data(),
                       static_cast<std::uint32_t>(message.size()));
    form.QuoteLineReceived(form.Receiver(), sender, "EURUSD.m;1.1;1.2;1.15;1700000000;1");
    sender += 0x100;
  }
  form.DoWork();
}

std::vector<std::string> Items(HWND combo) {
  std::vector<std::string> items;
  const auto count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
  for (WPARAM i = 0; i < static_cast<WPARAM>(count); ++i) {
    char text[128] = "";
    SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    items.push_back(text);
  }
  return items;
}

// Chooses the terminal whose rule the prefix and suffix show, as a click in the list does.
void ChooseRuleOf(HWND box, int terminal) {
  HWND combo = GetDlgItem(box, ids::kSettingsRuleTerminal);
  SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(terminal), 0);
  SendMessageA(box, WM_COMMAND, MAKEWPARAM(ids::kSettingsRuleTerminal, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
}

void ClickOk(HWND box) { SendMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0); }

TEST(SettingsBoxTerminals, TheChosenDefaultAndRulesReachTheFormAndTheSettingsFile) {
  SettingsFile file;
  TMainForm form;
  Start(form, file.Path(), {"icm", "xm"});
  ASSERT_EQ(form.Settings().DefaultTerminal, "icm") << "the first that sent";
  HWND box = CreateSettingsDialog(nullptr, SettingsBoxFor(form));
  ASSERT_NE(box, nullptr);
  HWND chosen = GetDlgItem(box, ids::kSettingsDefaultTerminal);
  HWND ruled = GetDlgItem(box, ids::kSettingsRuleTerminal);
  HWND prefix = GetDlgItem(box, ids::kSettingsPrefix),
       suffix = GetDlgItem(box, ids::kSettingsSuffix);
  EXPECT_EQ(Items(chosen), (std::vector<std::string>{"icm", "xm"}));
  EXPECT_EQ(TextOf(chosen), "icm");
  EXPECT_EQ(Items(ruled), (std::vector<std::string>{"icm", "xm"}));
  EXPECT_EQ(SendMessageA(ruled, CB_GETCURSEL, 0, 0), 0);
  for (HWND control : {ruled, prefix, suffix}) EXPECT_TRUE(IsWindowEnabled(control));
  for (int id : {ids::kSettingsNote, ids::kSettingsTerminalsNote}) ExpectFits(box, id, true);
  ExpectFits(box, ids::kSettingsTerminalsGroup, false);
  // The group holds its controls whole, the prefix and suffix with room for a few characters.
  RECT group;
  GetWindowRect(GetDlgItem(box, ids::kSettingsTerminalsGroup), &group);
  for (HWND control : {chosen, ruled, prefix, suffix}) {
    RECT r;
    GetWindowRect(control, &r);
    RECT both;
    IntersectRect(&both, &r, &group);
    EXPECT_TRUE(EqualRect(&both, &r)) << GetDlgCtrlID(control);
    EXPECT_GE(r.right - r.left, 60) << GetDlgCtrlID(control);
  }

  // Each terminal's rule is kept while another's shows.
  SetWindowTextA(prefix, "pro");
  ChooseRuleOf(box, 1);
  EXPECT_EQ(TextOf(prefix), "");
  SetWindowTextA(suffix, ".m");
  ChooseRuleOf(box, 0);
  EXPECT_EQ(TextOf(prefix), "pro");
  EXPECT_EQ(TextOf(suffix), "");
  SetWindowTextA(chosen, "xm");
  ClickOk(box);
  ASSERT_FALSE(IsWindow(box)) << TextOf(GetDlgItem(box, ids::kSettingsProblem));

  EXPECT_EQ(form.Settings().DefaultTerminal, "xm");
  const TSettings stored = TSettings::Read(file.Path());
  EXPECT_EQ(stored.DefaultTerminal, "xm");
  form.DoWork();
  ASSERT_GE(form.DefaultTerminal(), 0);
  EXPECT_EQ(form.Book().Terminal(form.DefaultTerminal()).Label, "xm");
  const int icm = form.Book().FindTerminal("icm"), xm = form.Book().FindTerminal("xm");
  EXPECT_EQ(form.Book().Terminal(xm).Rule, (TSymbolRule{"", ".m"}));
  EXPECT_EQ(form.Book().Terminal(icm).Rule, (TSymbolRule{"pro", ""}));
  EXPECT_EQ(TSettings::ReadRule(file.Path(), "xm"), (TSymbolRule{"", ".m"}));
  EXPECT_EQ(TSettings::ReadRule(file.Path(), "icm"), (TSymbolRule{"pro", ""}));
  // The plain name finds the broker's symbol, in the terminal and as the default.
  EXPECT_NE(form.LastLine("xm", "EURUSD"), "");
  EXPECT_NE(form.LastLine("EURUSD"), "");
  EXPECT_EQ(form.LastLine("icm", "EURUSD"), "");

  // Opened again, it shows what was taken.
  box = CreateSettingsDialog(nullptr, SettingsBoxFor(form));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(TextOf(GetDlgItem(box, ids::kSettingsDefaultTerminal)), "xm");
  EXPECT_EQ(TextOf(GetDlgItem(box, ids::kSettingsPrefix)), "pro");
  ChooseRuleOf(box, 1);
  EXPECT_EQ(TextOf(GetDlgItem(box, ids::kSettingsSuffix)), ".m");
  DestroyWindow(box);
}

TEST(SettingsBoxTerminals, ARefusedLabelOrRuleStaysInTheBoxWithTheReason) {
  SettingsFile file;
  TMainForm form;
  Start(form, file.Path(), {"icm", "xm"});
  SettingsBox settings = SettingsBoxFor(form);
  // What reaches the form: a default or a rule only when it changed.
  std::vector<std::string> asked;
  settings.ApplyDefault = [&](const std::string& label) {
    asked.push_back("default " + label);
    return form.ChangeDefaultTerminal(label);
  };
  settings.ApplyRule = [&](const std::string& label, const TSymbolRule& rule) {
    asked.push_back("rule " + label + " " + rule.Prefix + "/" + rule.Suffix);
    return form.ChangeSymbolRule(label, rule);
  };
  HWND box = CreateSettingsDialog(nullptr, std::move(settings));
  ASSERT_NE(box, nullptr);
  HWND chosen = GetDlgItem(box, ids::kSettingsDefaultTerminal);
  HWND problem = GetDlgItem(box, ids::kSettingsProblem);

  SetWindowTextA(chosen, "icm demo");
  ClickOk(box);
  ASSERT_TRUE(IsWindow(box)) << "a refused label closed the box";
  EXPECT_EQ(TextOf(problem), "A terminal's label is letters, digits and _.");
  EXPECT_EQ(GetFocus(), GetWindow(chosen, GW_CHILD)) << "the label is there to mend";
  EXPECT_EQ(form.Settings().DefaultTerminal, "icm");

  // The refused rule shows, whichever terminal's rule showed when OK was pressed.
  SetWindowTextA(chosen, " icm ");
  ChooseRuleOf(box, 1);
  SetWindowTextA(GetDlgItem(box, ids::kSettingsSuffix), "|m");
  ChooseRuleOf(box, 0);
  ClickOk(box);
  ASSERT_TRUE(IsWindow(box)) << "a refused suffix closed the box";
  EXPECT_EQ(TextOf(problem), "A prefix or suffix cannot hold ; | ! or control characters.");
  EXPECT_EQ(SendMessageA(GetDlgItem(box, ids::kSettingsRuleTerminal), CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(TextOf(GetDlgItem(box, ids::kSettingsSuffix)), "|m");
  EXPECT_EQ(form.Book().Terminal(form.Book().FindTerminal("xm")).Rule, TSymbolRule{});
  EXPECT_EQ(TSettings::ReadRule(file.Path(), "xm"), TSymbolRule{});

  SetWindowTextA(GetDlgItem(box, ids::kSettingsSuffix), ".m");
  ClickOk(box);
  EXPECT_FALSE(IsWindow(box)) << TextOf(problem);
  EXPECT_EQ(asked, (std::vector<std::string>{"default icm demo", "rule xm /|m", "rule xm /.m"}));
  EXPECT_EQ(form.Settings().DefaultTerminal, "icm");
}

// Before any terminal sent, a label may be typed as the default; there is no rule to edit. The
// box stays whole on the screen over an owner at its least size in a corner.
TEST(SettingsBoxTerminals, BeforeAnyTerminalSentTheDefaultMayBeTypedAndNoRuleEdited) {
  SettingsFile file;
  TMainForm form;
  Start(form, file.Path(), {});
  HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 480, 240, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  HWND box = CreateSettingsDialog(owner, SettingsBoxFor(form));
  ASSERT_NE(box, nullptr);
  RECT r;
  GetWindowRect(box, &r);
  EXPECT_GE(r.top, 0);
  EXPECT_GE(r.left, 0);
  EXPECT_LE(r.bottom, GetSystemMetrics(SM_CYSCREEN));
  HWND chosen = GetDlgItem(box, ids::kSettingsDefaultTerminal);
  EXPECT_TRUE(IsWindowEnabled(chosen));
  EXPECT_EQ(TextOf(chosen), "");
  for (int id : {ids::kSettingsRuleTerminal, ids::kSettingsPrefix, ids::kSettingsSuffix})
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(box, id))) << id;
  EXPECT_EQ(TextOf(GetDlgItem(box, ids::kSettingsTerminalsNote)),
            "No terminal has sent yet: terminals appear here once they send quotes.");
  ExpectFits(box, ids::kSettingsTerminalsNote, true);
  SetWindowTextA(chosen, "icm");
  ClickOk(box);
  EXPECT_FALSE(IsWindow(box));
  EXPECT_EQ(TSettings::Read(file.Path()).DefaultTerminal, "icm");
  DestroyWindow(owner);

  // The next start lists the remembered default, though it has not sent yet.
  TMainForm next;
  Start(next, file.Path(), {});
  box = CreateSettingsDialog(nullptr, SettingsBoxFor(next));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(Items(GetDlgItem(box, ids::kSettingsDefaultTerminal)),
            (std::vector<std::string>{"icm"}));
  EXPECT_EQ(TextOf(GetDlgItem(box, ids::kSettingsDefaultTerminal)), "icm");
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(box, ids::kSettingsSuffix)));
  DestroyWindow(box);
}

}  // namespace
}  // namespace tickwell
