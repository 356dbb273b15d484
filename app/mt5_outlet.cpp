#include "app/mt5_outlet.h"

#include <algorithm>
#include <iterator>

#include "dde/model/names.h"

namespace tickwell {
namespace {

constexpr const char* kValueItems[] = {"BID", "ASK", "LAST", "TIME", "VOLUME"};
// The other items a line fills: the whole line, and the day's high and low when it has them.
constexpr const char* kLineItem = "QUOTE";
constexpr const char* kRangeItems[] = {"HIGH", "LOW"};
// Every item of a symbol's topic, in the order of their places.
constexpr const char* kMt5Items[] = {"BID",    "ASK",   "LAST", "TIME",
                                     "VOLUME", "QUOTE", "HIGH", "LOW"};

}  // namespace

bool TMt5Outlet::IsItem(std::string_view Name) {
  return std::any_of(std::begin(kMt5Items), std::end(kMt5Items),
                     [&](const char* known) { return SameName(Name, known); });
}

void TMt5Outlet::Write(std::string_view Service, std::string_view Name, const TQuoteFields& Fields,
                       std::string_view Line, std::int32_t, TDDEMLManager::TItemPlaces& Places) {
  // Both or neither: a high without its low would leave a range no quote ever had.
  const std::string_view high = Fields[6], low = Fields[7];
  const bool range = !high.empty() && !low.empty();
  // The symbol's topic is found once for all its items, or not at all once the places hold
  // them; each item has its entry in the places, the same for every line.
  std::array<TDDEMLManager::TItemText, std::size(kMt5Items)> items;
  std::size_t count = 0;
  const auto add = [&](std::string_view item, std::string_view text) {
    items[count] = {item, text, static_cast<std::uint8_t>(count)};
    ++count;
  };
  for (std::size_t i = 0; i < std::size(kValueItems); ++i) add(kValueItems[i], Fields[i + 1]);
  add(kLineItem, Line);
  if (range) {
    add(kRangeItems[0], high);
    add(kRangeItems[1], low);
  }
  Dde_.SetItemTexts(Service, Name, std::span(items.data(), count), &Places);
}

const TDDEMLItem* TMt5Outlet::ItemAt(std::string_view Service, std::string_view Name,
                                     std::uint8_t Place) const {
  return Dde_.FindItem(Service, Name, kMt5Items[Place]);
}

std::uint8_t TMt5Outlet::PlaceCount() const { return std::size(kMt5Items); }

void TMt5Outlet::Blank(std::string_view Service, std::string_view Name) {
  for (const char* item : kMt5Items)
    if (Dde_.FindItem(Service, Name, item)) Dde_.SetItemText(Service, Name, item, "");
}

}  // namespace tickwell
