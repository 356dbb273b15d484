// The share database through NDDEAPI.DLL, bound by name at run time. Only the 32-bit entry
// points of the NT family are used: the Windows 95 family reached the library's 16-bit entry
// points through a 32-to-16-bit thunk, and none of the systems this program is built for has
// that path, so it is left out.
#include "platform/netdde.h"

#include <windows.h>

#include <array>
#include <iterator>

#include "platform/win32/netdde_record.h"

namespace platform {

namespace {

using win32::PackedShareInfo;

using ShareAddA = UINT(WINAPI*)(LPSTR, UINT, PSECURITY_DESCRIPTOR, LPBYTE, DWORD);
using ShareDelA = UINT(WINAPI*)(LPSTR, LPSTR, UINT);
using ShareEnumA = UINT(WINAPI*)(LPSTR, UINT, LPBYTE, DWORD, LPDWORD, LPDWORD);
using ShareGetInfoA = UINT(WINAPI*)(LPSTR, LPSTR, UINT, LPBYTE, DWORD, LPDWORD, LPWORD);
using ShareSetInfoA = UINT(WINAPI*)(LPSTR, LPSTR, UINT, LPBYTE, DWORD, WORD);

// Positions in kNetDdeEntryPoints of the entry points called.
enum Entry { kAdd = 0, kDel = 2, kEnum = 8, kGetInfo = 10, kSetInfo = 12 };
constexpr std::size_t kEntryCount = std::size(kNetDdeEntryPoints);

constexpr UINT kLevel = 2;
// The first buffer tried for answers; a larger one is made when the library asks for it.
constexpr DWORD kFirstBuffer = 2000;
// Answers larger than this are taken for a corrupt database rather than allocated.
constexpr DWORD kLargestBuffer = 1 << 20;

struct Library {
  HMODULE module = nullptr;
  bool tried = false;
  std::array<FARPROC, kEntryCount> procs{};
  std::string error;
};

Library& Lib() {
  static Library lib;
  return lib;
}

bool Bind() {
  Library& lib = Lib();
  if (lib.tried) return lib.module != nullptr;
  lib.tried = true;
  HMODULE module = LoadLibraryA("NDDEAPI.DLL");
  if (module == nullptr) {
    lib.error = "Unable to load NDDEAPI.DLL";
    return false;
  }
  for (std::size_t i = 0; i < kEntryCount; ++i) {
    lib.procs[i] = GetProcAddress(module, kNetDdeEntryPoints[i]);
    if (lib.procs[i] == nullptr) {
      lib.error = std::string("Unable to dynamically link to ") + kNetDdeEntryPoints[i];
      lib.procs = {};
      FreeLibrary(module);
      return false;
    }
  }
  lib.module = module;
  return true;
}

template <typename Fn>
Fn Proc(Entry entry) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(Lib().procs[entry]));
}

// The computer's name, which the 32-bit calls take as their server; null (this computer) when
// it cannot be read.
struct ServerName {
  char name[256] = {};
  LPSTR Get() {
    DWORD size = sizeof(name);
    return GetComputerNameA(name, &size) ? name : nullptr;
  }
};

// Calls ask(buffer) with a buffer that grows to the size the library reports as needed.
template <typename Ask>
unsigned WithBuffer(std::vector<BYTE>& buffer, Ask ask) {
  buffer.assign(kFirstBuffer, 0);
  for (;;) {
    DWORD needed = 0;
    const unsigned r = ask(buffer, needed);
    if (r != kNddeBufTooSmall || needed <= buffer.size() || needed > kLargestBuffer) return r;
    buffer.assign(needed, 0);
  }
}

}  // namespace

unsigned NetDdeShareAdd(const NetDdeShareInfo& info) {
  if (!Bind()) return kNetDdeUnavailable;
  PackedShareInfo packed(info);
  ServerName server;
  return Proc<ShareAddA>(kAdd)(server.Get(), kLevel, nullptr, packed.Bytes(), packed.Size());
}

unsigned NetDdeShareDel(const std::string& share_name) {
  if (!Bind()) return kNetDdeUnavailable;
  std::string name = share_name;
  ServerName server;
  return Proc<ShareDelA>(kDel)(server.Get(), name.data(), 0);
}

unsigned NetDdeShareEnum(std::vector<std::string>& names) {
  if (!Bind()) return kNetDdeUnavailable;
  ServerName server;
  LPSTR host = server.Get();
  std::vector<BYTE> buffer;
  DWORD entries = 0;
  const unsigned r = WithBuffer(buffer, [&](std::vector<BYTE>& b, DWORD& needed) {
    // One byte is kept back, so the list always ends inside the buffer.
    return Proc<ShareEnumA>(kEnum)(host, 0, b.data(), DWORD(b.size() - 1), &entries, &needed);
  });
  if (r != kNddeNoError) return r;
  return win32::UnpackNameList(buffer, names) ? kNddeNoError : kNddeShareDataCorrupted;
}

unsigned NetDdeShareGetInfo(const std::string& share_name, NetDdeShareInfo& info) {
  if (!Bind()) return kNetDdeUnavailable;
  std::string name = share_name;
  ServerName server;
  LPSTR host = server.Get();
  std::vector<BYTE> buffer;
  const unsigned r = WithBuffer(buffer, [&](std::vector<BYTE>& b, DWORD& needed) {
    WORD items = 0;
    return Proc<ShareGetInfoA>(kGetInfo)(host, name.data(), kLevel, b.data(), DWORD(b.size()),
                                         &needed, &items);
  });
  if (r != kNddeNoError) return r;
  return win32::UnpackShareInfo(buffer, info) ? kNddeNoError : kNddeShareDataCorrupted;
}

unsigned NetDdeShareSetInfo(const std::string& share_name, const NetDdeShareInfo& info) {
  if (!Bind()) return kNetDdeUnavailable;
  std::string name = share_name;
  PackedShareInfo packed(info);
  ServerName server;
  return Proc<ShareSetInfoA>(kSetInfo)(server.Get(), name.data(), kLevel, packed.Bytes(),
                                       packed.Size(), 0);
}

std::string NetDdeBindError() { return Lib().error; }

void NetDdeUnbind() {
  Library& lib = Lib();
  if (lib.module != nullptr) FreeLibrary(lib.module);
  lib = Library();
}

}  // namespace platform
