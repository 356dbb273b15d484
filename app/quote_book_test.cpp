#include "app/quote_book.h"

#include <gtest/gtest.h>

#include <set>

namespace tickwell {
namespace {

std::string AliasOf(const TQuoteBook& book, int terminal, std::string_view symbol) {
  const auto id = book.Find(terminal, symbol);
  return id ? book.Quote(*id).Symbol : "-";
}

// A rule's plain names: the broker's own symbol of that name always answers for itself, also
// when it comes after the one the rule maps; terminals never share quotes.
TEST(QuoteBook, PlainNamesFollowTheRuleAndNeverHideTheBrokersOwn) {
  EXPECT_EQ((TSymbolRule{"", ".m"}).PlainName("EURUSD.m"), "EURUSD");
  EXPECT_EQ((TSymbolRule{"", ".m"}).PlainName("eurusd.M"), "eurusd");
  EXPECT_EQ((TSymbolRule{"pro", ""}).PlainName("proEURUSD"), "EURUSD");
  EXPECT_EQ((TSymbolRule{"pro", "m"}).PlainName("prom"), "");  // nothing would be left
  EXPECT_EQ((TSymbolRule{"", ".m"}).PlainName("EURUSD"), "");
  EXPECT_EQ((TSymbolRule{}).PlainName("EURUSD"), "");

  TQuoteBook book;
  const int icm = book.AddTerminal("icm"), pep = book.AddTerminal("pep");
  EXPECT_EQ(book.AddTerminal("ICM"), icm);
  book.SetRule(icm, {"", ".m"});
  bool added = false;
  book.Keep(icm, "EURUSD.m", "EURUSD.m;1;2;3;4;5", 4, 100, added);
  EXPECT_TRUE(added);
  book.Keep(icm, "USDJPY.m", "USDJPY.m;1;2;3;4;5", 4, 100, added);
  book.Keep(pep, "EURUSD", "EURUSD;9;9;9;4;5", 4, 100, added);
  EXPECT_EQ(AliasOf(book, icm, "eurusd"), "EURUSD.m");
  EXPECT_EQ(AliasOf(book, icm, "USDJPY"), "USDJPY.m");
  EXPECT_EQ(AliasOf(book, pep, "EURUSD"), "EURUSD");
  EXPECT_EQ(AliasOf(book, pep, "USDJPY"), "-");
  // The broker's own USDJPY comes: it answers for itself, the .m one by its own name only.
  book.Keep(icm, "USDJPY", "USDJPY;1;2;3;4;5", 4, 100, added);
  EXPECT_EQ(AliasOf(book, icm, "USDJPY"), "USDJPY");
  EXPECT_EQ(book.Quote(*book.Find(icm, "USDJPY.m")).Alias, "");
  // Another rule: the names are made again.
  book.SetRule(icm, {"EUR", ""});
  EXPECT_EQ(AliasOf(book, icm, "USD.m"), "EURUSD.m");
  EXPECT_EQ(AliasOf(book, icm, "EURUSD"), "-");
  book.SetRule(icm, {});
  EXPECT_EQ(AliasOf(book, icm, "USD.m"), "-");
  // Ids hold whatever came after; each terminal's symbols are sorted.
  EXPECT_EQ(book.QuoteCount(), 4u);
  EXPECT_EQ(book.Quote(book.Symbols(icm)[0]).Symbol, "EURUSD.m");
  EXPECT_EQ(book.Quote(book.Symbols(icm)[1]).Symbol, "USDJPY");
  EXPECT_EQ(book.Quote(book.Symbols(icm)[2]).Symbol, "USDJPY.m");
}

// Senders: one that named its terminal speaks for it; one that never did for the terminal it was
// credited to, which follows the default; a terminal is connected while a sender of it is there.
TEST(QuoteBook, SendersSpeakForTheirTerminalWhileTheyAreThere) {
  TQuoteBook book;
  const int unnamed = book.AddTerminal(""), icm = book.AddTerminal("icm");
  EXPECT_EQ(book.SenderTerminal(7), -1);
  book.AddUnnamedSender(7, unnamed);
  book.NameSender(8, icm);
  EXPECT_EQ(book.SenderTerminal(7), unnamed);
  EXPECT_EQ(book.SenderTerminal(8), icm);
  EXPECT_TRUE(book.Terminal(unnamed).Connected);
  book.MoveUnnamedSenders(icm);
  EXPECT_EQ(book.SenderTerminal(7), icm);
  EXPECT_EQ(book.SenderTerminal(8), icm);
  EXPECT_FALSE(book.Terminal(unnamed).Connected);
  // A sender that names its terminal later speaks for it from then on.
  book.NameSender(7, unnamed);
  EXPECT_EQ(book.SenderTerminal(7), unnamed);
  std::set<platform::Hwnd> alive{7};
  EXPECT_TRUE(book.CheckSenders([&](platform::Hwnd w) { return alive.count(w) != 0; }));
  EXPECT_FALSE(book.Terminal(icm).Connected);
  EXPECT_TRUE(book.Terminal(unnamed).Connected);
  EXPECT_FALSE(book.CheckSenders([&](platform::Hwnd w) { return alive.count(w) != 0; }));
  EXPECT_EQ(book.SenderTerminal(8), -1);
  // No window: nothing to follow.
  book.AddUnnamedSender(platform::kNoWindow, icm);
  EXPECT_EQ(book.SenderTerminal(platform::kNoWindow), -1);
}

}  // namespace
}  // namespace tickwell
