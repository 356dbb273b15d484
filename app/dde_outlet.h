// What the two DDE layouts share: each quote is served under every service of its terminal, by
// its own name and by its plain one (EURUSD for EURUSD.m). The first name of the first service
// gets every line at once; the others get a line only while a client links one of their items,
// and otherwise wait and are brought up to date before a client reads them (a request, a new
// link, a list), so a terminal with several names costs a line no more than one with one.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/quote_outlet.h"
#include "app/service_names.h"
#include "dde/manager/manager.h"

namespace tickwell {

class TDdeOutlet : public TQuoteOutlet {
 public:
  TDdeOutlet(const TQuoteBook& Book, TDDEMLManager& Dde, const TServiceNames& Names)
      : Book_(Book), Dde_(Dde), Names_(Names) {}

  void Publish(TQuoteId Id, const TQuoteFields& Fields, std::string_view Line,
               std::int32_t Time) override;
  // Brings the quote's waiting names up to its last line.
  void CatchUp(TQuoteId Id);
  // The same for every quote of the terminal.
  void CatchUpTerminal(int Terminal);
  // The terminal's names changed (a default moved, names were registered): nothing kept of its
  // items is used again, and each of its quotes is published anew.
  void Republish(int Terminal);
  // A name that carried the symbol for another terminal is left without a quote.
  virtual void Blank(std::string_view Service, std::string_view Name) = 0;
  // The terminal's services in this layout.
  virtual std::span<const std::string> Services(int Terminal) const = 0;

 protected:
  // Sets the items of the name (MT5: the symbol's topic; MT4: the symbol's item in each field).
  virtual void Write(std::string_view Service, std::string_view Name, const TQuoteFields& Fields,
                     std::string_view Line, std::int32_t Time,
                     TDDEMLManager::TItemPlaces& Places) = 0;
  // The item at a place of the name, without making it (null when there is none).
  virtual const TDDEMLItem* ItemAt(std::string_view Service, std::string_view Name,
                                   std::uint8_t Place) const = 0;
  virtual std::uint8_t PlaceCount() const = 0;
  // Whether the n-th service's own name gets every line at once.
  virtual bool Eager(std::size_t Slot) const = 0;

  const TQuoteBook& Book_;
  TDDEMLManager& Dde_;
  const TServiceNames& Names_;

 private:
  // A service and a name: slot 2s is service s with the symbol's own name, 2s+1 its plain name.
  struct TSlot {
    TDDEMLManager::TItemPlaces Places;
    // The items hold an earlier line or none: no client linked them when the last line came,
    // and one that reads them brings them up to date first.
    bool Behind = false;
  };
  static constexpr std::size_t kSlots = 4;
  bool MayWait(const TSlot& Slot, std::string_view Service, std::string_view Name) const;
  void PublishSlots(TQuoteId Id, const TQuoteFields& Fields, std::string_view Line,
                    std::int32_t Time, bool CatchingUp);

  std::vector<std::array<TSlot, kSlots>> Slots_;  // by quote id
};

}  // namespace tickwell
