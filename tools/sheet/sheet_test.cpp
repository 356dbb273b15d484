// tickwell-sheet: its grid and command line, and its links against a running Tickwell.
#include <gtest/gtest.h>

#include "tests/e2e/running_tickwell.h"
#include "tools/sheet/sheet_grid.h"
#include "tools/sheet/sheet_links.h"
#include "tools/sheet/sheet_options.h"

namespace {

TEST(SheetGrid, FindsCellsByDdeNamesAndKeepsTheirText) {
  sheet::Grid grid({"EURUSD", "USDJPY"}, {"BID", "ASK"});
  EXPECT_EQ(grid.RowOf("usdjpy"), 1u);
  EXPECT_EQ(grid.ColumnOf("Ask"), 1u);
  EXPECT_EQ(grid.RowOf("GBPUSD"), grid.Rows());
  EXPECT_EQ(grid.ColumnOf("LAST"), grid.Columns());

  // Text ends at its NUL and loses a trailing line break; an unchanged value is no change.
  EXPECT_TRUE(grid.Set(1, 1, std::string("149.516\r\n\0junk", 15)));
  EXPECT_EQ(grid.Value(1, 1), "149.516");
  EXPECT_FALSE(grid.Set(1, 1, "149.516"));
  EXPECT_EQ(grid.Value(0, 0), "");
  EXPECT_EQ(grid.Formula("MT5", 1, 0), "=MT5|USDJPY!BID");

  EXPECT_EQ(sheet::ColumnName(0), "A");
  EXPECT_EQ(sheet::ColumnName(25), "Z");
  EXPECT_EQ(sheet::ColumnName(26), "AA");
  EXPECT_EQ(sheet::ColumnName(27 * 26), "AAA");
}

TEST(SheetOptions, ReadsSymbolsItemsAndServiceAndRefusesBadInput) {
  sheet::Options o;
  std::string error;
  ASSERT_TRUE(sheet::ParseOptions({"EURUSD", "-i", "BID,QUOTE", "GBPUSD", "-s", "X", "-r", "250"},
                                  o, error));
  EXPECT_EQ(o.symbols, (std::vector<std::string>{"EURUSD", "GBPUSD"}));
  EXPECT_EQ(o.items, (std::vector<std::string>{"BID", "QUOTE"}));
  EXPECT_EQ(o.service, "X");
  EXPECT_EQ(o.retry_ms, 250u);

  sheet::Options d;
  ASSERT_TRUE(sheet::ParseOptions({"EURUSD"}, d, error));
  EXPECT_EQ(d.service, "MT5");
  EXPECT_EQ(d.items.size(), 5u);

  for (const std::vector<std::string>& bad : {std::vector<std::string>{},
                                              {"EURUSD", "-i", "BID,,ASK"},
                                              {"EURUSD", "-i"},
                                              {"EURUSD", "-r", "5"},
                                              {"EURUSD", "-r", "1x"},
                                              {"EURUSD", "--bogus"},
                                              {"EURUSD", "-s", ""}}) {
    sheet::Options b;
    error.clear();
    EXPECT_FALSE(sheet::ParseOptions(bad, b, error)) << bad.size();
    EXPECT_FALSE(error.empty());
  }
}

class SheetLinks : public e2e::RunningTickwell {
 protected:
  std::string Line(const std::string& symbol, int n) {
    return symbol + ";1." + std::to_string(10000 + n) + ";1." + std::to_string(10003 + n) + ";1." +
           std::to_string(10001 + n) + ";" + std::to_string(1700000000 + n) + ";" +
           std::to_string(n);
  }
};

TEST_F(SheetLinks, CellsFillWhenTheirSymbolArrivesAndFollowEveryLine) {
  sheet::Grid grid({"EURUSD", "USDJPY"}, {"BID", "ASK", "TIME", "QUOTE"});
  int changes = 0;
  sheet::Links links("MT5", grid, [&](std::size_t, std::size_t) { ++changes; });
  std::string error;
  ASSERT_TRUE(links.Start(error)) << error;
  EXPECT_EQ(links.Connect(), 0u) << "nothing answers before DDE is on";

  SendMessageA(Item(tickwell::ids::kDdeButton), BM_CLICK, 0, 0);
  int n = 0;
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        EXPECT_EQ(Feed({Line("EURUSD", ++n)}).exit_code, 0u);
        return links.Connect() == 8 && !grid.Value(0, 0).empty();
      },
      20000))
      << "the links did not start: " << links.LinksRunning() << " running";
  // Filled at once by the request that follows each advise start; the symbol not fed yet is
  // linked and empty.
  EXPECT_EQ(grid.Value(0, 2), std::to_string(1700000000 + n));
  EXPECT_EQ(grid.Value(0, 3), Line("EURUSD", n));
  EXPECT_TRUE(links.CellLinked(1, 0));
  EXPECT_EQ(grid.Value(1, 0), "");

  // Every further line reaches its cells by advise alone, the new symbol's first line too.
  // A line's items are posted in order, QUOTE last: once it is in, so are the others.
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(Feed({Line("EURUSD", ++n)}).exit_code, 0u);
    ASSERT_TRUE(e2e::WaitUntil([&] { return grid.Value(0, 3) == Line("EURUSD", n); }, 10000))
        << "advise did not bring line " << n << ", the cell shows " << grid.Value(0, 3);
    EXPECT_EQ(grid.Value(0, 0), "1." + std::to_string(10000 + n));
  }
  EXPECT_EQ(grid.Value(0, 1), "1." + std::to_string(10003 + n));
  ASSERT_EQ(Feed({Line("USDJPY", 77)}).exit_code, 0u);
  ASSERT_TRUE(e2e::WaitUntil([&] { return grid.Value(1, 3) == Line("USDJPY", 77); }, 10000))
      << "the first USDJPY line did not reach its cells: " << grid.Value(1, 3);
  EXPECT_EQ(grid.Value(1, 0), "1.10077");
  EXPECT_GE(links.Updates(), 5 * 4 + 4);
  EXPECT_GT(changes, 0);
}

}  // namespace

