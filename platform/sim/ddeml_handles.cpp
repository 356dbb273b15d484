// The model's instances, string handles and data handles.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>

#include "platform/clipboard_format.h"
#include "platform/exception_report.h"
#include "platform/sim/ddeml_data.h"
#include "platform/sim/ddeml_state.h"
#include "platform/sim/sim_queue.h"

#ifdef TICKWELL_SIM_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace platform::sim {

std::string FoldCase(const std::string& text) {
  std::string folded = text;
  for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded;
}

std::map<unsigned, std::string>& FormatNames() {
  static std::map<unsigned, std::string> names;
  return names;
}

DdeState* made_dde = nullptr;

[[gnu::noinline]] DdeState& MakeDde() {
  static DdeState state;
  made_dde = &state;
  return state;
}

Instance& AddInstance(DdeInstance id) {
  Instance& made = Dde().instances[id];
  made.id = id;
  Dde().instance_index.Insert(id, &made);
  return made;
}

void RemoveInstance(DdeInstance id) {
  Dde().instance_index.Erase(id);
  Dde().instances.erase(id);
}

Conversation& AddConversation(Conversation c) {
  const Hconv handle = c.handle;
  Conversation& made = Dde().convs[handle] = std::move(c);
  Dde().conv_index.Insert(handle, &made);
  return made;
}

void RemoveConversation(Hconv conv) {
  Dde().conv_index.Erase(conv);
  Dde().convs.erase(conv);
}

void SetLastError(DdeInstance id, unsigned error) {
  if (Instance* instance = FindInstance(id)) instance->last_error = error;
}

bool RefusedByFault(const char* call, DdeInstance id, Hconv conv) {
  Instance* instance = FindInstance(id);
  if (!instance) return true;
  unsigned error = kDmlErrNoError;
  if (Dde().instance_fault)
    error = Dde().instance_fault(call, id, (instance->flags & kAppCmdClientOnly) != 0);
  if (error == kDmlErrNoError && Dde().fault) error = Dde().fault(call);
  if (error == kDmlErrNoError) return false;
  SetLastError(id, error);
  if (error == kDmlErrLowMemory)
    PostTask([=] { Call(id, kXtypError, 0, FindConv(conv) ? conv : 0, 0, 0, 0, error, 0); });
  return true;
}

void SetDdeFault(DdeFault fault) { Dde().fault = std::move(fault); }

void SetDdeInstanceFault(DdeInstanceFault fault) { Dde().instance_fault = std::move(fault); }

void FailDdeCall(const std::string& call, unsigned error, int count, int skip) {
  auto left = std::make_shared<std::pair<int, int>>(skip, count);
  SetDdeFault([=](const char* name) -> unsigned {
    if (call != name) return 0;
    if (left->first > 0) {
      --left->first;
      return 0;
    }
    if (left->second <= 0) return 0;
    --left->second;
    return error;
  });
}

std::size_t DdeStringHandleCount() { return Dde().strings.size(); }
std::size_t DdeDataHandleCount() { return Dde().data.size(); }
std::size_t DdeConversationCount() { return Dde().convs.size(); }

Hsz AddString(const std::string& text, DdeInstance owner) {
  auto [slot, made] = Dde().by_folded_text.try_emplace(FoldCase(text), 0);
  if (!made) {
    AddRef(slot->second, owner);
    return slot->second;
  }
  Hsz hsz = Dde().next_hsz++;
  slot->second = hsz;
  StringEntry& entry = Dde().strings[hsz] = StringEntry{text, {}, 0};
  Dde().string_index.Insert(hsz, &entry);
  AddRef(hsz, owner);
  return hsz;
}

void DropString(std::map<Hsz, StringEntry>::iterator entry) {
  Dde().by_folded_text.erase(FoldCase(entry->second.text));
  Dde().string_index.Erase(entry->first);
  Dde().strings.erase(entry);
}

void DropString(Hsz hsz) { DropString(Dde().strings.find(hsz)); }

