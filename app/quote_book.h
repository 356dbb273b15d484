// Every terminal that sent, its senders, and each of its symbols' last good line. The book is
// what every outlet publishes and what the window shows; it knows neither.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace tickwell {

// How a broker's symbol names differ from the plain ones a workbook uses: EURUSD.m has the
// suffix ".m", proEURUSD the prefix "pro".
struct TSymbolRule {
  std::string Prefix, Suffix;
  bool Empty() const { return Prefix.empty() && Suffix.empty(); }
  // The symbol's plain name, when the rule applies to it and leaves a name; else empty.
  std::string PlainName(std::string_view Symbol) const;
  bool operator==(const TSymbolRule&) const = default;
};

// A quote's number: it holds for the book's life, whatever symbols come after.
using TQuoteId = std::uint32_t;

struct TQuote {
  int Terminal = 0;
  std::string Symbol;
  // The symbol's plain name by its terminal's rule (EURUSD for EURUSD.m); empty for none, or when
  // the terminal quotes a symbol of that name itself.
  std::string Alias;
  std::string Line;           // the last good line
  std::int32_t Time = 0;      // the quote's time, seconds since 1970
  std::int64_t Received = 0;  // the local clock when the line came, seconds since 1970
};

struct TTerminal {
  std::string Label;  // empty: senders that never named their terminal, before any other came
  TSymbolRule Rule;
  std::int64_t LastReceived = 0;  // the local clock at its last line; 0 before the first
  bool Connected = false;         // a sender of it is there
};

class TQuoteBook {
  // Names compare as DDE compares them, without regard to ASCII letter case.
  struct TNameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
  };

 public:
  int TerminalCount() const { return static_cast<int>(Terminals_.size()); }
  const TTerminal& Terminal(int Index) const {
    return Terminals_.at(static_cast<std::size_t>(Index));
  }
  // The terminal of that label (compared as DDE names are), or -1.
  int FindTerminal(std::string_view Label) const;
  // The terminal of that label, made when there is none.
  int AddTerminal(std::string_view Label);
  // A new rule for the terminal's symbols: every alias is made again.
  void SetRule(int Terminal, TSymbolRule Rule);

  // Senders: the window each one hands lines from. A sender that named its terminal speaks for it
  // from then on; one that never did speaks for Fallback, the terminal its lines are credited to.
  void NameSender(platform::Hwnd Sender, int Terminal);
  // The terminal a line from Sender is credited to; -1 for a sender not seen before.
  int SenderTerminal(platform::Hwnd Sender) const;
  // A sender that named no terminal, seen for the first time, speaks for Terminal.
  void AddUnnamedSender(platform::Hwnd Sender, int Terminal);
  // Senders whose window is gone are forgotten; each terminal's Connected follows. True when a
  // terminal's Connected changed.
  template <typename Alive>
  bool CheckSenders(Alive IsAlive) {
    std::erase_if(Senders_, [&](const TSender& s) { return !IsAlive(s.Window); });
    return UpdateConnected();
  }
  // Senders that named no terminal now speak for Fallback.
  void MoveUnnamedSenders(int Fallback);

  // Keeps the line as the symbol's last in the terminal; Added tells whether the symbol is new.
  TQuoteId Keep(int Terminal, std::string_view Symbol, const std::string& Line, std::int32_t Time,
                std::int64_t Now, bool& Added);
  const TQuote& Quote(TQuoteId Id) const { return Quotes_[Id]; }
  std::size_t QuoteCount() const { return Quotes_.size(); }
  // The terminal's quote of the symbol by its own name, else by its plain name under the rule.
  std::optional<TQuoteId> Find(int Terminal, std::string_view Symbol) const;
  // The terminal's quotes, sorted by symbol as DDE compares names.
  const std::vector<TQuoteId>& Symbols(int Terminal) const {
    return Terminals_.at(static_cast<std::size_t>(Terminal)).Ids;
  }

 private:
  struct TTerminalEntry : TTerminal {
    // The symbols' ids sorted by name, and beside them each name's first eight bytes folded:
    // with thousands of symbols a line searches the keys, which stay in the cache.
    std::vector<std::uint64_t> Keys;
    std::vector<TQuoteId> Ids;
    std::map<std::string, TQuoteId, TNameLess> Aliases;
  };
  struct TSender {
    platform::Hwnd Window;
    int Terminal;
    bool Named;
  };
  std::size_t Place(const TTerminalEntry& Entry, std::string_view Symbol) const;
  std::optional<TQuoteId> FindOwn(const TTerminalEntry& Entry, std::string_view Symbol) const;
  void MakeAliases(TTerminalEntry& Entry);
  void AddAlias(TTerminalEntry& Entry, TQuoteId Id);
  bool UpdateConnected();

  std::vector<TTerminalEntry> Terminals_;
  std::deque<TQuote> Quotes_;  // by id; a quote stays where it is
  std::vector<TSender> Senders_;
};

}  // namespace tickwell
