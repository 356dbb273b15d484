#include "app/main_form.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/clipboard_format.h"
#include "platform/exception_report.h"
#include "platform/locale.h"
#include "platform/window.h"
#include "support/date_time.h"

namespace tickwell {
namespace {

using Values = std::vector<std::string>;

class FormTest : public ::testing::Test {
 protected:
  FormTest() {
    form.FormCreate();
    form.BitBtn1Click();  // DDE on
  }
  ~FormTest() override { SetDataCompareDisabled(false); }
  // Delivers a line the way the terminal does: WM_COPYDATA kind 1 to the receiver's window.
  void Feed(const std::string& line) {
    platform::SendCopyData(form.InterAppReceiver1().Handle(), 1,
                           {pkString, static_cast<std::uint32_t>(line.size()), line.data()});
  }
  std::vector<std::string> Column1() const {
    std::vector<std::string> col;
    for (int row = 0; row < TForm1::kGridRows; ++row) col.push_back(form.Cell(1, row));
    return col;
  }
  // The values of the symbol's six items; "-" for an item that does not exist.
  Values Items(const std::string& topic) {
    Values v;
    for (const char* item : {"BID", "ASK", "LAST", "TIME", "VOLUME", "QUOTE"}) {
      const TDDEMLItem* found = form.DDEMLManager1().FindItem("MT5", topic, item);
      v.push_back(found ? found->Text() : "-");
    }
    return v;
  }
  TForm1 form;
};

TEST_F(FormTest, StartsWithCaptionsWidthsAndTheOffGlyph) {
  EXPECT_EQ(form.Label1Caption(), "");
  const char* captions[] = {"TIME", "BID", "ASK", "LAST", "VOLUME"};
  for (int row = 0; row < 5; ++row) EXPECT_EQ(form.Cell(0, row), captions[row]);
  EXPECT_EQ(form.ColWidth(0), 60);
  EXPECT_EQ(form.ColWidth(1), 140);
  EXPECT_EQ(form.GlyphIndex(), 1);  // the fixture switched DDE on
  EXPECT_EQ(form.DdeTag(), 1);
}

TEST_F(FormTest, AFullLinePublishesEveryFieldAndFillsTheGrid) {
  const std::string line = "EURUSD;1.08501;1.08503;1.08502;1700000000;15";
  Feed(line);
  EXPECT_EQ(Items("EURUSD"), (Values{"1.08501", "1.08503", "1.08502", "1700000000", "15", line}));
  EXPECT_EQ(form.Label1Caption(), "EURUSD");
  EXPECT_EQ(Column1(), (std::vector<std::string>{"11/14/2023 10:13:20 PM", "1.08501", "1.08503",
                                                 "1.08502", "15"}));
  EXPECT_EQ(form.StatusText(), "");
}

TEST_F(FormTest, FieldsBeyondTheSixthOnlyTravelInTheQuote) {
  const std::string line = "GBPUSD;1.2;1.3;1.25;0;7;extra;more";
  Feed(line);
  EXPECT_EQ(Items("GBPUSD"), (Values{"1.2", "1.3", "1.25", "0", "7", line}));
  EXPECT_EQ(form.Cell(1, 0), "1/1/1970");  // midnight: the date alone
  EXPECT_EQ(form.Cell(1, 4), "7");
}

TEST_F(FormTest, FiveFieldsStopAtTheMissingVolumeAndReportIt) {
  Feed("EURUSD;1.08501;1.08503;1.08502;1700000000;15");
  std::vector<std::string> reports;
  platform::SetExceptionReport([&](const std::string& t) { reports.push_back(t); });
  Feed("GBPUSD;1.1;;1.2;1700000000;15;");
  platform::SetExceptionReport(nullptr);
  // Empty fields are dropped, so the values shift left and field 5 is missing: the items
  // before it are published, VOLUME and QUOTE are not.
  EXPECT_EQ(Items("GBPUSD"), (Values{"1.1", "1.2", "1700000000", "15", "-", "-"}));
  EXPECT_EQ(reports, std::vector<std::string>{"List index out of bounds (5)"});
  EXPECT_EQ(form.Label1Caption(), "GBPUSD;1.1;;1.2;1700000000;15;");
  EXPECT_EQ(form.Cell(1, 1), "1.08501");  // grid unchanged
}

TEST_F(FormTest, AnEmptyLinePublishesNothingAndFailsAtIndex1) {
  EXPECT_THROW(form.InterAppReceiver1ReceiveString(form.InterAppReceiver1(), 0, ""),
               EStringListError);
  try {
    form.InterAppReceiver1ReceiveString(form.InterAppReceiver1(), 0, "");
  } catch (const EStringListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (1)");
  }
  EXPECT_EQ(form.DDEMLManager1().FindService("MT5")->TopicCount(), 0);
}

TEST_F(FormTest, AMillisecondTimePublishesEverythingThenFailsTheConversion) {
  Feed("EURUSD;1;2;3;1700000000;4");
  try {
    form.InterAppReceiver1ReceiveString(form.InterAppReceiver1(), 0,
                                        "USDJPY;150.1;150.2;150.15;1700000000123;9");
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'1700000000123' is not a valid integer value");
  }
  EXPECT_EQ(Items("USDJPY"), (Values{"150.1", "150.2", "150.15", "1700000000123", "9",
                                     "USDJPY;150.1;150.2;150.15;1700000000123;9"}));
  EXPECT_EQ(form.Label1Caption(), "USDJPY");
  EXPECT_EQ(Column1(), (std::vector<std::string>{"11/14/2023 10:13:20 PM", "1", "2", "3", "4"}));
}

TEST_F(FormTest, ErrorsGoToTheStatusBarAndLaterLinesStillWork) {
  platform::SetExceptionReport([&](const std::string& t) { form.ShowError(t); });
  Feed("bad");
  EXPECT_EQ(form.StatusText(), "List index out of bounds (1)");
  Feed("EURUSD;1;2;3;60;4");
  platform::SetExceptionReport(nullptr);
  EXPECT_EQ(form.Cell(1, 0), "1/1/1970 12:01:00 AM");
}

TEST_F(FormTest, TheDdeButtonStartsAndStopsTheServerAndTheGlyphFollows) {
  int changes = 0;
  form.OnChanged = [&] { ++changes; };
  TDDEMLManager& dde = form.DDEMLManager1();
  EXPECT_TRUE(dde.Initialized());
  EXPECT_TRUE(dde.FindService("MT5")->Registered);
  EXPECT_EQ(dde.FindService("MT5")->TopicCount(), 0);  // no topics or items are configured
  form.BitBtn1Click();
  EXPECT_EQ(form.DdeTag(), 0);
  EXPECT_EQ(form.GlyphIndex(), 0);
  EXPECT_FALSE(dde.Initialized());
  // Lines while off are still shown; what they store never reaches a client.
  Feed("EURUSD;1;2;3;0;4");
  EXPECT_EQ(form.Label1Caption(), "EURUSD");
  form.BitBtn1Click();
  // Under the new instance a symbol's items come back with its next line.
  EXPECT_EQ(Items("EURUSD"), Values(6, "-"));
  EXPECT_EQ(form.DdeTag(), 1);
  EXPECT_EQ(form.GlyphIndex(), 1);
  EXPECT_TRUE(dde.Initialized());
  EXPECT_EQ(changes, 3);
  ASSERT_EQ(dde.Services().ServiceCount(), 1);
  EXPECT_EQ(dde.ServiceName(0), "MT5");
  Feed("EURUSD;1;2;3;0;4");
  EXPECT_EQ(Items("EURUSD"), (Values{"1", "2", "3", "0", "4", "EURUSD;1;2;3;0;4"}));
}

TEST(FormBeforeDde, LinesAreShownButPublishNothing) {
  TForm1 form;
  form.FormCreate();
  form.InterAppReceiver1ReceiveString(form.InterAppReceiver1(), 0, "EURUSD;1;2;3;0;4");
  EXPECT_EQ(form.Cell(1, 1), "1");
  EXPECT_EQ(form.DDEMLManager1().FindService("MT5"), nullptr);
  EXPECT_FALSE(form.DDEMLManager1().Initialized());
  EXPECT_EQ(form.DdeTag(), 0);
}

TEST_F(FormTest, OnlyChangedValuesAreAnnouncedToLinkedClients) {
  const std::string line = "EURUSD;1E5;1.2;1.3;1700000000;15";
  Feed(line);
  TDDEMLService& mt5 = *form.DDEMLManager1().FindService("MT5");
  for (const char* item : {"BID", "ASK", "LAST", "TIME", "VOLUME", "QUOTE"})
    mt5.AddAdvise("EURUSD", item, platform::kCfText);
  const auto posts = form.DDEMLManager1().AdvisePosts();
  Feed(line);
  EXPECT_EQ(form.DDEMLManager1().AdvisePosts(), posts);
  // Prices differing only in letter case count as unchanged; QUOTE then differs in case too.
  Feed("EURUSD;1e5;1.2;1.3;1700000000;15");
  EXPECT_EQ(form.DDEMLManager1().AdvisePosts(), posts);
  Feed("EURUSD;1e5;1.2;1.4;1700000001;15");
  EXPECT_EQ(form.DDEMLManager1().AdvisePosts(), posts + 3);  // LAST, TIME, QUOTE
}

TEST_F(FormTest, AdviseLinksAreAllowedOnlyInTheFormatsTheItemsHold) {
  const auto allowed = [&](std::uint16_t format) {
    bool allow = true;
    form.DDEMLManager1().OnAdviseStartReceived(form.DDEMLManager1(), "MT5", "EURUSD", "BID", 0,
                                               FormatNumberToType(format), format, allow);
    return allow;
  };
  EXPECT_TRUE(allowed(platform::kCfText));
  EXPECT_TRUE(allowed(platform::kCfUnicodeText));
  // A spreadsheet's preferred table formats are turned down, so it falls back to text.
  EXPECT_FALSE(allowed(static_cast<std::uint16_t>(platform::RegisterClipboardFormat("XlTable"))));
  EXPECT_FALSE(allowed(platform::kCfSylk));
  EXPECT_FALSE(allowed(static_cast<std::uint16_t>(platform::RegisterClipboardFormat("Biff5"))));
}

TEST_F(FormTest, AboutTextsAndHelpPage) {
  TAboutTexts shown;
  form.OnShowAbout = [&](const TAboutTexts& t) { shown = t; };
  form.TBXItem2Click();
  EXPECT_EQ(shown.Title, "About Tickwell");
  EXPECT_EQ(shown.Version, "Version: 1.0.0.2");
  EXPECT_NE(shown.Description.find(
                "no longer implemented in Metatrader 5 software.\n\rFurther information"),
            std::string::npos);
  EXPECT_NE(TForm1::HelpPagePath().find("tickwell-help.html"), std::string::npos);
}

}  // namespace
}  // namespace tickwell
