#include "dde/tables/ddeml_names.h"

#include <iterator>

namespace tickwell {
namespace {

// The DDEML error codes are consecutive from DMLERR_ADVACKTIMEOUT.
constexpr const char* kDmlErrNames[] = {
    "DMLERR_ADVACKTIMEOUT",       "DMLERR_BUSY",
    "DMLERR_DATAACKTIMEOUT",      "DMLERR_DLL_NOT_INITIALIZED",
    "DMLERR_DLL_USAGE",           "DMLERR_EXECACKTIMEOUT",
    "DMLERR_INVALIDPARAMETER",    "DMLERR_LOW_MEMORY",
    "DMLERR_MEMORY_ERROR",        "DMLERR_NOTPROCESSED",
    "DMLERR_NO_CONV_ESTABLISHED", "DMLERR_POKEACKTIMEOUT",
    "DMLERR_POSTMSG_FAILED",      "DMLERR_REENTRANCY",
    "DMLERR_SERVER_DIED",         "DMLERR_SYS_ERROR",
    "DMLERR_UNADVACKTIMEOUT",     "DMLERR_UNFOUND_QUEUE_ID",
};
static_assert(platform::kDmlErrUnfoundQueueId - platform::kDmlErrAdvAckTimeout + 1 ==
              std::size(kDmlErrNames));

struct XTyp {
  unsigned type;
  const char* name;
  TDDEMLTransType kind;
};

constexpr XTyp kXTypes[] = {
    {platform::kXtypAdvStart, "XTYP_ADVSTART", ttAdvStart},
    {platform::kXtypConnect, "XTYP_CONNECT", ttConnect},
    {platform::kXtypAdvReq, "XTYP_ADVREQ", ttAdvReq},
    {platform::kXtypRequest, "XTYP_REQUEST", ttRequest},
    {platform::kXtypWildConnect, "XTYP_WILDCONNECT", ttWildConnect},
    {platform::kXtypAdvData, "XTYP_ADVDATA", ttAdvData},
    {platform::kXtypExecute, "XTYP_EXECUTE", ttExecute},
    {platform::kXtypPoke, "XTYP_POKE", ttPoke},
    {platform::kXtypError, "XTYP_ERROR", ttNone},
    {platform::kXtypAdvStop, "XTYP_ADVSTOP", ttAdvStop},
    {platform::kXtypConnectConfirm, "XTYP_CONNECT_CONFIRM", ttConnectConfirm},
    {platform::kXtypXactComplete, "XTYP_XACT_COMPLET", ttXactComplete},
    {platform::kXtypRegister, "XTYP_REGISTER", ttRegister},
    {platform::kXtypDisconnect, "XTYP_DISCONNECT", ttDisconnect},
    {platform::kXtypUnregister, "XTYP_UNREGISTER", ttUnregister},
    {platform::kXtypMonitor, "XTYP_MONITOR", ttNone},
};

const XTyp* FindXTyp(unsigned type) {
  for (const XTyp& entry : kXTypes)
    if (entry.type == (type & 0xFFFF)) return &entry;
  return nullptr;
}

std::string Unknown(unsigned value) { return "Unknown (" + std::to_string(value & 0xFFFF) + ")"; }

}  // namespace

std::string DdemlErrorCodeName(unsigned code) {
  code &= 0xFFFF;
  if (code >= platform::kDmlErrAdvAckTimeout && code <= platform::kDmlErrUnfoundQueueId)
    return kDmlErrNames[code - platform::kDmlErrAdvAckTimeout];
  return Unknown(code);
}

std::string DdemlErrorName(platform::DdeInstance instance) {
  return DdemlErrorCodeName(platform::DdeGetLastError(instance));
}

std::string XTypName(unsigned type) {
  const XTyp* entry = FindXTyp(type);
  return entry ? entry->name : Unknown(type);
}

TDDEMLTransType TransTypeOfXTyp(unsigned type) {
  const XTyp* entry = FindXTyp(type);
  return entry ? entry->kind : ttNone;
}

}  // namespace tickwell
