#include "platform/computer_name.h"

#include <windows.h>

namespace platform {

std::string ComputerName() {
  char name[256] = {};
  DWORD size = sizeof name;
  if (!GetComputerNameA(name, &size)) return std::string();
  return std::string(name, size < sizeof name ? size : sizeof name - 1);
}

}  // namespace platform
