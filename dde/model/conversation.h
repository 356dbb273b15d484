// One DDE conversation the manager takes part in. On the serving side it points at one of the
// manager's services and that service's topic; in the client role it owns its service and topic
// objects, stops the advise links it holds when it ends, and can be reconnected.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dde/model/service.h"

namespace tickwell {

class TDDEMLConversation : public TObject {
 public:
  TDDEMLConversation() { InitFields(); }
  ~TDDEMLConversation() override { FreeFields(); }
  TDDEMLConversation(const TDDEMLConversation&) = delete;
  TDDEMLConversation& operator=(const TDDEMLConversation&) = delete;

  platform::Hconv GetConvHandle() const { return ConvHandle; }
  void SetHandle(platform::Hconv handle);
  // The DDE system ended the conversation; the old handle stays for Reconnect and lookups.
  void ClearHandle() { HasHandle = false; }
  // TIMEOUT_ASYNC for an asynchronous conversation.
  std::uint32_t GetTimeOut() const;
  TDDEMLService* GetService() const { return Service; }
  std::string GetServiceName() const;
  std::string GetServerServiceName() const;
  std::string GetTopicName() const;
  bool TopicNamed(std::string_view topic) const;
  bool MatchesNames(std::string_view service, std::string_view topic) const;
  bool MatchesServerNames(std::string_view service, std::string_view topic) const;
  bool IsTopicHandle(platform::Hsz handle) const;

  // What DDEML knows of one asynchronous transaction of this conversation.
  bool QueryTransaction(std::uint32_t transId, std::string& itemName, unsigned& status,
                        unsigned& state, unsigned& lastError) const;
  // Pending transactions of the topic's items whose conversation state is state.
  int CountAdviseTransactions(unsigned state, std::string& firstItem) const;

  bool ReportError(int code, const std::string& text);
  // Stops the client's advise links and disconnects, when DDEML still knows the conversation;
  // true only when the disconnect was made. Error -17 when it fails.
  bool EndConversation();
  // Error -19 when the advise stop transaction fails.
  bool StopAdvise(std::string_view itemName);
  void StopAllAdvises();
  bool Reconnect();

  bool HasHandle;
  std::uint16_t DefaultFormat;
  std::uint16_t SyncMode;  // 0 asynchronous, 1 synchronous
  platform::Hconv ConvHandle;
  platform::DdeInstance InstanceId;
  std::uint32_t ConversationId;
  bool InAdviseData;
  bool IsServer;
  bool KeepUnknownItems;
  TDDEMLService* ClientService;  // owned
  TDDEMLService* Service;        // the manager's
  std::uint32_t TimeOut;
  TDDEMLTopic* Topic;  // owned unless Service is set
  bool UseBusy;
  // On the serving side, the advise links DDEML holds for this conversation: one per item and
  // format. DDEML ends them with the conversation without a stop for each, so they are let go
  // from here when it ends.
  struct TServerLink {
    std::string Item;
    std::uint16_t Format;
  };
  std::vector<TServerLink> ServerLinks;
  // False when the link is held already (a repeated start changes nothing in DDEML).
  bool AddServerLink(std::string_view item, std::uint16_t format);
  // Lets go of the link in that format, or, when it holds none in that format (Wine names none),
  // of its first link on the item; false when it holds no link on the item.
  bool RemoveServerLink(std::string_view item, std::uint16_t format);
  TDDEMLErrorHook OnConvError;
  std::function<void(TDDEMLConversation& sender, const std::string& item, std::int32_t userHandle,
                     unsigned format, std::uint32_t size)>
      OnHotLink;
  std::function<void(TDDEMLConversation& sender, const std::string& item, bool& accept)>
      OnUnknownAdvise;
  std::function<void(TDDEMLConversation& sender, const std::string& item, std::int32_t userHandle)>
      OnWarmLink;

 private:
  void InitFields();
  void FreeFields();
};

}  // namespace tickwell
