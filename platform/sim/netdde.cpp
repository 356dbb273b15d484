// The model's share database: the shares of one computer, kept in memory. Names are compared
// without regard to ASCII case and listed in that order, as the registry keys that hold them
// on Windows are. The checks on added and changed shares are those the library documents:
// a share name of 1 to MAX_NDDESHARENAME characters, an "app|topic" pair for every share type
// offered, and named items.
#include "platform/netdde.h"

#include <map>
#include <string_view>

#include "platform/sim/sim_netdde.h"

namespace platform {

namespace {

std::string Key(std::string_view name) {
  std::string key(name);
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  return key;
}

enum class Binding { kUnbound, kBound, kFailed };

struct Model {
  std::map<std::string, NetDdeShareInfo> shares;  // by Key(name)
  std::int32_t serial = 0;                        // the last modification identifier handed out
  bool library_missing = false;
  std::string missing_entry;
  std::map<std::string, unsigned> faults;
  int calls = 0;
  Binding binding = Binding::kUnbound;
  std::string bind_error;
};

Model& State() {
  static Model model;
  return model;
}

// Binds as the real body does, then counts the call and applies an injected fault. Returns
// kNddeNoError when the call may go on.
unsigned Enter(const char* entry_point) {
  Model& m = State();
  if (m.binding == Binding::kUnbound) {
    m.binding = Binding::kBound;
    if (m.library_missing) {
      m.binding = Binding::kFailed;
      m.bind_error = "Unable to load NDDEAPI.DLL";
    } else {
      for (const char* name : kNetDdeEntryPoints) {
        if (m.missing_entry == name) {
          m.binding = Binding::kFailed;
          m.bind_error = std::string("Unable to dynamically link to ") + name;
          break;
        }
      }
    }
  }
  if (m.binding != Binding::kBound) return kNetDdeUnavailable;
  ++m.calls;
  auto fault = m.faults.find(entry_point);
  return fault == m.faults.end() ? kNddeNoError : fault->second;
}

unsigned CheckName(const std::string& name) {
  return name.empty() || name.size() > kMaxShareName ? kNddeInvalidShare : kNddeNoError;
}

unsigned CheckPair(const std::string& pair) {
  const std::size_t bar = pair.find('|');
  if (bar == 0 || pair.empty()) return kNddeInvalidAppName;
  if (bar == std::string::npos || bar + 1 == pair.size()) return kNddeInvalidTopic;
  return kNddeNoError;
}

unsigned CheckInfo(const NetDdeShareInfo& info) {
  if (info.revision != 1) return kNddeInvalidParameter;
  if (unsigned r = CheckName(info.share_name)) return r;
  if (info.share_type & kShareTypeOld) {
    if (unsigned r = CheckPair(info.old_pair)) return r;
  }
  if (info.share_type & kShareTypeNew) {
    if (unsigned r = CheckPair(info.new_pair)) return r;
  }
  if (info.share_type & kShareTypeStatic) {
    if (unsigned r = CheckPair(info.static_pair)) return r;
  }
  for (const std::string& item : info.items) {
    if (item.empty()) return kNddeInvalidItemList;
  }
  return kNddeNoError;
}

void Store(NetDdeShareInfo& slot, const NetDdeShareInfo& info) {
  const std::string name = slot.share_name.empty() ? info.share_name : slot.share_name;
  slot = info;
  slot.share_name = name;
  slot.modify_id[0] = ++State().serial;
  slot.modify_id[1] = 0;
}

}  // namespace

namespace sim {

void ResetNetDde() { State() = Model(); }

void SetNetDdeLibraryMissing(bool missing) { State().library_missing = missing; }

void SetNetDdeEntryPointMissing(const std::string& entry_point) {
  State().missing_entry = entry_point;
}

void SetNetDdeFault(const std::string& entry_point, unsigned code) {
  if (code == kNddeNoError) {
    State().faults.erase(entry_point);
  } else {
    State().faults[entry_point] = code;
  }
}

int NetDdeCallCount() { return State().calls; }

}  // namespace sim

unsigned NetDdeShareAdd(const NetDdeShareInfo& info) {
  if (unsigned r = Enter("NDdeShareAddA")) return r;
  if (unsigned r = CheckInfo(info)) return r;
  auto [slot, added] = State().shares.try_emplace(Key(info.share_name));
  if (!added) return kNddeShareAlreadyExist;
  Store(slot->second, info);
  return kNddeNoError;
}

unsigned NetDdeShareDel(const std::string& share_name) {
  if (unsigned r = Enter("NDdeShareDelA")) return r;
  if (unsigned r = CheckName(share_name)) return r;
  return State().shares.erase(Key(share_name)) ? kNddeNoError : kNddeShareNotExist;
}

unsigned NetDdeShareEnum(std::vector<std::string>& names) {
  if (unsigned r = Enter("NDdeShareEnumA")) return r;
  names.clear();
  for (const auto& [key, share] : State().shares) names.push_back(share.share_name);
  return kNddeNoError;
}

unsigned NetDdeShareGetInfo(const std::string& share_name, NetDdeShareInfo& info) {
  if (unsigned r = Enter("NDdeShareGetInfoA")) return r;
  if (unsigned r = CheckName(share_name)) return r;
  auto found = State().shares.find(Key(share_name));
  if (found == State().shares.end()) return kNddeShareNotExist;
  info = found->second;
  return kNddeNoError;
}

unsigned NetDdeShareSetInfo(const std::string& share_name, const NetDdeShareInfo& info) {
  if (unsigned r = Enter("NDdeShareSetInfoA")) return r;
  if (unsigned r = CheckName(share_name)) return r;
  auto found = State().shares.find(Key(share_name));
  if (found == State().shares.end()) return kNddeShareNotExist;
  NetDdeShareInfo checked = info;
  checked.share_name = found->second.share_name;
  if (unsigned r = CheckInfo(checked)) return r;
  Store(found->second, checked);
  return kNddeNoError;
}

std::string NetDdeBindError() { return State().bind_error; }

void NetDdeUnbind() {
  State().binding = Binding::kUnbound;
  State().bind_error.clear();
}

}  // namespace platform
