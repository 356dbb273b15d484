#include "app/quote_book.h"

#include <algorithm>

#include "dde/model/names.h"

namespace tickwell {
namespace {

// A symbol's first eight bytes folded as names compare, the first the most significant, zeros
// after a shorter name: keys are ordered as the names are, and where two keys are equal the
// names decide.
std::uint64_t SymbolKey(std::string_view symbol) {
  std::uint64_t key = 0;
  for (std::size_t i = 0; i < 8; ++i)
    key =
        (key << 8) | (i < symbol.size() ? static_cast<unsigned char>(FoldNameChar(symbol[i])) : 0u);
  return key;
}

bool StartsWith(std::string_view text, std::string_view part) {
  return text.size() >= part.size() && SameName(text.substr(0, part.size()), part);
}

bool EndsWith(std::string_view text, std::string_view part) {
  return text.size() >= part.size() && SameName(text.substr(text.size() - part.size()), part);
}

}  // namespace

bool TQuoteBook::TNameLess::operator()(std::string_view a, std::string_view b) const {
  return CompareNames(a, b) < 0;
}

std::string TSymbolRule::PlainName(std::string_view Symbol) const {
  if (Empty() || Symbol.size() <= Prefix.size() + Suffix.size() || !StartsWith(Symbol, Prefix) ||
      !EndsWith(Symbol, Suffix))
    return {};
  return std::string(Symbol.substr(Prefix.size(), Symbol.size() - Prefix.size() - Suffix.size()));
}

int TQuoteBook::FindTerminal(std::string_view Label) const {
  for (std::size_t i = 0; i < Terminals_.size(); ++i)
    if (CompareNames(Terminals_[i].Label, Label) == 0) return static_cast<int>(i);
  return -1;
}

int TQuoteBook::AddTerminal(std::string_view Label) {
  const int found = FindTerminal(Label);
  if (found >= 0) return found;
  TTerminalEntry entry;
  entry.Label = std::string(Label);
  Terminals_.push_back(std::move(entry));
  return static_cast<int>(Terminals_.size()) - 1;
}

void TQuoteBook::SetRule(int Terminal, TSymbolRule Rule) {
  TTerminalEntry& entry = Terminals_.at(static_cast<std::size_t>(Terminal));
  entry.Rule = std::move(Rule);
  MakeAliases(entry);
}

void TQuoteBook::MakeAliases(TTerminalEntry& Entry) {
  Entry.Aliases.clear();
  for (TQuoteId id : Entry.Ids) Quotes_[id].Alias.clear();
  for (TQuoteId id : Entry.Ids) AddAlias(Entry, id);
}

void TQuoteBook::AddAlias(TTerminalEntry& Entry, TQuoteId Id) {
  TQuote& quote = Quotes_[Id];
  // A symbol of the broker's own that another took as its plain name answers for itself now.
  if (const auto taken = Entry.Aliases.find(quote.Symbol); taken != Entry.Aliases.end()) {
    Quotes_[taken->second].Alias.clear();
    Entry.Aliases.erase(taken);
  }
  std::string alias = Entry.Rule.PlainName(quote.Symbol);
  if (alias.empty() || FindOwn(Entry, alias)) return;
  if (Entry.Aliases.emplace(alias, Id).second) quote.Alias = std::move(alias);
}

void TQuoteBook::NameSender(platform::Hwnd Sender, int Terminal) {
  if (Sender == platform::kNoWindow) return;
  for (TSender& known : Senders_)
    if (known.Window == Sender) {
      known = {Sender, Terminal, true};
      UpdateConnected();
      return;
    }
  Senders_.push_back({Sender, Terminal, true});
  UpdateConnected();
}

int TQuoteBook::SenderTerminal(platform::Hwnd Sender) const {
  for (const TSender& known : Senders_)
    if (known.Window == Sender) return known.Terminal;
  return -1;
}

void TQuoteBook::AddUnnamedSender(platform::Hwnd Sender, int Terminal) {
  if (Sender == platform::kNoWindow) return;
  Senders_.push_back({Sender, Terminal, false});
  UpdateConnected();
}

void TQuoteBook::MoveUnnamedSenders(int Fallback) {
  for (TSender& known : Senders_)
    if (!known.Named) known.Terminal = Fallback;
  UpdateConnected();
}

bool TQuoteBook::UpdateConnected() {
  bool changed = false;
  for (std::size_t t = 0; t < Terminals_.size(); ++t) {
    const bool connected = std::any_of(Senders_.begin(), Senders_.end(), [&](const TSender& s) {
      return s.Terminal == static_cast<int>(t);
    });
    changed |= Terminals_[t].Connected != connected;
    Terminals_[t].Connected = connected;
  }
  return changed;
}

std::size_t TQuoteBook::Place(const TTerminalEntry& Entry, std::string_view Symbol) const {
  const std::uint64_t key = SymbolKey(Symbol);
  const auto first = std::lower_bound(Entry.Keys.begin(), Entry.Keys.end(), key);
  const auto last = std::upper_bound(first, Entry.Keys.end(), key);
  const auto ids = Entry.Ids.begin() + (first - Entry.Keys.begin());
  const auto end = Entry.Ids.begin() + (last - Entry.Keys.begin());
  const auto at = std::lower_bound(ids, end, Symbol, [&](TQuoteId id, std::string_view symbol) {
    return CompareNames(Quotes_[id].Symbol, symbol) < 0;
  });
  return static_cast<std::size_t>(at - Entry.Ids.begin());
}

std::optional<TQuoteId> TQuoteBook::FindOwn(const TTerminalEntry& Entry,
                                            std::string_view Symbol) const {
  const std::size_t at = Place(Entry, Symbol);
  if (at < Entry.Ids.size() && CompareNames(Quotes_[Entry.Ids[at]].Symbol, Symbol) == 0)
    return Entry.Ids[at];
  return std::nullopt;
}

std::optional<TQuoteId> TQuoteBook::Find(int Terminal, std::string_view Symbol) const {
  if (Terminal < 0 || Terminal >= TerminalCount()) return std::nullopt;
  const TTerminalEntry& entry = Terminals_[static_cast<std::size_t>(Terminal)];
  if (const auto own = FindOwn(entry, Symbol)) return own;
  const auto alias = entry.Aliases.find(Symbol);
  if (alias != entry.Aliases.end()) return alias->second;
  return std::nullopt;
}

TQuoteId TQuoteBook::Keep(int Terminal, std::string_view Symbol, const std::string& Line,
                          std::int32_t Time, std::int64_t Now, bool& Added) {
  TTerminalEntry& entry = Terminals_.at(static_cast<std::size_t>(Terminal));
  entry.LastReceived = Now;
  const std::size_t at = Place(entry, Symbol);
  if (at < entry.Ids.size() && CompareNames(Quotes_[entry.Ids[at]].Symbol, Symbol) == 0) {
    TQuote& quote = Quotes_[entry.Ids[at]];
    quote.Line = Line;
    quote.Time = Time;
    quote.Received = Now;
    Added = false;
    return entry.Ids[at];
  }
  const auto id = static_cast<TQuoteId>(Quotes_.size());
  Quotes_.push_back(TQuote{Terminal, std::string(Symbol), {}, Line, Time, Now});
  try {
    entry.Keys.insert(entry.Keys.begin() + static_cast<std::ptrdiff_t>(at), SymbolKey(Symbol));
    entry.Ids.insert(entry.Ids.begin() + static_cast<std::ptrdiff_t>(at), id);
  } catch (...) {
    if (entry.Keys.size() > entry.Ids.size())
      entry.Keys.erase(entry.Keys.begin() + static_cast<std::ptrdiff_t>(at));
    Quotes_.pop_back();
    throw;
  }
  Added = true;
  if (!entry.Rule.Empty()) AddAlias(entry, id);
  return id;
}

}  // namespace tickwell
