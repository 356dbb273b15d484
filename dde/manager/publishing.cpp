// The operations by which an application defines what it serves and publishes values.
#include "dde/manager/manager.h"
#include "dde/model/names.h"

namespace tickwell {

void TDDEMLManager::AddService(std::string_view Name) {
  CheckServerScope();
  Services_->Add(Name);
  if (TDDEMLService* service = Services_->FindService(Name)) HookService(*service);
}

void TDDEMLManager::SetServiceEnabled(std::string_view Name, bool Value) {
  CheckServerScope();
  Services_->SetServiceEnabled(Name, Value);
}

void TDDEMLManager::SetItemText(std::string_view Service, std::string_view Topic,
                                std::string_view Item, std::string_view Text) {
  CheckServerScope();
  if (TDDEMLService* service = FindService(Service)) service->SetItemText(Topic, Item, Text);
}

void TDDEMLManager::SetItemTexts(std::string_view Service, std::string_view Topic,
                                 std::span<const TItemText> Items) {
  CheckServerScope();
  TDDEMLTopic* topic = nullptr;
  std::uint64_t removals = 0;
  for (const TItemText& item : Items) {
    // Each text set may post to a client in this thread, whose answer may end the topic or the
    // service; both are found again then.
    if (!topic || removals != TDDEMLService::TopicRemovals()) {
      TDDEMLService* service = FindService(Service);
      topic = service ? service->FindOrAddTopic(Topic) : nullptr;
      if (!topic) return;
      removals = TDDEMLService::TopicRemovals();
    }
    topic->SetItemText(item.Item, item.Text);
  }
}

void TDDEMLManager::SetItemInTopics(std::string_view Service, std::string_view Item,
                                    std::span<const TTopicText> Topics) {
  CheckServerScope();
  TDDEMLService* service = FindService(Service);
  if (!service) return;
  // Each topic is found afresh: a text set may reach a client in this thread that ends topics.
  int place = -1;
  for (const TTopicText& each : Topics)
    if (TDDEMLTopic* topic = service->FindOrAddTopic(each.Topic))
      topic->SetItemText(Item, each.Text, place);
}

void TDDEMLManager::SetItemData(std::string_view Service, std::string_view Topic,
                                std::string_view Item, std::uint16_t Format,
                                platform::HddeData Data) {
  CheckServerScope();
  if (TDDEMLService* service = FindService(Service))
    service->SetItemData(Topic, Item, Format, Data);
}

bool TDDEMLManager::ServiceExists(std::string_view Name) const {
  CheckServerScope();
  return Services_->ServiceExists(Name);
}

void TDDEMLManager::AddWildConnect(std::string_view Service, std::string_view Topic) {
  CheckServerScope();
  if (!ServiceExists(Service) || Topic.empty()) return;
  for (int i = 0; i < WildConnectCount(); ++i) {
    if (SameName(WildConnectServices->Get(i), Service) &&
        SameName(WildConnectTopics->Get(i), Topic))
      return;
  }
  WildConnectServices->Add(std::string(Service));
  WildConnectTopics->Add(std::string(Topic));
}

TDDEMLItem* TDDEMLManager::AddItem(std::string_view Service, std::string_view Topic,
                                   std::string_view Item) {
  if (TDDEMLItem* found = FindItem(Service, Topic, Item)) return found;
  TDDEMLService* service = FindService(Service);
  return service ? service->AddItem(Topic, Item) : nullptr;
}

TDDEMLItem* TDDEMLManager::FindItem(std::string_view Service, std::string_view Topic,
                                    std::string_view Item) const {
  TDDEMLService* service = FindService(Service);
  return service ? service->FindItem(Topic, Item) : nullptr;
}

TDDEMLService* TDDEMLManager::FindService(std::string_view Name) const {
  return Services_ ? Services_->FindService(Name) : nullptr;
}

TDDEMLService* TDDEMLManager::FindServiceByHandle(platform::Hsz Handle) const {
  return Services_ ? Services_->FindServiceByHandle(Handle) : nullptr;
}

std::string TDDEMLManager::ServiceName(int Index) const {
  return Services_ ? Services_->ServiceName(Index) : std::string();
}

void TDDEMLManager::ClearWildConnects() {
  WildConnectServices->Clear();
  WildConnectTopics->Clear();
}

std::string TDDEMLManager::WildConnectService(int Index) const {
  return Index >= 0 && Index < WildConnectCount() ? WildConnectServices->Get(Index) : "";
}

std::string TDDEMLManager::WildConnectTopic(int Index) const {
  return Index >= 0 && Index < WildConnectCount() ? WildConnectTopics->Get(Index) : "";
}

void TDDEMLManager::HookService(TDDEMLService& service) {
  service.OnTopicAdvise = [this](TDDEMLService& sender, TDDEMLTopic& topic, TDDEMLItem& item) {
    ProcTopicAdvise(sender, topic, item);
  };
  // A conversation on a removed topic serves nothing more; it must not keep the freed topic.
  service.OnTopicRemoving = [this](TDDEMLService&, TDDEMLTopic& topic) {
    for (int i = 0; i < ConversationCount(); ++i) {
      TDDEMLConversation* conv = Conversation(i);
      if (conv->IsServer && conv->Topic == &topic) conv->Topic = nullptr;
    }
  };
}

void TDDEMLManager::HookServices() {
  for (int i = 0; i < Services_->ServiceCount(); ++i)
    if (TDDEMLService* service = Services_->Items(i)) HookService(*service);
}

}  // namespace tickwell
