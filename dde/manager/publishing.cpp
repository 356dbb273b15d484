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

bool TDDEMLManager::StartService(std::string_view Name) {
  AddService(Name);
  TDDEMLService* service = FindService(Name);
  if (!service) return false;
  service->Enabled = true;
  if (!Initialized() || service->Registered) return true;
  return service->Register(InstanceId, true);
}

void TDDEMLManager::SetItemText(std::string_view Service, std::string_view Topic,
                                std::string_view Item, std::string_view Text) {
  CheckServerScope();
  if (TDDEMLService* service = FindService(Service)) service->SetItemText(Topic, Item, Text);
}

bool TDDEMLManager::TItemPlaces::Current(const TDDEMLService* service) const {
  return Service == service && NamesLetGo == TDDEMLAtom::NamesLetGo();
}

namespace {

// The item kept at entry i, or null when nothing kept there can be used.
TDDEMLItem* Kept(const TDDEMLManager::TItemPlaces* places, const TDDEMLService* service,
                 std::size_t i) {
  if (!places || i >= places->Items.size() || !places->Current(service)) return nullptr;
  return places->Items[i];
}

void Keep(TDDEMLManager::TItemPlaces* places, TDDEMLService* service, std::size_t i,
          TDDEMLItem* item) {
  // An item without a handle (made before its service's instance named it, or refused by DDEML)
  // is found by no client yet; kept, every later value would go to it, as naming it lets no name
  // go. It is looked up by name again next time.
  if (!places || i >= places->Items.size() || item->Handle() == 0) return;
  if (!places->Current(service)) {
    places->Items.fill(nullptr);
    places->Service = service;
    places->NamesLetGo = TDDEMLAtom::NamesLetGo();
  }
  places->Items[i] = item;
}

}  // namespace

TDDEMLService* TDDEMLManager::PublishedService(std::string_view Name,
                                               const TItemPlaces* Places) const {
  // A kept service still exists while no name was let go (freeing one lets its own go); it is
  // used while it still has the name asked for.
  if (Places && Places->Service && Places->Current(Places->Service) &&
      SameName(Places->Service->Name, Name))
    return Places->Service;
  return FindService(Name);
}

void TDDEMLManager::TItemPlaces::Prefetch() const {
  if (!Current(Service)) return;
  for (const TDDEMLItem* item : Items)
    if (item) item->PrefetchValue();
}

// In both: each text set may post to a client in this thread, whose answer may end topics or
// the service; what was found is then found again, and kept places are checked before each use.
void TDDEMLManager::SetItemTexts(std::string_view Service, std::string_view Topic,
                                 std::span<const TItemText> Items, TItemPlaces* Places) {
  CheckServerScope();
  TDDEMLService* service = nullptr;
  TDDEMLTopic* topic = nullptr;
  std::uint64_t removals = 0;
  for (std::size_t i = 0; i < Items.size(); ++i) {
    if (!service || removals != TDDEMLService::TopicRemovals()) {
      service = PublishedService(Service, Places);
      if (!service) return;
      topic = nullptr;
      removals = TDDEMLService::TopicRemovals();
    }
    TDDEMLItem* item = Kept(Places, service, Items[i].Place);
    if (!item) {
      if (!topic) topic = service->FindOrAddTopic(Topic);
      if (!topic) return;
      item = topic->FindOrAddItem(Items[i].Item);
      if (!item) continue;
      Keep(Places, service, Items[i].Place, item);
    }
    item->SetText(Items[i].Text);
  }
}

void TDDEMLManager::SetItemInTopics(std::string_view Service, std::string_view Item,
                                    std::span<const TTopicText> Topics, TItemPlaces* Places) {
  CheckServerScope();
  TDDEMLService* service = nullptr;
  std::uint64_t removals = 0;
  int place = -1;
  for (std::size_t i = 0; i < Topics.size(); ++i) {
    if (!service || removals != TDDEMLService::TopicRemovals()) {
      service = PublishedService(Service, Places);
      if (!service) return;
      removals = TDDEMLService::TopicRemovals();
    }
    TDDEMLItem* item = Kept(Places, service, Topics[i].Place);
    if (!item) {
      TDDEMLTopic* topic = service->FindOrAddTopic(Topics[i].Topic);
      item = topic ? topic->FindOrAddItem(Item, place) : nullptr;
      if (!item) continue;
      Keep(Places, service, Topics[i].Place, item);
    }
    item->SetText(Topics[i].Text);
  }
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
