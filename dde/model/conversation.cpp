#include "dde/model/conversation.h"

#include "dde/diagnostics/failed_call.h"
#include "dde/diagnostics/trace_named.h"

namespace tickwell {
namespace {

constexpr const char* kTag = "TDDEMLConversation";

}  // namespace

void TDDEMLConversation::InitFields() {
  HasHandle = false;
  DefaultFormat = 1;
  SyncMode = 1;
  ConvHandle = 0;
  InstanceId = 0;
  ConversationId = 0;
  InAdviseData = false;
  IsServer = true;
  KeepUnknownItems = false;
  ClientService = nullptr;
  Service = nullptr;
  TimeOut = 5000;
  Topic = nullptr;
  UseBusy = false;
}

void TDDEMLConversation::FreeFields() {
  if (HasHandle && ConvHandle != 0) EndConversation();
  delete ClientService;
  ClientService = nullptr;
  if (!Service) delete Topic;
  Topic = nullptr;
}

void TDDEMLConversation::SetHandle(platform::Hconv handle) {
  ConvHandle = handle;
  HasHandle = true;
}

std::uint32_t TDDEMLConversation::GetTimeOut() const {
  return SyncMode != 0 ? TimeOut : platform::kTimeoutAsync;
}

bool TDDEMLConversation::AddServerLink(std::string_view item, std::uint16_t format) {
  for (const TServerLink& link : ServerLinks)
    if (link.Format == format && SameName(link.Item, item)) return false;
  ServerLinks.push_back({std::string(item), format});
  return true;
}

bool TDDEMLConversation::RemoveServerLink(std::string_view item, std::uint16_t format) {
  auto found = ServerLinks.end();
  for (auto link = ServerLinks.begin(); link != ServerLinks.end(); ++link) {
    if (!SameName(link->Item, item)) continue;
    if (link->Format == format) {
      found = link;
      break;
    }
    if (found == ServerLinks.end()) found = link;
  }
  if (found == ServerLinks.end()) return false;
  ServerLinks.erase(found);
  return true;
}

std::string TDDEMLConversation::GetServiceName() const {
  if (ClientService) return ClientService->Name;
  return Service ? Service->Name : std::string();
}

std::string TDDEMLConversation::GetServerServiceName() const {
  if (Service) return Service->Name;
  return ClientService ? ClientService->Name : std::string();
}

std::string TDDEMLConversation::GetTopicName() const {
  return Topic ? Topic->ReadName() : std::string();
}

// The topic's key is the folded name its handle was made from, and DDEML's text of that handle
// folds to it: comparing with the key spares a query of every conversation's topic name, which
// a server with thousands of conversations makes on every connect.
bool TDDEMLConversation::TopicNamed(std::string_view topic) const {
  return SameName(Topic ? std::string_view(Topic->Key()) : std::string_view(), topic);
}

bool TDDEMLConversation::MatchesNames(std::string_view service, std::string_view topic) const {
  return TopicNamed(topic) && SameName(GetServiceName(), service);
}

bool TDDEMLConversation::MatchesServerNames(std::string_view service,
                                            std::string_view topic) const {
  return TopicNamed(topic) && SameName(GetServerServiceName(), service);
}

bool TDDEMLConversation::IsTopicHandle(platform::Hsz handle) const {
  return Topic && Topic->SameHandle(handle);
}

bool TDDEMLConversation::QueryTransaction(std::uint32_t transId, std::string& itemName,
                                          unsigned& status, unsigned& state,
                                          unsigned& lastError) const {
  platform::ConvInfo info;
  if (!platform::DdeQueryConvInfo(ConvHandle, transId, info)) {
    TraceFailedDdeCall("DdeQueryConvInfo", InstanceId);
    return false;
  }
  itemName = QueryName(InstanceId, info.item);
  status = info.status & 0xFFFF;
  state = info.state & 0xFFFF;
  lastError = info.last_error & 0xFFFF;
  return true;
}

int TDDEMLConversation::CountAdviseTransactions(unsigned state, std::string& firstItem) const {
  int count = 0;
  if (!Topic) return 0;
  for (int i = 0; i < Topic->ItemCount(); ++i) {
    const TDDEMLItem* item = Topic->Items(i);
    for (int t = 0; t < item->TransactionCount(); ++t) {
      std::string name;
      unsigned status = 0, convState = 0, lastError = 0;
      if (!QueryTransaction(item->TransactionId(t), name, status, convState, lastError) ||
          convState != state)
        continue;
      if (count++ == 0) firstItem = name;
    }
  }
  return count;
}

bool TDDEMLConversation::ReportError(int code, const std::string& text) {
  if (OnConvError) OnConvError(*this, code, text);
  return code == 1;
}

bool TDDEMLConversation::EndConversation() {
  TraceNamed(kTag, "EndConversation - start ....");
  bool result = false;
  if (ConvHandle != 0) {
    platform::ConvInfo info;
    if (platform::DdeQueryConvInfo(ConvHandle, platform::kQidSync, info)) {
      StopAllAdvises();
      TraceNamed(kTag, "EndConversation - Calling DdeDisconnect");
      result = platform::DdeDisconnect(ConvHandle);
      if (!result) {
        TraceFailedDdeCall("DdeDisconnect", InstanceId);
        ReportError(-17, GetServiceName() + "/" + GetTopicName());
      }
    } else {
      TraceFailedDdeCall("DdeQueryConvInfo", InstanceId);
    }
    ConvHandle = 0;
    HasHandle = false;
  }
  TraceNamed(kTag, "EndConversation - End");
  return result;
}

void TDDEMLConversation::StopAllAdvises() {
  if (IsServer || !Topic || Topic->ItemCount() == 0) return;
  // Names first: stopping may add nothing, but the list must not shift under the walk.
  std::vector<std::string> names;
  for (int i = 0; i < Topic->ItemCount(); ++i) names.push_back(Topic->ItemNames(i));
  for (const std::string& name : names) StopAdvise(name);
}

bool TDDEMLConversation::StopAdvise(std::string_view itemName) {
  TDDEMLItem* item = Topic ? Topic->FindOrAddItem(itemName) : nullptr;
  if (!item || !item->HasClientLink()) return false;
  std::uint32_t result = 0;
  const platform::HddeData done =
      platform::DdeClientTransaction(nullptr, 0, ConvHandle, item->Handle(), DefaultFormat,
                                     platform::kXtypAdvStop, GetTimeOut(), &result);
  if (done == 0) {
    TraceFailedDdeCall("DdeClientTransaction", InstanceId);
    ReportError(-19, GetServiceName() + "/" + GetTopicName() + "/" + std::string(itemName));
    return false;
  }
  if (SyncMode == 0) item->AddTransaction(result, platform::kXtypAdvStop);
  return true;
}

bool TDDEMLConversation::Reconnect() {
  const platform::Hconv fresh = platform::DdeReconnect(ConvHandle);
  if (fresh == 0) TraceFailedDdeCall("DdeReconnect", InstanceId);
  ConvHandle = fresh;
  HasHandle = fresh != 0;
  return HasHandle;
}

}  // namespace tickwell
