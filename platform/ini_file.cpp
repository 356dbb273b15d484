// Numbers in INI files, the same on every platform.
#include "platform/ini_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace platform {

int IniReadInteger(const std::string& file, const std::string& section, const std::string& key,
                   int default_value) {
  std::string text = IniReadString(file, section, key, "");
  if (text.empty()) return default_value;
  errno = 0;
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != '\0' || errno == ERANGE || value < INT_MIN || value > INT_MAX)
    return default_value;
  return static_cast<int>(value);
}

bool IniWriteInteger(const std::string& file, const std::string& section, const std::string& key,
                     int value) {
  return IniWriteString(file, section, key, std::to_string(value));
}

}  // namespace platform
