// Registration of Tickwell.Quotes for the current user (HKCU\Software\Classes), so no
// administrator is needed. The CLSID key is kept apart per bitness by Windows' registry view;
// the ProgID key is shared and goes with the last of the two to be unregistered.
#pragma once

#include <windows.h>

namespace rtd {

HRESULT RegisterServer(HMODULE module);
HRESULT UnregisterServer(HMODULE module);

}  // namespace rtd
