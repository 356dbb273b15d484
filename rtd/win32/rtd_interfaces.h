// Excel's real-time data interfaces, declared from Microsoft's published reference (the Excel
// type library's IRtdServer and IRTDUpdateEvent): dual interfaces, methods in this order after
// IDispatch's.
#pragma once

#include <windows.h>
#include <oaidl.h>

struct IRTDUpdateEvent : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE UpdateNotify() = 0;
  virtual HRESULT STDMETHODCALLTYPE get_HeartbeatInterval(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_HeartbeatInterval(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE Disconnect() = 0;
};

struct IRtdServer : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE ServerStart(IRTDUpdateEvent* callback, long* result) = 0;
  virtual HRESULT STDMETHODCALLTYPE ConnectData(long topic, SAFEARRAY** strings,
                                                VARIANT_BOOL* get_new_values, VARIANT* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE RefreshData(long* topic_count, SAFEARRAY** values) = 0;
  virtual HRESULT STDMETHODCALLTYPE DisconnectData(long topic) = 0;
  virtual HRESULT STDMETHODCALLTYPE Heartbeat(long* result) = 0;
  virtual HRESULT STDMETHODCALLTYPE ServerTerminate() = 0;
};

namespace rtd {

// {EC0E6191-DB51-11D3-8F3E-00C04F3651B8}
inline constexpr IID kIidRtdServer = {
    0xEC0E6191, 0xDB51, 0x11D3, {0x8F, 0x3E, 0x00, 0xC0, 0x4F, 0x36, 0x51, 0xB8}};
// {A43788C1-D91B-11D3-8F39-00C04F3651B8}
inline constexpr IID kIidRtdUpdateEvent = {
    0xA43788C1, 0xD91B, 0x11D3, {0x8F, 0x39, 0x00, 0xC0, 0x4F, 0x36, 0x51, 0xB8}};
// Tickwell.Quotes: {AE47AD7E-69C6-458E-9AF6-02E85BE5369A}
inline constexpr CLSID kClsidQuotes = {
    0xAE47AD7E, 0x69C6, 0x458E, {0x9A, 0xF6, 0x02, 0xE8, 0x5B, 0xE5, 0x36, 0x9A}};
inline constexpr wchar_t kProgId[] = L"Tickwell.Quotes";
inline constexpr wchar_t kClsidText[] = L"{AE47AD7E-69C6-458E-9AF6-02E85BE5369A}";

}  // namespace rtd
