#include "app/mt4_outlet.h"

#include <algorithm>

#include "dde/model/names.h"

namespace tickwell {
namespace {

// MetaTrader 4's topics in the order of their places (and of mt4::kTopics).
enum Mt4Place : std::uint8_t { kMt4Bid, kMt4Ask, kMt4High, kMt4Low, kMt4Time, kMt4Quote };

// Far more than any terminal has symbols.
constexpr int kMaxUnquotedItems = 10000;

}  // namespace

bool TMt4Outlet::IsTopic(std::string_view Name) {
  return std::any_of(mt4::kTopics.begin(), mt4::kTopics.end(),
                     [&](const char* known) { return SameName(Name, known); });
}

void TMt4Outlet::Write(std::string_view Service, std::string_view Name, const TQuoteFields& Fields,
                       std::string_view, std::int32_t Time, TDDEMLManager::TItemPlaces& Places) {
  const std::string_view bid = Fields[1], ask = Fields[2], high = Fields[6], low = Fields[7];
  std::array<TDDEMLManager::TTopicText, 6> fields;
  std::size_t count = 0;
  fields[count++] = {"BID", bid, kMt4Bid};
  fields[count++] = {"ASK", ask, kMt4Ask};
  if (!high.empty() && !low.empty()) {
    fields[count++] = {"HIGH", high, kMt4High};
    fields[count++] = {"LOW", low, kMt4Low};
  }
  fields[count++] = {"TIME", Times_.Time(Time), kMt4Time};
  fields[count++] = {"QUOTE", Times_.Quote(Time, bid, ask), kMt4Quote};
  Dde_.SetItemInTopics(Service, Name, std::span(fields.data(), count), &Places);
}

const TDDEMLItem* TMt4Outlet::ItemAt(std::string_view Service, std::string_view Name,
                                     std::uint8_t Place) const {
  return Dde_.FindItem(Service, mt4::kTopics[Place], Name);
}

std::uint8_t TMt4Outlet::PlaceCount() const { return kMt4Quote + 1; }

void TMt4Outlet::Blank(std::string_view Service, std::string_view Name) {
  for (const char* topic : mt4::kTopics)
    if (Dde_.FindItem(Service, topic, Name))
      Dde_.SetItemText(Service, topic, Name, mt4::kNotAvailable);
}

void TMt4Outlet::AnswerUnquoted(std::string_view Service, std::string_view Topic,
                                std::string_view Item) {
  // An item a link made before any line came holds no value yet either.
  const TDDEMLItem* item = Dde_.FindItem(Service, Topic, Item);
  if (item != nullptr && item->DataFormat() != 0) return;
  if (Item.empty() || UnquotedItems_ >= kMaxUnquotedItems) return;
  ++UnquotedItems_;
  Dde_.SetItemText(Service, Topic, Item, mt4::kNotAvailable);
}

}  // namespace tickwell
