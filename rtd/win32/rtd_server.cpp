#include "rtd/win32/rtd_server.h"

#include <oleauto.h>

#include <map>

#include "platform/exception_report.h"
#include "rtd/win32/variant_value.h"

namespace rtd {

LONG g_objects = 0;
LONG g_locks = 0;

namespace {
// Thread timers carry no pointer: the servers by their timer (one per server, on Excel's thread).
std::map<UINT_PTR, RtdServer*>& Timers() {
  static std::map<UINT_PTR, RtdServer*> timers;
  return timers;
}

// No exception crosses into the caller: each method's body runs here.
template <typename Body>
HRESULT Guard(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    platform::ReportCurrentException();
    return E_FAIL;
  }
}
}  // namespace

RtdServer::RtdServer() { InterlockedIncrement(&g_objects); }

RtdServer::~RtdServer() {
  Stop();
  InterlockedDecrement(&g_objects);
}

HRESULT RtdServer::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
      IsEqualIID(iid, kIidRtdServer)) {
    *out = static_cast<IRtdServer*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG RtdServer::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG RtdServer::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT RtdServer::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}
HRESULT RtdServer::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}
HRESULT RtdServer::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
HRESULT RtdServer::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  return E_NOTIMPL;
}

HRESULT RtdServer::ServerStart(IRTDUpdateEvent* callback, long* result) {
  return Guard([&]() -> HRESULT {
    if (!result) return E_POINTER;
    *result = 0;
    if (!callback) return E_POINTER;
    if (server_) return E_UNEXPECTED;
    // The DDE layer's work-arounds for Wine patch the process's DDE library to call into this
    // DLL for the rest of the process's life: once DDE is used, the DLL must never unload.
    HMODULE pinned = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&RtdServer::OnTimer), &pinned);
    auto server = std::make_unique<QuoteServer>([this] { Notify(); });
    std::string error;
    // Without DDE there is nothing to serve: Excel is told the server did not start.
    if (!server->Start(error)) return S_OK;
    timer_ = SetTimer(nullptr, 0, kRetryMs, &RtdServer::OnTimer);
    if (!timer_) return S_OK;
    timer_ms_ = kRetryMs;
    Timers()[timer_] = this;
    callback_ = callback;
    callback_->AddRef();
    server_ = std::move(server);
    *result = 1;
    return S_OK;
  });
}

HRESULT RtdServer::ConnectData(long topic, SAFEARRAY** strings, VARIANT_BOOL* get_new_values,
                               VARIANT* value) {
  return Guard([&]() -> HRESULT {
    if (!value) return E_POINTER;
    VariantInit(value);
    if (!server_) return E_UNEXPECTED;
    std::vector<std::string> arguments;
    ArgumentsOf(strings ? *strings : nullptr, arguments);
    const CellValue cell = server_->Connect(topic, arguments);
    if (get_new_values) *get_new_values = VARIANT_TRUE;
    return ToVariant(cell, *value) ? S_OK : E_OUTOFMEMORY;
  });
}

HRESULT RtdServer::RefreshData(long* topic_count, SAFEARRAY** values) {
  return Guard([&]() -> HRESULT {
    if (!topic_count || !values) return E_POINTER;
    *topic_count = 0;
    *values = nullptr;
    if (!server_) return E_UNEXPECTED;
    const auto changes = server_->Refresh();
    // Two rows: the topic ids, then their values.
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {static_cast<ULONG>(changes.size()), 0}};
    SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 2, bounds);
    if (!array) return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < changes.size(); ++i) {
      LONG at[2] = {0, static_cast<LONG>(i)};
      VARIANT id, cell;
      VariantInit(&id);
      id.vt = VT_I4;
      id.lVal = changes[i].first;
      HRESULT put = SafeArrayPutElement(array, at, &id);
      at[0] = 1;
      if (SUCCEEDED(put)) put = ToVariant(changes[i].second, cell) ? S_OK : E_OUTOFMEMORY;
      if (SUCCEEDED(put)) {
        put = SafeArrayPutElement(array, at, &cell);
        VariantClear(&cell);
      }
      if (FAILED(put)) {
        SafeArrayDestroy(array);
        return put;
      }
    }
    *topic_count = static_cast<long>(changes.size());
    *values = array;
    return S_OK;
  });
}

HRESULT RtdServer::DisconnectData(long topic) {
  return Guard([&]() -> HRESULT {
    if (server_) server_->Disconnect(topic);
    return S_OK;
  });
}

HRESULT RtdServer::Heartbeat(long* result) {
  if (!result) return E_POINTER;
  *result = server_ ? 1 : 0;
  return S_OK;
}

HRESULT RtdServer::ServerTerminate() {
  return Guard([&]() -> HRESULT {
    Stop();
    return S_OK;
  });
}

void RtdServer::Stop() {
  if (timer_) {
    KillTimer(nullptr, timer_);
    Timers().erase(timer_);
    timer_ = 0;
  }
  server_.reset();  // its links and conversations end with it
  if (callback_) {
    callback_->Release();
    callback_ = nullptr;
  }
}

// A thread timer's period cannot be changed in place: a new one replaces it.
void RtdServer::Rearm(UINT ms) {
  if (!timer_ || ms == timer_ms_) return;
  const UINT_PTR timer = SetTimer(nullptr, 0, ms, &RtdServer::OnTimer);
  if (!timer) return;
  KillTimer(nullptr, timer_);
  Timers().erase(timer_);
  timer_ = timer;
  timer_ms_ = ms;
  Timers()[timer_] = this;
}

void RtdServer::Notify() {
  if (callback_) callback_->UpdateNotify();
}

void CALLBACK RtdServer::OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
  platform::Guarded<bool>(false, [&] {
    auto found = Timers().find(id);
    if (found == Timers().end() || !found->second->server_) return true;
    RtdServer* server = found->second;
    server->Rearm(server->server_->Retry() ? kSliceGapMs : kRetryMs);
    return true;
  });
}

}  // namespace rtd
