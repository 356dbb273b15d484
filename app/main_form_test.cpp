#include "app/main_form.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/exception_report.h"
#include "platform/locale.h"
#include "platform/window.h"
#include "support/date_time.h"

namespace tickwell {
namespace {

struct Recorded {
  std::string topic, item, value;
  bool operator==(const Recorded&) const = default;
};

class RecordingPublisher : public TQuotePublisher {
 public:
  void AddItem(const std::string&, const std::string& topic, const std::string& item) override {
    added.push_back({topic, item, ""});
  }
  void SetItemText(const std::string& service, const std::string& topic, const std::string& item,
                   const std::string& value) override {
    EXPECT_EQ(service, "MT5");
    published.push_back({topic, item, value});
  }
  std::vector<Recorded> published, added;
};

class FormTest : public ::testing::Test {
 protected:
  FormTest() {
    form.Publisher = &publisher;
    form.FormCreate();
  }
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
  TForm1 form;
  RecordingPublisher publisher;
};

TEST_F(FormTest, StartsWithCaptionsWidthsAndTheOffGlyph) {
  EXPECT_EQ(form.Label1Caption(), "");
  const char* captions[] = {"TIME", "BID", "ASK", "LAST", "VOLUME"};
  for (int row = 0; row < 5; ++row) EXPECT_EQ(form.Cell(0, row), captions[row]);
  EXPECT_EQ(form.ColWidth(0), 60);
  EXPECT_EQ(form.ColWidth(1), 140);
  EXPECT_EQ(form.GlyphIndex(), 0);
  EXPECT_EQ(form.DdeTag(), 0);
}

TEST_F(FormTest, AFullLinePublishesEveryFieldAndFillsTheGrid) {
  const std::string line = "EURUSD;1.08501;1.08503;1.08502;1700000000;15";
  Feed(line);
  EXPECT_EQ(publisher.published, (std::vector<Recorded>{{"EURUSD", "BID", "1.08501"},
                                                        {"EURUSD", "ASK", "1.08503"},
                                                        {"EURUSD", "LAST", "1.08502"},
                                                        {"EURUSD", "TIME", "1700000000"},
                                                        {"EURUSD", "VOLUME", "15"},
                                                        {"EURUSD", "QUOTE", line}}));
  EXPECT_EQ(form.Label1Caption(), "EURUSD");
  EXPECT_EQ(Column1(), (std::vector<std::string>{"11/14/2023 10:13:20 PM", "1.08501", "1.08503",
                                                 "1.08502", "15"}));
  EXPECT_EQ(form.StatusText(), "");
}

TEST_F(FormTest, FieldsBeyondTheSixthOnlyTravelInTheQuote) {
  const std::string line = "GBPUSD;1.2;1.3;1.25;0;7;extra;more";
  Feed(line);
  ASSERT_EQ(publisher.published.size(), 6u);
  EXPECT_EQ(publisher.published[5], (Recorded{"GBPUSD", "QUOTE", line}));
  EXPECT_EQ(form.Cell(1, 0), "1/1/1970");  // midnight: the date alone
  EXPECT_EQ(form.Cell(1, 4), "7");
}

TEST_F(FormTest, FiveFieldsStopAtTheMissingVolumeAndReportIt) {
  Feed("EURUSD;1.08501;1.08503;1.08502;1700000000;15");
  std::vector<std::string> reports;
  platform::SetExceptionReport([&](const std::string& t) { reports.push_back(t); });
  publisher.published.clear();
  Feed("EURUSD;1.1;;1.2;1700000000;15;");
  platform::SetExceptionReport(nullptr);
  // Empty fields are dropped, so the values shift left and field 5 is missing.
  EXPECT_EQ(publisher.published, (std::vector<Recorded>{{"EURUSD", "BID", "1.1"},
                                                        {"EURUSD", "ASK", "1.2"},
                                                        {"EURUSD", "LAST", "1700000000"},
                                                        {"EURUSD", "TIME", "15"}}));
  EXPECT_EQ(reports, std::vector<std::string>{"List index out of bounds (5)"});
  EXPECT_EQ(form.Label1Caption(), "EURUSD;1.1;;1.2;1700000000;15;");
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
  EXPECT_TRUE(publisher.published.empty());
}

TEST_F(FormTest, AMillisecondTimePublishesEverythingThenFailsTheConversion) {
  Feed("EURUSD;1;2;3;1700000000;4");
  publisher.published.clear();
  try {
    form.InterAppReceiver1ReceiveString(form.InterAppReceiver1(), 0,
                                        "USDJPY;150.1;150.2;150.15;1700000000123;9");
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'1700000000123' is not a valid integer value");
  }
  EXPECT_EQ(publisher.published.size(), 6u);
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

TEST_F(FormTest, TheDdeButtonTogglesTagAndGlyph) {
  int changes = 0;
  form.OnChanged = [&] { ++changes; };
  form.BitBtn1Click();
  EXPECT_EQ(form.DdeTag(), 1);
  EXPECT_EQ(form.GlyphIndex(), 1);
  form.BitBtn1Click();
  EXPECT_EQ(form.DdeTag(), 0);
  EXPECT_EQ(form.GlyphIndex(), 0);
  EXPECT_EQ(changes, 2);
  EXPECT_TRUE(publisher.added.empty());  // no topics or items are configured
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
