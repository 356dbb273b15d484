#include "rtd/win32/registration.h"

#include <olectl.h>

#include <string>
#include <vector>

#include "rtd/win32/rtd_interfaces.h"

namespace rtd {
namespace {

const std::wstring kClsidKey = std::wstring(L"CLSID\\") + kClsidText;
constexpr wchar_t kDescription[] = L"Tickwell quotes (real-time data)";
constexpr wchar_t kPerUser[] = L"Software\\Classes\\";

#ifdef _WIN64
constexpr REGSAM kOtherView = KEY_WOW64_32KEY;
#else
constexpr REGSAM kOtherView = KEY_WOW64_64KEY;
#endif

// A tree of class keys: under HKCU\Software\Classes, or under HKEY_CLASSES_ROOT itself.
struct Classes {
  HKEY root;
  std::wstring prefix;
  std::wstring Key(const std::wstring& key) const { return prefix + key; }
};
const Classes kUser{HKEY_CURRENT_USER, kPerUser};
const Classes kRoot{HKEY_CLASSES_ROOT, L""};

LONG SetValue(const Classes& at, const std::wstring& key, const wchar_t* name,
              const std::wstring& value) {
  HKEY handle = nullptr;
  LONG result = RegCreateKeyExW(at.root, at.Key(key).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                &handle, nullptr);
  if (result != ERROR_SUCCESS) return result;
  result = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return result;
}

bool Write(const Classes& at, const std::wstring& path) {
  struct Entry {
    std::wstring key;
    const wchar_t* name;
    std::wstring value;
  };
  const std::vector<Entry> entries = {
      {kProgId, nullptr, kDescription},
      {std::wstring(kProgId) + L"\\CLSID", nullptr, kClsidText},
      {kClsidKey, nullptr, kDescription},
      {kClsidKey + L"\\ProgID", nullptr, kProgId},
      {kClsidKey + L"\\InprocServer32", nullptr, path},
      {kClsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"}};
  for (const Entry& e : entries)
    if (SetValue(at, e.key, e.name, e.value) != ERROR_SUCCESS) return false;
  return true;
}

bool Exists(const Classes& at, const std::wstring& key, REGSAM view = 0) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(at.root, at.Key(key).c_str(), 0, KEY_READ | view, &handle) != ERROR_SUCCESS)
    return false;
  RegCloseKey(handle);
  return true;
}

std::wstring ServerPath(const Classes& at) {
  wchar_t value[MAX_PATH] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  if (RegGetValueW(at.root, at.Key(kClsidKey + L"\\InprocServer32").c_str(), nullptr, RRF_RT_REG_SZ,
                   nullptr, value, &size) != ERROR_SUCCESS)
    return {};
  return value;
}

bool DeleteTree(const Classes& at, const std::wstring& key, REGSAM view = 0) {
  HKEY handle = nullptr;
  LONG result = RegOpenKeyExW(at.root, at.Key(key).c_str(), 0, KEY_ALL_ACCESS | view, &handle);
  if (result == ERROR_FILE_NOT_FOUND) return true;
  if (result != ERROR_SUCCESS) return false;
  result = RegDeleteTreeW(handle, nullptr);
  RegCloseKey(handle);
  if (result != ERROR_SUCCESS) return false;
  result = RegDeleteKeyExW(at.root, at.Key(key).c_str(), view, 0);
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

// The class and, unless the other bitness's server still answers to it, the ProgID.
bool Remove(const Classes& at) {
  if (!DeleteTree(at, kClsidKey)) return false;
  if (Exists(kUser, kClsidKey, kOtherView) || Exists(kRoot, kClsidKey, kOtherView)) return true;
  return DeleteTree(at, kProgId);
}

std::wstring ModulePath(HMODULE module) {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
  return n == 0 || n >= MAX_PATH ? std::wstring() : std::wstring(path, n);
}

}  // namespace

HRESULT RegisterServer(HMODULE module) {
  const std::wstring path = ModulePath(module);
  if (path.empty() || !Write(kUser, path)) return SELFREG_E_CLASS;
  // Windows shows per-user classes in HKEY_CLASSES_ROOT. Wine does not: there the class goes
  // into HKEY_CLASSES_ROOT too, or COM would never find it.
  if (ServerPath(kRoot) != path && !Write(kRoot, path)) return SELFREG_E_CLASS;
  return S_OK;
}

HRESULT UnregisterServer(HMODULE module) {
  const std::wstring path = ModulePath(module);
  if (!Remove(kUser)) return SELFREG_E_CLASS;
  // The copy made for Wine, recognised by its path; a class someone else registered stays.
  if (!path.empty() && ServerPath(kRoot) == path && !Remove(kRoot)) return SELFREG_E_CLASS;
  return S_OK;
}

}  // namespace rtd
