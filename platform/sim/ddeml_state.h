// The model's DDEML state, shared by its source files. One process-wide table of instances,
// string handles, data handles and conversations; everything runs on one thread, and what the
// platform delivers later (notifications, advise data, completions) is queued with PostTask.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/ddeml.h"
#include "platform/sim/ddeml_sim.h"
#include "platform/sim/handle_index.h"

namespace platform::sim {

std::string FoldCase(const std::string& text);
std::map<unsigned, std::string>& FormatNames();

// A string handle: one per text without regard to case, spelled as first created, counted per
// owning instance, and by the library itself while it holds the name (conversations, links,
// notifications and data on their way). A handle has few owners, so they are kept in a short list.
struct StringRef {
  DdeInstance owner = 0;
  int count = 0;
};
struct StringEntry {
  std::string text;
  std::vector<StringRef> refs;
  int library_refs = 0;
  StringRef* RefOf(DdeInstance owner) {
    for (StringRef& ref : refs)
      if (ref.owner == owner) return &ref;
    return nullptr;
  }
  bool Unowned() const { return refs.empty() && library_refs <= 0; }
};

struct DataObject {
  DdeInstance owner = 0;
  std::vector<std::uint8_t> bytes;
  Hsz item = 0;
  unsigned format = 0;
  bool app_owned = false;
};
using DataPtr = std::unique_ptr<DataObject>;

struct Link {
  Hsz item = 0;
  unsigned format = 0;
  unsigned flags = 0;  // kXtypfNoData, kXtypfAckReq
  // With kXtypfAckReq (server end only): an update is on its way and not yet acknowledged, and
  // a post came meanwhile, to be served when the acknowledgement arrives.
  bool awaiting_ack = false;
  bool held = false;
};

struct Pending {
  std::uint32_t id = 0;
  unsigned type = 0;
  Hsz item = 0;
  unsigned format = 0;
};

struct Conversation {
  Hconv handle = 0;
  DdeInstance owner = 0;
  bool client = false;
  Hconv partner = 0;
  Hsz service_request = 0;
  Hsz service_partner = 0;
  Hsz topic = 0;
  bool connected = true;
  bool self = false;
  bool in_list = false;
  unsigned last_error = 0;  // of the last transaction on this conversation
  // Changed through AddLink and RemoveLinks, which keep links_by_item in step.
  std::vector<Link> links;
  std::vector<Pending> pending;
  // Where each item's links are in links, oldest first (a link per format), kept only for a
  // conversation with more links than a look through them all reads quickly; rebuilt on first
  // use after links were removed.
  std::unordered_map<Hsz, std::vector<std::uint32_t>> links_by_item;
  bool links_by_item_stale = true;
};

// Up to this many links a conversation's links are looked through in order: a few contiguous
// entries are read faster than a hash table's bucket, node and list.
constexpr std::size_t kLinksLookedThrough = 8;

void AddLink(Conversation& c, const Link& link);
template <typename Pred>
void RemoveLinks(Conversation& c, Pred pred) {
  if (std::erase_if(c.links, pred) > 0) c.links_by_item_stale = true;
}
// The places in c.links of the item's links, oldest first (a conversation with more links than
// kLinksLookedThrough).
const std::vector<std::uint32_t>& IndexedLinksOf(Conversation& c, Hsz item);
// Calls visit(link) for each of the item's links in c, oldest first, until visit returns true.
template <typename Visit>
void VisitLinksOf(Conversation& c, Hsz item, Visit visit) {
  if (c.links.size() <= kLinksLookedThrough) {
    for (Link& link : c.links)
      if (link.item == item && visit(link)) return;
    return;
  }
  for (std::uint32_t at : IndexedLinksOf(c, item))
    if (visit(c.links[at])) return;
}

// Advise data queued for a client, with what its delivery needs; the topic and item are held
// (a library reference each) while it waits.
struct AdviseData {
  DdeInstance server = 0;
  DdeInstance to = 0;
  Hconv server_end = 0;
  Hconv client_end = 0;
  Hsz topic = 0;
  Hsz item = 0;
  unsigned format = 0;
  bool hot = false;
  bool ack_req = false;
  DataPtr data;  // the server's answer, to be handed to the client under a handle of its own
};

struct Name {
  Hsz base = 0;
  Hsz instance_specific = 0;
};

struct Instance {
  DdeInstance id = 0;
  std::shared_ptr<DdeCallback> callback;
  std::uint32_t flags = 0;
  unsigned last_error = 0;
  bool filter = false;
  int in_callback = 0;
  std::vector<Name> names;
  // The server ends of its conversations, oldest first: what DdePostAdvise looks through.
  std::vector<Hconv> serving;
  // The same, by topic handle: a post for one topic looks only at that topic's conversations.
  std::unordered_map<Hsz, std::vector<Hconv>> serving_by_topic;
};

// The ordered tables are what the model walks (instances in id order for connects, conversations
// oldest first); each has an index beside it for finding one by handle, kept in step by the
// functions that add and remove entries (AddInstance, AddConversation, AddString and their
// counterparts).
struct DdeState {
  std::map<DdeInstance, Instance> instances;
  HandleIndex<Instance> instance_index;
  DdeInstance next_instance = 0x0101;
  std::map<Hsz, StringEntry> strings;
  HandleIndex<StringEntry> string_index;
  std::map<std::string, Hsz> by_folded_text;  // the handle of each text, case folded
  Hsz next_hsz = 0xC000;
  // Live data objects by handle, owned here; freed ones are kept for their buffers (BlankData).
  HandleIndex<DataObject, 4> data;
  std::vector<DataPtr> spare_data;
  HddeData next_data = 0x100010;
  std::map<Hconv, Conversation> convs;
  HandleIndex<Conversation> conv_index;
  Hconv next_conv = 0x200010;
  std::map<HconvList, std::vector<Hconv>> lists;
  HconvList next_list = 0x300010;
  std::uint32_t next_transaction = 1;
  std::deque<AdviseData> advise_in_flight;  // oldest first, as their tasks are queued
  DdeFault fault;
  DdeInstanceFault instance_fault;

