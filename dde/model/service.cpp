#include "dde/model/service.h"

#include <exception>

#include "dde/diagnostics/failed_call.h"
#include "dde/diagnostics/trace_named.h"
#include "dde/tables/exceptions.h"

namespace tickwell {
namespace {

constexpr const char* kTag = "TDDEMLService";

}  // namespace

void TDDEMLService::Assign(const TDDEMLService& source) {
  if (&source == this) return;
  Name = source.Name;
  Enabled = source.Enabled;
  ServiceStrings = source.ServiceStrings;
  Registered = source.Registered;
}

void TDDEMLService::ReleaseHandles() {
  // The handles are released as the instance ends, and its name registrations end with it, also
  // one whose unregistering failed: the next instance must be able to register the name again.
  Registered = false;
  TDDEMLBase::ReleaseHandles();
  ByHandle_.Clear();
  for (int i = 0; i < Topics_.Count(); ++i) Topics_.Named(i)->ReleaseHandles();
}

bool TDDEMLService::Register(platform::DdeInstance instance, bool doRegister) {
  TraceNamed(kTag, "Register - [", Name, "] - Start");
  bool result = false;
  if (doRegister && Registered) {
    result = ReportError(-11, "");
  } else if (!doRegister && !Registered) {
    result = ReportError(-12, "");
  } else {
    SetName(instance, Name);
    if (doRegister) NameTopicsAgain();
    TraceNamed(kTag, "Register - Calling DdeNameService");
    platform::HddeData done = 0;
    try {
      done = platform::DdeNameService(
          instance, Handle(), doRegister ? platform::kDnsRegister : platform::kDnsUnregister);
    } catch (const std::exception&) {
      throw ETarvoError("Error in DdeNameService API call : service = [" +
                        QueryName(instance, Handle()) + "]");
    }
    if (done == 0) {
      TraceFailedDdeCall("DdeNameService", instance);
      result = ReportError(-9, Name);
    } else {
      Registered = doRegister;
      result = true;
    }
  }
  TraceNamed(kTag, "Register - [", Name, "] - End");
  return result;
}

TDDEMLTopic* TDDEMLService::GetTopic(int index) const {
  if (index < 0 || index >= Topics_.Count()) return nullptr;
  return static_cast<TDDEMLTopic*>(Topics_.Named(index));
}

void TDDEMLService::NameTopicsAgain() {
  const platform::DdeInstance instance = InstanceId();
  if (instance == 0) return;
  ByHandle_.Clear();
  for (int i = 0; i < Topics_.Count(); ++i) {
    TDDEMLBase* topic = Topics_.Named(i);
    topic->NameAgain(instance);
    ByHandle_.Add(topic->Handle(), static_cast<TDDEMLTopic*>(topic));
  }
  Topics_.Sort();
}

TDDEMLTopic* TDDEMLService::FindTopic(std::string_view name) const {
  return GetTopic(Topics_.FindKey(LookupKey(InstanceId(), name)));
}

TDDEMLTopic* TDDEMLService::FindTopicByHandle(platform::Hsz handle) const {
  return ByHandle_.Find(handle);
}

bool TDDEMLService::AddTopic(std::string_view name) {
  try {
    auto* topic = new TDDEMLTopic;
    topic->SetName(InstanceId(), name);
    topic->OnItemChanged = [this](TDDEMLTopic& sender, TDDEMLItem& item) {
      ProcTopicAdvise(sender, item);
    };
    Topics_.AddNamed(topic);
    ByHandle_.Add(topic->Handle(), topic);
    return true;
  } catch (...) {
    return false;
  }
}

bool TDDEMLService::AddTopicByHandle(platform::Hsz handle) {
  return AddTopic(QueryName(InstanceId(), handle));
}

TDDEMLTopic* TDDEMLService::FindOrAddTopic(std::string_view name) {
  if (TDDEMLTopic* found = FindTopic(name)) return found;
  AddTopic(name);
  return FindTopic(name);
}

void TDDEMLService::RemoveTopics() {
  ++topicRemovals_;
  if (OnTopicRemoving)
    for (int i = 0; i < Topics_.Count(); ++i)
      OnTopicRemoving(*this, *static_cast<TDDEMLTopic*>(Topics_.Named(i)));
  ByHandle_.Clear();
  Topics_.Clear();
}

bool TDDEMLService::RemoveTopic(std::string_view name) {
  TDDEMLTopic* found = FindTopic(name);
  if (!found) return false;
  ++topicRemovals_;
  if (OnTopicRemoving) OnTopicRemoving(*this, *found);
  ByHandle_.Remove(found->Handle(), found);
  Topics_.DeleteObject(Topics_.IndexOf(found));
  return true;
}

TDDEMLItem* TDDEMLService::AddItem(std::string_view topic, std::string_view item) {
  TDDEMLTopic* t = FindOrAddTopic(topic);
  return t ? t->AddItem(item) : nullptr;
}

TDDEMLItem* TDDEMLService::FindItem(std::string_view topic, std::string_view item) const {
  const TDDEMLTopic* t = FindTopic(topic);
  return t ? t->FindItem(item) : nullptr;
}

std::string TDDEMLService::ItemText(std::string_view topic, std::string_view item) const {
  const TDDEMLItem* found = FindItem(topic, item);
  return found ? found->Text() : std::string();
}

platform::HddeData TDDEMLService::ItemDataHandle(std::string_view topic, std::string_view item,
                                                 unsigned format) {
  TDDEMLTopic* t = FindTopic(topic);
  return t ? t->ItemDataHandle(item, format) : 0;
}

void TDDEMLService::AddAdvise(std::string_view topic, std::string_view item, unsigned format) {
  if (TDDEMLTopic* t = FindOrAddTopic(topic)) t->AddAdvise(item, format);
}

void TDDEMLService::SetItemData(std::string_view topic, std::string_view item, unsigned format,
                                platform::HddeData data) {
  if (TDDEMLTopic* t = FindOrAddTopic(topic)) t->SetItemData(item, format, data);
}

void TDDEMLService::SetItemText(std::string_view topic, std::string_view item,
                                std::string_view text) {
  if (TDDEMLTopic* t = FindOrAddTopic(topic)) t->SetItemText(item, text);
}

bool TDDEMLService::IsBusy() const { return SameName(ItemText("System", "Status"), "BUSY"); }

bool TDDEMLService::ReportError(int code, const std::string& text) {
  if (OnServiceError) OnServiceError(*this, code, text);
  return code == 1;
}

void TDDEMLService::ProcTopicAdvise(TDDEMLTopic& topic, TDDEMLItem& item) {
  if (OnTopicAdvise) OnTopicAdvise(*this, topic, item);
}

}  // namespace tickwell
