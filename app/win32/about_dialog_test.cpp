// The About box in this process: its parts, that each text fits its control, the link and OK.
#include "app/win32/about_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/win32/control_ids.h"

namespace tickwell {
namespace {

namespace ids = tickwell::ids;

std::string TextOf(HWND window) {
  char text[1024] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

TEST(AboutDescriptionText, EveryKindOfLineBreakBecomesOneCrLf) {
  EXPECT_EQ(AboutDescriptionText("a\n\rb"), "a\r\nb");
  EXPECT_EQ(AboutDescriptionText("a\r\nb"), "a\r\nb");
  EXPECT_EQ(AboutDescriptionText("a\nb\rc"), "a\r\nb\r\nc");
  EXPECT_EQ(AboutDescriptionText("a\n\nb"), "a\r\n\r\nb");
  EXPECT_EQ(AboutDescriptionText("a\n\r\n\rb"), "a\r\n\r\nb");
  EXPECT_EQ(AboutDescriptionText("end\n"), "end\r\n");
  EXPECT_EQ(AboutDescriptionText("plain"), "plain");
}

class AboutBox : public ::testing::Test {
 protected:
  void SetUp() override {
    picture = LoadIcon(nullptr, IDI_INFORMATION);
    dialog = CreateAboutDialog(nullptr, TMainForm::AboutTexts(), picture,
                               [this](HWND parent, const std::string& address) {
                                 opened.push_back({parent, address});
                                 return true;
                               });
    ASSERT_NE(dialog, nullptr);
  }
  void TearDown() override {
    if (IsWindow(dialog)) DestroyWindow(dialog);
  }
  HWND Item(int id) const { return GetDlgItem(dialog, id); }

  HICON picture = nullptr;
  HWND dialog = nullptr;
  std::vector<std::pair<HWND, std::string>> opened;
};

TEST_F(AboutBox, ShowsTitlePictureVersionDescriptionLinkAndOk) {
  const TAboutTexts texts = TMainForm::AboutTexts();
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_EQ(TextOf(dialog), "About Tickwell");
  EXPECT_EQ(TextOf(Item(ids::kAboutVersion)), "Version: 1.0.0.2");
  EXPECT_EQ(TextOf(Item(ids::kAboutDescription)), AboutDescriptionText(texts.Description));
  EXPECT_EQ(TextOf(Item(ids::kAboutLink)), texts.LinkText);
  EXPECT_EQ(TextOf(Item(IDOK)), "OK");
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(Item(ids::kAboutPicture), STM_GETICON, 0, 0)),
            picture);
  EXPECT_EQ(GetFocus(), Item(IDOK));
}

TEST_F(AboutBox, EveryTextFitsItsControlAndEveryControlTheBox) {
  RECT box;
  GetClientRect(dialog, &box);
  for (int id : {ids::kAboutVersion, ids::kAboutDescription, ids::kAboutLink}) {
    HWND control = Item(id);
    ASSERT_NE(control, nullptr) << id;
    RECT r;
    GetClientRect(control, &r);
    const std::string text = TextOf(control);
    HDC dc = GetDC(control);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    RECT need{0, 0, r.right, 0};
    DrawTextA(
        dc, text.c_str(), static_cast<int>(text.size()), &need,
        DT_CALCRECT | DT_NOPREFIX | (id == ids::kAboutDescription ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    EXPECT_LE(need.right, r.right) << text;
    EXPECT_LE(need.bottom, r.bottom) << text;
  }
  for (int id :
       {ids::kAboutPicture, ids::kAboutVersion, ids::kAboutDescription, ids::kAboutLink, IDOK}) {
    RECT r;
    GetWindowRect(Item(id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_GE(r.left, 0) << id;
    EXPECT_GE(r.top, 0) << id;
    EXPECT_LE(r.right, box.right) << id;
    EXPECT_LE(r.bottom, box.bottom) << id;
  }
}

TEST_F(AboutBox, TheLinkOpensTheHelpPageBesideTheProgramAndOkCloses) {
  SendMessageA(Item(ids::kAboutLink), BM_CLICK, 0, 0);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].first, dialog);
  EXPECT_EQ(opened[0].second, TMainForm::AboutTexts().Link);
  EXPECT_TRUE(IsWindow(dialog)) << "the box stays open after the link";

  SendMessageA(Item(IDOK), BM_CLICK, 0, 0);
  EXPECT_FALSE(IsWindow(dialog));
}

TEST_F(AboutBox, EscapeClosesToo) {
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  EXPECT_FALSE(IsWindow(dialog));
}

}  // namespace
}  // namespace tickwell
