// The share database's level 2 record (NDDESHAREINFO, ANSI) in the system's own layout, packed
// from and unpacked into NetDdeShareInfo.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/netdde.h"

namespace platform::win32 {

// LONGs and pointers: 48 bytes on 32-bit Windows, 72 on 64-bit.
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

// The record for an add or a change, with the strings it points to. The application-topic list
// holds the three pairs and an empty string at the end; the item list is empty when the share
// offers all items. Not copyable: the record points into the object.
class PackedShareInfo {
 public:
  explicit PackedShareInfo(const NetDdeShareInfo& info);
  PackedShareInfo(const PackedShareInfo&) = delete;
  PackedShareInfo& operator=(const PackedShareInfo&) = delete;

  LPBYTE Bytes() { return reinterpret_cast<LPBYTE>(&raw_); }
  DWORD Size() const { return sizeof raw_; }

 private:
  std::string name_;
  std::string app_topics_;
  std::string items_;
  ShareInfoA raw_{};
};

// What the share database packed into buffer: the record, then the data its pointers refer to.
// False, leaving info alone, when a pointer leads outside the buffer or a string has no end
// inside it.
bool UnpackShareInfo(const std::vector<BYTE>& buffer, NetDdeShareInfo& info);

// The names of an enumeration: zero-terminated strings ended by an empty one, all inside the
// buffer; false, leaving names alone, otherwise.
bool UnpackNameList(const std::vector<BYTE>& buffer, std::vector<std::string>& names);

}  // namespace platform::win32
