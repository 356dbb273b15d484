// The data transactions a client sends to a published service: requests (the System topic and
// the per-topic information items aside), pokes and executes.
#include "dde/manager/manager.h"
#include "dde/model/names.h"
#include "dde/model/topic.h"
#include "dde/tables/exceptions.h"
#include "dde/tables/format_names.h"
#include "platform/clipboard_format.h"
#include "support/containers.h"

namespace tickwell {
namespace {

constexpr platform::HddeData kAccepted = platform::kDdeFAck;
constexpr platform::HddeData kPokeBusy = platform::kDdeFBusy;
constexpr platform::HddeData kExecuteBusy = platform::kDmlErrBusy;
constexpr platform::HddeData kNotTaken = platform::kDmlErrInvalidParameter;
constexpr platform::HddeData kNotProcessed = platform::kDmlErrNotProcessed;

// Sets an item's post mode for a scope and puts it back to 0 at its end, whatever happens. The
// scope's event handlers may pump messages, and a disconnect or the handler itself may remove
// the item meanwhile, so the item is looked up again by its names at the end.
class PostModeScope {
 public:
  PostModeScope(const TDDEMLManager& manager, TDDEMLService& service, std::string_view topic,
                std::string_view item, std::uint8_t mode)
      : manager_(manager), service_(&service), topic_(topic), item_(item) {
    if (TDDEMLItem* found = service.FindItem(topic, item)) {
      found->PostMode = mode;
      set_ = true;
    }
  }
  ~PostModeScope() {
    if (!set_ || !manager_.HasService(service_)) return;
    if (TDDEMLItem* found = service_->FindItem(topic_, item_)) found->PostMode = pmPostNow;
  }
  PostModeScope(const PostModeScope&) = delete;
  PostModeScope& operator=(const PostModeScope&) = delete;

