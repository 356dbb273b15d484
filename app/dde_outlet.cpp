#include "app/dde_outlet.h"

#include <algorithm>

#include "dde/model/conversation.h"
#include "dde/model/names.h"

namespace tickwell {
namespace {

bool Linked(const TDDEMLItem* item) { return item && item->LinkState != lsNone; }

}  // namespace

void TDdeOutlet::Publish(TQuoteId Id, const TQuoteFields& Fields, std::string_view Line,
                         std::int32_t Time) {
  PublishSlots(Id, Fields, Line, Time, false);
}

bool TDdeOutlet::MayWait(const TSlot& Slot, std::string_view Service, std::string_view Name) const {
  // A slot that waited: a new link on any of its items brings it up to date first (it is no
  // longer behind), so none is linked.
  if (Slot.Behind) return true;
  const TDDEMLManager::TItemPlaces& places = Slot.Places;
  // Kept items are looked at only while nothing was let go since they were kept.
  const bool kept =
      places.Service && places.Current(places.Service) && SameName(places.Service->Name, Service);
  if (kept)
    for (const TDDEMLItem* item : places.Items)
      if (Linked(item)) return false;
  // Those not kept (a symbol's first line, a range no line had yet) may still have been linked
  // before; they are looked up, without making them.
  for (std::uint8_t place = 0; place < PlaceCount(); ++place)
    if ((!kept || !places.Items[place]) && Linked(ItemAt(Service, Name, place))) return false;
  return true;
}

void TDdeOutlet::PublishSlots(TQuoteId Id, const TQuoteFields& Fields, std::string_view Line,
                              std::int32_t Time, bool CatchingUp) {
  if (Slots_.size() <= Id) Slots_.resize(static_cast<std::size_t>(Id) + 1);
  const TQuote& quote = Book_.Quote(Id);
  const std::span<const std::string> services = Services(quote.Terminal);
  // Posting reaches clients, and a line taken meanwhile may make a quote (the slots grow) or
  // change this one's plain name: both are used from copies.
  const std::string alias = quote.Alias;
  for (std::size_t s = 0; s < services.size() * 2; ++s) {
    const std::string_view name = s % 2 == 0 ? Fields[0] : std::string_view(alias);
    if (name.empty()) continue;
    const std::string& service = services[s / 2];
    TSlot slot = Slots_[Id][s];
    if (CatchingUp && !slot.Behind) continue;
    if (CatchingUp || Eager(s) || !MayWait(slot, service, name)) {
      slot.Places.Prefetch();
      Write(service, name, Fields, Line, Time, slot.Places);
      slot.Behind = false;
    } else {
      slot.Behind = true;
    }
    Slots_[Id][s] = slot;
  }
}

void TDdeOutlet::CatchUp(TQuoteId Id) {
  if (Id >= Slots_.size() ||
      std::none_of(Slots_[Id].begin(), Slots_[Id].end(), [](const TSlot& s) { return s.Behind; }))
    return;
  // A copy: the fields point into it while the book may change.
  const std::string line = Book_.Quote(Id).Line;
  TQuoteFields fields;
  std::int32_t time = 0;
  std::string detail;
  if (CheckQuoteLine(line, fields, time, detail).empty())
    PublishSlots(Id, fields, line, time, true);
}

void TDdeOutlet::CatchUpTerminal(int Terminal) {
  if (Terminal < 0 || Terminal >= Book_.TerminalCount()) return;
  // A copy: catching up reaches clients, and a symbol may come meanwhile.
  const std::vector<TQuoteId> ids = Book_.Symbols(Terminal);
  for (TQuoteId id : ids) CatchUp(id);
}

void TDdeOutlet::Republish(int Terminal) {
  if (Terminal < 0 || Terminal >= Book_.TerminalCount()) return;
  const std::vector<TQuoteId> ids = Book_.Symbols(Terminal);
  for (TQuoteId id : ids) {
    if (id < Slots_.size()) Slots_[id] = {};
    const std::string line = Book_.Quote(id).Line;
    TQuoteFields fields;
    std::int32_t time = 0;
    std::string detail;
    if (CheckQuoteLine(line, fields, time, detail).empty())
      PublishSlots(id, fields, line, time, false);
  }
}

}  // namespace tickwell
