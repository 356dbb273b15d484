// Under Wine, stops the DDE data that Wine's DDEML posts from leaking (see wine_post_fix.cpp).
#pragma once

#include <cstdint>

namespace platform::win32 {

// Installs the fix once per process, before the first DDEML instance; does nothing on Windows.
void InstallWinePostFix();

// A server callback answered XTYP_REQUEST with this data handle (0 for none).
void WineNoteRequestAnswer(std::uintptr_t answer);

}  // namespace platform::win32
