// A module's import address table slot for one function, and writing it: how the Wine remedies
// put themselves on a road that Wine's own DLLs take.
#pragma once

#include <windows.h>

namespace platform::win32 {

// The slot through which module calls function of dll (named case-insensitively, "*" for any),
// found by the function's name or, for slots whose names are not kept, by its address; null
// when the module imports no such function.
void** FindImportSlot(HMODULE module, const char* dll, const char* function);

// Writes value into the slot; false when the slot cannot be written.
bool WriteImportSlot(void** slot, void* value);

}  // namespace platform::win32
