// The client side of the callback: completions of the asynchronous transactions a conversation
// issued, and advise data for the links it holds. Only conversations in the client role take
// part; the program's own conversations serve.
#include "dde/manager/advise_data.h"
#include "dde/manager/manager.h"
#include "dde/model/names.h"
#include "dde/model/topic.h"
#include "dde/tables/ddeml_names.h"

namespace tickwell {

void TDDEMLManager::XTypXactComplete(platform::Hconv hConv, platform::Hsz Topic,
                                     platform::Hsz Item, std::uint16_t Format,
                                     platform::HddeData Data, std::uint32_t TransId) {
  TraceLine("XTypeXActComplete : Start ....");
  TDDEMLConversation* conv = FindConversationByHandle(hConv);
  if (conv && conv->IsTopicHandle(Topic)) {
    const std::string service = conv->GetServiceName();
    const std::string topic = conv->GetTopicName();
    TraceLine("XTypeXActComplete : Conv Found :", conv->GetServerServiceName(), "/", topic);
    const std::string name = QueryName(InstanceId, Item);
    // Event handlers may end the conversation: after each one the item is looked up afresh.
    auto still = [&]() -> TDDEMLItem* {
      for (int i = 0; i < ConversationCount(); ++i) {
        TDDEMLConversation* c = Conversation(i);
        if (c == conv && c->ConvHandle == hConv && c->Topic) return c->Topic->FindItem(name);
      }
      return nullptr;
    };
    std::uint16_t recorded = 0;
    if (conv->Topic->TransactionType(name, TransId, recorded)) {
      TraceLine("XTypeXActComplete : Item/Transaction Found = ", name);
      TDDEMLItem* item = conv->Topic->FindOrAddItem(name);
      const std::int32_t user = item->UserHandle;
      const unsigned type = recorded & ~(platform::kXtypfNoData | platform::kXtypfAckReq);
      const TDDEMLTransType transType = TransTypeOfXTyp(type);
      const auto id = static_cast<std::int32_t>(TransId);
      bool settled = true;
      if (type == platform::kXtypRequest) {
        TraceLine("XTypeXActComplete : Transaction = XTYP_REQUEST");
        if (Data != 0) {
          item->SetData(Format, Data);
          const std::uint16_t number = item->DataFormat();
          if (OnRequestResponse)
            OnRequestResponse(*this, static_cast<std::int32_t>(conv->ConversationId), service,
                              topic, name, user, id, FormatNumberToType(number), number,
                              static_cast<std::int32_t>(item->DataSize()));
          if (!RetainClientItemData)
            if (TDDEMLItem* left = still()) left->ClearData();
        } else {
          item->ClearData();
          SetError(-46, "[" + service + "]/[" + topic + "]/[" + name + "]");
          if (OnAsyncResponse) OnAsyncResponse(*this, service, topic, name, user, transType, id, false);
        }
      } else if (type == platform::kXtypPoke || type == platform::kXtypExecute) {
        TraceLine(type == platform::kXtypPoke ? "XTypeXActComplete : Transaction = XTYP_POKE"
                                              : "XTypeXActComplete : Transaction = XTYP_EXECUTE");
        if (OnAsyncResponse)
          OnAsyncResponse(*this, service, topic, name, user, transType, id, Data != 0);
      } else {
        settled = false;  // the advise stop, or any other: only the record goes
      }
      TraceLine("XTypeXActComplete : Remove Item Transaction");
      if (TDDEMLItem* left = still()) {
        left->RemoveTransaction(TransId);
        if (settled && !RetainClientItems && left->TransactionCount() == 0)
          conv->Topic->DeleteItem(left);
      }
    } else if (OnUnknownCompleteResponse) {
      OnUnknownCompleteResponse(*this, service, topic, name, static_cast<std::int32_t>(TransId));
    }
  }
  TraceLine("XTypeXActComplete : End");
}

platform::HddeData TDDEMLManager::XTypAdvData(platform::Hconv hConv, platform::Hsz Topic,
                                              platform::Hsz Item, std::uint16_t Format,
                                              platform::HddeData Data) {
  TraceLine("XTypeAdvData - start ....");
  platform::HddeData result = platform::kDdeFNotProcessed;
  // Advise data never belongs to a serving conversation: its items are the ones published.
  TDDEMLConversation* conv = FindConversationByHandle(hConv);
  if (conv && !conv->IsServer) result = AdviseData(*conv, Topic, Item, Data, Format);
  TraceLine("XTypeAdvData - End");
  return result;
}

}  // namespace tickwell
