#include "platform/win32/netdde_record.h"

#include <cstdint>
#include <cstring>

namespace platform::win32 {

namespace {

// Reads a zero-terminated string that must lie wholly in the buffer.
bool StringIn(const std::vector<BYTE>& buffer, const char* at, std::string& out) {
  const auto base = reinterpret_cast<std::uintptr_t>(buffer.data());
  const auto p = reinterpret_cast<std::uintptr_t>(at);
  if (p < base || p - base >= buffer.size()) return false;
  const void* end = std::memchr(at, 0, buffer.size() - (p - base));
  if (end == nullptr) return false;
  out.assign(at, static_cast<const char*>(end));
  return true;
}

// The strings of a list ended by an empty one; count limits how many are taken (negative: up
// to the empty one).
bool ListIn(const std::vector<BYTE>& buffer, const char* at, long count,
            std::vector<std::string>& out) {
  out.clear();
  while (count < 0 || long(out.size()) < count) {
    std::string s;
    if (!StringIn(buffer, at, s)) return false;
    if (s.empty()) break;
    at += s.size() + 1;
    out.push_back(std::move(s));
  }
  return true;
}

}  // namespace

PackedShareInfo::PackedShareInfo(const NetDdeShareInfo& info) : name_(info.share_name) {
  app_topics_ = info.old_pair + '\0' + info.new_pair + '\0' + info.static_pair + '\0' + '\0';
  for (const std::string& item : info.items) items_ += item + '\0';
  items_ += '\0';
  raw_.lRevision = info.revision;
  raw_.lpszShareName = name_.data();
  raw_.lShareType = info.share_type;
  raw_.lpszAppTopicList = app_topics_.data();
  raw_.fSharedFlag = info.shared_flag;
  raw_.fService = info.service_flag;
  raw_.fStartAppFlag = info.start_app_flag;
  raw_.nCmdShow = info.cmd_show;
  raw_.qModifyId[0] = info.modify_id[0];
  raw_.qModifyId[1] = info.modify_id[1];
  raw_.cNumItems = static_cast<LONG>(info.items.size());
  raw_.lpszItemList = items_.data();
}

bool UnpackShareInfo(const std::vector<BYTE>& buffer, NetDdeShareInfo& info) {
  if (buffer.size() < sizeof(ShareInfoA)) return false;
  ShareInfoA raw;
  std::memcpy(&raw, buffer.data(), sizeof raw);
  NetDdeShareInfo got;
  got.revision = raw.lRevision;
  got.share_type = raw.lShareType;
  got.shared_flag = raw.fSharedFlag;
  got.service_flag = raw.fService;
  got.start_app_flag = raw.fStartAppFlag;
  got.cmd_show = raw.nCmdShow;
  got.modify_id[0] = raw.qModifyId[0];
  got.modify_id[1] = raw.qModifyId[1];
  if (raw.lpszShareName && !StringIn(buffer, raw.lpszShareName, got.share_name)) return false;
  if (raw.lpszAppTopicList) {
    // Three strings, any of them empty, so they are read by position rather than to the end.
    const char* at = raw.lpszAppTopicList;
    for (std::string* pair : {&got.old_pair, &got.new_pair, &got.static_pair}) {
      if (!StringIn(buffer, at, *pair)) return false;
      at += pair->size() + 1;
    }
  }
  if (raw.lpszItemList && raw.cNumItems > 0 &&
      !ListIn(buffer, raw.lpszItemList, raw.cNumItems, got.items)) {
    return false;
  }
  info = std::move(got);
  return true;
}

bool UnpackNameList(const std::vector<BYTE>& buffer, std::vector<std::string>& names) {
  std::vector<std::string> got;
  if (!ListIn(buffer, reinterpret_cast<const char*>(buffer.data()), -1, got)) return false;
  names = std::move(got);
  return true;
}

}  // namespace platform::win32
