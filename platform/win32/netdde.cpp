// The share database through NDDEAPI.DLL, bound by name at run time. Only the 32-bit entry
// points of the NT family are used: the Windows 95 family reached the library's 16-bit entry
// points through a 32-to-16-bit thunk, and none of the systems this program is built for has
// that path, so it is left out.
#include "platform/netdde.h"

#include <windows.h>

#include <array>
#include <cstring>
#include <iterator>

namespace platform {

namespace {

// NDDESHAREINFO with ANSI strings, in the system's own layout: LONGs and pointers, so 48 bytes
// on 32-bit Windows and 72 on 64-bit.
struct ShareInfoA {
  LONG lRevision;
  LPSTR lpszShareName;
  LONG lShareType;
  LPSTR lpszAppTopicList;
  LONG fSharedFlag;
  LONG fService;
  LONG fStartAppFlag;
  LONG nCmdShow;
  LONG qModifyId[2];
  LONG cNumItems;
  LPSTR lpszItemList;
};
static_assert(sizeof(ShareInfoA) == (sizeof(void*) == 8 ? 72 : 48));

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

// Reads a zero-terminated string that must lie wholly in [base, base + size).
bool StringIn(const BYTE* base, std::size_t size, const char* at, std::string& out) {
  const auto* p = reinterpret_cast<const BYTE*>(at);
  if (p < base || p >= base + size) return false;
  const void* end = std::memchr(p, 0, size - std::size_t(p - base));
  if (end == nullptr) return false;
  out.assign(at, static_cast<const char*>(end));
  return true;
}

// The strings of a list of zero-terminated strings ended by an empty one, each wholly in the
// buffer; count limits how many are taken (negative: up to the empty one).
bool ListIn(const BYTE* base, std::size_t size, const char* at, long count,
            std::vector<std::string>& out) {
  out.clear();
  while (count < 0 || long(out.size()) < count) {
    std::string s;
    if (!StringIn(base, size, at, s)) return false;
    if (s.empty()) break;
    at += s.size() + 1;
    out.push_back(std::move(s));
  }
  return true;
}

// What the share database packed into buffer: the record, then the data its pointers refer to.
// A pointer outside the buffer or a string without its end is taken for a corrupt answer.
bool Unpack(const std::vector<BYTE>& buffer, NetDdeShareInfo& info) {
  if (buffer.size() < sizeof(ShareInfoA)) return false;
  ShareInfoA raw;
  std::memcpy(&raw, buffer.data(), sizeof raw);
  const BYTE* base = buffer.data();
  const std::size_t size = buffer.size();
  NetDdeShareInfo got;
  got.revision = raw.lRevision;
  got.share_type = raw.lShareType;
  got.shared_flag = raw.fSharedFlag;
  got.service_flag = raw.fService;
  got.start_app_flag = raw.fStartAppFlag;
  got.cmd_show = raw.nCmdShow;
  got.modify_id[0] = raw.qModifyId[0];
  got.modify_id[1] = raw.qModifyId[1];
  if (raw.lpszShareName && !StringIn(base, size, raw.lpszShareName, got.share_name)) return false;
  if (raw.lpszAppTopicList) {
    // Three strings, any of them empty, so they are read by position rather than to the end.
    std::string* pairs[] = {&got.old_pair, &got.new_pair, &got.static_pair};
    const char* at = raw.lpszAppTopicList;
    for (std::string* pair : pairs) {
      if (!StringIn(base, size, at, *pair)) return false;
      at += pair->size() + 1;
    }
  }
  if (raw.lpszItemList && raw.cNumItems > 0 &&
      !ListIn(base, size, raw.lpszItemList, raw.cNumItems, got.items)) {
    return false;
  }
  info = std::move(got);
  return true;
}

// The packed record for an add or a change, with the strings it points to. The application-topic
// list holds the three pairs and an empty string at the end; the item list is empty when the
// share offers all items.
struct Packed {
  std::string name;
  std::string app_topics;
  std::string items;
  ShareInfoA raw{};

  explicit Packed(const NetDdeShareInfo& info) : name(info.share_name) {
    app_topics = info.old_pair + '\0' + info.new_pair + '\0' + info.static_pair + '\0' + '\0';
    for (const std::string& item : info.items) items += item + '\0';
    items += '\0';
    raw.lRevision = info.revision;
    raw.lpszShareName = name.data();
    raw.lShareType = info.share_type;
    raw.lpszAppTopicList = app_topics.data();
    raw.fSharedFlag = info.shared_flag;
    raw.fService = info.service_flag;
    raw.fStartAppFlag = info.start_app_flag;
    raw.nCmdShow = info.cmd_show;
    raw.qModifyId[0] = info.modify_id[0];
    raw.qModifyId[1] = info.modify_id[1];
    raw.cNumItems = static_cast<LONG>(info.items.size());
    raw.lpszItemList = items.data();
  }
  LPBYTE Bytes() { return reinterpret_cast<LPBYTE>(&raw); }
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
  Packed packed(info);
  ServerName server;
  return Proc<ShareAddA>(kAdd)(server.Get(), kLevel, nullptr, packed.Bytes(), sizeof packed.raw);
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
  std::vector<std::string> got;
  if (!ListIn(buffer.data(), buffer.size(), reinterpret_cast<const char*>(buffer.data()), -1,
              got)) {
    return kNddeShareDataCorrupted;
  }
  names = std::move(got);
  return kNddeNoError;
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
  return Unpack(buffer, info) ? kNddeNoError : kNddeShareDataCorrupted;
}

unsigned NetDdeShareSetInfo(const std::string& share_name, const NetDdeShareInfo& info) {
  if (!Bind()) return kNetDdeUnavailable;
  std::string name = share_name;
  Packed packed(info);
  ServerName server;
  return Proc<ShareSetInfoA>(kSetInfo)(server.Get(), name.data(), kLevel, packed.Bytes(),
                                       sizeof packed.raw, 0);
}

std::string NetDdeBindError() { return Lib().error; }

void NetDdeUnbind() {
  Library& lib = Lib();
  if (lib.module != nullptr) FreeLibrary(lib.module);
  lib = Library();
}

}  // namespace platform
