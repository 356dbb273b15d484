#include "dde/tables/error_codes.h"

#include <iterator>

namespace tickwell {
namespace {

// Texts of codes 0 down to -46, indexed by -code. The spelling is what clients and stored logs
// have always seen, slips included.
constexpr const char* kNegativeTexts[] = {
    "False",
    "DDE server detected a null service string in XTyp_Connect action",
    "DDE server detected a null topic string in XTyp_Connect action",
    "DDE server detected unknown service string in XTYP_CONNECT action",
    "DDE Mngr failed to create call proc - error within makeProcInstance",
    "DDE Mngr has NULL scope setting",
    "DDE DdeInitialize function failed",
    "DDE DdeUninitialize function failed",
    "This instance of dde manager has already been initialized",
    "Attempt to register service with DDeNameService failed",
    "The RegisterAll method was called when all services are disabled",
    "Service Register method called for an already registered service",
    "An Unregister service method called for a service not registered",
    "Invalid parameters passed to conversation related method",
    "StartConversation called on an already connected conversation",
    "Unknown system error caused by StartConversation method",
    "ddeConnect function failed to connect",
    "DdeDisconnect function failed",
    "Unable to start server app",
    "Request transaction failed",
    "Server count using connectlist failed",
    "DdeQueryConInfo error",
    "DisconnectList error",
    "Invalid combination of POKE parameters",
    "POKE transaction failed",
    "EXECUTE transaction failed",
    "Start advise failed",
    "Request trans called as part of warm advise link failed",
    "Server has rejected a conversation request with this topic",
    "Error encountered whilst trying to create service conversation object",
    "Cannot find conversation object on mngr list",
    "DdePostAdvise function failed",
    "DdeEnableCallBack function failed",
    "Ddesetuserhandle function failed",
    "Error encountered by server processing exec cmd",
    "Advise start transaction not allowed",
    "XType_Error related problem",
    "Copy to clipboard failed",
    "Server related method called by Tarvo component only set for CLIENT scope",
    "Client related method called by Tarvo component only set for SERVER scope",
    "Item has transactiosn left to complete",
    "Re-entrancy problem : cannot start a new transaction until procesing on the current is "
    "completed",
    "Net DDE Shares stored in component do no match shares installed on client PC",
    "Net DDE service not available",
    "NetDDE method called when the NetworkDDE property is set to FALSE",
    "Poke method aborted : NULL data",
    "Asynchronous Request failed - server returned NULL data",
};

constexpr int kLowestCode = -static_cast<int>(std::size(kNegativeTexts) - 1);

}  // namespace

std::string ManagerErrorText(int code) {
  if (code == 1) return "Ok";
  if (code <= 0 && code >= kLowestCode) return kNegativeTexts[-code];
  return "Unknown (" + std::to_string(code) + ")";
}

}  // namespace tickwell
