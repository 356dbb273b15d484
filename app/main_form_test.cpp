#include "app/main_form.h"

#include "app/mt4_layout.h"
#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "dde/model/names.h"
#include "platform/clipboard_format.h"
#include "platform/exception_report.h"
#include "platform/files.h"
#include "platform/locale.h"
#include "platform/window.h"
#include "support/date_time.h"
#ifndef _WIN32
#include "platform/sim/ddeml_sim.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_shell.h"
#endif

namespace tickwell {
namespace {

using Values = std::vector<std::string>;

// An item's value in MetaTrader 4's layout as a client's request reads it: the form hears of the
// request, then the item is read; "-" for an item that does not exist.
std::string ReadMt4(TMainForm& form, const std::string& service, const std::string& topic,
                    const std::string& symbol) {
  TDDEMLManager& dde = form.DdeManager();
  if (dde.OnRequestReceived) {
    bool valid = true;
    dde.OnRequestReceived(dde, service, topic, symbol, 0, TDDEMLClipFmtType{}, platform::kCfText,
                          valid);
  }
  const TDDEMLItem* found = dde.FindItem(service, topic, symbol);
  return found ? found->Text() : "-";
}

class FormTest : public ::testing::Test {
 protected:
  FormTest() {
    form.FormCreate();
    form.DdeButtonClick();  // DDE on
  }
  ~FormTest() override { SetDataCompareDisabled(false); }
  // Delivers a line the way the terminal does: WM_COPYDATA kind 1 to the receiver's window.
  void Feed(const std::string& line) {
    platform::SendCopyData(form.Receiver().Handle(), 1,
                           {pkString, static_cast<std::uint32_t>(line.size()), line.data()});
  }
  std::vector<std::string> Column1() const {
    std::vector<std::string> col;
    for (int row = 0; row < TMainForm::kGridRows; ++row) col.push_back(form.Cell(1, row));
    return col;
  }
  // The values of the symbol's six items; "-" for an item that does not exist.
  Values Items(const std::string& topic) {
    Values v;
    for (const char* item : {"BID", "ASK", "LAST", "TIME", "VOLUME", "QUOTE"}) {
      const TDDEMLItem* found = form.DdeManager().FindItem("MT5", topic, item);
      v.push_back(found ? found->Text() : "-");
    }
    return v;
  }
  // The symbol's values in MetaTrader 4's layout, topics BID, ASK, HIGH, LOW, TIME, QUOTE, as a
  // client's request reads them: the form hears of the request, then the item is read.
  Values Mt4(const std::string& symbol, const std::string& service = "MT4") {
    Values v;
    for (const char* topic : {"BID", "ASK", "HIGH", "LOW", "TIME", "QUOTE"})
      v.push_back(ReadMt4(form, service, topic, symbol));
    return v;
  }
  std::string Mt5(const std::string& symbol, const char* item) {
    const TDDEMLItem* found = form.DdeManager().FindItem("MT5", symbol, item);
    return found ? found->Text() : "-";
  }
  TMainForm form;
};

TEST_F(FormTest, StartsWithCaptionsWidthsAndTheOffGlyph) {
  EXPECT_EQ(form.SymbolLabelCaption(), "");
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
  EXPECT_EQ(form.SymbolLabelCaption(), "EURUSD");
  EXPECT_EQ(Column1(), (std::vector<std::string>{"11/14/2023 10:13:20 PM", "1.08501", "1.08503",
                                                 "1.08502", "15"}));
  EXPECT_EQ(form.StatusText(), "");
}

TEST_F(FormTest, FieldsBeyondTheEighthOnlyTravelInTheQuote) {
  const std::string line = "GBPUSD;1.2;1.3;1.25;0;7;1.31;1.19;extra;more";
  Feed(line);
  EXPECT_EQ(Items("GBPUSD"), (Values{"1.2", "1.3", "1.25", "0", "7", line}));
  EXPECT_EQ(Mt5("GBPUSD", "HIGH") + " " + Mt5("GBPUSD", "LOW"), "1.31 1.19");
  EXPECT_EQ(form.Cell(1, 0), "1/1/1970");  // midnight: the date alone
  EXPECT_EQ(form.Cell(1, 4), "7");
}

TEST_F(FormTest, ABadLineIsRefusedWholeAndNamedInTheStatusBar) {
  const std::string good = "EURUSD;1.08501;1.08503;1.08502;1700000000;15";
  Feed(good);
  TDDEMLService& mt5 = *form.DdeManager().FindService("MT5");
  for (const char* item : {"BID", "ASK", "LAST", "TIME", "VOLUME", "QUOTE"})
    mt5.AddAdvise("EURUSD", item, platform::kCfText);
  const auto posts = form.DdeManager().AdvisePosts();
  const Values grid = Column1();
  struct Bad {
    std::string line;
    std::string problem;
  };
  const Bad bad[] = {
      // An empty place would shift every value after it into the wrong item.
      {"EURUSD;1.1;;1.2;1700000000;15;", "the ask price is missing"},
      {"EURUSD;1.1;1.2;1.3;;1700000000;15", "the time is missing"},
      {"EURUSD;1.1;1.2;1.3;1700000000", "the volume is missing"},
      {";1.1;1.2;1.3;1700000000;15", "the symbol is missing"},
      {"EURUSD;1.1;1.2;1.3;1700000000123;15",
       "the time is not a whole number of seconds since 1970"},
      {"EURUSD;1.1;1.2;1.3;1700000000.5;15",
       "the time is not a whole number of seconds since 1970"},
      {"GBPUSD;1.1", "the ask price is missing"},
      {"GBPUSD", "the line has no ';' separators"},
      // A spreadsheet would take these as text, or as another number.
      {"EURUSD;1,09996;1.09998;1.09997;1700000000;15", "the bid is not a number: 1,09996"},
      {"EURUSD;abc;-5;0;1700000200;15", "the bid is not a number: abc"},
      {"EURUSD;1.1;1.2;1.3;1700000000;15;1.4;low", "the low is not a number: low"},
      {"", "the line is empty"},
      // A text client would read the bid as "1".
      {std::string("EURUSD;1\0.08501;1.08503;1.08502;1700000000;15", 45),
       "the line holds a zero byte"},
  };
  int refused = 0;
  for (const Bad& b : bad) {
    Feed(b.line);
    ++refused;
    EXPECT_EQ(form.RefusedLines(), refused);
    const std::string count = std::to_string(refused) + (refused == 1 ? " line" : " lines");
    EXPECT_EQ(form.StatusText().rfind(count + " refused - " + b.problem, 0), 0u)
        << form.StatusText();
    if (!b.line.empty()) {
      EXPECT_NE(form.StatusText().find(": " + b.line), std::string::npos);
    }
    // Nothing of it reached an item, a linked client, the label or the grid.
    EXPECT_EQ(Items("EURUSD"), (Values{"1.08501", "1.08503", "1.08502", "1700000000", "15", good}))
        << b.line;
    EXPECT_EQ(form.DdeManager().AdvisePosts(), posts) << b.line;
    EXPECT_EQ(form.SymbolLabelCaption(), "EURUSD");
    EXPECT_EQ(Column1(), grid);
  }
  EXPECT_EQ(form.DdeManager().FindItem("MT5", "GBPUSD", "BID"), nullptr);
  // The conversion's own words follow the trader's.
  Feed("EURUSD;1;2;3;1700000000123;4");
  EXPECT_EQ(form.StatusText(),
            "14 lines refused - the time is not a whole number of seconds since 1970: "
            "EURUSD;1;2;3;1700000000123;4 ('1700000000123' is not a valid integer value)");
  EXPECT_EQ(form.LastLine("EURUSD"), good);

  // A good line clears the problem; the count stays in view. Fields after the sixth may be
  // empty: they only travel in the quote.
  Feed("EURUSD;1.2;1.3;1.25;60;7;;1.0");
  EXPECT_EQ(form.StatusText(), "14 lines refused");
  EXPECT_EQ(Items("EURUSD"),
            (Values{"1.2", "1.3", "1.25", "60", "7", "EURUSD;1.2;1.3;1.25;60;7;;1.0"}));
  EXPECT_EQ(form.Cell(1, 0), "1/1/1970 12:01:00 AM");
  // The time cell is made again for every other second, and back again.
  Feed("EURUSD;1.2;1.3;1.25;61;7");
  EXPECT_EQ(form.Cell(1, 0), "1/1/1970 12:01:01 AM");
  Feed("GBPUSD;1.2;1.3;1.25;60;7");
  EXPECT_EQ(form.Cell(1, 0), "1/1/1970 12:01:00 AM");
}

TEST_F(FormTest, OtherErrorsAreShownInTheStatusBarAndAGoodLineClearsThem) {
  form.ShowError("something failed");
  EXPECT_EQ(form.StatusText(), "something failed");
  Feed("EURUSD;1;2;3;60;4");
  EXPECT_EQ(form.StatusText(), "");
}

TEST_F(FormTest, TheDdeButtonStartsAndStopsTheServerAndServesWhatTheWindowShows) {
  int changes = 0;
  form.OnChanged = [&] { ++changes; };
  TDDEMLManager& dde = form.DdeManager();
  EXPECT_TRUE(dde.Initialized());
  EXPECT_TRUE(dde.FindService("MT5")->Registered);
  EXPECT_EQ(dde.FindService("MT5")->TopicCount(), 0);  // no topics or items are configured
  Feed("EURUSD;1;2;3;0;4");
  Feed("GBPUSD;5;6;7;0;8");
  form.DdeButtonClick();
  EXPECT_EQ(form.DdeTag(), 0);
  EXPECT_EQ(form.GlyphIndex(), 0);
  EXPECT_FALSE(dde.Initialized());
  // Lines while off are shown and kept.
  Feed("eurusd;1.5;2;3;0;4");
  EXPECT_EQ(form.SymbolLabelCaption(), "eurusd");
  EXPECT_EQ(form.Cell(1, 1), "1.5");
  form.DdeButtonClick();
  EXPECT_EQ(form.DdeTag(), 1);
  EXPECT_EQ(form.GlyphIndex(), 1);
  EXPECT_TRUE(dde.Initialized());
  EXPECT_EQ(changes, 5);
  ASSERT_EQ(dde.Services().ServiceCount(), 2);
  EXPECT_TRUE(dde.FindService("MT5")->Registered);
  EXPECT_TRUE(dde.FindService("MT4")->Registered);
  // Under the new instance every symbol is served at once with its last line, the one that came
  // while off included (a symbol is one, whatever its letter case).
  EXPECT_EQ(Items("EURUSD"), (Values{"1.5", "2", "3", "0", "4", "eurusd;1.5;2;3;0;4"}));
  EXPECT_EQ(Items("GBPUSD"), (Values{"5", "6", "7", "0", "8", "GBPUSD;5;6;7;0;8"}));
  // However often DDE goes off and on, each symbol is one topic: none is left behind unnamed.
  for (int toggle = 0; toggle < 3; ++toggle) {
    form.DdeButtonClick();
    form.DdeButtonClick();
  }
  EXPECT_EQ(dde.FindService("MT5")->TopicCount(), 2);
  EXPECT_EQ(Items("EURUSD"), (Values{"1.5", "2", "3", "0", "4", "eurusd;1.5;2;3;0;4"}));
  EXPECT_EQ(Mt4("EURUSD"),
            (Values{"1.5", "2", "N/A", "N/A", "01.01.70 0:00", "01.01.70 0:00 1.5 2"}));
  EXPECT_EQ(dde.FindService("MT4")->TopicCount(), 6);
}

TEST_F(FormTest, TheSymbolListKeepsEverySymbolSortedAndNamesOnlyWhatChanged) {
  std::int64_t clock = 1700000000 + 3600;  // the local wall clock, 23:13:20
  form.Clock = [&] { return clock; };
  const auto row = [&](int i) {
    std::vector<std::string> cells;
    for (int col = 0; col < TMainForm::kListCols; ++col) cells.push_back(form.ListCell(i, col));
    return cells;
  };
  Feed("USDJPY;149.5;149.6;149.55;1700000000;7");
  Feed("eurusd;1.1;1.2;1.15;0;15;1.3;1.0");
  Feed("GBPUSD;1.26;1.27;1.265;1699999990;3");
  ASSERT_EQ(form.RowCount(), 3);
  EXPECT_EQ(form.TakeListChanges().All, true);  // rows were added
  EXPECT_EQ(row(0), (std::vector<std::string>{"(unnamed)", "eurusd", "1.1", "1.2", "1.15", "1.3",
                                              "1.0", "1/1/1970 12:00:00 AM", "15",
                                              "11:13:20 PM"}));
  EXPECT_EQ(form.ListCell(1, TMainForm::kColSymbol), "GBPUSD");
  EXPECT_EQ(row(2), (std::vector<std::string>{"(unnamed)", "USDJPY", "149.5", "149.6", "149.55", "",
                                              "", "11/14/2023 10:13:20 PM", "7", "11:13:20 PM"}));
  // Lines for known symbols (in any letter case) change their rows in place, each named once.
  clock += 61;
  Feed("USDJPY;149.7;149.8;149.75;1700000001;8");
  Feed("EURUSD;1.11;1.2;1.15;1;16");
  Feed("usdjpy;149.9;150;149.95;1700000002;9");
  Feed("USDJPY;1;2");  // refused: no row changes
  TListChanges changes = form.TakeListChanges();
  EXPECT_FALSE(changes.All);
  EXPECT_EQ(changes.Rows, (std::vector<int>{2, 0}));
  EXPECT_EQ(row(2), (std::vector<std::string>{"(unnamed)", "USDJPY", "149.9", "150", "149.95", "",
                                              "", "11/14/2023 10:13:22 PM", "9", "11:14:21 PM"}));
  EXPECT_EQ(form.ListCell(0, TMainForm::kColSymbol), "eurusd");  // the row keeps the first spelling's place
  EXPECT_EQ(form.LastLine("EURUSD"), "EURUSD;1.11;1.2;1.15;1;16");
  EXPECT_TRUE(form.TakeListChanges().Rows.empty());
  // A new symbol moves rows: the next changes say so, whatever changed before it.
  Feed("GBPUSD;1.3;1.4;1.35;1700000003;4");
  Feed("AUDUSD;0.65;0.66;0.655;1700000003;2");
  changes = form.TakeListChanges();
  EXPECT_TRUE(changes.All);
  EXPECT_TRUE(changes.Rows.empty());
  EXPECT_EQ(form.ListCell(0, TMainForm::kColSymbol), "AUDUSD");
  EXPECT_EQ(form.ListCell(2, TMainForm::kColBid), "1.3");
  Feed("GBPUSD;1.31;1.4;1.35;1700000003;4");
  EXPECT_EQ(form.TakeListChanges().Rows, (std::vector<int>{2}));
}

// Rows are searched by their symbols' first eight letters first: symbols alike that far, one a
// prefix of another, differing in letter case or in bytes above 127, each keep a row of their own.
TEST_F(FormTest, SymbolsAlikeInTheirFirstLettersEachKeepTheirOwnRow) {
  const std::vector<std::string> symbols = {
      "EURUSD.micro", "EURUSD",  "EURUSD.m",      "EURUSD.mini",   "ZZ",     "EURUSD.m2", "A",
      "EURUSD\xE9",   "EURUSDX", "EURUSD.MICRO1", "EURUSD.MICRO0", "EURUSD."};
  for (std::size_t i = 0; i < symbols.size(); ++i)
    Feed(symbols[i] + ";1;2;3;" + std::to_string(i) + ";4");
  Feed("eurusd.MICRO;1;2;3;99;4");  // the first symbol again, in other letters
  ASSERT_EQ(form.RowCount(), static_cast<int>(symbols.size()));
  for (int i = 1; i < form.RowCount(); ++i)
    EXPECT_LT(CompareNames(form.ListCell(i - 1, TMainForm::kColSymbol),
                           form.ListCell(i, TMainForm::kColSymbol)),
              0)
        << form.ListCell(i - 1, TMainForm::kColSymbol) << " before "
        << form.ListCell(i, TMainForm::kColSymbol);
  EXPECT_EQ(form.LastLine("EURUSD.micro"), "eurusd.MICRO;1;2;3;99;4");
  for (std::size_t i = 1; i < symbols.size(); ++i)
    EXPECT_EQ(form.LastLine(symbols[i]), symbols[i] + ";1;2;3;" + std::to_string(i) + ";4");
  EXPECT_EQ(form.LastLine("EURUSD.mic"), "");
  EXPECT_EQ(form.LastLine("EURUSD.micro2"), "");
}

TEST_F(FormTest, TheStatusBarCountsLinesAndTheEmptyWindowSaysWhatToDo) {
  EXPECT_EQ(form.CountsText(), "0 lines received, 0 refused");
  EXPECT_NE(form.EmptyHint().find("TickwellService"), std::string::npos);
  EXPECT_NE(form.EmptyHint().find("DDE is on"), std::string::npos);
  form.DdeButtonClick();
  EXPECT_NE(form.EmptyHint().find("press DDE"), std::string::npos);
  Feed("EURUSD;1;2");
  EXPECT_NE(form.EmptyHint(), "") << "a refused line brings no symbol";
  Feed("EURUSD;1;2;3;0;4");
  EXPECT_EQ(form.EmptyHint(), "");
  EXPECT_EQ(form.CountsText(), "2 lines received, 1 refused");
  Feed("EURUSD;1;2;3;0;5");
  EXPECT_EQ(form.CountsText(), "3 lines received, 1 refused");
  EXPECT_EQ(form.ReceivedLines(), 3);
}

TEST(FormBeforeDde, LinesAreShownAndKeptAndServedOnceDdeIsOn) {
  TMainForm form;
  form.FormCreate();
  form.QuoteLineReceived(form.Receiver(), 0, "EURUSD;1;2;3;0;4");
  EXPECT_EQ(form.Cell(1, 1), "1");
  EXPECT_EQ(form.DdeManager().FindService("MT5"), nullptr);
  EXPECT_FALSE(form.DdeManager().Initialized());
  EXPECT_EQ(form.DdeTag(), 0);
  form.DdeButtonClick();
  const TDDEMLItem* bid = form.DdeManager().FindItem("MT5", "EURUSD", "BID");
  ASSERT_NE(bid, nullptr);
  EXPECT_EQ(bid->Text(), "1");
}

TEST_F(FormTest, OnlyChangedValuesAreAnnouncedToLinkedClients) {
  const std::string line = "EURUSD;1.1;1.2;1.3;1700000000;15";
  Feed(line);
  TDDEMLService& mt5 = *form.DdeManager().FindService("MT5");
  for (const char* item : {"BID", "ASK", "LAST", "TIME", "VOLUME", "QUOTE"})
    mt5.AddAdvise("EURUSD", item, platform::kCfText);
  const auto posts = form.DdeManager().AdvisePosts();
  Feed(line);
  EXPECT_EQ(form.DdeManager().AdvisePosts(), posts);
  // Values differing only in letter case count as unchanged: here the QUOTE, whose symbol is
  // written in other letters.
  Feed("eurusd;1.1;1.2;1.3;1700000000;15");
  EXPECT_EQ(form.DdeManager().AdvisePosts(), posts);
  Feed("eurusd;1.1;1.2;1.4;1700000001;15");
  EXPECT_EQ(form.DdeManager().AdvisePosts(), posts + 3);  // LAST, TIME, QUOTE
}

TEST_F(FormTest, HighAndLowComeOnlyWithBothAndStayUntilTheNextPair) {
  Feed("EURUSD;1.1;1.2;1.15;1021974720;15");
  EXPECT_EQ(Mt5("EURUSD", "HIGH"), "-");
  EXPECT_EQ(Mt4("EURUSD")[2], "N/A");
  Feed("EURUSD;1.1;1.2;1.15;1021974720;15;1.3;1.0");
  EXPECT_EQ(Mt5("EURUSD", "HIGH"), "1.3");
  EXPECT_EQ(Mt5("EURUSD", "LOW"), "1.0");
  EXPECT_EQ(Mt4("EURUSD"),
            (Values{"1.1", "1.2", "1.3", "1.0", "21.05.02 9:52", "21.05.02 9:52 1.1 1.2"}));
  // A line without the pair, with only the high, or with an empty one keeps the last pair.
  for (const char* line :
       {"EURUSD;1.4;1.5;1.45;1021974780;16", "EURUSD;1.4;1.5;1.45;1021974780;16;9",
        "EURUSD;1.4;1.5;1.45;1021974780;16;9;", "EURUSD;1.4;1.5;1.45;1021974780;16;;9"}) {
    Feed(line);
    EXPECT_EQ(Mt5("EURUSD", "HIGH") + " " + Mt5("EURUSD", "LOW"), "1.3 1.0") << line;
    EXPECT_EQ(Mt4("EURUSD"),
              (Values{"1.4", "1.5", "1.3", "1.0", "21.05.02 9:53", "21.05.02 9:53 1.4 1.5"}))
        << line;
    EXPECT_EQ(Mt5("EURUSD", "QUOTE"), line);
  }
}

TEST_F(FormTest, TheMt4LayoutFollowsEveryLineWithTheSameChangesAndRefusals) {
  Feed("EURUSD;1.1;1.2;1.15;1021974720;15;1.3;1.0");
  Feed("usdchf;1.5773;1.5778;1.5775;1021974720;3");
  EXPECT_EQ(Mt4("USDCHF"),
            (Values{"1.5773", "1.5778", "N/A", "N/A", "21.05.02 9:52",
                    "21.05.02 9:52 1.5773 1.5778"}));
  // Linked as the manager links for a client: the form hears of the link first.
  TDDEMLManager& dde = form.DdeManager();
  for (const char* topic : mt4::kTopics) {
    bool allow = false;
    dde.OnAdviseStartReceived(dde, "MT4", topic, "EURUSD", 0, TDDEMLClipFmtType{},
                              platform::kCfText, allow);
    ASSERT_TRUE(allow) << topic;
    dde.FindService("MT4")->AddAdvise(topic, "EURUSD", platform::kCfText);
  }
  const auto posts = form.DdeManager().AdvisePosts();
  const Values before = Mt4("EURUSD");
  // Refused lines change nothing and announce nothing.
  for (const char* bad :
       {"EURUSD;9;9;9;;15;9;9", "EURUSD;9;9;9;1021974720123;15;9;9", "EURUSD;9;9"})
    Feed(bad);
  EXPECT_EQ(Mt4("EURUSD"), before);
  EXPECT_EQ(form.DdeManager().AdvisePosts(), posts);
  // Only the linked MetaTrader 4 items are counted: a new last price, volume and time within
  // the same minute change none of them; a new bid changes BID and QUOTE.
  Feed("EURUSD;1.1;1.2;1.16;1021974730;17;1.3;1.0");
  EXPECT_EQ(form.DdeManager().AdvisePosts(), posts);
  Feed("EURUSD;1.11;1.2;1.16;1021974730;17;1.3;1.0");
  EXPECT_EQ(form.DdeManager().AdvisePosts(), posts + 2);
  EXPECT_EQ(Mt4("EURUSD")[5], "21.05.02 9:52 1.11 1.2");
}

TEST_F(FormTest, AdviseLinksAreAllowedOnlyOnItemsALineFillsAndInTheFormatsTheyHold) {
  const auto linked = [&](const char* topic, const char* item) {
    bool allow = true;
    form.DdeManager().OnAdviseStartReceived(form.DdeManager(), "MT5", topic, item, 0,
                                            FormatNumberToType(platform::kCfText),
                                            platform::kCfText, allow);
    return allow;
  };
  // A symbol no line has brought yet may be linked; a misspelt item would stay empty for good.
  for (const char* item : {"bid", "ASK", "LAST", "TIME", "VOLUME", "QUOTE", "HIGH", "low"})
    EXPECT_TRUE(linked("GBPJPY", item)) << item;
  EXPECT_FALSE(linked("EURUSD", "BIDD"));
  EXPECT_FALSE(linked("EURUSD", ""));
  EXPECT_TRUE(linked("System", "Topics"));
  EXPECT_TRUE(linked("EURUSD", "TopicItemList"));
  form.DdeManager().AddItem("MT5", "EURUSD", "SPREAD");  // defined up front: kept linkable
  EXPECT_TRUE(linked("EURUSD", "SPREAD"));
  const auto allowed = [&](std::uint16_t format) {
    bool allow = true;
    form.DdeManager().OnAdviseStartReceived(form.DdeManager(), "MT5", "EURUSD", "BID", 0,
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
  form.AboutCommandClick();
  EXPECT_EQ(shown.Title, "About Tickwell");
  EXPECT_EQ(shown.Version, "Version: 1.0.0.2");
  EXPECT_NE(shown.Description.find(
                "no longer implemented in Metatrader 5 software.\n\rFurther information"),
            std::string::npos);
  EXPECT_NE(TMainForm::HelpPagePath().find("tickwell-help.html"), std::string::npos);
  // The link goes to the help page beside the program, not to a web site.
  EXPECT_EQ(shown.Link, TMainForm::HelpPagePath());
  EXPECT_NE(shown.LinkText.find("help"), std::string::npos);
}

#ifndef _WIN32
// A client instance that asks and is told, and wants to hear nothing else.
platform::DdeInstance QuietClient() {
  platform::DdeInstance id = 0;
  platform::DdeInitialize(
      id,
      [](unsigned, unsigned, platform::Hconv, platform::Hsz, platform::Hsz, platform::HddeData,
         std::uintptr_t, std::uintptr_t) -> platform::HddeData { return 0; },
      platform::kAppCmdClientOnly);
  return id;
}

// The help page opens beside the program; whether a browser shows it or not, the status bar says
// where it is, and a page no program opens is named as such.
TEST_F(FormTest, HelpSaysWhereThePageIs) {
  const std::string page = TMainForm::HelpPagePath();
  platform::sim::ClearShellCalls();
  EXPECT_TRUE(form.HelpCommandClick());
  ASSERT_EQ(platform::sim::ShellCalls().size(), 1u);
  EXPECT_EQ(platform::sim::ShellCalls()[0].target, page);
  EXPECT_EQ(form.StatusText(), "The help page is " + page);

  platform::sim::SetShellOpenFails(true);
  const bool opened = form.HelpCommandClick();
  platform::sim::SetShellOpenFails(false);
  EXPECT_FALSE(opened);
  EXPECT_EQ(form.StatusText(), "No program could open the help page: " + page);
  // The next good line puts the counts back, as after a refused line.
  Feed("EURUSD;1.1;1.2;1.3;1700000000;15");
  EXPECT_EQ(form.StatusText(), "");
}

// A DDE client in the same process, under the model: what a spreadsheet meets.
class FormClientTest : public FormTest {
 protected:
  ~FormClientTest() override { platform::DdeUninitialize(client); }
  static void Pump() {
    while (platform::PumpMessages() > 0) {
    }
  }
  platform::Hsz Name(const std::string& text) {
    return platform::DdeCreateStringHandle(client, text);
  }
  platform::Hconv Connect(const std::string& topic, const std::string& service = "MT5") {
    const platform::Hconv conv = platform::DdeConnect(client, Name(service), Name(topic));
    Pump();
    return conv;
  }
  // The answer's bytes as text, "<none>" when the request failed.
  std::string Request(platform::Hconv conv, const std::string& item,
                      unsigned format = platform::kCfText) {
    std::uint32_t status = 0;
    const platform::HddeData data = platform::DdeClientTransaction(
        nullptr, 0, conv, Name(item), format, platform::kXtypRequest, 1000, &status);
    if (data == 0) return "<none>";
    const std::vector<std::uint8_t> bytes = platform::DdeDataBytes(data);
    platform::DdeFreeDataHandle(data);
    return std::string(bytes.begin(), bytes.end());
  }
  std::uint32_t Poke(platform::Hconv conv, const std::string& item, const std::string& value) {
    std::uint32_t status = 0;
    platform::DdeClientTransaction(value.c_str(), static_cast<std::uint32_t>(value.size() + 1),
                                   conv, Name(item), platform::kCfText, platform::kXtypPoke, 1000,
                                   &status);
    return status;
  }
  // A client of its own that records what its links are sent: the value, or "warm" for a change
  // announced without one.
  static platform::DdeInstance Linker(std::vector<std::string>& sent) {
    platform::DdeInstance id = 0;
    platform::DdeInitialize(
        id,
        [&sent](unsigned type, unsigned, platform::Hconv, platform::Hsz, platform::Hsz,
                platform::HddeData data, std::uintptr_t, std::uintptr_t) -> platform::HddeData {
          if (type != platform::kXtypAdvData) return 0;
          if (data == 0) {
            sent.push_back("warm");
          } else {
            const std::vector<std::uint8_t> bytes = platform::DdeDataBytes(data);
            sent.emplace_back(bytes.begin(), std::find(bytes.begin(), bytes.end(), 0));
          }
          return platform::kDdeFAck;
        },
        platform::kAppCmdClientOnly);
    return id;
  }
  // Whether the linker's hot link on the item of MetaTrader 4's topic was taken.
  static bool HotLinkMt4(platform::DdeInstance linker, const char* topic, const char* item) {
    const platform::Hconv conv =
        platform::DdeConnect(linker, platform::DdeCreateStringHandle(linker, "MT4"),
                             platform::DdeCreateStringHandle(linker, topic));
    Pump();
    std::uint32_t status = 0;
    const bool taken =
        conv != 0 && platform::DdeClientTransaction(
                         nullptr, 0, conv, platform::DdeCreateStringHandle(linker, item),
                         platform::kCfText, platform::kXtypAdvStart, 1000, &status) != 0;
    Pump();
    return taken;
  }
  platform::DdeInstance client = QuietClient();
};

TEST_F(FormClientTest, AClientThatConnectsForEachRequestAlwaysFindsTheValues) {
  Feed("EURUSD;1.08501;1.08503;1.08502;1700000000;15");
  for (int round = 0; round < 3; ++round) {
    const platform::Hconv conv = Connect("EURUSD");
    ASSERT_NE(conv, 0u);
    EXPECT_EQ(Request(conv, "BID"), std::string("1.08501", 8)) << round;
    platform::DdeDisconnect(conv);
    Pump();
  }
  EXPECT_EQ(form.DdeManager().ConversationCount(), 0);
  EXPECT_NE(form.DdeManager().FindService("MT5")->FindTopic("EURUSD"), nullptr);
  // A name no line brought goes with its last conversation.
  platform::DdeDisconnect(Connect("EURUDS"));
  Pump();
  EXPECT_EQ(form.DdeManager().FindService("MT5")->FindTopic("EURUDS"), nullptr);
  // In UTF-16 as well, as Tcl's dde request asks by default.
  const platform::Hconv conv = Connect("EURUSD");
  std::string wide;
  for (char c : std::string("1.08503")) wide += {c, '\0'};
  EXPECT_EQ(Request(conv, "ASK", platform::kCfUnicodeText), wide + std::string(2, '\0'));
}

TEST_F(FormClientTest, PokesChangeNoQuoteAndCannotSilenceTheServer) {
  Feed("EURUSD;1.08501;1.08503;1.08502;1700000000;15");
  const platform::Hconv conv = Connect("EURUSD");
  const platform::Hconv sys = Connect("System");
  ASSERT_TRUE(conv != 0 && sys != 0);
  EXPECT_EQ(Poke(conv, "BID", "9.99"), platform::kDmlErrNotProcessed);
  EXPECT_EQ(Poke(sys, "Status", "BUSY"), platform::kDmlErrNotProcessed);
  EXPECT_EQ(Request(conv, "BID"), std::string("1.08501", 8));
  EXPECT_EQ(Items("EURUSD")[0], "1.08501");
}

TEST_F(FormClientTest, TheMt4LayoutAnswersNaUntilASymbolsFirstLineAndKeepsItsTopics) {
  const platform::Hconv bid = Connect("BID", "MT4");
  const platform::Hconv high = Connect("high", "MT4");
  ASSERT_TRUE(bid != 0 && high != 0);
  EXPECT_EQ(Request(bid, "EURUSD"), std::string("N/A", 4));
  std::string wide;
  for (char c : std::string("N/A")) wide += {c, '\0'};
  EXPECT_EQ(Request(bid, "EURUSD", platform::kCfUnicodeText), wide + std::string(2, '\0'));
  Feed("EURUSD;1.1;1.2;1.15;1021974720;15");
  EXPECT_EQ(Request(bid, "eurusd"), std::string("1.1", 4));
  EXPECT_EQ(Request(high, "EURUSD"), std::string("N/A", 4));  // the line had no high
  Feed("EURUSD;1.1;1.2;1.15;1021974720;15;1.3;1.0");
  EXPECT_EQ(Request(high, "EURUSD"), std::string("1.3", 4));
  // Only the six fields are topics: neither a request nor a link on another is served, MT5's
  // order of names included (a link was taken there and stayed empty for good). The MetaTrader
  // 5 layout is untouched by the requests.
  const platform::Hconv other = Connect("LAST", "MT4");
  const platform::Hconv swapped = Connect("EURUSD", "MT4");
  for (const auto& [conv, item] : {std::pair{other, "EURUSD"}, std::pair{swapped, "BID"}}) {
    std::uint32_t status = 0;
    EXPECT_EQ(platform::DdeClientTransaction(nullptr, 0, conv, Name(item), platform::kCfText,
                                             platform::kXtypAdvStart, 1000, &status),
              0u)
        << item;
    EXPECT_EQ(Request(conv, item), "<none>") << item;
  }
  platform::DdeDisconnect(swapped);
  const platform::Hconv system = Connect("System", "MT4");
  std::uint32_t status = 0;
  EXPECT_NE(platform::DdeClientTransaction(nullptr, 0, system, Name("Topics"), platform::kCfText,
                                           platform::kXtypAdvStart, 1000, &status),
            0u);
  platform::DdeDisconnect(system);
  EXPECT_EQ(form.DdeManager().FindItem("MT5", "EURUSD", "HIGH")->Text(), "1.3");
  for (platform::Hconv conv : {bid, high, other}) platform::DdeDisconnect(conv);
  Pump();
  const TDDEMLService& mt4 = *form.DdeManager().FindService("MT4");
  EXPECT_NE(mt4.FindTopic("BID"), nullptr);
  EXPECT_NE(mt4.FindTopic("HIGH"), nullptr);
  EXPECT_EQ(mt4.FindTopic("LAST"), nullptr);
  const platform::Hconv again = Connect("QUOTE", "MT4");
  EXPECT_EQ(Request(again, "EURUSD"), std::string("21.05.02 9:52 1.1 1.2", 22));
}

TEST_F(FormClientTest, HotAndWarmLinksInTheMt4LayoutFollowTheFirstLineOn) {
  std::vector<std::string> sent;
  const platform::DdeInstance linker = Linker(sent);
  const auto name = [&](const char* text) { return platform::DdeCreateStringHandle(linker, text); };
  const platform::Hconv quote = platform::DdeConnect(linker, name("MT4"), name("QUOTE"));
  const platform::Hconv low = platform::DdeConnect(linker, name("MT4"), name("LOW"));
  Pump();
  ASSERT_TRUE(quote != 0 && low != 0);
  std::uint32_t status = 0;
  EXPECT_NE(platform::DdeClientTransaction(nullptr, 0, quote, name("GBPUSD"), platform::kCfText,
                                           platform::kXtypAdvStart, 1000, &status),
            0u);
  EXPECT_NE(platform::DdeClientTransaction(nullptr, 0, low, name("GBPUSD"), platform::kCfText,
                                           platform::kXtypAdvStart | platform::kXtypfNoData, 1000,
                                           &status),
            0u);
  Pump();
  Feed("GBPUSD;1.2;1.3;1.25;1700000000;7");  // no low yet: only QUOTE changes
  Feed("GBPUSD;1.2;1.3;1.25;1700000000;7;1.31;1.19");
  Feed("GBPUSD;1.2;1.3;1.26;1700000001;8;1.31;1.19");  // nothing MetaTrader 4 shows changed
  Feed("GBPUSD;1.21;1.3;1.26;1700000001;8;1.31;1.18");
  Pump();
  // Within a line the low is published before the quote.
  EXPECT_EQ(sent, (std::vector<std::string>{"14.11.23 22:13 1.2 1.3", "warm", "warm",
                                            "14.11.23 22:13 1.21 1.3"}));
  platform::DdeUninitialize(linker);
}
TEST_F(FormClientTest, Mt4ItemsNoClientLinksAreUpToDateWhenAClientReadsOrLinksThem) {
  const auto text = [](const std::string& value) { return value + std::string(1, '\0'); };
  Feed("EURUSD;1.1;1.2;1.15;1021974720;15");
  Feed("EURUSD;1.11;1.21;1.15;1021974780;16");
  Feed("EURUSD;1.11;1.21;1.15;1021974780;16;1.3;1.0");  // the first high and low
  Feed("EURUSD;1.12;1.22;1.15;1021974840;17;1.31;0.99");
  Feed("AUDUSD;0.6;0.7;0.65;1021974840;1");  // a row before it: the rows move
  Feed("EURUSD;1.13;1.23");                  // refused
  // Until a client reads them, the symbols take no memory in that layout.
  EXPECT_EQ(form.DdeManager().FindItem("MT4", "QUOTE", "EURUSD"), nullptr);
  const platform::Hconv quote = Connect("QUOTE", "MT4");
  const platform::Hconv high = Connect("HIGH", "MT4");
  const platform::Hconv bid = Connect("BID", "MT4");
  ASSERT_TRUE(quote != 0 && high != 0 && bid != 0);
  EXPECT_EQ(Request(quote, "EURUSD"), text("21.05.02 9:54 1.12 1.22"));
  EXPECT_EQ(Request(high, "eurusd"), text("1.31"));
  EXPECT_EQ(Request(bid, "AUDUSD"), text("0.6"));
  EXPECT_EQ(Mt5("EURUSD", "BID"), "1.12");

  // A line that comes while nobody links; then a link: its item holds that line from the start,
  // so the next line, with the same bid, announces nothing.
  Feed("EURUSD;1.13;1.23;1.15;1021974900;18;1.31;0.99");
  std::vector<std::string> sent;
  const platform::DdeInstance linker = Linker(sent);
  ASSERT_TRUE(HotLinkMt4(linker, "BID", "EURUSD"));
  Feed("EURUSD;1.13;1.24;1.15;1021974960;19;1.31;0.99");
  Feed("EURUSD;1.14;1.24;1.15;1021974960;19;1.31;0.99");
  Pump();
  EXPECT_EQ(sent, (std::vector<std::string>{"1.14"}));
  // The other topics of a linked symbol follow every line.
  EXPECT_EQ(Request(quote, "EURUSD"), text("21.05.02 9:56 1.14 1.24"));
  platform::DdeUninitialize(linker);
  Pump();
  // Unlinked again: lines wait, and a request still reads the last one.
  Feed("EURUSD;1.15;1.25;1.15;1021975020;20;1.32;0.99");
  EXPECT_EQ(Request(high, "EURUSD"), text("1.32"));
  EXPECT_EQ(Mt4("EURUSD"),
            (Values{"1.15", "1.25", "1.32", "0.99", "21.05.02 9:57", "21.05.02 9:57 1.15 1.25"}));

  // A link on a high before any line had one: the lines without one wait, the first with one
  // is announced.
  std::vector<std::string> highs;
  const platform::DdeInstance watcher = Linker(highs);
  ASSERT_TRUE(HotLinkMt4(watcher, "HIGH", "USDJPY"));
  Feed("USDJPY;150.1;150.2;150.15;1021975020;1");
  Feed("USDJPY;150.2;150.3;150.25;1021975020;1");
  Feed("USDJPY;150.3;150.4;150.35;1021975080;2;151;149");
  Pump();
  EXPECT_EQ(highs, (std::vector<std::string>{"151"}));
  platform::DdeUninitialize(watcher);
}

TEST_F(FormClientTest, TheStatusBarCountsConversationsAndTheirLinks) {
  EXPECT_EQ(form.DdeStateText(), "DDE on: 0 conversations, 0 links");
  Feed("EURUSD;1;2;3;0;4");
  const platform::Hconv conv = Connect("EURUSD");
  ASSERT_NE(conv, 0u);
  std::uint32_t status = 0;
  for (const char* item : {"BID", "ASK"})
    ASSERT_NE(platform::DdeClientTransaction(nullptr, 0, conv, Name(item), platform::kCfText,
                                             platform::kXtypAdvStart, 1000, &status),
              0u);
  Pump();
  EXPECT_EQ(form.DdeStateText(), "DDE on: 1 conversation, 2 links");
  platform::DdeClientTransaction(nullptr, 0, conv, Name("ASK"), platform::kCfText,
                                 platform::kXtypAdvStop, 1000, &status);
  Pump();
  EXPECT_EQ(form.DdeStateText(), "DDE on: 1 conversation, 1 link");
  platform::DdeDisconnect(conv);
  Pump();
  EXPECT_EQ(form.DdeStateText(), "DDE on: 0 conversations, 0 links");
  form.DdeButtonClick();
  Pump();
  EXPECT_EQ(form.DdeStateText(), "DDE off");
}

// Registering a service name makes DDEML tell the other DDE programs, and the thread takes the
// lines sent to it while it waits on them: here while MetaTrader 4's service is named, before
// MT5's has its name.
TEST_F(FormClientTest, LinesThatComeWhileDdeStartsAreServedAndSoAreTheirNextLines) {
  form.DdeButtonClick();  // off: the next click starts DDE as the program's start does
  int named = 0;
  platform::sim::SetDdeFault([&](const char* call) -> unsigned {
    if (std::string_view(call) == "DdeNameService" && named++ == 0) {
      Feed("EURUSD;1.1;1.2;1.15;1700000000;15");
      Feed("GBPUSD;1.3;1.4;1.35;1700000000;7");
    }
    return 0;
  });
  form.DdeButtonClick();
  platform::sim::SetDdeFault(nullptr);
  ASSERT_EQ(named, 2);
  // Each symbol has one topic, found by its name.
  EXPECT_EQ(form.DdeManager().FindService("MT5")->TopicCount(), 2);
  const platform::Hconv system = Connect("System");
  const platform::Hconv eurusd = Connect("EURUSD");
  const platform::Hconv gbpusd = Connect("gbpusd");
  const platform::Hconv bid = Connect("BID", "MT4");
  ASSERT_TRUE(system != 0 && eurusd != 0 && gbpusd != 0 && bid != 0);
  EXPECT_EQ(Request(system, "Topics"), std::string("EURUSD\tGBPUSD\tSystem", 21));
  EXPECT_EQ(Request(eurusd, "BID"), std::string("1.1", 4));
  EXPECT_EQ(Request(gbpusd, "QUOTE"), std::string("GBPUSD;1.3;1.4;1.35;1700000000;7", 33));
  EXPECT_EQ(Request(bid, "GBPUSD"), std::string("1.3", 4));
  Feed("EURUSD;1.11;1.21;1.15;1700000001;16");
  Feed("GBPUSD;1.31;1.41;1.35;1700000001;8");
  EXPECT_EQ(Request(eurusd, "BID"), std::string("1.11", 5));
  EXPECT_EQ(Request(gbpusd, "ASK"), std::string("1.41", 5));
  EXPECT_EQ(Request(bid, "EURUSD"), std::string("1.11", 5));
}

// A second start's "/dde off" (or on) can come while the names are registered: it is carried out
// once the start is done, in the order asked, and the instance is never stopped under it.
TEST_F(FormClientTest, ASwitchAskedForWhileDdeStartsComesAfterTheStart) {
  for (const std::vector<bool>& asked : {std::vector<bool>{false}, {false, true}, {true}}) {
    form.DdeButtonClick();  // off
    ASSERT_EQ(form.DdeTag(), 0);
    int named = 0;
    platform::sim::SetDdeFault([&](const char* call) -> unsigned {
      if (std::string_view(call) == "DdeNameService" && named++ == 0) {
        for (bool on : asked) form.SwitchDde(on);
        Feed("EURUSD;1.1;1.2;1.15;1700000000;15");
      }
      return 0;
    });
    form.DdeButtonClick();  // on
    platform::sim::SetDdeFault(nullptr);
    ASSERT_GE(named, 1);
    const bool on = asked.back();
    EXPECT_EQ(form.DdeTag(), on ? 1 : 0) << asked.size();
    EXPECT_EQ(Connect("EURUSD") != 0, on) << asked.size();
    if (!on) form.DdeButtonClick();  // back on for the next round
    const platform::Hconv eurusd = Connect("EURUSD");
    ASSERT_NE(eurusd, 0u);
    EXPECT_EQ(Request(eurusd, "BID"), std::string("1.1", 4));
  }
}
#endif

// The MetaTrader 4 layout as the user's settings file has it.
class FormSettingsTest : public ::testing::Test {
 protected:
  FormSettingsTest() {
    std::filesystem::create_directories(dir_);
    form.SettingsFile = file_;
  }
  ~FormSettingsTest() override { std::filesystem::remove_all(dir_); }
  // What the model's DDE posted to the windows of the forms that went.
  static void Pump() {
    while (platform::PumpMessages() > 0) {
    }
  }
  void Start() {
    form.FormCreate();
    form.DdeButtonClick();
    form.QuoteLineReceived(form.Receiver(), 0, "EURUSD;1.1;1.2;1.15;1021974720;15;1.3;1.0");
  }
  std::filesystem::path dir_ =
      std::filesystem::temp_directory_path() /
      ("tickwell-settings-" +
       std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  std::string file_ = (dir_ / "tickwell.ini").string();
  TMainForm form;
};

TEST_F(FormSettingsTest, WithoutAFileTheMt4LayoutIsOnAsMt4) {
  Start();
  EXPECT_TRUE(form.Settings().Mt4Enabled);
  EXPECT_EQ(ReadMt4(form, "MT4", "BID", "EURUSD"), "1.1");
}

TEST_F(FormSettingsTest, SwitchedOffOrRenamed) {
  ASSERT_TRUE(TSettings::WriteMt4(file_, false, "MT4"));
  Start();
  EXPECT_EQ(form.DdeManager().FindService("MT4"), nullptr);
  EXPECT_NE(form.DdeManager().FindItem("MT5", "EURUSD", "HIGH"), nullptr);
  form.DdeButtonClick();
  ASSERT_TRUE(TSettings::WriteMt4(file_, true, "QUOTES4"));
  Start();
  EXPECT_EQ(form.DdeManager().FindService("MT4"), nullptr);
  EXPECT_EQ(ReadMt4(form, "QUOTES4", "LOW", "EURUSD"), "1.0");
}

TEST_F(FormSettingsTest, ANameThatWouldMergeTheLayoutsGivesTheDefault) {
  for (const char* name : {"", "mt5"}) {
    ASSERT_TRUE(platform::IniWriteString(file_, "MT4", "Service", name));
    EXPECT_EQ(TSettings::Read(file_).Mt4Service, "MT4") << name;
  }
  ASSERT_TRUE(platform::IniWriteString(file_, "MT4", "Enabled", "0"));
  EXPECT_FALSE(TSettings::Read(file_).Mt4Enabled);
}

TEST_F(FormSettingsTest, TheDdeSwitchIsRememberedAndTheCommandLineOverridesItOnce) {
  form.FormCreate();
  EXPECT_EQ(form.DdeTag(), 0) << "the first start has DDE off";
  form.DdeButtonClick();
  EXPECT_TRUE(TSettings::Read(file_).DdeOn);
  {
    TMainForm next;
    next.SettingsFile = file_;
    next.FormCreate();
    EXPECT_EQ(next.DdeTag(), 1);
    EXPECT_EQ(next.GlyphIndex(), 1);
    EXPECT_TRUE(next.DdeManager().Initialized());
    next.DdeButtonClick();  // off, remembered
  }
  Pump();
  EXPECT_FALSE(TSettings::Read(file_).DdeOn);
  form.DdeButtonClick();  // off here too
  {
    TMainForm once;
    once.SettingsFile = file_;
    once.StartDde = true;
    once.FormCreate();
    EXPECT_EQ(once.DdeTag(), 1);
    once.SwitchDde(false);  // what a second start's switch does: not remembered either
    EXPECT_EQ(once.DdeTag(), 0);
  }
  Pump();
  EXPECT_FALSE(TSettings::Read(file_).DdeOn);
}

#ifndef _WIN32
TEST_F(FormSettingsTest, AFileThatCannotBeWrittenOrReadNeverStopsTheProgram) {
  platform::sim::SetFileWriteFault([](const std::string&) { return true; });
  form.FormCreate();
  form.DdeButtonClick();
  platform::sim::SetFileWriteFault(nullptr);
  EXPECT_EQ(form.DdeTag(), 1) << "the switch works, only its memory failed";
  EXPECT_EQ(form.StatusText(),
            "The DDE switch could not be remembered: " + file_ + " cannot be written");
  form.QuoteLineReceived(form.Receiver(), 0, "EURUSD;1;2;3;0;4");
  EXPECT_EQ(form.StatusText(), "");
  // Damaged values give the defaults, each on its own.
  ASSERT_TRUE(platform::WriteWholeFile(
      file_, "[DDE]\r\nEnabled=yes\r\n[Window]\r\nLeft=x\r\nWidth=40000\r\n\xff[MT4\r\n"));
  const TSettings read = TSettings::Read(file_);
  EXPECT_FALSE(read.DdeOn);
  EXPECT_FALSE(read.Place.Known());
  EXPECT_TRUE(read.Mt4Enabled);
  EXPECT_EQ(read.Mt4Service, "MT4");
}
#endif

TEST_F(FormSettingsTest, TheWindowsPlaceIsRememberedWhenItClosesAndOnlyAPlausibleOneIsTaken) {
  EXPECT_FALSE(TSettings::Read(file_).Place.Known());
  form.FormCreate();
  form.DdeButtonClick();
  const TWindowPlace place{-8, 40, 900, 500, true};
  form.FormClose(place);
  TSettings read = TSettings::Read(file_);
  EXPECT_EQ(read.Place, place);
  EXPECT_TRUE(read.DdeOn) << "the place is written beside the switch, not over it";
  form.FormClose(TWindowPlace{});  // a window that never had a size leaves the last place
  EXPECT_EQ(TSettings::Read(file_).Place, place);
  for (const TWindowPlace bad : {TWindowPlace{0, 0, 50, 500}, TWindowPlace{0, 0, 500, 99999},
                                 TWindowPlace{99999, 0, 500, 500}}) {
    ASSERT_TRUE(TSettings::WritePlace(file_, bad));
    EXPECT_FALSE(TSettings::Read(file_).Place.Known()) << bad.Left << " " << bad.Width;
  }
}

TEST_F(FormSettingsTest, TheMt4LayoutIsSwitchedAndRenamedFromTheSettingsDialog) {
  form.FormCreate();
  int shown = 0;
  form.OnShowSettings = [&] { ++shown; };
  form.SettingsCommandClick();
  EXPECT_EQ(shown, 1);
  // Refused names change nothing, in the file or in the program.
  EXPECT_EQ(form.ChangeMt4Settings(true, "  "), "The service needs a name.");
  EXPECT_NE(form.ChangeMt4Settings(true, "mt5").find("MT5 is the name of Tickwell's own"),
            std::string::npos);
  EXPECT_EQ(form.ChangeMt4Settings(true, std::string(256, 'Q')),
            "The name is longer than 255 characters.");
  EXPECT_EQ(form.Settings().Mt4Service, "MT4");
  EXPECT_FALSE(std::filesystem::exists(file_));
  // A taken name is kept (without its blanks) and serves from the next time DDE is on.
  EXPECT_EQ(form.ChangeMt4Settings(true, " MT4TW "), "");
  EXPECT_EQ(TSettings::Read(file_).Mt4Service, "MT4TW");
  form.DdeButtonClick();
  form.QuoteLineReceived(form.Receiver(), 0, "EURUSD;1.1;1.2;1.15;1021974720;15");
  EXPECT_EQ(ReadMt4(form, "MT4TW", "BID", "EURUSD"), "1.1");
  EXPECT_EQ(form.DdeManager().FindService("MT4"), nullptr);
  EXPECT_EQ(form.ChangeMt4Settings(false, "MT4TW"), "");
  EXPECT_FALSE(TSettings::Read(file_).Mt4Enabled);
#ifndef _WIN32
  platform::sim::SetFileWriteFault([](const std::string&) { return true; });
  EXPECT_EQ(form.ChangeMt4Settings(true, "OTHER"),
            "The settings could not be saved: " + file_ + " cannot be written.");
  platform::sim::SetFileWriteFault(nullptr);
  EXPECT_FALSE(form.Settings().Mt4Enabled);
#endif
  form.DdeButtonClick();
  Pump();
}

#ifndef _WIN32
// The layout's settings as a client of the model meets them, changed as the user changes them:
// the Settings box's OK, then DDE pressed off and on. Beside Tickwell may run another program's
// server of the same name (MetaTrader 4's own).
class FormSettingsClientTest : public FormSettingsTest {
 protected:
  ~FormSettingsClientTest() override {
    StopOther();
    platform::DdeUninitialize(client_);
  }
  // A request in a conversation of its own, as a spreadsheet's =SERVICE|TOPIC!ITEM makes it:
  // "<no conversation>" when no server took one, "<none>" when the request was refused.
  std::string Ask(const std::string& service, const std::string& topic, const std::string& item) {
    const auto name = [&](const std::string& text) {
      return platform::DdeCreateStringHandle(client_, text);
    };
    const platform::Hconv conv = platform::DdeConnect(client_, name(service), name(topic));
    Pump();
    if (conv == 0) return "<no conversation>";
    const std::string answer = Request(conv, item);
    platform::DdeDisconnect(conv);
    Pump();
    return answer;
  }
  std::string Request(platform::Hconv conv, const std::string& item) {
    std::uint32_t status = 0;
    const platform::HddeData data = platform::DdeClientTransaction(
        nullptr, 0, conv, platform::DdeCreateStringHandle(client_, item), platform::kCfText,
        platform::kXtypRequest, 1000, &status);
    if (data == 0) return "<none>";
    const std::vector<std::uint8_t> bytes = platform::DdeDataBytes(data);
    platform::DdeFreeDataHandle(data);
    return std::string(bytes.begin(), std::find(bytes.begin(), bytes.end(), 0));
  }
  // Another program's server registered as Service: it takes conversations on Topics and answers
  // every request "theirs". OnConnect runs as it is asked for a conversation.
  void StartOther(const std::string& service, std::vector<std::string> topics,
                  std::function<void()> OnConnect = nullptr) {
    ASSERT_EQ(other_, 0u);
    platform::DdeInitialize(
        other_,
        [this, topics, OnConnect](unsigned type, unsigned, platform::Hconv, platform::Hsz topic,
                                  platform::Hsz item, platform::HddeData, std::uintptr_t,
                                  std::uintptr_t) -> platform::HddeData {
          const std::string name = platform::DdeQueryString(other_, topic);
          if (type == platform::kXtypConnect && OnConnect) OnConnect();
          if (type == platform::kXtypConnect)
            return std::any_of(topics.begin(), topics.end(),
                               [&](const std::string& t) { return SameName(t, name); });
          if (type != platform::kXtypRequest) return 0;
          return platform::DdeCreateDataHandle(other_, "theirs", 7, 0, item, platform::kCfText, 0);
        },
        platform::kAppCmdFilterInits);
    ASSERT_NE(platform::DdeNameService(other_, platform::DdeCreateStringHandle(other_, service),
                                       platform::kDnsRegister),
              0u);
  }
  void StopOther() {
    if (other_ == 0) return;
    platform::DdeUninitialize(other_);
    other_ = 0;
    Pump();
  }
  // The user's steps: the Settings box's OK, then DDE pressed off and on.
  void Change(bool enabled, const std::string& service) {
    ASSERT_EQ(form.ChangeMt4Settings(enabled, service), "");
    PressDdeTwice();
  }
  void PressDdeTwice() {
    for (int press = 0; press < 2; ++press) {
      form.DdeButtonClick();
      Pump();
    }
    ASSERT_EQ(form.DdeTag(), 1);
  }
  static constexpr char kFields[] = "BID\tASK\tHIGH\tLOW\tTIME\tQUOTE\tSystem";
  platform::DdeInstance client_ = QuietClient();
  platform::DdeInstance other_ = 0;
};

TEST_F(FormSettingsClientTest, AChangeAppliesWhenDdeIsNextSwitchedOnAndOnlyThen) {
  // The layout off at start, switched on during the session.
  ASSERT_TRUE(TSettings::WriteMt4(file_, false, "MT4"));
  Start();
  EXPECT_EQ(Ask("MT4", "BID", "EURUSD"), "<no conversation>");
  Change(true, "MT4");
  EXPECT_EQ(Ask("MT4", "BID", "EURUSD"), "1.1");
  EXPECT_EQ(Ask("MT4", "System", "Topics"), kFields);

  // Renamed while a client holds a conversation on the name: this session goes on as it was.
  const platform::Hconv held =
      platform::DdeConnect(client_, platform::DdeCreateStringHandle(client_, "MT4"),
                           platform::DdeCreateStringHandle(client_, "BID"));
  Pump();
  ASSERT_NE(held, 0u);
  ASSERT_EQ(form.ChangeMt4Settings(true, "MT4TW"), "");
  form.QuoteLineReceived(form.Receiver(), 0, "EURUSD;1.2;1.3;1.25;1021974720;15");
  EXPECT_EQ(Request(held, "EURUSD"), "1.2");
  EXPECT_EQ(Ask("MT4TW", "BID", "EURUSD"), "<no conversation>");
  // From the next switch on, the new name only: the old one takes no conversation at all.
  PressDdeTwice();
  EXPECT_EQ(Request(held, "EURUSD"), "<none>") << "the conversation outlived DDE";
  for (const char* topic : {"BID", "System"})
    EXPECT_EQ(Ask("MT4", topic, "Topics"), "<no conversation>") << topic;
  EXPECT_EQ(Ask("MT4TW", "BID", "EURUSD"), "1.2");
  EXPECT_EQ(Ask("MT4TW", "System", "Topics"), kFields);
  EXPECT_NE(Ask("MT4TW", "System", "Help").find("=MT4TW|BID!EURUSD"), std::string::npos);

  // Switched off: MetaTrader 5's layout alone.
  Change(false, "MT4TW");
  EXPECT_EQ(Ask("MT4TW", "BID", "EURUSD"), "<no conversation>");
  EXPECT_EQ(Ask("MT5", "System", "Topics"), "EURUSD\tSystem");
  EXPECT_EQ(Ask("MT5", "EURUSD", "BID"), "1.2");
  // And back to its first name, the values where they were.
  Change(true, "MT4");
  EXPECT_EQ(Ask("MT4", "ASK", "EURUSD"), "1.3");
  EXPECT_EQ(Ask("MT4", "System", "Topics"), kFields);
  EXPECT_EQ(Ask("MT4TW", "BID", "EURUSD"), "<no conversation>");
  EXPECT_EQ(form.StatusText(), "");
}

TEST_F(FormSettingsClientTest, AnotherProgramsServerOfTheNameIsNeverHiddenAndTheUserIsToldWhy) {
  // MetaTrader 4's own server, running before Tickwell: its clients keep reaching it.
  StartOther("MT4", {"BID", "ASK", "HIGH", "LOW", "TIME", "QUOTE"});
  Start();
  EXPECT_EQ(Ask("MT4", "BID", "EURUSD"), "theirs");
  EXPECT_EQ(Ask("MT4", "System", "Topics"), "<no conversation>") << "Tickwell answered as MT4";
  EXPECT_EQ(Ask("MT5", "EURUSD", "BID"), "1.1");
  const std::string told = form.Settings().Mt4Problem;
  EXPECT_EQ(told,
            "Another program already serves MT4 (MetaTrader 4?), so Tickwell's MetaTrader 4 "
            "layout is off. To have both, rename Tickwell's layout in Settings (for example "
            "MT4TW), then switch DDE off and on.");
  // The status bar keeps saying so while lines come; a refused line names itself first.
  EXPECT_EQ(form.StatusText(), told);
  form.QuoteLineReceived(form.Receiver(), 0, "EURUSD;;1.2;1.15;1021974720;15");
  EXPECT_EQ(form.StatusText().rfind("1 line refused - the bid price is missing", 0), 0u);
  form.QuoteLineReceived(form.Receiver(), 0, "EURUSD;1.1;1.2;1.15;1021974720;15");
  EXPECT_EQ(form.StatusText(), "1 line refused. " + told);
  // Pressing DDE twice while the other server runs changes nothing.
  PressDdeTwice();
  EXPECT_EQ(Ask("MT4", "BID", "EURUSD"), "theirs");
  EXPECT_EQ(form.StatusText(), "1 line refused. " + told);

  // The remedy, as told: another name in Settings, DDE off and on. Off, nothing is kept off.
  ASSERT_EQ(form.ChangeMt4Settings(true, "MT4TW"), "");
  form.DdeButtonClick();
  EXPECT_EQ(form.Settings().Mt4Problem, "");
  EXPECT_EQ(form.StatusText(), "1 line refused");
  form.DdeButtonClick();
  EXPECT_EQ(Ask("MT4TW", "BID", "EURUSD"), "1.1");
  EXPECT_EQ(Ask("MT4", "BID", "EURUSD"), "theirs");
  EXPECT_EQ(form.StatusText(), "1 line refused");

  // MetaTrader 4 closed, the layout back under MT4: Tickwell's now, and its own earlier
  // sessions never count as another program.
  StopOther();
  for (int round = 0; round < 2; ++round) {
    Change(true, "MT4");
    EXPECT_EQ(Ask("MT4", "BID", "EURUSD"), "1.1") << round;
    EXPECT_EQ(form.Settings().Mt4Problem, "") << round;
  }
  // MetaTrader 4 started while Tickwell serves its name: Tickwell gives way at the next switch on.
  StartOther("MT4", {"BID"});
  PressDdeTwice();
  EXPECT_EQ(Ask("MT4", "BID", "EURUSD"), "theirs");
  EXPECT_EQ(form.Settings().Mt4Problem, told);
  StopOther();

  // Any server of the name counts, one with only a System topic too.
  StartOther("MT4TW", {"System"});
  Change(true, "MT4TW");
  EXPECT_EQ(Ask("MT4TW", "BID", "EURUSD"), "<no conversation>");
  EXPECT_EQ(Ask("MT4TW", "System", "Topics"), "theirs");
  EXPECT_NE(form.StatusText().find("Another program already serves MT4TW"), std::string::npos);
  EXPECT_NE(form.StatusText().find("(for example MT4TW2)"), std::string::npos);
  // Switched off in Settings, the layout is not looked for: nothing to say.
  Change(false, "MT4TW");
  EXPECT_EQ(form.StatusText(), "1 line refused");
}

// While DDE is being switched on, Tickwell waits for the answers of other programs, and other
// programs' messages come meanwhile: a quote line, a second start's "/dde on".
TEST_F(FormSettingsClientTest, WhatComesWhileAnotherServerIsAskedFindsDdeStillOff) {
  int asked = 0;
  StartOther("MT4", {"BID"}, [&] {
    if (++asked > 1) return;
    form.QuoteLineReceived(form.Receiver(), 0, "GBPUSD;1.3;1.4;1.35;1021974720;5");
    form.SwitchDde(true);
  });
  Start();
  EXPECT_EQ(asked, 2) << "the second start's switch asked again";
  EXPECT_EQ(form.DdeTag(), 1);
  EXPECT_EQ(Ask("MT5", "GBPUSD", "BID"), "1.3");
  EXPECT_EQ(Ask("MT5", "EURUSD", "BID"), "1.1");
  EXPECT_EQ(Ask("MT5", "System", "Topics"), "EURUSD\tGBPUSD\tSystem");
  EXPECT_EQ(Ask("MT4", "BID", "GBPUSD"), "theirs");
  EXPECT_EQ(form.StatusText().rfind("Another program already serves MT4", 0), 0u);
  // Off and on again, each once.
  asked = 2;
  PressDdeTwice();
  EXPECT_EQ(Ask("MT5", "GBPUSD", "ASK"), "1.4");
  EXPECT_EQ(Ask("MT4", "ASK", "GBPUSD"), "<no conversation>");
}
#endif

TEST(StartOptions, TheDdeSwitchInEverySpellingAndClearErrors) {
  EXPECT_FALSE(TStartOptions::Parse("").Dde.has_value());
  EXPECT_EQ(TStartOptions::Parse("  ").Error, "");
  for (const char* on : {"/dde on", "-DDE ON", "--dde on", "--dde=On", "\"/dde\" \"on\""}) {
    const TStartOptions o = TStartOptions::Parse(on);
    EXPECT_EQ(o.Error, "") << on;
    EXPECT_EQ(o.Dde, std::optional<bool>(true)) << on;
  }
  EXPECT_EQ(TStartOptions::Parse("/dde off").Dde, std::optional<bool>(false));
  EXPECT_EQ(TStartOptions::Parse("/dde on /dde off").Dde, std::optional<bool>(false));
  EXPECT_EQ(TStartOptions::Parse("/dde").Error, "the DDE switch takes on or off");
  EXPECT_EQ(TStartOptions::Parse("/dde maybe").Error, "the DDE switch takes on or off");
  EXPECT_EQ(TStartOptions::Parse("--dde=").Error, "\"--dde=\" is not an option");
  EXPECT_EQ(TStartOptions::Parse("/x").Error, "\"/x\" is not an option");
  EXPECT_NE(std::string(TStartOptions::Usage()).find("/dde on|off"), std::string::npos);
}

}  // namespace
}  // namespace tickwell