 private:
  const TDDEMLManager& manager_;
  TDDEMLService* service_;
  std::string_view topic_;
  std::string_view item_;
  bool set_ = false;
};

}  // namespace

TDDEMLConversation* TDDEMLManager::ServingConversation(platform::Hconv hConv) {
  TDDEMLConversation* conv = FindConversationByHandle(hConv);
  if (!conv || !conv->IsServer || !conv->Service || !conv->Topic) return nullptr;
  // A conversation whose service was removed meanwhile serves nothing any more. The service
  // being posted for lives while no name was let go since the post began (freeing it would).
  const bool posting =
      conv->Service == posting_.Service && posting_.NamesLetGo == TDDEMLAtom::NamesLetGo();
  return posting || HasService(conv->Service) ? conv : nullptr;
}

std::string TDDEMLManager::FormatMismatchText(const std::string& Transaction, unsigned Requested,
                                              unsigned Returned) const {
  return Transaction + " - incorrect data format being returned. " + "Client requested " +
         ClipFormatName(Requested) + ", server is returning " + ClipFormatName(Returned);
}

platform::HddeData TDDEMLManager::XTypRequest(platform::Hconv hConv, platform::Hsz Topic,
                                              platform::Hsz Item, std::uint16_t Format) {
  TraceLine("XTypeRequest : ", "Start ....");
  platform::HddeData result = 0;
  if (TDDEMLConversation* conv = ServingConversation(hConv)) {
    TraceLine("XTypeRequest : ", "Valid Conv");
    if (conv->Service->IsBusy()) {
      TraceLine("XTypeRequest : ", "Service Busy");
    } else {
      TraceLine("XTypeRequest : ", "Service not Busy");
      const std::string topic = QueryName(InstanceId, Topic);
      const std::string item = QueryName(InstanceId, Item);
      result = SameName(topic, "System") ? SystemTopicRequest(*conv, item, Format)
                                         : TopicRequest(*conv, topic, item, Format);
    }
  }
  TraceLine("XTypeRequest : ", "End");
  return result;
}

bool TDDEMLManager::ServesFormat(const TDDEMLItem& Item, unsigned Format) {
  const unsigned held = Item.DataFormat();
  if (held == Format) return true;
  // Text is held once and handed out as 8-bit or UTF-16 text, as the client asks.
  const auto text = [](unsigned f) {
    return f == platform::kCfText || f == platform::kCfUnicodeText;
  };
  return text(held) && text(Format);
}

platform::HddeData TDDEMLManager::ItemRequest(TDDEMLConversation& Conv, const std::string& Topic,
                                              const std::string& Item, std::uint16_t Format) {
  TDDEMLService& service = *Conv.Service;
  bool valid = true;
  if (OnRequestReceived) {
    const TDDEMLItem* before = service.FindItem(Topic, Item);
    const std::int32_t user = before ? before->UserHandle : 0;
    // Changes the handler makes are not posted in the middle of the request.
    PostModeScope quiet(*this, service, Topic, Item, pmSuppress);
    OnRequestReceived(*this, service.Name, Topic, Item, user, FormatNumberToType(Format), Format,
                      valid);
  }
  if (!valid) return 0;
  // Looked up after the handler: it may have made the item, or removed it with its topic.
  if (!HasService(&service)) return 0;
  TDDEMLItem* item = service.FindItem(Topic, Item);
  if (!item) return 0;
  platform::HddeData result = 0;
  if (ServesFormat(*item, Format)) {
    result = item->DataHandle(Format, false);
  } else if (FormatConflict == fctException) {
    throw ETarvoError(FormatMismatchText("XTypRequest", Format, item->DataFormat()));
  } else if (FormatConflict == fctIgnore) {
    result = item->DataHandle(0, false);
  }
  if (!StoreServerItemData) item->ClearData();
  return result;
}

platform::HddeData TDDEMLManager::XTypPoke(platform::Hconv hConv, platform::Hsz, platform::Hsz Item,
                                           std::uint16_t Format, platform::HddeData Data) {
  TraceLine("XTypPoke - Start  ....");
  if (!AcceptPokes) {
    // A server whose values come from elsewhere lets no client change them.
    TraceLine("XTypPoke - Pokes not accepted");
    TraceLine("XTypPoke - End");
    return kNotProcessed;
  }
  platform::HddeData result = kNotTaken;
  TDDEMLConversation* conv = ServingConversation(hConv);
  const std::string itemName = QueryName(InstanceId, Item);
  if (conv && conv->Service->IsBusy()) {
    TraceLine("XTypPoke - Server busy");
    result = kPokeBusy;
  } else if (conv && !itemName.empty()) {
    TDDEMLService& service = *conv->Service;
    // Stored under the conversation's own topic; the handler may end the conversation.
    const std::string topic = conv->GetTopicName();
    // Advises the new data causes are posted after this transaction has returned.
    PostModeScope deferred(*this, service, topic, itemName, pmDefer);
    service.SetItemData(topic, itemName, Format, Data);
    if (OnPokeReceived) {
      TraceLine("XTypPoke - Calling OnPokeReceived");
      bool allow = true;
      const TDDEMLItem* item = service.FindItem(topic, itemName);
      OnPokeReceived(*this, service.Name, topic, itemName, item ? item->UserHandle : 0, allow);
      if (allow) result = kAccepted;
    }
  }
  TraceLine("XTypPoke - End");
  return result;
}

platform::HddeData TDDEMLManager::XTypExecute(platform::Hconv hConv, platform::Hsz, std::uint16_t,
                                              platform::HddeData Data) {
  platform::HddeData result = kNotTaken;
  TraceLine("XTypExecute function - start");
  TDDEMLConversation* conv = ServingConversation(hConv);
  if (!conv) {
    SetError(-30, "ConvObj not found with this handle");
  } else if (conv->Service->IsBusy()) {
    TraceLine("XTypExecute function - server busy");
    result = kExecuteBusy;
  } else {
    result = ExecuteCommands(*conv, Data);
  }
  TraceLine("XTypExecute function - End");
  return result;
}

platform::HddeData TDDEMLManager::ExecuteCommands(TDDEMLConversation& Conv,
                                                  platform::HddeData Data) {
  platform::HddeData result = kNotProcessed;
  bool proceed = true;
  const std::string service = Conv.Service->Name;
  const std::string topic = Conv.GetTopicName();
  // The command is read as text whatever format the client named.
  TDDEMLRWData command;
  command.SetFromHandle(1, Data);
  const std::string text = command.GetText();
  if (OnRawExecuteReceived) {
    proceed = false;
    bool succeed = true;
    if (!text.empty()) {
      OnRawExecuteReceived(*this, service, topic, text.c_str(),
                           static_cast<std::uint16_t>(command.GetDataSize() & 0xFFFF), succeed,
                           proceed);
      if (succeed) result = kAccepted;
    }
  }
  if (!proceed || !OnExecuteReceived || text.empty()) return result;
  TObjectContainer parsed;
  if (!ExecCmds_->ValidCmdLine(text, &parsed)) return result;
  bool succeed = true;
  std::string refused;
  std::vector<std::string> params(kParamArraySize);
  for (int i = 0; i < parsed.Count() && succeed; ++i) {
    const auto* cmd = parsed.ObjectAs<TDDEMLParsedCmd>(i);
    const int count = cmd->ParamCount();
    // More parameters than the array holds: refused rather than cut.
    if (count > kParamArraySize) {
      succeed = false;
    } else {
      for (int p = 0; p < count; ++p) params[p] = cmd->Param(p);
      OnExecuteReceived(*this, service, topic, cmd->CmdName, params, count, succeed);
    }
    if (!succeed) refused = cmd->CmdName;
  }
  if (succeed) return kAccepted;
  SetError(-34, service + "/" + topic + " : Cmd = " + refused);
  return kNotProcessed;
}

}  // namespace tickwell
