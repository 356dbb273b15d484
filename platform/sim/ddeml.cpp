// The model's name service, conversations, client transactions and advise loops.
//
// Synchronous work happens inside the call, as the real library's modal loop makes it look:
// a connect reaches the servers' XTYP_CONNECT, a synchronous transaction the server's callback,
// DdePostAdvise the server's XTYP_ADVREQ. What the real library posts is queued with PostTask
// and delivered by the pump: connect confirmations, registration notices, disconnect notices,
// advise data at the client, and the server side and completion of asynchronous transactions.
#include <algorithm>
#include <chrono>
#include <functional>
#include <cstdio>
#include <utility>

#include "platform/clipboard_format.h"
#include "platform/sim/ddeml_data.h"
#include "platform/sim/ddeml_state.h"
#include "platform/sim/sim_queue.h"

namespace platform::sim {
namespace {

bool ClientOnly(const Instance& instance) { return (instance.flags & kAppCmdClientOnly) != 0; }

// The link of the conversation end for the item in format, or null.
Link* FindLink(Conversation& c, Hsz item, unsigned format) {
  Link* found = nullptr;
  VisitLinksOf(c, item, [&](Link& link) {
    if (link.format != format) return false;
    found = &link;
    return true;
  });
  return found;
}

Link* FindLink(Hconv end, Hsz item, unsigned format) {
  Conversation* c = FindConv(end);
  return c ? FindLink(*c, item, format) : nullptr;
}

// A handle the library keeps alive while a posted notification waits for the pump.
struct HeldName {
  Hsz hsz = 0;
  explicit HeldName(Hsz h) : hsz(h) { AddRef(hsz, 0); }
  HeldName(const HeldName& other) : hsz(other.hsz) { AddRef(hsz, 0); }
  HeldName& operator=(const HeldName&) = delete;
  ~HeldName() { Release(hsz, 0); }
};

void Notify(DdeInstance to, unsigned type, std::uint32_t skip_flag, Hsz base, Hsz specific) {
  PostTask([=, held1 = HeldName(base), held2 = HeldName(specific)] {
    Instance* instance = FindInstance(to);
    if (!instance || (instance->flags & skip_flag)) return;
    Call(to, type, 0, 0, base, specific, 0, 0, 0);
  });
}

// The other instances hear of a registration; the registering one is not told of its own.
void NotifyOthers(DdeInstance from, unsigned type, std::uint32_t skip_flag, const Name& name) {
  for (const auto& [id, instance] : Dde().instances)
    if (id != from) Notify(id, type, skip_flag, name.base, name.instance_specific);
}

const Name* RegisteredName(const Instance& instance, Hsz service) {
  for (const Name& name : instance.names)
    if (name.base == service || name.instance_specific == service) return &name;
  return nullptr;
}

// A server hears the base name even when the client asked by the instance-specific one, so it
// can compare the name with those it registered.
Hsz BaseName(const Instance& server, Hsz service) {
  const Name* name = RegisteredName(server, service);
  return name ? name->base : service;
}

// The one instance whose instance-specific name this is, or 0.
DdeInstance OwnerOfSpecificName(Hsz service) {
  for (const auto& [id, instance] : Dde().instances)
    for (const Name& name : instance.names)
      if (name.instance_specific == service) return id;
  return 0;
}

bool MayServe(const Instance& server, DdeInstance client, Hsz service) {
  if (ClientOnly(server)) return false;
  if (server.flags & kCbfFailConnections) return false;
  if (server.id == client && (server.flags & kCbfFailSelfConnections)) return false;
  if (server.filter) {
    if (service == 0) return !server.names.empty();
    return RegisteredName(server, service) != nullptr;
  }
  return true;
}

void Unregister(Instance& instance, std::vector<Name>::iterator name) {
  NotifyOthers(instance.id, kXtypUnregister, kCbfSkipUnregistrations, *name);
  Release(name->base, 0);
  Release(name->instance_specific, 0);
  instance.names.erase(name);
}

// Makes the two ends of a conversation; the server hears XTYP_CONNECT_CONFIRM later.
Hconv OpenConversation(DdeInstance client, DdeInstance server, Hsz service, Hsz topic) {
  Instance* serving = FindInstance(server);
  const Hsz partner_name = serving ? BaseName(*serving, service) : service;
  Hconv client_end = Dde().next_conv++;
  Hconv server_end = Dde().next_conv++;
  Conversation c;
  c.handle = client_end;
  c.owner = client;
  c.client = true;
  c.partner = server_end;
  c.service_request = service;
  c.service_partner = partner_name;
  c.topic = topic;
  c.self = client == server;
  Conversation s = c;
  s.handle = server_end;
  s.owner = server;
  s.client = false;
  s.partner = client_end;
  for (Hsz hsz : {c.service_request, c.service_partner, c.topic}) {
    AddRef(hsz, 0);
    AddRef(hsz, 0);
  }
  AddConversation(std::move(c));
  AddConversation(std::move(s));
  if (Instance* serving = FindInstance(server)) {
    serving->serving.push_back(server_end);
    serving->serving_by_topic[topic].push_back(server_end);
  }
  PostTask([=] {
    Conversation* confirmed = FindConv(server_end);
    Instance* instance = FindInstance(server);
    if (!confirmed || !instance || (instance->flags & kCbfSkipConnectConfirms)) return;
    Call(server, kXtypConnectConfirm, 0, server_end, topic, partner_name, 0, 0, client == server);
  });
  return client_end;
}

void DestroyConversation(Hconv conv) {
  Conversation* c = FindConv(conv);
  if (!c) return;
  for (Hsz hsz : {c->service_request, c->service_partner, c->topic}) Release(hsz, 0);
  for (const Link& link : c->links) Release(link.item, 0);
  for (const Pending& pending : c->pending) Release(pending.item, 0);
  for (auto& [list, members] : Dde().lists) std::erase(members, conv);
  if (Instance* owner = FindInstance(c->owner)) {
    std::erase(owner->serving, conv);
    if (auto by_topic = owner->serving_by_topic.find(c->topic);
        by_topic != owner->serving_by_topic.end()) {
      std::erase(by_topic->second, conv);
      if (by_topic->second.empty()) owner->serving_by_topic.erase(by_topic);
    }
  }
  RemoveConversation(conv);
}

// True for a (server, base service name, topic) the caller already holds a conversation with.
using HeldAlready = std::function<bool(DdeInstance server, Hsz service, Hsz topic)>;

// Asks each server in turn; with first_only the first acceptance ends the search.
std::vector<Hconv> Connect(DdeInstance client, Hsz service, Hsz topic, bool first_only,
                           const HeldAlready& held = nullptr) {
  std::vector<Hconv> opened;
  DdeInstance only = service ? OwnerOfSpecificName(service) : 0;
  std::vector<DdeInstance> servers;
  for (const auto& [id, instance] : Dde().instances)
    if ((!only || id == only) && MayServe(instance, client, service)) servers.push_back(id);
  const bool wild = service == 0 || topic == 0;
  for (DdeInstance server : servers) {
    if (!FindInstance(server) || !FindInstance(client)) break;
    const std::uintptr_t same = server == client;
    const Hsz base = BaseName(*FindInstance(server), service);
    if (!wild) {
      if (held && held(server, base, topic)) continue;
      if (Call(server, kXtypConnect, 0, 0, topic, base, 0, 0, same) == 0) continue;
      opened.push_back(OpenConversation(client, server, service, topic));
    } else {
      HddeData answer = Call(server, kXtypWildConnect, 0, 0, topic, base, 0, 0, same);
      std::vector<HszPair> pairs = DdeReadHszPairs(answer);
      Recycle(TakeAnswer(answer));
      for (const HszPair& pair : pairs) {
        if (!FindString(pair.service) || !FindString(pair.topic)) continue;
        if (held && held(server, pair.service, pair.topic)) continue;
        opened.push_back(OpenConversation(client, server, pair.service, pair.topic));
        if (first_only) break;
      }
    }
    if (first_only && !opened.empty()) break;
  }
  return opened;
}

// What one transaction came to at the server.
struct Outcome {
  bool ok = false;
  unsigned error = kDmlErrNotProcessed;
  unsigned status = 0;  // acknowledgement word
  DataObject data;      // a request's answer
};

std::uint32_t FailFlagFor(unsigned type) {
  switch (type) {
    case kXtypRequest:
      return kCbfFailRequests;
    case kXtypPoke:
      return kCbfFailPokes;
    case kXtypExecute:
      return kCbfFailExecutes;
    case kXtypAdvStart:
    case kXtypAdvStop:
      return kCbfFailAdvises;
  }
  return 0;
}

Outcome Serve(Hconv client_end, unsigned type, unsigned format, Hsz item,
              const std::vector<std::uint8_t>& bytes) {
  Outcome out;
  Conversation* c = FindConv(client_end);
  Conversation* s = c ? FindConv(c->partner) : nullptr;
  if (!c || !s || !c->connected || !s->connected) {
    out.error = kDmlErrNoConvEstablished;
    return out;
  }
  const Hconv server_end = s->handle;
  const DdeInstance server = s->owner;
  const Hsz topic = s->topic;
  Instance* serving = FindInstance(server);
  const unsigned base = type & ~(kXtypfNoData | kXtypfAckReq);
  if (!serving || (serving->flags & FailFlagFor(base))) return out;
  switch (base) {
    case kXtypRequest: {
      HddeData answer = Call(server, kXtypRequest, format, server_end, topic, item, 0, 0, 0);
      if (DataPtr taken = answer ? TakeAnswer(answer) : nullptr) {
        out.data = std::move(*taken);
        Recycle(std::move(taken));
        out.ok = true;
        out.status = kDdeFAck;
      }
      break;
    }
    case kXtypPoke:
    case kXtypExecute: {
      const bool poke = base == kXtypPoke;
      HddeData data = NewData(server, bytes.data(), bytes.size(), poke ? item : 0, format, false);
      // An execute carries no format of its own.
      HddeData ack =
          Call(server, base, poke ? format : 0, server_end, topic, poke ? item : 0, data, 0, 0);
      FreeData(data);
      out.status = static_cast<unsigned>(ack & 0xFFFF);
      out.ok = (ack & kDdeFAck) != 0;
      out.error = out.ok ? kDmlErrNoError : ((ack & kDdeFBusy) ? kDmlErrBusy : kDmlErrNotProcessed);
      break;
    }
    case kXtypAdvStart: {
      if (Call(server, kXtypAdvStart, format, server_end, topic, item, 0, 0, 0) == 0) break;
      const unsigned flags = type & (kXtypfNoData | kXtypfAckReq);
      for (Hconv end : {client_end, server_end}) {
        Conversation* side = FindConv(end);
        if (!side) continue;
        if (Link* link = FindLink(*side, item, format)) {
          link->flags = flags;  // a repeated start only changes the flags
        } else {
          AddRef(item, 0);
          AddLink(*side, {item, format, flags});
        }
      }
      out.ok = true;
      out.status = kDdeFAck;
      break;
    }
    case kXtypAdvStop: {
      auto has = [&](const Link& l) { return l.item == item && l.format == format; };
      if (!FindLink(*s, item, format)) break;
      Call(server, kXtypAdvStop, format, server_end, topic, item, 0, 0, 0);
      for (Hconv end : {client_end, server_end}) {
        if (Conversation* side = FindConv(end)) {
          for (const Link& l : side->links)
            if (has(l)) Release(l.item, 0);
          RemoveLinks(*side, has);
        }
      }
      out.ok = true;
      out.status = kDdeFAck;
      break;
    }
  }
  return out;
}

// What the conversation waits for while a transaction of this kind is under way.
unsigned SentState(unsigned base) {
  switch (base) {
    case kXtypRequest:
      return kXstReqSent;
    case kXtypPoke:
      return kXstPokeSent;
    case kXtypExecute:
      return kXstExecSent;
    case kXtypAdvStart:
      return kXstAdvSent;
    case kXtypAdvStop:
      return kXstUnadvSent;
  }
  return kXstConnected;
}

// The error of a synchronous transaction the server did not answer within its time-out.
unsigned TimeoutError(unsigned base) {
  switch (base) {
    case kXtypRequest:
      return kDmlErrDataAckTimeout;
    case kXtypPoke:
      return kDmlErrPokeAckTimeout;
    case kXtypExecute:
      return kDmlErrExecAckTimeout;
    case kXtypAdvStart:
      return kDmlErrAdvAckTimeout;
  }
  return kDmlErrUnadvAckTimeout;
}

bool KnownType(unsigned type) {
  const unsigned base = type & ~(kXtypfNoData | kXtypfAckReq);
  if (base == kXtypAdvStart) return true;
  if (type != base) return false;
  return base == kXtypRequest || base == kXtypPoke || base == kXtypExecute || base == kXtypAdvStop;
}

void SendUpdate(DdeInstance server, Hconv server_end, Hsz topic, const Link& link,
                std::uintptr_t count);

// The client's acknowledgement of an update reached the server's end of an XTYPF_ACKREQ link.
void Acknowledged(DdeInstance server, Hconv server_end, Hsz topic, Hsz item, unsigned format) {
  Link* link = FindLink(server_end, item, format);
  if (!link) return;
  link->awaiting_ack = false;
  if (!link->held) return;
  link->held = false;
  const Link served = *link;  // the server's callback may add links, moving this one
  SendUpdate(server, server_end, topic, served, kCadvLateAck);
}

// Hands the oldest advise data in flight to its client. Its task carries nothing: tasks run in
// the order they were queued, so the task queued with an entry finds it at the front.
void DeliverAdviseData() {
  AdviseData d = std::move(Dde().advise_in_flight.front());
  Dde().advise_in_flight.pop_front();
  Conversation* receiving = FindConv(d.client_end);
  if (receiving && receiving->connected) {
    HddeData handed = 0;
    if (d.hot) {
      *d.data = DataObject{d.to, std::move(d.data->bytes), d.item, d.format, false};
      handed = NewData(std::move(d.data));
    }
    Call(d.to, kXtypAdvData, d.format, d.client_end, d.topic, d.item, handed, 0, 0);
    if (handed) FreeData(handed);
    if (d.ack_req) {
      const DdeInstance server = d.server;
      const Hconv server_end = d.server_end;
      const Hsz topic = d.topic, item = d.item;
      const unsigned format = d.format;
      PostTask([=, t = HeldName(topic), i = HeldName(item)] {
        Acknowledged(server, server_end, topic, item, format);
      });
    }
  }
  Recycle(std::move(d.data));
  Release(d.topic, 0);
  Release(d.item, 0);
}

// Asks the server for the link's value and queues it for the client; count is the XTYP_ADVREQ's
// dwData1. An XTYPF_ACKREQ link then waits for the client's acknowledgement, which travels back
// through the queue.
void SendUpdate(DdeInstance server, Hconv server_end, Hsz topic, const Link& link,
                std::uintptr_t count) {
  Conversation* s = FindConv(server_end);
  if (!s) return;
  const Hconv client_end = s->partner;
  HddeData answer =
      Call(server, kXtypAdvReq, link.format, server_end, topic, link.item, 0, count, 0);
  DataPtr value = answer ? TakeAnswer(answer) : nullptr;
  if (!value) return;
  Conversation* client = FindConv(client_end);
  if (!client) {
    Recycle(std::move(value));
    return;
  }
  const bool ack_req = (link.flags & kXtypfAckReq) != 0;
  if (ack_req)
    if (Link* waiting = FindLink(server_end, link.item, link.format)) waiting->awaiting_ack = true;
  // The library holds the names until the data was handed over.
  AddRef(topic, 0);
  AddRef(link.item, 0);
  Dde().advise_in_flight.push_back({server, client->owner, server_end, client_end, topic, link.item,
                                    link.format, (link.flags & kXtypfNoData) == 0, ack_req,
                                    std::move(value)});
  PostTask(DeliverAdviseData);
}

// An update one post has found due.
struct Due {
  Hconv server_end;
  Hsz topic;
  Link link;
  std::uint32_t remaining;
};

// The due updates of one post, in a list kept for the next post; a post made from inside a
// callback while another is being served takes a list of its own.
class DueList {
 public:
  DueList() {
    if (!Spare().empty()) {
      list_ = std::move(Spare().back());
      Spare().pop_back();
    }
  }
  ~DueList() {
    if (list_.capacity() > 1024) return;  // a post for everything: not worth keeping
    list_.clear();
    Spare().push_back(std::move(list_));
  }
  DueList(const DueList&) = delete;
  DueList& operator=(const DueList&) = delete;
  std::vector<Due>* operator->() { return &list_; }
  std::vector<Due>& operator*() { return list_; }

