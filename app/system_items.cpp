#include "app/system_items.h"

#include <utility>
#include <vector>

#include "app/mt4_layout.h"
#include "dde/model/names.h"
#include "dde/model/topic.h"

namespace tickwell {
namespace {

constexpr char kSystem[] = "System";
// The items the information requests store into a topic: never one of its values.
constexpr const char* kInfoItems[] = {"TopicItemList", "Formats"};

// Adds the name unless it is there already (a name compares as DDE names do).
void AddName(std::vector<std::string>& names, std::string name) {
  if (name.empty()) return;
  for (const std::string& known : names)
    if (SameName(known, name)) return;
  names.push_back(std::move(name));
}

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) {
    if (!text.empty()) text += '\t';
    text += name;
  }
  return text;
}

// An item a client can read a quote from; one a link made before any quote holds no text yet. In
// the field layout a symbol that has had no line holds the placeholder only because some client
// asked for it: it is not a symbol Tickwell knows.
bool HoldsValue(const TDDEMLItem& item, const std::string& name, bool fieldLayout) {
  if (!item.HasText() || TSystemItems::IsInfoItem(name)) return false;
  return !(fieldLayout && item.Text() == mt4::kNotAvailable);
}

// Wraps the manager's handler in one that runs it first, then Mine.
template <typename Event, typename Handler>
void Chain(Event& slot, Handler mine) {
  slot = [before = std::move(slot), mine = std::move(mine)](auto&&... args) {
    if (before) before(args...);
    mine(args...);
  };
}

}  // namespace

TSystemItems::TSystemItems(std::string QuoteService, std::string FieldService)
    : names_(std::make_shared<Names>(Names{std::move(QuoteService), std::move(FieldService), {}})) {
}

void TSystemItems::SetFieldServices(std::function<bool(std::string_view)> IsFieldService) {
  names_->IsField = std::move(IsFieldService);
}

bool TSystemItems::IsFieldService(std::string_view Service) const {
  if (names_->IsField) return names_->IsField(Service);
  return !names_->Fields.empty() && SameName(Service, names_->Fields);
}

void TSystemItems::Attach(TDDEMLManager& Manager, std::string QuoteService,
                          std::string FieldService) {
  names_->Quotes = std::move(QuoteService);
  names_->Fields = std::move(FieldService);
  if (attached_) return;
  attached_ = true;
  // Each handler holds a copy of this object: the same names, and nothing that can dangle.
  const TSystemItems self = *this;
  const auto status = [](TDDEMLManager& m, const std::string& service) {
    m.SetItemText(service, kSystem, "Status", kStatus);
  };
  // Status is answered as stored, with no event before it: it is stored as soon as the System
  // topic is opened, and again with every other System item.
  Chain(Manager.OnTopicOpened,
        [status](TDDEMLManager& m, const std::string& service, const std::string& topic) {
          if (SameName(topic, kSystem)) status(m, service);
        });
  Chain(Manager.OnTopicReceived, [self, status](TDDEMLManager& m, const std::string& service) {
    m.SetItemText(service, kSystem, "Topics", self.TopicsText(m, service));
    status(m, service);
  });
  Chain(Manager.OnFormatReceived, [status](TDDEMLManager& m, const std::string& service) {
    m.SetItemText(service, kSystem, "Formats", kFormats);
    status(m, service);
  });
  Chain(Manager.OnSysHelpReceived, [self, status](TDDEMLManager& m, const std::string& service) {
    m.SetItemText(service, kSystem, "Help", self.HelpText());
    status(m, service);
  });
  // The manager has stored its own short list by now; the full one replaces it.
  Chain(Manager.OnSysItemReceived, [status](TDDEMLManager& m, const std::string& service) {
    m.SetItemText(service, kSystem, "SysItems", kSysItems);
    m.SetItemText(service, kSystem, "TopicItemList", kSysItems);
    status(m, service);
  });
  Chain(Manager.OnItemReceived,
        [self](TDDEMLManager& m, const std::string& service, const std::string& topic) {
          m.SetItemText(service, topic, "TopicItemList", self.TopicItemsText(m, service, topic));
        });
  Chain(Manager.OnTopicFormatReceived,
        [](TDDEMLManager& m, const std::string& service, const std::string& topic) {
          m.SetItemText(service, topic, "Formats", kFormats);
        });
}

bool TSystemItems::IsInfoItem(std::string_view Item) {
  for (const char* info : kInfoItems)
    if (SameName(Item, info)) return true;
  return false;
}

std::string TSystemItems::TopicsText(const TDDEMLManager& Manager, std::string_view Service) const {
  std::vector<std::string> topics;
  const bool fieldLayout = IsFieldService(Service);
  if (fieldLayout)
    for (const char* field : mt4::kTopics) AddName(topics, field);
  if (const TDDEMLService* service = Manager.FindService(Service)) {
    for (int t = 0; t < service->TopicCount(); ++t) {
      const TDDEMLTopic* topic = service->GetTopic(t);
      const std::string name = topic ? topic->ReadName() : std::string();
      if (name.empty() || SameName(name, kSystem)) continue;
      for (int i = 0; i < topic->ItemCount(); ++i) {
        const TDDEMLItem* item = topic->Items(i);
        if (item && HoldsValue(*item, topic->ItemNames(i), fieldLayout)) {
          AddName(topics, name);
          break;
        }
      }
    }
  }
  AddName(topics, kSystem);
  return Joined(topics);
}

std::string TSystemItems::TopicItemsText(const TDDEMLManager& Manager, std::string_view Service,
                                         std::string_view Topic) const {
  std::vector<std::string> items;
  const bool fieldLayout = IsFieldService(Service);
  const TDDEMLService* service = Manager.FindService(Service);
  const TDDEMLTopic* topic = service ? service->FindTopic(Topic) : nullptr;
  for (int i = 0; topic && i < topic->ItemCount(); ++i) {
    const TDDEMLItem* item = topic->Items(i);
    std::string name = topic->ItemNames(i);
    if (item && HoldsValue(*item, name, fieldLayout)) AddName(items, std::move(name));
  }
  return Joined(items);
}

std::string TSystemItems::HelpText() const {
  const std::string& quotes = names_->Quotes;
  const std::string& fields = names_->Fields;
  std::string text =
      "Tickwell passes on the live quotes of a MetaTrader 5 terminal. Under the service " + quotes +
      " every symbol is a topic with the items BID, ASK, LAST, TIME (seconds since 1970), VOLUME, "
      "HIGH and LOW (the day's, when the terminal sends them) and QUOTE (the whole line), so a "
      "cell holding =" +
      quotes + "|EURUSD!BID follows the bid of EURUSD. ";
  if (!fields.empty())
    text += "Workbooks made for MetaTrader 4 use the service " + fields +
            ", where the topic is the field (BID, ASK, HIGH, LOW, TIME, QUOTE) and the item the "
            "symbol, as in =" +
            fields + "|BID!EURUSD; a symbol without a quote yet answers N/A. ";
  text +=
      "Topics on the System topic lists the topics, TopicItemList on a topic its items. Values "
      "are text (TEXT or UNICODETEXT) and come only from the terminal: pokes are refused.";
  return text;
}

}  // namespace tickwell