void AddInstanceRef(StringEntry& entry, DdeInstance owner) {
  if (StringRef* ref = entry.RefOf(owner)) {
    ++ref->count;
  } else {
    entry.refs.push_back({owner, 1});
  }
}

void ReleaseInstanceRef(Hsz hsz, StringEntry& entry, DdeInstance owner) {
  StringRef* ref = entry.RefOf(owner);
  if (!ref) return;
  if (--ref->count <= 0) entry.refs.erase(entry.refs.begin() + (ref - entry.refs.data()));
  if (entry.Unowned()) DropString(hsz);
}

std::string StringText(Hsz hsz) {
  StringEntry* entry = FindString(hsz);
  return entry ? entry->text : std::string();
}

bool SameName(Hsz a, Hsz b) { return a == b; }

#ifdef TICKWELL_SIM_ASAN
void PoisonBuffer(std::vector<std::uint8_t>& buffer, bool poisoned) {
  if (buffer.capacity() == 0) return;
  if (poisoned) {
    __asan_poison_memory_region(buffer.data(), buffer.capacity());
  } else {
    __asan_unpoison_memory_region(buffer.data(), buffer.capacity());
  }
}
#endif

HddeData Call(DdeInstance id, unsigned type, unsigned format, Hconv conv, Hsz hsz1, Hsz hsz2,
              HddeData data, std::uintptr_t data1, std::uintptr_t data2) {
  Instance* instance = FindInstance(id);
  if (!instance || !instance->callback) return 0;
  std::shared_ptr<DdeCallback> callback = instance->callback;
  ++instance->in_callback;
  HddeData result = Guarded<HddeData>(
      0, [&] { return (*callback)(type, format, conv, hsz1, hsz2, data, data1, data2); });
  if (Instance* still = FindInstance(id)) --still->in_callback;
  return result;
}

}  // namespace platform::sim

