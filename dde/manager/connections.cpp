// Conversations on the serving side: connects and wild connects accepted or refused, confirms,
// disconnects (with reconnect and topic closing), the lookups every transaction handler shares,
// and the registration and error notifications.
#include <vector>

#include "dde/diagnostics/failed_call.h"
#include "dde/manager/manager.h"
#include "dde/model/names.h"
#include "dde/model/topic.h"

namespace tickwell {
namespace {

constexpr const char* kSystemTopic = "System";

// A null handle is 0 or names the empty text.
bool IsNull(platform::DdeInstance instance, platform::Hsz handle) {
  return handle == 0 || (QueryNameLength(instance, handle) & 0xFFFF) == 0;
}

}  // namespace

TDDEMLConversation* TDDEMLManager::Conversation(int Index) const {
  if (Index < 0 || Index >= ConversationCount()) return nullptr;
  return Conversations->ItemAs<TDDEMLConversation>(Index);
}

TDDEMLConversation* TDDEMLManager::FindConversationByHandle(platform::Hconv hConv) {
  // Every transaction of a conversation looks it up: the handle's last place is tried first.
  if (const auto hint = conv_index_by_handle_.find(hConv); hint != conv_index_by_handle_.end()) {
    if (TDDEMLConversation* conv = Conversation(hint->second); conv && conv->ConvHandle == hConv)
      return conv;
    conv_index_by_handle_.erase(hint);
  }
  for (int i = 0; i < ConversationCount(); ++i) {
    if (Conversation(i)->ConvHandle == hConv) {
      if (hConv != 0) conv_index_by_handle_[hConv] = i;
      return Conversation(i);
    }
  }
  // A conversation not yet given its handle is found by the names DDEML knows for it.
  platform::ConvInfo info;
  if (hConv == 0) return nullptr;
  if (!platform::DdeQueryConvInfo(hConv, platform::kQidSync, info)) {
    TraceFailedDdeCall("DdeQueryConvInfo", InstanceId);
    return nullptr;
  }
  const std::string service = QueryName(InstanceId, info.service_partner);
  const std::string topic = QueryName(InstanceId, info.topic);
  for (int i = 0; i < ConversationCount(); ++i) {
    TDDEMLConversation* conv = Conversation(i);
    if (conv->ConvHandle == 0 && conv->MatchesNames(service, topic)) {
      conv->SetHandle(hConv);
      conv_index_by_handle_[hConv] = i;
      return conv;
    }
  }
  return nullptr;
}

TDDEMLConversation* TDDEMLManager::FindConversationById(std::uint32_t Id) const {
  for (int i = 0; i < ConversationCount(); ++i)
    if (Conversation(i)->ConversationId == Id) return Conversation(i);
  return nullptr;
}

TDDEMLConversation* TDDEMLManager::FindConversationByNames(std::string_view Service,
                                                           std::string_view Topic) const {
  for (int i = 0; i < ConversationCount(); ++i) {
    TDDEMLConversation* conv = Conversation(i);
    if (conv->IsServer ? conv->MatchesServerNames(Service, Topic)
                       : conv->MatchesNames(Service, Topic))
      return conv;
  }
  return nullptr;
}

TDDEMLConversation* TDDEMLManager::FindConversationByHandles(platform::Hsz Service,
                                                             platform::Hsz Topic) const {
  return FindConversationByNames(QueryName(InstanceId, Service), QueryName(InstanceId, Topic));
}

TDDEMLConversation* TDDEMLManager::FindConversation(const TConversationKey& Key, int Kind) const {
  if (Kind == 0) {
    const auto* id = std::get_if<std::int64_t>(&Key);
    return id && *id >= 0 && *id <= 0xFFFFFFFF
               ? FindConversationById(static_cast<std::uint32_t>(*id))
               : nullptr;
  }
  if (Kind == 1) {
    const auto* names = std::get_if<std::pair<std::string, std::string>>(&Key);
    return names ? FindConversationByNames(names->first, names->second) : nullptr;
  }
  return nullptr;
}

bool TDDEMLManager::DisconnectConversation(const TConversationKey& Key, int Kind) {
  const bool shaped =
      (Kind == 0 && std::holds_alternative<std::int64_t>(Key)) ||
      (Kind == 1 && std::holds_alternative<std::pair<std::string, std::string>>(Key));
  if (!shaped) return SetError(-13, "");
  TDDEMLConversation* conv = FindConversation(Key, Kind);
  if (!conv) return false;
  conv->OnConvError = nullptr;
  conv->OnHotLink = nullptr;
  conv_index_by_handle_.erase(conv->ConvHandle);
  const std::vector<TEndedLink> ended = EndServerLinks(*conv);
  const bool result = conv->EndConversation();
  Conversations->FreeAndDelete(Conversations->IndexOf(conv));
  ReportEndedLinks(ended);
  return result;
}

int TDDEMLManager::CountServerConversations(std::string_view Service,
                                            std::string_view Topic) const {
  int count = 0;
  for (int i = 0; i < ConversationCount(); ++i)
    if (Conversation(i)->MatchesServerNames(Service, Topic)) ++count;
  return count;
}

int TDDEMLManager::ServerLinkCount() const {
  int count = 0;
  for (int i = 0; i < ConversationCount(); ++i)
    if (Conversation(i)->IsServer) count += static_cast<int>(Conversation(i)->ServerLinks.size());
  return count;
}

bool TDDEMLManager::HasService(const TDDEMLService* Service) const {
  for (int i = 0; i < Services_->ServiceCount(); ++i)
    if (Services_->Items(i) == Service) return true;
  return false;
}

bool TDDEMLManager::SupportsService(platform::Hsz Service) const {
  for (int i = 0; i < Services_->ServiceCount(); ++i) {
    const TDDEMLService* service = Services_->Items(i);
    if (service && service->Handle() != 0 &&
        platform::DdeCmpStringHandles(service->Handle(), Service) == 0)
      return true;
  }
  return false;
}

bool TDDEMLManager::XTypConnect(platform::Hsz Service, platform::Hsz Topic) {
  TraceLine("XTypConnect - start ...");
  bool result = true;
  const std::string service = QueryName(InstanceId, Service);
  const std::string topic = QueryName(InstanceId, Topic);
  if (!IsNull(InstanceId, Service)) {
    if (!SupportsService(Service)) {
      result = SetError(-3, "Service : " + service + " - not supported");
    } else if (IsNull(InstanceId, Topic) && !AllowNullTopic) {
      result = SetError(-2, "");
    }
  } else {
    TraceLine("XTypConnect - Null Service name");
    if (!AllowNullService) {
      result = SetError(-1, "");
    } else if (IsNull(InstanceId, Topic)) {
      TraceLine("XTypConnect - Null Topic name");
      if (!AllowNullTopic) result = SetError(-2, "");
    }
  }
  if (result) {
    TraceLine("XTypConnect - Valid Service/Topic names");
    bool allow = true;
    if (FindConversationByHandles(Service, Topic)) {
      TraceLine("XTypConnect - Conv already exists with these Service/Topic names");
      if (OneConvPerTopic) allow = result = false;
    } else if (OnConnectReceived) {
      TraceLine("XTypConnect - Calling OnConnectRequest");
      allow = false;
      OnConnectReceived(*this, service, topic, allow);
      if (!allow) result = SetError(-28, service + "/" + topic);
    }
    if (allow) result = CreateServerConversation(Service, Topic) || SetError(-29, "");
  }
  TraceLine("XTypConnect - Result = ", result ? 1 : 0);
  TraceLine("XTypConnect - End");
  return result;
}

bool TDDEMLManager::CreateServerConversation(platform::Hsz Service, platform::Hsz Topic) {
  try {
    auto conv = std::make_unique<TDDEMLConversation>();
    conv->OnConvError = [this](TObject&, int code, const std::string& text) {
      SetError(code, text);
    };
    conv->InstanceId = InstanceId;
    conv->SyncMode = DefaultComm == dcSync ? 1 : 0;
    conv->DefaultFormat = static_cast<std::uint16_t>(DefaultClipFmt);
    conv->TimeOut = TimeOutMs;
    conv->ConversationId = static_cast<std::uint32_t>(NextConversationId());
    conv->IsServer = true;
    TDDEMLService* service =
        !IsNull(InstanceId, Service) ? FindServiceByHandle(Service) : Services_->Items(0);
    if (!service) return false;
    TDDEMLTopic* topic = nullptr;
    bool opened = false;
    if (!IsNull(InstanceId, Topic)) {
      topic = service->FindTopicByHandle(Topic);
      if (!topic) {
        service->AddTopicByHandle(Topic);
        topic = service->FindTopicByHandle(Topic);
        opened = topic != nullptr;
      }
    } else {
      topic = service->FindOrAddTopic(kSystemTopic);
    }
    if (!topic) return false;
    conv->Service = service;
    conv->Topic = topic;
    Conversations->Add(conv.release());
    if (opened && OnTopicOpened) OnTopicOpened(*this, service->Name, topic->ReadName());
    return true;
  } catch (...) {
    return false;
  }
}

void TDDEMLManager::XTypConnectConfirm(platform::Hconv hConv, platform::Hsz Service,
                                       platform::Hsz Topic, std::uintptr_t) {
  TraceLine("XTypConnectConfirm - start  ....");
  platform::ConvInfo info;
  if (DebugActive()) {
    if (platform::DdeQueryConvInfo(hConv, platform::kQidSync, info)) {
      TraceLine("hszSvcPartner = ", QueryName(InstanceId, info.service_partner));
      TraceLine("hszServiceReq = ", QueryName(InstanceId, info.service_request));
      TraceLine("hszTopic = ", QueryName(InstanceId, info.topic));
      TraceLine("wStatus = ", info.status);
    } else {
      TraceFailedDdeCall("DdeQueryConvInfo", InstanceId);
    }
  }
  const std::string service = QueryName(InstanceId, Service);
  const std::string topic = QueryName(InstanceId, Topic);
  TDDEMLConversation* found = nullptr;
  for (int i = 0; i < ConversationCount() && !found; ++i) {
    TDDEMLConversation* conv = Conversation(i);
    if (conv->IsServer && conv->ConvHandle == 0 && conv->MatchesServerNames(service, topic))
      found = conv;
  }
  if (found) {
    TraceLine("XTypConnectConfirm - setting conv Handle");
    found->SetHandle(hConv);
  } else {
    SetError(-30, service + "/" + topic);
  }
  TraceLine("XTypConnectConfirm - End");
}

void TDDEMLManager::XTypDisconnect(platform::Hconv hConv) {
  TraceLine("XTypDisconnect - Start  ....");
  TDDEMLConversation* conv = FindConversationByHandle(hConv);
  if (!conv) {
    TraceLine("XTypDisconnect - End");
    return;
  }
  bool restart = false;
  conv_index_by_handle_.erase(hConv);
  conv->ClearHandle();
  const std::string service = conv->GetServiceName();
  const std::string topic = conv->GetTopicName();
  if (!conv->IsServer && OnServerDisconnecting)
    OnServerDisconnecting(*this, service, topic, restart);
  bool lastOnTopic = false;
  TDDEMLService* serverService = nullptr;
  std::vector<TEndedLink> ended;
  if (conv->IsServer) {
    serverService = conv->Service;
    // A conversation whose topic the application removed closes no topic.
    lastOnTopic = conv->Topic != nullptr &&
                  CountServerConversations(conv->GetServerServiceName(), topic) == 1;
    // The client may leave without stopping its links: DDEML ends them with the conversation.
    ended = EndServerLinks(*conv);
  }
  if (restart) {
    TraceLine("XTypDisconnect - Trying to reconnect");
    if (conv->Reconnect()) {
      TraceLine("XTypDisconnect - End");
      return;
    }
    conv->ConvHandle = 0;
  }
  ReportEndedLinks(ended);
  if (OnDisconnecting) OnDisconnecting(*this, service, topic);
  // The events may have ended conversations themselves: look the conversation up again.
  const int at = Conversations->IndexOf(conv);
  if (at >= 0) {
    conv->ConvHandle = 0;  // DDEML has ended it already
    Conversations->FreeAndDelete(at);
  }
  if (lastOnTopic) {
    bool retain = false;
    if (OnTopicClosed) OnTopicClosed(*this, service, topic, retain);
    if (!retain && serverService && HasService(serverService)) serverService->RemoveTopic(topic);
  }
  TraceLine("XTypDisconnect - End");
}

platform::HddeData TDDEMLManager::XTypWildConnect(platform::Hsz Service, platform::Hsz Topic) {
  constexpr const char* kPrefix = "XTypeWildConnect : ";
  TraceLine(kPrefix, "start ....");
  const bool nullService = IsNull(InstanceId, Service);
  const bool nullTopic = IsNull(InstanceId, Topic);
  if ((nullService && !AllowNullService) || (nullTopic && !AllowNullTopic)) {
    TraceLine(kPrefix, nullService && !AllowNullService
                           ? "Failed. AllowNullService = FALSE and null service name"
                           : "Failed. AllowNullTopic = FALSE and null topic name");
    return 0;
  }
  std::string s = QueryName(InstanceId, Service);
  std::string t = QueryName(InstanceId, Topic);
  if (!nullService && !Services_->ServiceExists(s)) {
    TraceLine(kPrefix, "Failed. ", '[', s, "] service name not supported");
    return 0;
  }
  TraceLine(kPrefix, "Ready to set wild connect combinations");
  ClearWildConnects();
  if (OnWildConnectReceived) {
    TraceLine(kPrefix, "Calling OnWildConnectRequest");
    OnWildConnectReceived(*this, s, t);
  } else {
    TraceLine(kPrefix, "No OnWildConnectRequest event available");
    if (s.empty()) s = ServiceName(0);
    if (t.empty()) t = kSystemTopic;
    TraceLine(kPrefix, "Using service [", s, "] with system topic");
    bool allow = false;
    if (OnConnectReceived) {
      TraceLine(kPrefix, "Calling OnConnectRequest");
      OnConnectReceived(*this, s, t, allow);
      TraceLine(kPrefix, "OnConnectRequest returned Allow = ", allow ? "TRUE" : "FALSE");
    }
    if (allow) AddWildConnect(s, t);
  }
  platform::HddeData result = 0;
  const int n = WildConnectCount();
  if (n > 0) {
    TraceLine(kPrefix, "WildConnect entry count = ", n);
    std::vector<platform::HszPair> pairs;
    for (int i = 0; i < n; ++i) {
      TDDEMLService* service = FindService(WildConnectService(i));
      if (!service) continue;
      const std::string topicName = WildConnectTopic(i);
      TDDEMLTopic* topic = service->FindTopic(topicName);
      if (!topic) {
        service->AddTopic(topicName);
        topic = service->FindTopic(topicName);
        if (topic && OnTopicOpened) OnTopicOpened(*this, service->Name, topic->ReadName());
      }
      if (!topic) continue;
      CreateServerConversation(service->Handle(), topic->Handle());
      pairs.push_back({service->Handle(), topic->Handle()});
    }
    TraceLine(kPrefix, "Calling DdeCreateDataHandle");
    // The block is laid out in the platform's own HSZPAIR size, ended by a zero pair.
    result = platform::DdeCreateHszPairData(InstanceId, pairs);
    if (result == 0) {
      TraceLine(kPrefix, "DdeCreateDataHandle failed!");
      TraceFailedDdeCall("DdeCreateHszPairData", InstanceId);
    }
    ClearWildConnects();
  }
  return result;
}

void TDDEMLManager::XTypRegister(platform::Hsz Base, platform::Hsz Instance) {
  if (OnServiceRegistered)
    OnServiceRegistered(*this, QueryName(InstanceId, Base), QueryName(InstanceId, Instance));
}

void TDDEMLManager::XTypUnregister(platform::Hsz Base, platform::Hsz Instance) {
  if (OnServiceUnregistered)
    OnServiceUnregistered(*this, QueryName(InstanceId, Base), QueryName(InstanceId, Instance));
}

void TDDEMLManager::XTypError(std::uintptr_t) {
  if (OnError) OnError(*this, -36, "DDEML reports low resources");
}

}  // namespace tickwell
