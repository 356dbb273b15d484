#include "platform/shell.h"

#include <windows.h>
// shellapi.h needs windows.h before it.
#include <shellapi.h>

namespace platform {

bool ShellOpen(Hwnd parent, const std::string& target) {
  HINSTANCE result = ShellExecuteA(reinterpret_cast<HWND>(parent), "open", target.c_str(), nullptr,
                                   nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

std::string ProgramFolder() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path, n);
  auto cut = folder.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : folder.substr(0, cut + 1);
}

}  // namespace platform
