// Requests on the "System" topic and the per-topic information items: the events run first, so
// their handlers can store fresh text that is then answered.
#include "dde/manager/manager.h"
#include "dde/model/names.h"
#include "dde/model/topic.h"

namespace tickwell {
namespace {

constexpr const char* kSystem = "System";

// A stored item of the topic, answered in its own format, not application-owned; 0 without it.
platform::HddeData StoredItem(TDDEMLService& service, std::string_view topic,
                              std::string_view item) {
  return service.ItemExists(topic, item) ? service.ItemDataHandle(topic, item, 0) : 0;
}

}  // namespace

platform::HddeData TDDEMLManager::SystemTopicRequest(TDDEMLConversation& Conv,
                                                     const std::string& Item,
                                                     std::uint16_t Format) {
  TDDEMLService& service = *Conv.Service;
  const std::string name = service.Name;
  if (SameName(Item, "Topics")) {
    if (OnTopicReceived) OnTopicReceived(*this, name);
    return StoredItem(service, kSystem, "Topics");
  }
  if (SameName(Item, "SysItems")) return SysItemsText(Conv, "SysItems");
  if (SameName(Item, "TopicItemList")) return SysItemsText(Conv, "TopicItemList");
  if (SameName(Item, "Status")) return StoredItem(service, kSystem, "Status");
  if (SameName(Item, "Formats")) {
    if (OnFormatReceived) OnFormatReceived(*this, name);
    return StoredItem(service, kSystem, "Formats");
  }
  if (SameName(Item, "Help")) {
    if (OnSysHelpReceived) OnSysHelpReceived(*this, name);
    return StoredItem(service, kSystem, "Help");
  }
  return ItemRequest(Conv, kSystem, Item, Format);
}

platform::HddeData TDDEMLManager::SysItemsText(TDDEMLConversation& Conv, const std::string& Item) {
  TDDEMLService& service = *Conv.Service;
  std::string text = "Status";
  if (OnTopicReceived) text += "\tTopics";
  if (OnSysHelpReceived) text += "\tHelp";
  if (OnFormatReceived) text += "\tFormats";
  service.SetItemText(kSystem, "SysItems", text);
  service.SetItemText(kSystem, "TopicItemList", text);
  if (OnSysItemReceived) OnSysItemReceived(*this, service.Name);
  return StoredItem(service, kSystem, Item);
}

platform::HddeData TDDEMLManager::TopicRequest(TDDEMLConversation& Conv, const std::string& Topic,
                                               const std::string& Item, std::uint16_t Format) {
  TDDEMLService& service = *Conv.Service;
  if (SameName(Item, "TopicItemList")) {
    if (OnItemReceived) OnItemReceived(*this, service.Name, Topic);
    return StoredItem(service, Topic, "TopicItemList");
  }
  if (SameName(Item, "Formats")) {
    if (OnTopicFormatReceived) OnTopicFormatReceived(*this, service.Name, Topic);
    return StoredItem(service, Topic, "Formats");
  }
  return ItemRequest(Conv, Topic, Item, Format);
}

}  // namespace tickwell