  DdeState() = default;
  DdeState(const DdeState&) = delete;
  DdeState& operator=(const DdeState&) = delete;
  ~DdeState() {
    data.ForEach([](HddeData, DataObject* object) { delete object; });
  }
};

// Nearly every call of the model asks for the state several times: the pointer is set once, when
// MakeDde first makes it, and read inline after that.
extern DdeState* made_dde;
DdeState& MakeDde();
inline DdeState& Dde() {
  if (made_dde) [[likely]]
    return *made_dde;
  return MakeDde();
}

inline Instance* FindInstance(DdeInstance id) { return Dde().instance_index.Find(id); }
inline Conversation* FindConv(Hconv conv) { return Dde().conv_index.Find(conv); }
inline StringEntry* FindString(Hsz hsz) { return Dde().string_index.Find(hsz); }
Instance& AddInstance(DdeInstance id);
void RemoveInstance(DdeInstance id);
Conversation& AddConversation(Conversation c);
void RemoveConversation(Hconv conv);
void SetLastError(DdeInstance id, unsigned error);
// True (and the instance's last error set) when the call must fail: no such instance, or a fault.
// A fault of DMLERR_LOW_MEMORY also reaches the instance's callback as XTYP_ERROR (for conv,
// when the call concerns one), as the library reports running short of memory.
bool RefusedByFault(const char* call, DdeInstance id, Hconv conv);
inline bool Refused(const char* call, DdeInstance id, Hconv conv = 0) {
  if (!Dde().fault && !Dde().instance_fault) [[likely]]
    return FindInstance(id) == nullptr;
  return RefusedByFault(call, id, conv);
}

// String handles; owner 0 stands for the library's own references, which the model takes and
// drops on every advise post, so that case is inline.
Hsz AddString(const std::string& text, DdeInstance owner);
void AddInstanceRef(StringEntry& entry, DdeInstance owner);
void ReleaseInstanceRef(Hsz hsz, StringEntry& entry, DdeInstance owner);
void DropString(Hsz hsz);
void DropString(std::map<Hsz, StringEntry>::iterator entry);
inline void AddRef(Hsz hsz, DdeInstance owner) {
  StringEntry* entry = FindString(hsz);
  if (!entry) return;
  if (owner == 0) {
    ++entry->library_refs;
  } else {
    AddInstanceRef(*entry, owner);
  }
}
inline void Release(Hsz hsz, DdeInstance owner) {
  StringEntry* entry = FindString(hsz);
  if (!entry) return;
  if (owner != 0) {
    ReleaseInstanceRef(hsz, *entry, owner);
  } else if (entry->library_refs > 0 && --entry->library_refs == 0 && entry->refs.empty()) {
    DropString(hsz);
  }
}
std::string StringText(Hsz hsz);
bool SameName(Hsz a, Hsz b);

// Calls an instance's callback the way the library does: exceptions caught and reported,
// the instance marked as inside its callback. 0 when the instance is gone.
HddeData Call(DdeInstance id, unsigned type, unsigned format, Hconv conv, Hsz hsz1, Hsz hsz2,
              HddeData data, std::uintptr_t data1, std::uintptr_t data2);

// Ends a conversation from its owner's side: the partner learns it later (XTYP_DISCONNECT).
void EndConversation(Hconv conv);

}  // namespace platform::sim
