// Names of DDEML error codes and transaction types, and the transaction kinds reported to the
// application.
#pragma once

#include <string>

#include "platform/ddeml.h"

namespace tickwell {

// Reads the instance's pending DDEML error (which clears it) and names it: "DMLERR_BUSY", or
// "Unknown (<code>)" for anything else, no error included.
std::string DdemlErrorName(platform::DdeInstance instance);

// The name of one DDEML error code, as DdemlErrorName gives it.
std::string DdemlErrorCodeName(unsigned code);

// "XTYP_CONNECT" and so on, judged by the low 16 bits; "Unknown (<type>)" otherwise.
// XTYP_XACT_COMPLETE is named "XTYP_XACT_COMPLET", as the trace has always shown it.
std::string XTypName(unsigned type);

// The transaction kinds, in their stored order.
enum TDDEMLTransType : unsigned char {
  ttNone,
  ttAdvData,
  ttAdvReq,
  ttAdvStart,
  ttAdvStop,
  ttExecute,
  ttConnect,
  ttConnectConfirm,
  ttXactComplete,
  ttPoke,
  ttRegister,
  ttRequest,
  ttDisconnect,
  ttUnregister,
  ttWildConnect,
};

// The kind of a transaction type; ttNone for a type without one.
TDDEMLTransType TransTypeOfXTyp(unsigned type);

}  // namespace tickwell
