#include "dde/manager/advise_data.h"

#include <exception>

#include "dde/diagnostics/trace_named.h"
#include "dde/model/names.h"
#include "dde/model/topic.h"

namespace tickwell {
namespace {

constexpr const char* kTag = "TDDEMLConversation";

platform::HddeData TakeAdviseData(TDDEMLConversation& conv, platform::Hsz topic,
                                  platform::Hsz itemHandle, platform::HddeData data,
                                  unsigned format) {
  if (!conv.IsTopicHandle(topic)) return platform::kDdeFNotProcessed;
  std::string name = QueryName(conv.InstanceId, itemHandle);
  // Some servers leave the item out of the data of a link just started: it belongs to the one
  // advise start still waiting for its answer, when there is exactly one.
  if (name.empty()) {
    std::string waiting;
    if (conv.CountAdviseTransactions(platform::kXstAdvSent, waiting) == 1) name = waiting;
  }
  if (TDDEMLItem* item = conv.Topic->FindItem(name)) {
    if (data != 0)
      item->SetData(format, data);
    else if (item->IsHotLink())
      item->ClearData();
    const std::int32_t user = item->UserHandle;
    if (item->IsHotLink()) {
      TraceNamed(kTag, "XTypeAdvData - Calling OnHotLinkResponse");
      const unsigned dataFormat = item->DataFormat();
      const std::uint32_t size = item->DataSize();
      if (conv.OnHotLink) conv.OnHotLink(conv, name, user, dataFormat, size);
    } else if (conv.OnWarmLink) {
      conv.OnWarmLink(conv, name, user);
    }
    return platform::kDdeFAck;
  }
  if (data != 0) {
    if (TDDEMLItem* made = conv.Topic->AddItem(name)) made->SetData(format, data);
  }
  bool accept = false;
  if (conv.OnUnknownAdvise) conv.OnUnknownAdvise(conv, name, accept);
  // Only the item of that name goes: an unnamed item is not every item of the topic.
  if (!conv.KeepUnknownItems && conv.Topic) {
    if (TDDEMLItem* made = conv.Topic->FindItem(name)) conv.Topic->DeleteItem(made);
  }
  return accept ? platform::kDdeFAck : platform::kDdeFNotProcessed;
}

}  // namespace

platform::HddeData AdviseData(TDDEMLConversation& Conv, platform::Hsz Topic, platform::Hsz Item,
                              platform::HddeData Data, unsigned Format) {
  if (Conv.InAdviseData && Conv.UseBusy) return platform::kDdeFBusy;
  // A nested call (a hook that pumps messages) leaves the flag as the outer call set it.
  struct Busy {
    TDDEMLConversation& conv;
    bool before;
    ~Busy() { conv.InAdviseData = before; }
  } busy{Conv, Conv.InAdviseData};
  Conv.InAdviseData = true;
  try {
    return TakeAdviseData(Conv, Topic, Item, Data, Format);
  } catch (const std::exception& e) {
    TraceNamed(kTag, "XTypeAdvData - not processed: ", e.what());
  } catch (...) {
    TraceNamed(kTag, "XTypeAdvData - not processed");
  }
  return platform::kDdeFNotProcessed;
}

}  // namespace tickwell