namespace {

// Tickwell's DDE ends two ways (its DDE switched off, its window closed); the sheet's cells of
// the lost links turn stale at once, keep their last values, and link again when it is back.
TEST_F(SheetLinks, LostLinksTurnStaleAtOnceAndLinkAgainWhenTheServiceReturns) {
  sheet::Grid grid({"EURUSD"}, {"BID", "QUOTE"});
  int changes = 0;
  sheet::Links links("MT5", grid, [&](std::size_t, std::size_t) { ++changes; });
  std::string error;
  ASSERT_TRUE(links.Start(error)) << error;
  int n = 0;
  auto link_again = [&](const char* after) {
    SendMessageA(Item(tickwell::ids::kDdeButton), BM_CLICK, 0, 0);
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
          EXPECT_EQ(Feed({Line("EURUSD", ++n)}).exit_code, 0u);
          return links.Connect() == 2 && grid.Value(0, 1) == Line("EURUSD", n);
        },
        20000))
        << "no link again " << after << ": " << links.LinksRunning() << " running, "
        << grid.Value(0, 1);
    EXPECT_EQ(links.CellsStale(), 0u);
  };
  link_again("at start");

  for (const char* how : {"switching DDE off", "closing Tickwell"}) {
    const std::string last = grid.Value(0, 0);
    changes = 0;
    if (std::string(how) == "closing Tickwell")
      Stop();
    else
      SendMessageA(Item(tickwell::ids::kDdeButton), BM_CLICK, 0, 0);
    ASSERT_TRUE(e2e::WaitUntil([&] { return links.LinksRunning() == 0; }, 10000))
        << "the links still run after " << how;
    EXPECT_TRUE(links.CellStale(0, 0) && links.CellStale(0, 1)) << how;
    EXPECT_EQ(grid.Value(0, 0), last) << how;
    EXPECT_GE(changes, 2) << "the window is not told to show the stale cells after " << how;
    EXPECT_EQ(links.Connect(), 0u) << "linked with nobody serving after " << how;
    if (!main_) Start();
    link_again(how);
  }
}

}  // namespace
