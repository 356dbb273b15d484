#include "rtd/win32/registration.h"

#include <olectl.h>

#include <string>
#include <tuple>

#include "rtd/win32/rtd_interfaces.h"

namespace rtd {
namespace {

const std::wstring kClasses = L"Software\\Classes\\";
const std::wstring kClsidKey = kClasses + L"CLSID\\" + kClsidText;
const std::wstring kProgIdKey = kClasses + kProgId;
constexpr wchar_t kDescription[] = L"Tickwell quotes (real-time data)";

LONG SetValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY handle = nullptr;
  LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, &handle, nullptr);
  if (result != ERROR_SUCCESS) return result;
  result = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return result;
}

LONG DeleteTree(const std::wstring& key, REGSAM view) {
  HKEY handle = nullptr;
  LONG result = RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_ALL_ACCESS | view, &handle);
  if (result == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (result != ERROR_SUCCESS) return result;
  result = RegDeleteTreeW(handle, nullptr);
  RegCloseKey(handle);
  if (result != ERROR_SUCCESS) return result;
  result = RegDeleteKeyExW(HKEY_CURRENT_USER, key.c_str(), view, 0);
  return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}

bool KeyExists(const std::wstring& key, REGSAM view) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ | view, &handle) != ERROR_SUCCESS)
    return false;
  RegCloseKey(handle);
  return true;
}

#ifdef _WIN64
constexpr REGSAM kOwnView = KEY_WOW64_64KEY;
constexpr REGSAM kOtherView = KEY_WOW64_32KEY;
#else
constexpr REGSAM kOwnView = KEY_WOW64_32KEY;
constexpr REGSAM kOtherView = KEY_WOW64_64KEY;
#endif

}  // namespace

HRESULT RegisterServer(HMODULE module) {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return SELFREG_E_CLASS;
  const std::wstring clsid = kClsidText;
  for (auto [key, name, value] : {
           std::tuple{kProgIdKey, (const wchar_t*)nullptr, std::wstring(kDescription)},
           std::tuple{kProgIdKey + L"\\CLSID", (const wchar_t*)nullptr, clsid},
           std::tuple{kClsidKey, (const wchar_t*)nullptr, std::wstring(kDescription)},
           std::tuple{kClsidKey + L"\\ProgID", (const wchar_t*)nullptr, std::wstring(kProgId)},
           std::tuple{kClsidKey + L"\\InprocServer32", (const wchar_t*)nullptr,
                      std::wstring(path, n)},
           std::tuple{kClsidKey + L"\\InprocServer32", L"ThreadingModel",
                      std::wstring(L"Apartment")}}) {
    if (SetValue(key, name, value) != ERROR_SUCCESS) return SELFREG_E_CLASS;
  }
  return S_OK;
}

HRESULT UnregisterServer() {
  if (DeleteTree(kClsidKey, kOwnView) != ERROR_SUCCESS) return SELFREG_E_CLASS;
  // The other bitness's server still answers to the ProgID while its class is registered.
  if (KeyExists(kClsidKey, kOtherView)) return S_OK;
  return DeleteTree(kProgIdKey, 0) == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

}  // namespace rtd
