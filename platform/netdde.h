// The network DDE share database of this computer (NDDEAPI.DLL, its 32-bit ANSI entry points).
// The library is bound at run time on first use: it shipped only with the Windows versions that
// ran network DDE, and from Windows Vista on every call answers kNddeNotImplemented. When it
// cannot be loaded, or lacks one of its entry points, every call answers kNetDdeUnavailable and
// NetDdeBindError says why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The library's result codes (NDDE_*); 0 is success.
enum NetDdeCode : unsigned {
  kNddeNoError = 0,
  kNddeAccessDenied = 1,
  kNddeBufTooSmall = 2,
  kNddeInvalidServer = 4,
  kNddeInvalidShare = 5,
  kNddeInvalidParameter = 6,
  kNddeInvalidLevel = 7,
  kNddeInvalidItemName = 9,
  kNddeInvalidTopic = 10,
  kNddeInternalError = 11,
  kNddeOutOfMemory = 12,
  kNddeInvalidAppName = 13,
  kNddeNotImplemented = 14,
  kNddeShareAlreadyExist = 15,
  kNddeShareNotExist = 16,
  kNddeInvalidItemList = 21,
  kNddeShareDataCorrupted = 22,
  // Not the library's own: it is missing, or lacks an entry point.
  kNetDdeUnavailable = 0x10000,
};

// Share types (SHARE_TYPE_*): which of the three application-topic pairs the share offers.
constexpr std::int32_t kShareTypeOld = 1;
constexpr std::int32_t kShareTypeNew = 2;
constexpr std::int32_t kShareTypeStatic = 4;

// The entry points bound, in the order they are looked up; all of them must be present.
inline constexpr const char* kNetDdeEntryPoints[] = {
    "NDdeShareAddA",
    "NDdeShareAddW",
    "NDdeShareDelA",
    "NDdeShareDelW",
    "NDdeGetShareSecurityA",
    "NDdeGetShareSecurityW",
    "NDdeSetShareSecurityA",
    "NDdeSetShareSecurityW",
    "NDdeShareEnumA",
    "NDdeShareEnumW",
    "NDdeShareGetInfoA",
    "NDdeShareGetInfoW",
    "NDdeShareSetInfoA",
    "NDdeShareSetInfoW",
    "NDdeSetTrustedShareA",
    "NDdeSetTrustedShareW",
    "NDdeGetTrustedShareA",
    "NDdeGetTrustedShareW",
    "NDdeTrustedShareEnumA",
    "NDdeTrustedShareEnumW",
    "NDdeGetErrorStringA",
    "NDdeGetErrorStringW",
    "NDdeIsValidShareNameA",
    "NDdeIsValidShareNameW",
    "NDdeIsValidAppTopicListA",
    "NDdeIsValidAppTopicListW",
};

// The longest share name the library accepts (MAX_NDDESHARENAME).
constexpr std::size_t kMaxShareName = 256;

// One share's information at level 2 (NDDESHAREINFO), the strings held by value. The platform
// body packs it into the system's own record and unpacks the record the library returns.
struct NetDdeShareInfo {
  std::int32_t revision = 1;
  std::string share_name;
  std::int32_t share_type = kShareTypeStatic;
  // The application-topic list: "app|topic" for plain DDE, for OLE and for a static share, in
  // this order; a pair the share does not offer is empty.
  std::string old_pair;
  std::string new_pair;
  std::string static_pair;
  std::int32_t shared_flag = 0;
  std::int32_t service_flag = 0;
  std::int32_t start_app_flag = 0;
  std::int32_t cmd_show = 0;
  // Set by the share database; ignored when a share is added or changed.
  std::int32_t modify_id[2] = {0, 0};
  // Items the share is limited to; empty for all items.
  std::vector<std::string> items;
};

// NDdeShareAddA at level 2, without a security descriptor.
unsigned NetDdeShareAdd(const NetDdeShareInfo& info);

// NDdeShareDelA.
unsigned NetDdeShareDel(const std::string& share_name);

// NDdeShareEnumA: the names of the installed shares. names is replaced only on success.
unsigned NetDdeShareEnum(std::vector<std::string>& names);

// NDdeShareGetInfoA at level 2, with a buffer as large as the library asks for. info is
// replaced only on success.
unsigned NetDdeShareGetInfo(const std::string& share_name, NetDdeShareInfo& info);

// NDdeShareSetInfoA at level 2, all fields.
unsigned NetDdeShareSetInfo(const std::string& share_name, const NetDdeShareInfo& info);

// Why the library is unavailable ("Unable to load NDDEAPI.DLL", "Unable to dynamically link to
// <entry point>"); empty when it is bound or has not been needed yet.
std::string NetDdeBindError();

// Frees the library when it is loaded; the next call binds it again.
void NetDdeUnbind();

}  // namespace platform
