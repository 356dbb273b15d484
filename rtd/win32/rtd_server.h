// Tickwell.Quotes: the IRtdServer Excel creates, on the thread it calls it on.
#pragma once

#include <windows.h>

#include <memory>

#include "rtd/quote_server.h"
#include "rtd/win32/rtd_interfaces.h"

namespace rtd {

// Objects and locks alive in the DLL, for DllCanUnloadNow.
extern LONG g_objects;
extern LONG g_locks;

// How often links still missing are tried again and Tickwell is checked for, in ms.
inline constexpr UINT kRetryMs = 1000;
// The timer while a pass over the links is cut into slices: the next slice comes as soon as
// Excel's own messages are handled (a timer's message waits for the queue to empty).
inline constexpr UINT kSliceGapMs = USER_TIMER_MINIMUM;

// IDispatch: Excel calls the server through its vtable. There is no type library, so
// GetTypeInfoCount answers 0 and the other IDispatch methods answer E_NOTIMPL.
class RtdServer final : public IRtdServer {
 public:
  RtdServer();
  ~RtdServer();

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override;

  HRESULT STDMETHODCALLTYPE ServerStart(IRTDUpdateEvent* callback, long* result) override;
  HRESULT STDMETHODCALLTYPE ConnectData(long topic, SAFEARRAY** strings,
                                        VARIANT_BOOL* get_new_values, VARIANT* value) override;
  HRESULT STDMETHODCALLTYPE RefreshData(long* topic_count, SAFEARRAY** values) override;
  HRESULT STDMETHODCALLTYPE DisconnectData(long topic) override;
  HRESULT STDMETHODCALLTYPE Heartbeat(long* result) override;
  HRESULT STDMETHODCALLTYPE ServerTerminate() override;

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD);
  void Notify();
  void Stop();
  void Rearm(UINT ms);

  LONG references_ = 1;
  IRTDUpdateEvent* callback_ = nullptr;
  std::unique_ptr<QuoteServer> server_;
  UINT_PTR timer_ = 0;
  UINT timer_ms_ = 0;
};

}  // namespace rtd
