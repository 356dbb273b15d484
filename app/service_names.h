// Which DDE services carry which terminal's quotes while DDE is on. The default terminal has MT5
// and the MetaTrader 4 layout's own name (MT4 unless the user renamed it); every terminal with a
// label has MT5_<label> and MT4_<label> once those names are registered.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/quote_book.h"

namespace tickwell {

class TServiceNames {
 public:
  static constexpr char kMt5[] = "MT5";

  // Made again whenever terminals come or are served, the default moves, or DDE is switched on.
  // Mt4Service is empty when MetaTrader 4's layout is not served.
  void Update(const TQuoteBook& Book, int Default, const std::string& Mt4Service);
  // A terminal's own names are registered (or no longer: DDE is off).
  void SetServed(int Terminal, bool Served);
  void ServeNone() { Served_.clear(); }
  bool Served(int Terminal) const;

  int Default() const { return Default_; }
  const std::string& Mt4Service() const { return Mt4Service_; }

  // The terminal's services in each layout: none, one or two. A line is published at once in
  // the first; the others follow when a client reads them.
  std::span<const std::string> Mt5(int Terminal) const { return Layout(Terminal, 0); }
  std::span<const std::string> Mt4(int Terminal) const { return Layout(Terminal, 1); }
  // The terminal whose quotes the service carries, or -1.
  int Mt5Terminal(std::string_view Service) const { return Owner(Service, 0); }
  int Mt4Terminal(std::string_view Service) const { return Owner(Service, 1); }
  // Whether the service is one of the MetaTrader 4 layout's: its own name, whether or not a
  // terminal has sent yet, or a terminal's.
  bool IsMt4(std::string_view Service) const;
  // Every name to register: MT5, the MetaTrader 4 layout's, then each served terminal's.
  std::vector<std::string> All() const;

 private:
  struct TNames {
    std::array<std::array<std::string, 2>, 2> Names;  // [layout][n]
    std::array<std::size_t, 2> Count{};
  };
  std::span<const std::string> Layout(int Terminal, int Layout) const;
  int Owner(std::string_view Service, int Layout) const;

  int Default_ = -1;
  std::string Mt4Service_;
  std::vector<TNames> Terminals_;
  std::vector<char> Served_;
};

}  // namespace tickwell
