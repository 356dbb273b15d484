// Server advise loops: links accepted and recorded on their items, changed items posted to
// DDEML at once or through the posting window, the data collected for each link, links stopped.
#include "dde/diagnostics/failed_call.h"
#include "dde/manager/manager.h"
#include "dde/model/names.h"
#include "dde/model/topic.h"
#include "dde/tables/exceptions.h"
#include "platform/clipboard_format.h"

namespace tickwell {
namespace {

constexpr const char* kServiceTag = "TDDEMLService";

}  // namespace

bool TDDEMLManager::XTypAdvStart(platform::Hconv hConv, std::uint16_t Format, platform::Hsz Item) {
  TraceLine("XTypAdvStart : ", "Start");
  bool result = false;
  const std::uint16_t linkFormat = Format;  // DDEML's link is in the format asked for
  if (TDDEMLConversation* conv = ServingConversation(hConv)) {
    TraceLine("XTypAdvStart : ", "Conv Found");
    TDDEMLService& service = *conv->Service;
    const std::string topic = conv->GetTopicName();
    const std::string item = QueryName(InstanceId, Item);
    if (service.IsBusy()) {
      TraceLine("XTypAdvStart : ", "Service Busy");
    } else if (!item.empty() && OnAdviseStartReceived) {
      // Unnamed formats beyond the standard ones (CF_UNICODETEXT among them) are kept as text.
      if (Format > 12 && platform::ClipboardFormatName(Format).empty()) Format = 1;
      TraceLine("XTypAdvStart : ", "Calling OnAdviseStartReceived");
      const TDDEMLItem* existing = service.FindItem(topic, item);
      bool allow = false;
      OnAdviseStartReceived(*this, service.Name, topic, item, existing ? existing->UserHandle : 0,
                            FormatNumberToType(Format), Format, allow);
      if (!allow) {
        SetError(-35, service.Name + "/" + topic + "/" + item);
      } else {
        TraceLine("XTypAdvStart : ", "Set Item Advise Link");
        // A repeated start of a link the conversation holds makes no second link in DDEML.
        if (conv->AddServerLink(item, linkFormat))
          service.AddAdvise(topic, item, Format);
        else if (TDDEMLItem* linked = service.FindItem(topic, item))
          linked->AdviseFormat = Format;
        result = true;
      }
    }
  }
  TraceLine("XTypAdvStart : ", "End");
  return result;
}

void TDDEMLManager::ProcTopicAdvise(TDDEMLService& service, TDDEMLTopic& topic,
                                    TDDEMLItem& changed) {
  // The topic/item text is read back from DDEML only when a trace line or an error needs it, by
  // the handles: a client answering the post in this thread may have removed the item meanwhile.
  const bool tracing = DebugActive();
  const platform::Hsz topicName = topic.Handle(), itemName = changed.Handle();
  const auto where = [&] {
    return QueryName(InstanceId, topicName) + "/" + QueryName(InstanceId, itemName);
  };
  if (tracing) {
    TraceNamed(kServiceTag, "ProcTopicAdvise - Start");
    TraceNamed(kServiceTag, "ProcTopicAdvise - Pre DdePostAdvise : ", where());
  }
  if (!Initialized() && changed.PostMode == pmPostNow) {
    // No instance to post with: the post fails as DDEML fails a call made without one.
    TraceFailedCall("DdePostAdvise", platform::kDmlErrDllNotInitialized);
    const std::string names = topic.ReadName() + "/" + changed.ReadName();
    service.ReportError(-31, names);
    if (tracing)
      TraceNamed(kServiceTag, "ProcTopicAdvise - Pre DdePostAdvise : ", names, " - FAILED!");
  } else if (Initialized()) {
    if (changed.PostMode == pmPostNow) {
      // Each post starts without a shared handle, so none made for an older value is handed on.
      changed.Data.FreeDataHandle();
      ++advise_posts_;
      // Posts may nest (a client answering in this thread may change another value): each
      // restores the one it found.
      const TPosting outer = posting_;
      const std::uint64_t names = TDDEMLAtom::NamesLetGo();
      posting_ = {&service, topicName, itemName, &changed, names};
      const bool posted = platform::DdePostAdvise(InstanceId, topicName, itemName);
      posting_ = outer;
      // Every request of the post was answered inside it: a handle shared to the last is done.
      // The item is touched only while no object has ended since (one answering in this thread
      // may have removed it); otherwise, if it lives, it frees the handle at its next change.
      if (ShareLastAdviseHandle && names == TDDEMLAtom::NamesLetGo()) changed.Data.FreeDataHandle();
      if (!posted) {
        TraceFailedDdeCall("DdePostAdvise", InstanceId);
        service.ReportError(-31, where());
        if (tracing)
          TraceNamed(kServiceTag, "ProcTopicAdvise - Pre DdePostAdvise : ", where(), " - FAILED!");
      }
    } else if (changed.PostMode == pmDefer) {
      if (tracing) TraceNamed(kServiceTag, "ProcTopicAdvise - pre queuePostAdvise : ", where());
      queuePostAdvise(&service, topicName, itemName);
      if (tracing) TraceNamed(kServiceTag, "ProcTopicAdvise - post queuePostAdvise : ", where());
    }
  }
  if (tracing) TraceNamed(kServiceTag, "ProcTopicAdvise - End");
}

TDDEMLItem* TDDEMLManager::PostedItem(const TDDEMLService* service, platform::Hsz topic,
                                      platform::Hsz item) const {
  const bool same = posting_.Changed && posting_.Service == service && posting_.Topic == topic &&
                    posting_.Item == item && posting_.NamesLetGo == TDDEMLAtom::NamesLetGo();
  return same ? posting_.Changed : nullptr;
}

void TDDEMLManager::DoQueuedPostAdvise(TDDEMLPostingWindow&, TDDEMLService* Service,
                                       platform::Hsz Topic, platform::Hsz Item) {
  // A service removed since the posting was queued is not ours to post for any more; neither is
  // one of a stopped instance.
  if (!Service || !HasService(Service) || !Initialized()) return;
  TraceNamed(kServiceTag, "PostAdvise(atoms) - Calling DdePostAdvise");
  ++advise_posts_;
  const bool posted = platform::DdePostAdvise(InstanceId, Topic, Item);
  if (!posted) TraceFailedDdeCall("DdePostAdvise", InstanceId);
  TraceNamed(kServiceTag, posted ? "PostAdvise(atoms) - OK" : "PostAdvise(atoms) - failed");
}

platform::HddeData TDDEMLManager::XTypAdvReq(platform::Hconv hConv, platform::Hsz Topic,
                                             std::uint16_t Format, std::uint16_t Count,
                                             platform::Hsz Item) {
  // Asked once per link and post: the trace lines are built only while tracing.
  const bool tracing = DebugActive();
  if (tracing) TraceLine("AdvReqCount Lo word = ", Count);
  if (tracing) TraceLine("XTypeAdvReq - Start");
  TDDEMLConversation* conv = ServingConversation(hConv);
  if (!conv) return 0;
  if (tracing) TraceLine("AdvReqCount - AConvObj found");
  // A change made in another service of the same topic and item names: this link keeps what it
  // has.
  if (PostOwnServiceOnly && posting_.Changed && posting_.Topic == Topic && posting_.Item == Item &&
      posting_.Service != conv->Service) {
    if (tracing) TraceLine("XTypeAdvReq - Another service's change");
    return 0;
  }
  // Found by the handles DDEML passes, which name the topic and item as they were made; by the
  // names read back only when that finds nothing.
  // Mostly the conversation's own topic, which it keeps while the topic lasts.
  TDDEMLItem* item = PostedItem(conv->Service, Topic, Item);
  if (!item) {
    const TDDEMLTopic* topic = conv->Topic && conv->Topic->Handle() == Topic
                                   ? conv->Topic
                                   : conv->Service->FindTopicByHandle(Topic);
    item = topic ? topic->FindItemByHandle(Item) : nullptr;
  }
  if (!item)
    item = conv->Service->FindItem(QueryName(InstanceId, Topic), QueryName(InstanceId, Item));
  if (!item) return 0;
  if (item->AdviseFormat != 0 && item->AdviseFormat != item->DataFormat()) {
    if (FormatConflict == fctException)
      throw ETarvoError(FormatMismatchText("XTypAdvReq", item->AdviseFormat, item->DataFormat()));
    if (FormatConflict == fctNullResponse) return 0;
  }
  if (tracing) TraceLine("XTypeAdvReq - Returning Item Dde Data Handle");
  platform::HddeData result = 0;
  // A late acknowledgement's request (CADV_LATEACK) comes outside any post and no request
  // follows it: it is answered like the last one, so no shared handle is left that nobody frees.
  // With ShareLastAdviseHandle the last request of a post shares the handle too; the post frees
  // it when it returns.
  const bool last = Count == 0 || Count == platform::kCadvLateAck;
  platform::HddeData shared = 0;
  if (item->OwnedHandle(shared) && shared != 0 && Format == item->AdviseFormat &&
      (!last || (Count == 0 && ShareLastAdviseHandle))) {
    if (tracing) TraceLine("XTypeAdvReq - Returning Prev owned DataH");
    result = shared;
  } else if (last) {
    if (tracing) TraceLine("XTypeAdvReq - Returning unowned DataH");
    item->Data.FreeDataHandle();
    result = item->DataHandle(Format, false);
  } else if (Format != item->AdviseFormat && item->AdviseFormat != 0) {
    // A link in another format than the latest start's (text and UTF-16 links on one item): the
    // shared handle holds the other format, so this link gets a handle of its own.
    if (tracing) TraceLine("XTypeAdvReq - Returning unowned DataH");
    result = item->DataHandle(Format, false);
  } else {
    if (tracing) TraceLine("XTypeAdvReq - Returning New owned DataH");
    result = item->DataHandle(Format, true);
  }
  if (!StoreServerItemData) item->ClearData();
  if (tracing) TraceLine("XTypeAdvReq - Result = ", static_cast<std::uint64_t>(result));
  if (tracing) TraceLine("XTypeAdvReq - End");
  return result;
}

void TDDEMLManager::XTypAdvStop(platform::Hconv hConv, std::uint16_t Format, platform::Hsz Item) {
  TraceLine("XTypeAdvStop - Start  ....");
  TDDEMLConversation* conv = ServingConversation(hConv);
  const std::string name = QueryName(InstanceId, Item);
  TDDEMLItem* item =
      conv && !name.empty() ? conv->Service->FindItem(conv->GetTopicName(), name) : nullptr;
  if (item) {
    if (conv->RemoveServerLink(name, Format)) item->RemoveAdviseLink();
    if (item->LinkState == lsNone && OnAdviseStopReceived) {
      TraceLine("XTypeAdvStop - calling OnAdviseStopReceived");
      OnAdviseStopReceived(*this, conv->Service->Name, conv->GetTopicName(), name,
                           item->UserHandle);
    }
  }
  TraceLine("XTypeAdvStop - End");
}

std::vector<TDDEMLManager::TEndedLink> TDDEMLManager::EndServerLinks(TDDEMLConversation& Conv) {
  std::vector<TEndedLink> ended;
  if (!Conv.IsServer || Conv.ServerLinks.empty()) return ended;
  // A topic the application removed took its items and their links with it.
  if (Conv.Topic != nullptr && Conv.Service != nullptr) {
    for (const TDDEMLConversation::TServerLink& link : Conv.ServerLinks) {
      TDDEMLItem* item = Conv.Topic->FindItem(link.Item);
      if (!item || item->LinkState != lsServer) continue;
      item->RemoveAdviseLink();
      if (item->LinkState == lsNone)
        ended.push_back({Conv.Service->Name, Conv.GetTopicName(), link.Item, item->UserHandle});
    }
  }
  Conv.ServerLinks.clear();
  return ended;
}

void TDDEMLManager::ReportEndedLinks(const std::vector<TEndedLink>& Ended) {
  for (const TEndedLink& link : Ended) {
    if (!OnAdviseStopReceived) return;
    TraceLine("XTypeAdvStop - calling OnAdviseStopReceived");
    OnAdviseStopReceived(*this, link.Service, link.Topic, link.Item, link.UserHandle);
  }
}

}  // namespace tickwell
