// The quotes of the many-terminals run: every terminal sends the same symbols, and each price
// says which terminal, which symbol and which of the terminal's lines it came from, so that any
// value a client reads can be traced back to its line.
#pragma once

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace e2e::terminals {

inline constexpr int kTerminals = 8;
inline constexpr std::array<const char*, 28> kSymbols = {
    "EURUSD", "GBPUSD", "USDJPY", "USDCHF", "AUDUSD", "USDCAD", "NZDUSD",
    "EURGBP", "EURJPY", "EURCHF", "EURAUD", "EURCAD", "EURNZD", "GBPJPY",
    "GBPCHF", "GBPAUD", "GBPCAD", "GBPNZD", "AUDJPY", "AUDCHF", "AUDCAD",
    "AUDNZD", "CADJPY", "CADCHF", "CHFJPY", "NZDJPY", "NZDCHF", "NZDCAD"};
inline constexpr int kSymbolCount = static_cast<int>(kSymbols.size());
// A terminal's line numbers have this many digits in its prices.
inline constexpr int kLineDigits = 6;
inline constexpr int kMaxLine = 999999;

inline std::string Label(int terminal) {
  std::string label = "T";  // appended, not concatenated: GCC 12 warns on "T" + a temporary
  return label += std::to_string(terminal);
}

// A terminal's line n (from 1) is of symbol (n - 1) % kSymbolCount: the first kSymbolCount
// lines give every symbol its first value.
inline int SymbolOfLine(int n) { return (n - 1) % kSymbolCount; }
// The last of lines 1..count that is of the symbol; 0 when none is.
inline int LastLineOf(int symbol, int count) {
  if (count <= symbol) return 0;
  return count - (count - 1 - symbol) % kSymbolCount;
}

// The bid of a line: "T.SSNNNNNN", the terminal, then the symbol's index and the line number.
inline std::string Bid(int terminal, int symbol, int n) {
  char text[32];
  std::snprintf(text, sizeof text, "%d.%02d%06d", terminal, symbol, n);
  return text;
}

inline std::string Line(int terminal, int n) {
  const int symbol = SymbolOfLine(n);
  const std::string bid = Bid(terminal, symbol, n);
  return std::string(kSymbols[static_cast<std::size_t>(symbol)]) + ";" + bid + ";" + bid + "5;" +
         bid + ";" + std::to_string(1700000000 + n) + ";" + std::to_string(n);
}

// What a bid says about where it came from; ok false when the text is not such a bid.
struct Origin {
  bool ok = false;
  int terminal = 0;
  int symbol = 0;
  int n = 0;
};

inline Origin OriginOf(const std::string& bid) {
  Origin o;
  const std::size_t point = bid.find('.');
  if (point == std::string::npos || bid.size() != point + 3 + kLineDigits) return o;
  for (std::size_t i = 0; i < bid.size(); ++i)
    if (i != point && (bid[i] < '0' || bid[i] > '9')) return o;
  o.terminal = std::atoi(bid.substr(0, point).c_str());
  o.symbol = std::atoi(bid.substr(point + 1, 2).c_str());
  o.n = std::atoi(bid.substr(point + 3).c_str());
  o.ok = true;
  return o;
}

// The same for a bid read back as a number (a spreadsheet's cell).
inline Origin OriginOf(double bid) {
  char text[32];
  std::snprintf(text, sizeof text, "%.8f", bid);
  return OriginOf(std::string(text));
}

}  // namespace e2e::terminals
