// TickwellRtd.dll's exports: the class object of Tickwell.Quotes, unloading, and registration
// for regsvr32.
#include <windows.h>
#include <objbase.h>

#include <new>

#include "rtd/win32/registration.h"
#include "rtd/win32/rtd_server.h"

namespace {

HMODULE g_module = nullptr;

class ClassFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // One static factory: its references keep nothing alive, LockServer does.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* server = new (std::nothrow) rtd::RtdServer();
    if (!server) return E_OUTOFMEMORY;
    const HRESULT result = server->QueryInterface(iid, out);
    server->Release();
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock)
      InterlockedIncrement(&rtd::g_locks);
    else
      InterlockedDecrement(&rtd::g_locks);
    return S_OK;
  }
};

ClassFactory g_factory;

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(clsid, rtd::kClsidQuotes)) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(iid, out);
}

STDAPI DllCanUnloadNow() { return rtd::g_objects == 0 && rtd::g_locks == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() { return rtd::RegisterServer(g_module); }

STDAPI DllUnregisterServer() { return rtd::UnregisterServer(g_module); }

}  // extern "C"