namespace platform {

using namespace platform::sim;

unsigned DdeInitialize(DdeInstance& instance, DdeCallback callback, std::uint32_t flags) {
  if (instance != 0 || !callback) return kDmlErrInvalidParameter;
  if (Dde().instance_fault)
    if (unsigned error = Dde().instance_fault("DdeInitialize", 0, (flags & kAppCmdClientOnly) != 0))
      return error;
  if (Dde().fault)
    if (unsigned error = Dde().fault("DdeInitialize")) return error;
  DdeInstance id = Dde().next_instance++;
  Instance& made = AddInstance(id);
  made.callback = std::make_shared<DdeCallback>(std::move(callback));
  made.flags = flags;
  // Service-name filtering is always on after an instance's first DdeInitialize, whatever the
  // flags; only DNS_FILTEROFF opens it.
  made.filter = true;
  instance = id;
  return kDmlErrNoError;
}

// Not subject to faults: it is how a test reads the fault's error.
unsigned DdeGetLastError(DdeInstance instance) {
  Instance* found = FindInstance(instance);
  if (!found) return kDmlErrDllNotInitialized;
  unsigned error = found->last_error;
  found->last_error = kDmlErrNoError;
  return error;
}

Hsz DdeCreateStringHandle(DdeInstance instance, const std::string& text) {
  if (Refused("DdeCreateStringHandle", instance)) return 0;
  // DDE names are atoms: at most 255 characters, and an empty text names nothing.
  if (text.empty() || text.size() > 255) {
    SetLastError(instance, kDmlErrInvalidParameter);
    return 0;
  }
  return AddString(text, instance);
}

bool DdeFreeStringHandle(DdeInstance instance, Hsz hsz) {
  if (Refused("DdeFreeStringHandle", instance)) return false;
  StringEntry* found = FindString(hsz);
  if (!found || !found->RefOf(instance)) {
    SetLastError(instance, kDmlErrInvalidParameter);
    return false;
  }
  Release(hsz, instance);
  return true;
}

bool DdeKeepStringHandle(DdeInstance instance, Hsz hsz) {
  if (Refused("DdeKeepStringHandle", instance)) return false;
  if (!FindString(hsz)) {
    SetLastError(instance, kDmlErrInvalidParameter);
    return false;
  }
  AddRef(hsz, instance);
  return true;
}

std::string DdeQueryString(DdeInstance instance, Hsz hsz) {
  if (hsz == 0 || Refused("DdeQueryString", instance)) return {};
  return StringText(hsz);
}

int DdeCmpStringHandles(Hsz a, Hsz b) { return a < b ? -1 : (a > b ? 1 : 0); }

HddeData DdeCreateDataHandle(DdeInstance instance, const void* bytes, std::uint32_t size,
                             std::uint32_t offset, Hsz item, unsigned format, unsigned command) {
  if (Refused("DdeCreateDataHandle", instance)) return 0;
  // The object takes `size` bytes of the source, starting `offset` bytes into it.
  const auto* from = bytes ? static_cast<const std::uint8_t*>(bytes) + offset : nullptr;
  return NewData(instance, from, size, item, format, (command & kHdataAppOwned) != 0);
}

std::uint8_t* DdeAccessData(HddeData data, std::uint32_t* size) {
  DataObject* found = FindData(data);
  if (!found || Refused("DdeAccessData", found->owner)) {
    if (size) *size = 0;
    return nullptr;
  }
  if (size) *size = static_cast<std::uint32_t>(found->bytes.size());
  return found->bytes.data();
}

bool DdeUnaccessData(HddeData data) {
  DataObject* found = FindData(data);
  return found && !Refused("DdeUnaccessData", found->owner);
}

std::uint32_t DdeGetData(HddeData data, void* dest, std::uint32_t max, std::uint32_t offset) {
  DataObject* found = FindData(data);
  if (!found || Refused("DdeGetData", found->owner)) return 0;
  const auto& bytes = found->bytes;
  if (!dest) return static_cast<std::uint32_t>(bytes.size());
  if (offset >= bytes.size()) {
    SetLastError(found->owner, kDmlErrInvalidParameter);
    return 0;
  }
  std::uint32_t count = std::min<std::uint32_t>(max, bytes.size() - offset);
  std::memcpy(dest, bytes.data() + offset, count);
  return count;
}

bool DdeFreeDataHandle(HddeData data) {
  DataObject* found = FindData(data);
  if (!found || Refused("DdeFreeDataHandle", found->owner)) return false;
  FreeData(data);
  return true;
}

std::vector<std::uint8_t> DdeDataBytes(HddeData data) {
  DataObject* found = FindData(data);
  return found ? found->bytes : std::vector<std::uint8_t>();
}

// Pairs are laid out as the platform's HSZPAIR: two pointer-sized handles.
HddeData DdeCreateHszPairData(DdeInstance instance, const std::vector<HszPair>& pairs) {
  std::vector<Hsz> block;
  for (const HszPair& pair : pairs) {
    block.push_back(pair.service);
    block.push_back(pair.topic);
  }
  block.push_back(0);
  block.push_back(0);
  return DdeCreateDataHandle(instance, block.data(),
                             static_cast<std::uint32_t>(block.size() * sizeof(Hsz)), 0, 0, kCfText,
                             0);
}

std::vector<HszPair> DdeReadHszPairs(HddeData data) {
  std::vector<HszPair> pairs;
  std::vector<std::uint8_t> bytes = DdeDataBytes(data);
  for (std::size_t at = 0; at + 2 * sizeof(Hsz) <= bytes.size(); at += 2 * sizeof(Hsz)) {
    HszPair pair;
    std::memcpy(&pair.service, bytes.data() + at, sizeof(Hsz));
    std::memcpy(&pair.topic, bytes.data() + at + sizeof(Hsz), sizeof(Hsz));
    if (!pair.service && !pair.topic) break;
    pairs.push_back(pair);
  }
  return pairs;
}

bool DdeRunningOnWine() { return false; }

}  // namespace platform
