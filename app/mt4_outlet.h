// MetaTrader 4's layout: the field is the topic and the symbol the item (=MT4|BID!EURUSD), the
// time as that terminal wrote it. Most workbooks read one layout only, so here every name waits
// until a client reads it.
#pragma once

#include "app/dde_outlet.h"
#include "app/mt4_layout.h"

namespace tickwell {

class TMt4Outlet : public TDdeOutlet {
 public:
  using TDdeOutlet::TDdeOutlet;
  std::span<const std::string> Services(int Terminal) const override {
    return Names_.Mt4(Terminal);
  }
  void Blank(std::string_view Service, std::string_view Name) override;
  static bool IsTopic(std::string_view Name);
  // A request for a symbol (or a high or low) that has no value yet is answered "N/A", as that
  // terminal did; a link on it follows the first line that brings one. Bounded, so clients
  // asking for names no line brings cannot fill the memory; Reset starts the count again.
  void AnswerUnquoted(std::string_view Service, std::string_view Topic, std::string_view Item);
  void Reset() { UnquotedItems_ = 0; }

 protected:
  void Write(std::string_view Service, std::string_view Name, const TQuoteFields& Fields,
             std::string_view Line, std::int32_t Time, TDDEMLManager::TItemPlaces& Places) override;
  const TDDEMLItem* ItemAt(std::string_view Service, std::string_view Name,
                           std::uint8_t Place) const override;
  std::uint8_t PlaceCount() const override;
  bool Eager(std::size_t) const override { return false; }

 private:
  mt4::TTimeTexts Times_;
  int UnquotedItems_ = 0;
};

}  // namespace tickwell
