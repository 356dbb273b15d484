// The real DDEML, ANSI forms. DDEML's callback carries no user context, so each instance gets
// one of a fixed set of trampolines; the trampoline finds the instance's std::function, guards
// it against exceptions and, under Wine, works around the departures of Wine's DDEML that would
// make a server misbehave (see win32/ddeml_wine.h) or keep the end of a conversation from its
// other side (win32/wine_conversation_ends.h).
#include <windows.h>
#include <ddeml.h>

// platform/ddeml.h undoes <ddeml.h>'s A/W macros for the generic names; this file calls the
// A forms explicitly.
#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/ddeml.h"
#include "platform/exception_report.h"
#include "platform/win32/ddeml_wine.h"
#include "platform/win32/wine_conversation_ends.h"
#include "platform/win32/wine_held_updates.h"
#include "platform/win32/wine_name_compare.h"
#include "platform/win32/wine_post_fix.h"

namespace platform {

static_assert(kXtypAdvReq == XTYP_ADVREQ && kXtypWildConnect == XTYP_WILDCONNECT &&
              kXtypXactComplete == XTYP_XACT_COMPLETE && kXtypMonitor == XTYP_MONITOR);
static_assert(kCbfSkipAllNotifications == CBF_SKIP_ALLNOTIFICATIONS &&
              kDmlErrUnfoundQueueId == DMLERR_UNFOUND_QUEUE_ID && kCpWinAnsi == CP_WINANSI);
static_assert(kQidSync == QID_SYNC && kTimeoutAsync == TIMEOUT_ASYNC && kStIsSelf == ST_ISSELF);

namespace {

constexpr std::size_t kSlots = 32;

struct Slot {
  bool used = false;
  DWORD instance = 0;
  std::shared_ptr<DdeCallback> callback;
};

std::mutex& SlotLock() {
  static std::mutex lock;
  return lock;
}

std::array<Slot, kSlots>& Slots() {
  static std::array<Slot, kSlots> slots;
  return slots;
}

HDDEDATA Dispatch(std::size_t slot, UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                  HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2) {
  std::shared_ptr<DdeCallback> callback;
  DWORD instance = 0;
  {
    std::lock_guard<std::mutex> hold(SlotLock());
    callback = Slots()[slot].callback;
    instance = Slots()[slot].instance;
  }
  if (!callback || !*callback) return nullptr;
  // Clipboard formats are 16-bit numbers; Wine hands a registered one over sign-extended.
  format &= 0xFFFF;
  if (instance != 0 && win32::WineSkipsTransaction(instance, type, conv, hsz1)) return nullptr;
  if (instance != 0) format = win32::WineAdviseStopFormat(instance, type, conv, hsz2, format);
  data1 = win32::WineAdviseCount(type, format, hsz1, data1);
  if (instance != 0 && win32::WineNoteConversation(instance, type, conv)) {
    // The end of a conversation this side asked for: Windows does not tell that side.
    win32::WineNoteTransaction(instance, type, format, conv, hsz1, hsz2, 0);
    return nullptr;
  }
  HddeData result = Guarded<HddeData>(0, [&] {
    const win32::WineCallbackScope in_callback;
    return (*callback)(type, format, reinterpret_cast<Hconv>(conv), reinterpret_cast<Hsz>(hsz1),
                       reinterpret_cast<Hsz>(hsz2), reinterpret_cast<HddeData>(data), data1, data2);
  });
  if (instance != 0) win32::WineNoteTransaction(instance, type, format, conv, hsz1, hsz2, result);
  if (type == XTYP_REQUEST) win32::WineNoteRequestAnswer(result);
  return reinterpret_cast<HDDEDATA>(win32::WineAcknowledgement(type, result));
}

template <std::size_t N>
HDDEDATA CALLBACK Trampoline(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data,
                             ULONG_PTR data1, ULONG_PTR data2) {
  return Dispatch(N, type, format, conv, hsz1, hsz2, data, data1, data2);
}

template <std::size_t... N>
constexpr std::array<PFNCALLBACK, kSlots> MakeTrampolines(std::index_sequence<N...>) {
  return {&Trampoline<N>...};
}

constexpr std::array<PFNCALLBACK, kSlots> kTrampolines =
    MakeTrampolines(std::make_index_sequence<kSlots>{});

HSZ ToHsz(Hsz hsz) { return reinterpret_cast<HSZ>(hsz); }
HCONV ToConv(Hconv conv) { return reinterpret_cast<HCONV>(conv); }
HDDEDATA ToData(HddeData data) { return reinterpret_cast<HDDEDATA>(data); }

}  // namespace

namespace win32 {

void WineNotifyInstance(DWORD instance, UINT type, HCONV conv) {
  std::size_t slot = kSlots;
  {
    std::lock_guard<std::mutex> hold(SlotLock());
    for (std::size_t i = 0; i < kSlots; ++i)
      if (Slots()[i].used && Slots()[i].instance == instance && instance != 0) slot = i;
  }
  if (slot != kSlots) Dispatch(slot, type, 0, conv, nullptr, nullptr, nullptr, 0, 0);
}

}  // namespace win32

unsigned DdeInitialize(DdeInstance& instance, DdeCallback callback, std::uint32_t flags) {
  if (instance != 0 || !callback) return kDmlErrInvalidParameter;
  win32::InstallWinePostFix();
  win32::InstallWineNameCompare();
  std::size_t slot = kSlots;
  {
    std::lock_guard<std::mutex> hold(SlotLock());
    for (std::size_t i = 0; i < kSlots; ++i) {
      if (!Slots()[i].used) {
        slot = i;
        Slots()[i] = Slot{true, 0, std::make_shared<DdeCallback>(std::move(callback))};
        break;
      }
    }
  }
  if (slot == kSlots) return kDmlErrSysError;
  DWORD id = 0;
  UINT error = ::DdeInitializeA(&id, kTrampolines[slot], flags, 0);
  std::lock_guard<std::mutex> hold(SlotLock());
  if (error != DMLERR_NO_ERROR) {
    Slots()[slot] = Slot{};
    return error & 0xFFFF;
  }
  Slots()[slot].instance = id;
  instance = id;
  return kDmlErrNoError;
}

bool DdeUninitialize(DdeInstance instance) {
  win32::WineBeforeUninitialize(instance);
  bool done = ::DdeUninitialize(instance) != FALSE;
  win32::WineForgetInstance(instance);
  std::lock_guard<std::mutex> hold(SlotLock());
  for (auto& slot : Slots())
    if (slot.used && slot.instance == instance && instance != 0) slot = Slot{};
  return done;
}

unsigned DdeGetLastError(DdeInstance instance) { return ::DdeGetLastError(instance); }

HddeData DdeNameService(DdeInstance instance, Hsz service, unsigned command) {
  return reinterpret_cast<HddeData>(::DdeNameService(instance, ToHsz(service), nullptr, command));
}

Hsz DdeCreateStringHandle(DdeInstance instance, const std::string& text) {
  return reinterpret_cast<Hsz>(::DdeCreateStringHandleA(instance, text.c_str(), CP_WINANSI));
}

bool DdeFreeStringHandle(DdeInstance instance, Hsz hsz) {
  return ::DdeFreeStringHandle(instance, ToHsz(hsz)) != FALSE;
}

bool DdeKeepStringHandle(DdeInstance instance, Hsz hsz) {
  return ::DdeKeepStringHandle(instance, ToHsz(hsz)) != FALSE;
}

std::string DdeQueryString(DdeInstance instance, Hsz hsz) {
  if (hsz == 0) return {};
  char buffer[256];
  DWORD length = ::DdeQueryStringA(instance, ToHsz(hsz), buffer, sizeof buffer, CP_WINANSI);
  if (length == 0) return {};
  if (length < sizeof buffer) return std::string(buffer, length);
  std::string text(length + 1, '\0');
  length = ::DdeQueryStringA(instance, ToHsz(hsz), text.data(), length + 1, CP_WINANSI);
  text.resize(length);
  return text;
}

int DdeCmpStringHandles(Hsz a, Hsz b) {
  // One handle names one text; the library would read it out twice to find so.
  if (a == b) return 0;
  return ::DdeCmpStringHandles(ToHsz(a), ToHsz(b));
}

HddeData DdeCreateDataHandle(DdeInstance instance, const void* bytes, std::uint32_t size,
                             std::uint32_t offset, Hsz item, unsigned format, unsigned command) {
  return reinterpret_cast<HddeData>(
      ::DdeCreateDataHandle(instance, static_cast<LPBYTE>(const_cast<void*>(bytes)), size, offset,
                            ToHsz(item), format, command));
}

std::uint8_t* DdeAccessData(HddeData data, std::uint32_t* size) {
  DWORD length = 0;
  LPBYTE bytes = ::DdeAccessData(ToData(data), &length);
  if (size) *size = bytes ? length : 0;
  return bytes;
}

bool DdeUnaccessData(HddeData data) { return ::DdeUnaccessData(ToData(data)) != FALSE; }

std::uint32_t DdeGetData(HddeData data, void* dest, std::uint32_t max, std::uint32_t offset) {
  return ::DdeGetData(ToData(data), static_cast<LPBYTE>(dest), max, offset);
}

bool DdeFreeDataHandle(HddeData data) { return ::DdeFreeDataHandle(ToData(data)) != FALSE; }

std::vector<std::uint8_t> DdeDataBytes(HddeData data) {
  if (data == 0) return {};
  DWORD size = ::DdeGetData(ToData(data), nullptr, 0, 0);
  std::vector<std::uint8_t> bytes(size);
  if (size) bytes.resize(::DdeGetData(ToData(data), bytes.data(), size, 0));
  return bytes;
}

HddeData DdeCreateHszPairData(DdeInstance instance, const std::vector<HszPair>& pairs) {
  std::vector<HSZPAIR> block(pairs.size() + 1);
  for (std::size_t i = 0; i < pairs.size(); ++i)
    block[i] = HSZPAIR{ToHsz(pairs[i].service), ToHsz(pairs[i].topic)};
  block.back() = HSZPAIR{nullptr, nullptr};
  return DdeCreateDataHandle(instance, block.data(),
                             static_cast<std::uint32_t>(block.size() * sizeof(HSZPAIR)), 0, 0,
                             CF_TEXT, 0);
}

std::vector<HszPair> DdeReadHszPairs(HddeData data) {
  std::vector<HszPair> pairs;
  std::vector<std::uint8_t> bytes = DdeDataBytes(data);
  for (std::size_t at = 0; at + sizeof(HSZPAIR) <= bytes.size(); at += sizeof(HSZPAIR)) {
    HSZPAIR pair;
    std::memcpy(&pair, bytes.data() + at, sizeof pair);
    if (!pair.hszSvc && !pair.hszTopic) break;
    pairs.push_back({reinterpret_cast<Hsz>(pair.hszSvc), reinterpret_cast<Hsz>(pair.hszTopic)});
  }
  return pairs;
}

bool DdePostAdvise(DdeInstance instance, Hsz topic, Hsz item) {
  win32::WineBeforePostAdvise(instance, ToHsz(topic), ToHsz(item));
  const win32::WinePostScope posting;
  const bool posted = ::DdePostAdvise(instance, ToHsz(topic), ToHsz(item)) != FALSE;
  win32::WineAfterPostAdvise();
  return posted;
}

Hconv DdeConnect(DdeInstance instance, Hsz service, Hsz topic) {
  HCONV conv = ::DdeConnect(instance, ToHsz(service), ToHsz(topic), nullptr);
  win32::WineTrackClientConversation(instance, conv);
  return reinterpret_cast<Hconv>(conv);
}

HconvList DdeConnectList(DdeInstance instance, Hsz service, Hsz topic, HconvList previous) {
  return reinterpret_cast<HconvList>(::DdeConnectList(
      instance, ToHsz(service), ToHsz(topic), reinterpret_cast<HCONVLIST>(previous), nullptr));
}

Hconv DdeQueryNextServer(HconvList list, Hconv previous) {
  return reinterpret_cast<Hconv>(
      ::DdeQueryNextServer(reinterpret_cast<HCONVLIST>(list), ToConv(previous)));
}

bool DdeDisconnectList(HconvList list) {
  return ::DdeDisconnectList(reinterpret_cast<HCONVLIST>(list)) != FALSE;
}

HddeData DdeClientTransaction(const void* data, std::uint32_t size, Hconv conv, Hsz item,
                              unsigned format, unsigned type, std::uint32_t timeout,
                              std::uint32_t* result) {
  DWORD word = 0;
  if (!win32::WineBeforeClientTransaction(ToConv(conv))) {
    if (result) *result = 0;
    return 0;
  }
  const bool sync = timeout != TIMEOUT_ASYNC;
  if (sync) win32::WineBeforeSyncTransaction();
  HDDEDATA answer = nullptr;
  {
    win32::WineHeldUpdates held(sync ? conv : 0);
    answer = ::DdeClientTransaction(static_cast<LPBYTE>(const_cast<void*>(data)), size,
                                    ToConv(conv), ToHsz(item), format, type, timeout, &word);
    if (sync && type == XTYP_REQUEST && answer) win32::WineAwaitStrayAck(conv);
  }
  win32::WineAfterClientTransaction(ToConv(conv));
  if (result) *result = word;
  return reinterpret_cast<HddeData>(answer);
}

bool DdeAbandonTransaction(DdeInstance instance, Hconv conv, std::uint32_t transaction) {
  return ::DdeAbandonTransaction(instance, ToConv(conv), transaction) != FALSE;
}

bool DdeDisconnect(Hconv conv) {
  bool done = false;
  if (win32::WineDisconnect(ToConv(conv), &done)) return done;
  return ::DdeDisconnect(ToConv(conv)) != FALSE;
}

Hconv DdeReconnect(Hconv conv) { return reinterpret_cast<Hconv>(::DdeReconnect(ToConv(conv))); }

bool DdeQueryConvInfo(Hconv conv, std::uint32_t transaction, ConvInfo& info) {
  CONVINFO record{};
  record.cb = sizeof(CONVINFO);
  if (!::DdeQueryConvInfo(ToConv(conv), transaction, &record)) return false;
  info.partner = reinterpret_cast<Hconv>(record.hConvPartner);
  info.service_partner = reinterpret_cast<Hsz>(record.hszSvcPartner);
  info.service_request = reinterpret_cast<Hsz>(record.hszServiceReq);
  info.topic = reinterpret_cast<Hsz>(record.hszTopic);
  info.item = reinterpret_cast<Hsz>(record.hszItem);
  info.format = record.wFmt;
  info.type = record.wType;
  info.status = record.wStatus;
  info.state = record.wConvst;
  info.last_error = record.wLastError;
  return true;
}

bool DdeRunningOnWine() { return win32::RunningOnWine(); }

}  // namespace platform
