// Requests on the "System" topic and the per-topic information items: the events run first, so
// their handlers can store fresh text that is then answered, in the format the client asked.
#include "dde/manager/manager.h"
#include "dde/model/names.h"
#include "dde/model/topic.h"

namespace tickwell {
namespace {

constexpr const char* kSystem = "System";

}  // namespace

platform::HddeData TDDEMLManager::StoredItem(TDDEMLService& Service, std::string_view Topic,
                                             std::string_view Item, std::uint16_t Format) {
  TDDEMLItem* found = Service.FindItem(Topic, Item);
  // Bytes in another format than the one asked would be read as that format: none instead.
  return found && ServesFormat(*found, Format) ? found->DataHandle(Format, false) : 0;
}

platform::HddeData TDDEMLManager::SystemTopicRequest(TDDEMLConversation& Conv,
                                                     const std::string& Item,
                                                     std::uint16_t Format) {
  TDDEMLService& service = *Conv.Service;
  const std::string name = service.Name;
  if (SameName(Item, "Topics")) {
    if (OnTopicReceived) OnTopicReceived(*this, name);
    return StoredItem(service, kSystem, "Topics", Format);
  }
  if (SameName(Item, "SysItems")) return SysItemsText(Conv, "SysItems", Format);
  if (SameName(Item, "TopicItemList")) return SysItemsText(Conv, "TopicItemList", Format);
  if (SameName(Item, "Status")) return StoredItem(service, kSystem, "Status", Format);
  if (SameName(Item, "Formats")) {
    if (OnFormatReceived) OnFormatReceived(*this, name);
    return StoredItem(service, kSystem, "Formats", Format);
  }
  if (SameName(Item, "Help")) {
    if (OnSysHelpReceived) OnSysHelpReceived(*this, name);
    return StoredItem(service, kSystem, "Help", Format);
  }
  return ItemRequest(Conv, kSystem, Item, Format);
}

platform::HddeData TDDEMLManager::SysItemsText(TDDEMLConversation& Conv, const std::string& Item,
                                               std::uint16_t Format) {
  TDDEMLService& service = *Conv.Service;
  std::string text = "Status";
  if (OnTopicReceived) text += "\tTopics";
  if (OnSysHelpReceived) text += "\tHelp";
  if (OnFormatReceived) text += "\tFormats";
  service.SetItemText(kSystem, "SysItems", text);
  service.SetItemText(kSystem, "TopicItemList", text);
  if (OnSysItemReceived) OnSysItemReceived(*this, service.Name);
  return StoredItem(service, kSystem, Item, Format);
}

platform::HddeData TDDEMLManager::TopicRequest(TDDEMLConversation& Conv, const std::string& Topic,
                                               const std::string& Item, std::uint16_t Format) {
  TDDEMLService& service = *Conv.Service;
  if (SameName(Item, "TopicItemList")) {
    if (OnItemReceived) OnItemReceived(*this, service.Name, Topic);
    return StoredItem(service, Topic, "TopicItemList", Format);
  }
  if (SameName(Item, "Formats")) {
    if (OnTopicFormatReceived) OnTopicFormatReceived(*this, service.Name, Topic);
    return StoredItem(service, Topic, "Formats", Format);
  }
  return ItemRequest(Conv, Topic, Item, Format);
}

}  // namespace tickwell
