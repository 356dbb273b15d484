// Work-arounds for departures of Wine's DDEML that would make a server misbehave. Every
// function does nothing when the process does not run under Wine.
#pragma once

#include <cstdint>

#include <windows.h>
#include <ddeml.h>

namespace platform::win32 {

bool RunningOnWine();

// Called by the callback trampoline before the application sees a transaction: true when the
// transaction must be answered with 0 instead (an XTYP_ADVREQ that Wine raised for a link of
// another topic, because its DdePostAdvise matches links by item name only).
bool WineSkipsTransaction(DWORD instance, UINT type, HCONV conv, HSZ topic);

// Called after the application answered: keeps the instance's advise links up to date.
void WineNoteTransaction(DWORD instance, UINT type, HCONV conv, HSZ topic, HSZ item,
                         std::uintptr_t result);

// Called just before DdePostAdvise: Wine takes one reference on the item's global atom per call
// but each posted message hands one to the client, which frees it; with several links the atom
// dies early and later values arrive under the wrong item name. Adds the missing references.
void WineBeforePostAdvise(DWORD instance, HSZ topic, HSZ item);

void WineForgetInstance(DWORD instance);

}  // namespace platform::win32
