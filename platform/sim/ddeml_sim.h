// What tests can see and steer in the model's DDEML.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "platform/ddeml.h"

namespace platform::sim {

// Called with the name of each DDEML call ("DdeConnect", "DdeCreateStringHandle", ...); a
// non-zero result makes that call fail with that DMLERR_ code (the instance's last error), as
// the system's call would. Empty: nothing fails. DMLERR_LOW_MEMORY also reaches the instance's
// callback later as XTYP_ERROR (dwData1's low word), the library's one report of that error.
using DdeFault = std::function<unsigned(const char* call)>;
void SetDdeFault(DdeFault fault);

// A counted fault: the calls named `call` fail with `error`, `count` times, after `skip`
// successful ones. Replaces any fault set before.
void FailDdeCall(const std::string& call, unsigned error, int count = 1, int skip = 0);

// The same with the instance each call is made for (for DdeInitialize: 0) and whether that
// instance is, or asks to be, a client only (APPCMD_CLIENTONLY), so that a test can fail the
// calls of one side of a conversation. Set, it is asked before the hook above.
using DdeInstanceFault =
    std::function<unsigned(const char* call, DdeInstance instance, bool client_only)>;
void SetDdeInstanceFault(DdeInstanceFault fault);

// Live handles in the whole model: string handles (also those the library holds itself),
// data handles, conversations. For leak checks.
std::size_t DdeStringHandleCount();
std::size_t DdeDataHandleCount();
std::size_t DdeConversationCount();

}  // namespace platform::sim
