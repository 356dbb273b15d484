// MetaTrader 5's layout: the service MT5 (or MT5_<label>), a topic per symbol, an item per field
// (=MT5|EURUSD!BID). A line goes at once to its terminal's first service.
#pragma once

#include "app/dde_outlet.h"

namespace tickwell {

class TMt5Outlet : public TDdeOutlet {
 public:
  using TDdeOutlet::TDdeOutlet;
  std::span<const std::string> Services(int Terminal) const override {
    return Names_.Mt5(Terminal);
  }
  void Blank(std::string_view Service, std::string_view Name) override;
  // The items a line fills in a symbol's topic.
  static bool IsItem(std::string_view Name);

 protected:
  void Write(std::string_view Service, std::string_view Name, const TQuoteFields& Fields,
             std::string_view Line, std::int32_t Time, TDDEMLManager::TItemPlaces& Places) override;
  const TDDEMLItem* ItemAt(std::string_view Service, std::string_view Name,
                           std::uint8_t Place) const override;
  std::uint8_t PlaceCount() const override;
  bool Eager(std::size_t Slot) const override { return Slot == 0; }
};

}  // namespace tickwell
