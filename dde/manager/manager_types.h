// The manager's enumerations, option sets and event types.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "dde/model/rw_data.h"
#include "dde/tables/ddeml_names.h"

namespace tickwell {

class TDDEMLManager;

enum TDDEMLScopeType : unsigned char { ddeNone, ddeClientOnly, ddeServerOnly, ddeClientAndServer };
enum TDDEMLCommType : unsigned char { dcASync, dcSync };
enum TDDEMLFormatConflictType : unsigned char { fctException, fctIgnore, fctNullResponse };

enum TDDEMLFailType : unsigned char {
  cbfFailSelfConnections,
  cbfFailConnections,
  cbfFailAdvises,
  cbfFailExecutes,
  cbfFailPokes,
  cbfFailRequests,
  cbfFailAllSvrXActions,
};
enum TDDEMLSkipType : unsigned char {
  cbfSkipConnectConfirms,
  cbfSkipRegistrations,
  cbfSkipUnregistrations,
  cbfSkipDisconnects,
  cbfSkipAllNotifications,
};

// A set of enumeration values, one bit per ordinal.
template <typename E>
class TEnumSet {
 public:
  TEnumSet() = default;
  TEnumSet(std::initializer_list<E> values) {
    for (E v : values) Include(v);
  }
  void Include(E v) { bits_ |= 1u << v; }
  void Exclude(E v) { bits_ &= ~(1u << v); }
  bool Contains(E v) const { return (bits_ >> v) & 1u; }
  bool Empty() const { return bits_ == 0; }
  bool operator==(const TEnumSet&) const = default;

 private:
  std::uint32_t bits_ = 0;
};
using TDDEMLFailTypeSet = TEnumSet<TDDEMLFailType>;
using TDDEMLSkipTypeSet = TEnumSet<TDDEMLSkipType>;

// The DdeInitialize flags the sets stand for.
std::uint32_t FailOptionsMask(const TDDEMLFailTypeSet& set);
std::uint32_t SkipOptionsMask(const TDDEMLSkipTypeSet& set);

// The key of a conversation lookup: an id (kind 0) or a service and a topic name (kind 1).
using TConversationKey = std::variant<std::int64_t, std::pair<std::string, std::string>>;

// The entries handed to OnExecuteReceived as a command's parameters.
constexpr int kParamArraySize = 21;

// Events; the manager is always the sender.
using TDDEMLAdvStartEvent = std::function<void(
    TDDEMLManager& Sender, const std::string& AServiceName, const std::string& ATopicName,
    const std::string& AnItemName, std::int32_t AnItemUserHandle, TDDEMLClipFmtType AFormatType,
    std::uint16_t AFormatNumber, bool& Allow)>;
using TDDEMLSTIEvent = std::function<void(
    TDDEMLManager& Sender, const std::string& AServerName, const std::string& ATopicName,
    const std::string& AnItemName, std::int32_t AnItemUserHandle)>;
using TDDEMLAsyncResponseEvent = std::function<void(
    TDDEMLManager& Sender, const std::string& AServiceName, const std::string& ATopicName,
    const std::string& AnItemName, std::int32_t AnItemUserHandle, TDDEMLTransType ATransType,
    std::int32_t ATransHandle, bool Success)>;
using TDDEMLSTEvent = std::function<void(TDDEMLManager& Sender, const std::string& AServerName,
                                         const std::string& ATopicName)>;
using TDDEMLSEvent = std::function<void(TDDEMLManager& Sender, const std::string& AServerName)>;
using TDDEMLErrorEvent =
    std::function<void(TDDEMLManager& Sender, std::int32_t AMngrError, const std::string& AMsg)>;
using TDDEMLExecuteEvent = std::function<void(
    TDDEMLManager& Sender, const std::string& AServerName, const std::string& ATopicName,
    const std::string& ACmdName, const std::vector<std::string>& ACmdParams,
    std::int32_t AParamCount, bool& Succeed)>;
using TDDEMLRawExecuteEvent = std::function<void(
    TDDEMLManager& Sender, const std::string& AServerName, const std::string& ATopicName,
    const char* ACmdBuffer, std::uint16_t ACmdLen, bool& Succeed, bool& Proceed)>;
using TDDEMLDataResponseEvent = std::function<void(
    TDDEMLManager& Sender, std::int32_t AConvHandle, const std::string& AServerName,
    const std::string& ATopicName, const std::string& AnItemName, std::int32_t AnItemUserHandle,
    std::int32_t ATransH, TDDEMLClipFmtType AFormatType, std::uint16_t AFormatNumber,
    std::int32_t ADataLen)>;
using TDDEMLSTIAEvent = std::function<void(
    TDDEMLManager& Sender, const std::string& AServerName, const std::string& ATopicName,
    const std::string& AnItemName, std::int32_t AnItemUserHandle, bool& Allow)>;
using TDDEMLReqReceivedEvent = std::function<void(
    TDDEMLManager& Sender, const std::string& AServiceName, const std::string& ATopicName,
    const std::string& AnItemName, std::int32_t AnItemUserHandle, TDDEMLClipFmtType AFormatType,
    std::uint16_t AFormatNumber, bool& ValidItem)>;
using TDDEMLServerDisconnectingEvent =
    std::function<void(TDDEMLManager& Sender, const std::string& AServerName,
                       const std::string& ATopicName, bool& Restart)>;
using TDDEMLServiceRegEvent =
    std::function<void(TDDEMLManager& Sender, const std::string& ABaseServiceName,
                       const std::string& AnInstServiceName)>;
using TDDEMLTopicClosedEvent =
    std::function<void(TDDEMLManager& Sender, const std::string& AServerName,
                       const std::string& ATopicName, bool& aRetainTopic)>;
using TDDEMLConnectRequestEvent =
    std::function<void(TDDEMLManager& Sender, const std::string& AServiceName,
                       const std::string& ATopicName, bool& Allow)>;
using TDDEMLUnknownAdviseEvent =
    std::function<void(TDDEMLManager& Sender, const std::string& AServerName,
                       const std::string& ATopicName, const std::string& AnItemName, bool& Accept)>;
using TDDEMLUnknownCompleteEvent = std::function<void(
    TDDEMLManager& Sender, const std::string& AServerName, const std::string& ATopicName,
    const std::string& AnItemName, std::int32_t ATransId)>;

}  // namespace tickwell
