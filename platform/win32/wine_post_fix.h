// Under Wine, stops the DDE data that Wine's DDEML posts from leaking, drops the stray
// acknowledgement its server posts after request data, and lets a client cope with servers that
// still post one (see wine_post_fix.cpp).
#pragma once

#include <cstdint>

namespace platform::win32 {

// Installs the fix once per process, before the first DDEML instance; does nothing on Windows.
void InstallWinePostFix();

// A server callback answered XTYP_REQUEST with this data handle (0 for none).
void WineNoteRequestAnswer(std::uintptr_t answer);

// A synchronous request on this client conversation was answered with data: takes the stray
// acknowledgement that an unmended Wine server posts after it off the queue before the next
// transaction could mistake it for its own answer.
void WineAwaitStrayAck(std::uintptr_t conv);

}  // namespace platform::win32
