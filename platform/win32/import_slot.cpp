#include "platform/win32/import_slot.h"

#include <cstddef>
#include <cstring>

namespace platform::win32 {

void** FindImportSlot(HMODULE module, const char* dll, const char* function) {
  if (!module) return nullptr;
  auto* base = reinterpret_cast<BYTE*>(module);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  if (nt->Signature != IMAGE_NT_SIGNATURE) return nullptr;
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0) return nullptr;
  const bool any_dll = std::strcmp(dll, "*") == 0;
  for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name;
       ++imp) {
    const char* name = reinterpret_cast<const char*>(base + imp->Name);
    if (!any_dll && _stricmp(name, dll) != 0) continue;
    HMODULE from = ::GetModuleHandleA(name);
    FARPROC target = from ? ::GetProcAddress(from, function) : nullptr;
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    auto* names = imp->OriginalFirstThunk
                      ? reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk)
                      : nullptr;
    for (std::size_t i = 0; slots[i].u1.Function; ++i) {
      bool named = false;
      if (names && !IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal)) {
        auto* by_name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names[i].u1.AddressOfData);
        named = std::strcmp(reinterpret_cast<const char*>(by_name->Name), function) == 0;
      }
      if (named || (target && reinterpret_cast<FARPROC>(slots[i].u1.Function) == target))
        return reinterpret_cast<void**>(&slots[i].u1.Function);
    }
  }
  return nullptr;
}

bool WriteImportSlot(void** slot, void* value) {
  DWORD old = 0;
  if (!::VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old)) return false;
  *slot = value;
  ::VirtualProtect(slot, sizeof(void*), old, &old);
  ::FlushInstructionCache(::GetCurrentProcess(), slot, sizeof(void*));
  return true;
}

}  // namespace platform::win32