 private:
  static std::vector<std::vector<Due>>& Spare() {
    static std::vector<std::vector<Due>> spare;
    return spare;
  }
  std::vector<Due> list_;
};

}  // namespace

void EndConversation(Hconv conv) {
  Conversation* c = FindConv(conv);
  if (!c) return;
  if (c->connected) {
    if (Conversation* partner = FindConv(c->partner)) {
      partner->connected = false;
      const Hconv partner_end = partner->handle;
      const DdeInstance to = partner->owner;
      const bool same = c->owner == to;
      const bool server_side = !partner->client;
      PostTask([=] {
        Instance* instance = FindInstance(to);
        if (instance && FindConv(partner_end) && !(instance->flags & kCbfSkipDisconnects))
          Call(to, kXtypDisconnect, 0, partner_end, 0, 0, 0, 0, same);
        // A server's end goes with the notice; a client's stays, terminated, for DdeReconnect.
        if (server_side) DestroyConversation(partner_end);
      });
    }
  }
  DestroyConversation(conv);
}

void AddLink(Conversation& c, const Link& link) {
  c.links.push_back(link);
  if (!c.links_by_item_stale)
    c.links_by_item[link.item].push_back(static_cast<std::uint32_t>(c.links.size() - 1));
}

const std::vector<std::uint32_t>& IndexedLinksOf(Conversation& c, Hsz item) {
  if (c.links_by_item_stale) {
    c.links_by_item.clear();
    for (std::uint32_t at = 0; at < c.links.size(); ++at)
      c.links_by_item[c.links[at].item].push_back(at);
    c.links_by_item_stale = false;
  }
  static const std::vector<std::uint32_t> kNone;
  const auto found = c.links_by_item.find(item);
  return found == c.links_by_item.end() ? kNone : found->second;
}

}  // namespace platform::sim

