// Under Wine, stops the DDE data that Wine's DDEML posts from leaking (see wine_post_fix.cpp).
#pragma once

namespace platform::win32 {

// Installs the fix once per process, before the first DDEML instance; does nothing on Windows.
void InstallWinePostFix();

}  // namespace platform::win32
