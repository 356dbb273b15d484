#include "platform/win32/ddeml_wine.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace platform::win32 {
namespace {

struct Link {
  HCONV conv;
  HSZ topic;
  HSZ item;
  UINT format;
};

// Per topic and format, the XTYP_ADVREQ still to come in the DdePostAdvise under way on this
// thread, and the topic that post named (0 for every topic).
thread_local std::map<std::pair<HSZ, UINT>, int> t_post_remaining;
thread_local bool t_posting = false;
thread_local HSZ t_post_topic = nullptr;

struct InstanceLinks {
  std::map<HCONV, HSZ> topics;  // conversation -> its topic
  std::vector<Link> links;
};

std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}

std::map<DWORD, InstanceLinks>& Instances() {
  static std::map<DWORD, InstanceLinks> instances;
  return instances;
}

// The conversation's topic, learned once from the library.
HSZ TopicOf(InstanceLinks& state, HCONV conv) {
  auto found = state.topics.find(conv);
  if (found != state.topics.end()) return found->second;
  CONVINFO info{};
  info.cb = sizeof(CONVINFO);
  if (!::DdeQueryConvInfo(conv, QID_SYNC, &info)) return nullptr;
  state.topics[conv] = info.hszTopic;
  return info.hszTopic;
}

// Wine's string handles are atoms of the process's one atom table, which holds each name once
// whatever its case: two handles name the same text exactly when they are equal. The library's
// comparison reads both names out of the table and compares them, and a post looks through
// every link of the instance. Checked once, on two names that differ in case only; where it
// does not hold, the library compares.
bool HandlesAreNames(DWORD instance) {
  static const bool holds = [instance] {
    HSZ upper = ::DdeCreateStringHandleA(instance, "TICKWELL NAME PROBE", CP_WINANSI);
    HSZ lower = ::DdeCreateStringHandleA(instance, "tickwell name probe", CP_WINANSI);
    HSZ other = ::DdeCreateStringHandleA(instance, "tickwell name probe 2", CP_WINANSI);
    const bool same = upper != nullptr && upper == lower && other != nullptr && other != upper &&
                      ::DdeCmpStringHandles(upper, lower) == 0;
    for (HSZ hsz : {upper, lower, other})
      if (hsz) ::DdeFreeStringHandle(instance, hsz);
    return same;
  }();
  return holds;
}

bool SameName(DWORD instance, HSZ a, HSZ b) {
  if (a == b) return true;
  return !HandlesAreNames(instance) && ::DdeCmpStringHandles(a, b) == 0;
}

}  // namespace

bool RunningOnWine() {
  static const bool wine = [] {
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return wine;
}

bool WineImportRemediesOff() {
  const char* setting = std::getenv("TICKWELL_WINE_DDE_FIX");
  return setting && (_stricmp(setting, "off") == 0 || std::strcmp(setting, "0") == 0);
}

bool WineSkipsTransaction(DWORD instance, UINT type, HCONV conv, HSZ& topic) {
  if (type != XTYP_ADVREQ || !RunningOnWine()) return false;
  std::lock_guard<std::mutex> hold(Lock());
  HSZ own = TopicOf(Instances()[instance], conv);
  if (own == nullptr) return false;
  if (t_posting && t_post_topic == nullptr) {
    topic = own;
    return false;
  }
  return !SameName(instance, own, topic);
}

UINT WineAdviseStopFormat(DWORD instance, UINT type, HCONV conv, HSZ item, UINT format) {
  if (type != XTYP_ADVSTOP || format != 0 || !RunningOnWine()) return format;
  std::lock_guard<std::mutex> hold(Lock());
  UINT found = 0;
  int links = 0;
  for (const Link& link : Instances()[instance].links) {
    if (link.conv == conv && SameName(instance, link.item, item)) {
      found = link.format;
      ++links;
    }
  }
  return links == 1 ? found : format;
}

void WineNoteTransaction(DWORD instance, UINT type, UINT format, HCONV conv, HSZ topic, HSZ item,
                         std::uintptr_t result) {
  if (!RunningOnWine()) return;
  if (type != XTYP_ADVSTART && type != XTYP_ADVSTOP && type != XTYP_DISCONNECT &&
      type != XTYP_CONNECT_CONFIRM)
    return;
  std::lock_guard<std::mutex> hold(Lock());
  InstanceLinks& state = Instances()[instance];
  auto same = [&](const Link& link) {
    return link.conv == conv && SameName(instance, link.item, item) &&
           link.format == format;
  };
  switch (type) {
    case XTYP_CONNECT_CONFIRM:
      state.topics[conv] = topic;
      break;
    case XTYP_ADVSTART:
      // A repeated start on the same item only changes the link's flags.
      if (result != 0 && std::none_of(state.links.begin(), state.links.end(), same))
        state.links.push_back({conv, topic, item, format});
      break;
    case XTYP_ADVSTOP:
      std::erase_if(state.links, same);
      break;
    case XTYP_DISCONNECT:
      std::erase_if(state.links, [&](const Link& link) { return link.conv == conv; });
      state.topics.erase(conv);
      break;
  }
}

std::uintptr_t WineAcknowledgement(UINT type, std::uintptr_t result) {
  if ((type != XTYP_POKE && type != XTYP_EXECUTE) || !RunningOnWine()) return result;
  if (result & DDE_FACK) return DDE_FACK;
  if (result & DDE_FBUSY) return DDE_FBUSY;
  return DDE_FNOTPROCESSED;
}

std::uintptr_t WineAdviseCount(UINT type, UINT format, HSZ topic, std::uintptr_t data1) {
  if (type != XTYP_ADVREQ || !t_posting || LOWORD(data1) == CADV_LATEACK) return data1;
  int& remaining = t_post_remaining[{topic, format}];
  if (remaining > 0) --remaining;
  return (data1 & ~static_cast<std::uintptr_t>(0xFFFF)) | static_cast<std::uintptr_t>(remaining);
}

void WineAfterPostAdvise() {
  t_posting = false;
  t_post_topic = nullptr;
  t_post_remaining.clear();
}

void WineBeforePostAdvise(DWORD instance, HSZ topic, HSZ item) {
  if (!RunningOnWine()) return;
  int posted = 0;
  t_post_remaining.clear();
  {
    std::lock_guard<std::mutex> hold(Lock());
    auto found = Instances().find(instance);
    if (found == Instances().end()) return;
    for (const Link& link : found->second.links) {
      if (SameName(instance, link.item, item) &&
          (topic == nullptr || SameName(instance, link.topic, topic))) {
        ++posted;
        ++t_post_remaining[{link.topic, link.format}];
      }
    }
  }
  t_posting = true;
  t_post_topic = topic;
  if (posted < 2) return;
  char name[256];
  if (::DdeQueryStringA(instance, item, name, sizeof name, CP_WINANSI) == 0) return;
  for (int i = 1; i < posted; ++i) ::GlobalAddAtomA(name);
}

void WineBeforeSyncTransaction() {
  if (!RunningOnWine()) return;
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the message loop
      break;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}

void WineForgetInstance(DWORD instance) {
  std::lock_guard<std::mutex> hold(Lock());
  Instances().erase(instance);
}

}  // namespace platform::win32
