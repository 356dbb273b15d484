// The Settings box in this process: what it opens with, the name following the switch, a refused
// name keeping it open with the reason, a taken one closing it.
#include "app/win32/settings_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/win32/control_ids.h"

namespace tickwell {
namespace {

namespace ids = tickwell::ids;

std::string TextOf(HWND window) {
  char text[512] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
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
  HWND box = CreateSettingsDialog(nullptr, current, [&](bool enabled, const std::string& name) {
    asked.push_back({enabled, name});
    return name == "MT5" ? std::string("MT5 is taken") : std::string();
  });
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
  box = CreateSettingsDialog(nullptr, current, [&](bool, const std::string&) {
    ADD_FAILURE() << "Cancel applied the settings";
    return std::string();
  });
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
  HWND box = CreateSettingsDialog(nullptr, current, [](bool, const std::string&) {
    return std::string("The service needs a name.");
  });
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

}  // namespace
}  // namespace tickwell