namespace platform {

using namespace platform::sim;

bool DdeUninitialize(DdeInstance instance) {
  if (Refused("DdeUninitialize", instance)) return false;
  std::vector<Hconv> own;
  for (const auto& [handle, c] : Dde().convs)
    if (c.owner == instance) own.push_back(handle);
  for (Hconv conv : own) EndConversation(conv);
  Instance& ending = *FindInstance(instance);
  while (!ending.names.empty()) Unregister(ending, ending.names.begin());
  std::vector<HddeData> owned;
  Dde().data.ForEach([&](HddeData handle, const DataObject* object) {
    if (object->owner == instance) owned.push_back(handle);
  });
  for (HddeData data : owned) FreeData(data);
  for (auto it = Dde().strings.begin(); it != Dde().strings.end();) {
    auto here = it++;
    std::erase_if(here->second.refs, [&](const StringRef& ref) { return ref.owner == instance; });
    if (here->second.Unowned()) DropString(here);
  }
  RemoveInstance(instance);
  return true;
}

HddeData DdeNameService(DdeInstance instance, Hsz service, unsigned command) {
  if (Refused("DdeNameService", instance)) return 0;
  Instance& self = *FindInstance(instance);
  if (command & kDnsFilterOn) self.filter = true;
  if (command & kDnsFilterOff) self.filter = false;
  if (command & kDnsRegister) {
    if (ClientOnly(self)) {
      SetLastError(instance, kDmlErrDllUsage);
      return 0;
    }
    if (!FindString(service)) {
      SetLastError(instance, kDmlErrInvalidParameter);
      return 0;
    }
    if (!RegisteredName(self, service)) {
      // The instance-specific name is the base name followed by the server's window number.
      char tag[32];
      std::snprintf(tag, sizeof tag, "(0x%08X)", static_cast<unsigned>(instance) * 0x10u);
      Name name{service, AddString(StringText(service) + tag, 0)};
      AddRef(service, 0);
      self.names.push_back(name);
      NotifyOthers(instance, kXtypRegister, kCbfSkipRegistrations, name);
    }
  }
  if (command & kDnsUnregister) {
    if (service == 0) {
      while (!self.names.empty()) Unregister(self, self.names.begin());
    } else {
      auto found = std::find_if(self.names.begin(), self.names.end(),
                                [&](const Name& n) { return n.base == service; });
      if (found == self.names.end()) {
        SetLastError(instance, kDmlErrInvalidParameter);
        return 0;
      }
      Unregister(self, found);
    }
  }
  return 1;
}

Hconv DdeConnect(DdeInstance instance, Hsz service, Hsz topic) {
  if (Refused("DdeConnect", instance)) return 0;
  std::vector<Hconv> opened = Connect(instance, service, topic, true);
  if (opened.empty()) {
    SetLastError(instance, kDmlErrNoConvEstablished);
    return 0;
  }
  return opened.front();
}

HconvList DdeConnectList(DdeInstance instance, Hsz service, Hsz topic, HconvList previous) {
  if (Refused("DdeConnectList", instance)) return 0;
  // An existing list keeps its live conversations, loses the terminated ones, and gains only
  // conversations it does not hold yet.
  std::vector<Hconv> members;
  auto old = Dde().lists.find(previous);
  if (old != Dde().lists.end()) {
    for (Hconv conv : old->second) {
      Conversation* c = FindConv(conv);
      if (c && c->connected) {
        members.push_back(conv);
      } else if (c) {
        c->in_list = false;
      }
    }
    Dde().lists.erase(old);
  }
  auto held = [&](DdeInstance server, Hsz base, Hsz wanted) {
    return std::any_of(members.begin(), members.end(), [&](Hconv conv) {
      const Conversation* c = FindConv(conv);
      const Conversation* s = c ? FindConv(c->partner) : nullptr;
      return s && s->owner == server && c->service_partner == base && c->topic == wanted;
    });
  };
  for (Hconv conv : Connect(instance, service, topic, false, held)) members.push_back(conv);
  for (Hconv conv : members)
    if (Conversation* c = FindConv(conv)) c->in_list = true;
  if (members.empty()) {
    SetLastError(instance, kDmlErrNoConvEstablished);
    return 0;
  }
  HconvList list = Dde().next_list++;
  Dde().lists[list] = members;
  return list;
}

Hconv DdeQueryNextServer(HconvList list, Hconv previous) {
  auto found = Dde().lists.find(list);
  if (found == Dde().lists.end()) return 0;
  const auto& members = found->second;
  if (previous == 0) return members.empty() ? 0 : members.front();
  auto at = std::find(members.begin(), members.end(), previous);
  if (at == members.end() || ++at == members.end()) return 0;
  return *at;
}

bool DdeDisconnectList(HconvList list) {
  auto found = Dde().lists.find(list);
  if (found == Dde().lists.end()) return false;
  std::vector<Hconv> members = found->second;
  Dde().lists.erase(found);
  for (Hconv conv : members) EndConversation(conv);
  return true;
}

HddeData DdeClientTransaction(const void* data, std::uint32_t size, Hconv conv, Hsz item,
                              unsigned format, unsigned type, std::uint32_t timeout,
                              std::uint32_t* result) {
  if (result) *result = 0;
  Conversation* c = FindConv(conv);
  if (!c || !c->client) return 0;
  const DdeInstance instance = c->owner;
  if (Refused("DdeClientTransaction", instance, conv)) return 0;
  if (!KnownType(type)) {
    SetLastError(instance, kDmlErrInvalidParameter);
    return 0;
  }
  if (!c->connected) {
    SetLastError(instance, kDmlErrNoConvEstablished);
    return 0;
  }
  // Data comes as bytes, or (size 0xFFFFFFFF) as a data handle that the call consumes.
  std::vector<std::uint8_t> bytes;
  if (size == 0xFFFFFFFF) {
    HddeData handle = reinterpret_cast<HddeData>(data);
    if (handle) {
      DataPtr taken = TakeAnswer(handle);
      if (!taken) {
        SetLastError(instance, kDmlErrInvalidParameter);
        return 0;
      }
      bytes = std::move(taken->bytes);
      Recycle(std::move(taken));
    }
  } else if (data && size) {
    const auto* from = static_cast<const std::uint8_t*>(data);
    bytes.assign(from, from + size);
  }
  const unsigned base = type & ~(kXtypfNoData | kXtypfAckReq);
  if (timeout == kTimeoutAsync) {
    const std::uint32_t id = Dde().next_transaction++;
    AddRef(item, 0);
    c->pending.push_back({id, type, item, format});
    const Hsz topic = c->topic;
    PostTask([=] {
      Conversation* still = FindConv(conv);
      if (!still) return;
      auto pending = std::find_if(still->pending.begin(), still->pending.end(),
                                  [&](const Pending& p) { return p.id == id; });
      if (pending == still->pending.end()) return;  // abandoned
      Outcome out = Serve(conv, type, format, item, bytes);
      // The acknowledgement travels back through the queue as well.
      PostTask([=] {
        Conversation* waiting = FindConv(conv);
        if (!waiting) return;
        auto p = std::find_if(waiting->pending.begin(), waiting->pending.end(),
                              [&](const Pending& q) { return q.id == id; });
        if (p == waiting->pending.end()) return;
        waiting->pending.erase(p);
        waiting->last_error = out.ok ? kDmlErrNoError : out.error;
        HddeData handed = out.ok ? 1 : 0;
        if (base == kXtypRequest && out.ok)
          handed = NewData(instance, out.data.bytes.data(), out.data.bytes.size(), item,
                           out.data.format, false);
        if (!out.ok) SetLastError(instance, out.error);
        Call(instance, kXtypXactComplete, format, conv, topic, item, handed, id, out.status);
        if (base == kXtypRequest && out.ok) FreeData(handed);
        Release(item, 0);
      });
    });
    if (result) *result = id;
    return 1;
  }
  Instance* self = FindInstance(instance);
  if (self->in_callback > 0) {
    SetLastError(instance, kDmlErrReentrancy);
    return 0;
  }
  const auto started = std::chrono::steady_clock::now();
  Outcome out = Serve(conv, type, format, item, bytes);
  // An answer that came after the time-out is dropped: what the server did stands, but the
  // client only learns that it waited in vain.
  if (std::chrono::steady_clock::now() - started > std::chrono::milliseconds(timeout)) {
    out.ok = false;
    out.status = 0;
    out.error = TimeoutError(base);
  }
  if (result) *result = out.status;
  if (Conversation* still = FindConv(conv)) still->last_error = out.ok ? kDmlErrNoError : out.error;
  if (!out.ok) {
    SetLastError(instance, out.error);
    return 0;
  }
  if (base == kXtypRequest)
    return NewData(std::make_unique<DataObject>(
        DataObject{instance, std::move(out.data.bytes), item, out.data.format, false}));
  return 1;
}

bool DdeAbandonTransaction(DdeInstance instance, Hconv conv, std::uint32_t transaction) {
  if (Refused("DdeAbandonTransaction", instance)) return false;
  for (auto& [handle, c] : Dde().convs) {
    if (c.owner != instance || (conv && handle != conv)) continue;
    for (auto p = c.pending.begin(); p != c.pending.end();) {
      if (transaction == 0 || p->id == transaction) {
        Release(p->item, 0);
        p = c.pending.erase(p);
      } else {
        ++p;
      }
    }
  }
  return true;
}

bool DdeDisconnect(Hconv conv) {
  Conversation* c = FindConv(conv);
  if (!c) return false;
  if (Refused("DdeDisconnect", c->owner, conv)) return false;
  EndConversation(conv);
  return true;
}

Hconv DdeReconnect(Hconv conv) {
  Conversation* c = FindConv(conv);
  if (!c || !c->client || c->connected) return 0;
  const DdeInstance instance = c->owner;
  if (Refused("DdeReconnect", instance, conv)) return 0;
  const Hsz service = c->service_request;
  const Hsz topic = c->topic;
  const std::vector<Link> links = c->links;
  std::vector<Hconv> opened = Connect(instance, service, topic, true);
  if (opened.empty()) {
    SetLastError(instance, kDmlErrNoConvEstablished);
    return 0;
  }
  // The library tries to restart the advise loops the old conversation held.
  for (const Link& link : links)
    Serve(opened.front(), kXtypAdvStart | link.flags, link.format, link.item, {});
  DestroyConversation(conv);
  return opened.front();
}

bool DdeQueryConvInfo(Hconv conv, std::uint32_t transaction, ConvInfo& info) {
  Conversation* c = FindConv(conv);
  if (!c || Refused("DdeQueryConvInfo", c->owner, conv)) return false;
  info = ConvInfo{};
  if (transaction != kQidSync) {
    auto p = std::find_if(c->pending.begin(), c->pending.end(),
                          [&](const Pending& q) { return q.id == transaction; });
    if (p == c->pending.end()) {
      SetLastError(c->owner, kDmlErrUnfoundQueueId);
      return false;
    }
    info.item = p->item;
    info.format = p->format;
    info.type = p->type;
  }
  info.last_error = c->last_error;
  info.partner = c->connected ? c->partner : 0;
  info.service_partner = c->service_partner;
  info.service_request = c->service_request;
  info.topic = c->topic;
  info.status = kStIsLocal | (c->connected ? kStConnected : kStTerminated) |
                (c->client ? kStClient : 0) | (c->self ? kStIsSelf : 0) |
                (c->in_list ? kStInList : 0) | (c->links.empty() ? 0 : kStAdvise);
  info.state = !c->connected             ? kXstNull
               : transaction == kQidSync ? kXstConnected
                                         : SentState(info.type & ~(kXtypfNoData | kXtypfAckReq));
  return true;
}

bool DdePostAdvise(DdeInstance instance, Hsz topic, Hsz item) {
  if (Refused("DdePostAdvise", instance)) return false;
  const Instance& server = *FindInstance(instance);
  if (ClientOnly(server)) {
    SetLastError(instance, kDmlErrDllUsage);
    return false;
  }
  DueList due;
  // With a topic only its own conversations can be due; without one, every conversation.
  static const std::vector<Hconv> kNone;
  const std::vector<Hconv>* candidates = &server.serving;
  if (topic) {
    const auto by_topic = server.serving_by_topic.find(topic);
    candidates = by_topic == server.serving_by_topic.end() ? &kNone : &by_topic->second;
  }
  for (Hconv handle : *candidates) {
    Conversation* found = FindConv(handle);
    if (!found) continue;
    Conversation& c = *found;
    if (c.owner != instance || c.client || !c.connected) continue;
    if (topic && c.topic != topic) continue;
    const auto consider = [&](Link& link) {
      // A client that has not acknowledged the last update is being outrun: its link is served
      // once the acknowledgement arrives.
      if (link.awaiting_ack) {
        link.held = true;
        return;
      }
      due->push_back({handle, c.topic, link, 0});
    };
    if (item) {
      VisitLinksOf(c, item, [&](Link& link) {
        consider(link);
        return false;
      });
    } else {
      for (Link& link : c.links) consider(link);
    }
  }
  // Each XTYP_ADVREQ learns how many more of this call share its topic, item and format.
  std::vector<Due>& list = *due;
  for (std::size_t i = 0; i < list.size(); ++i)
    for (std::size_t j = i + 1; j < list.size(); ++j)
      if (list[j].topic == list[i].topic && list[j].link.item == list[i].link.item &&
          list[j].link.format == list[i].link.format)
        ++list[i].remaining;
  for (const Due& d : list) SendUpdate(instance, d.server_end, d.topic, d.link, d.remaining);
  return true;
}

}  // namespace platform
