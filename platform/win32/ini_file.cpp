#include "platform/ini_file.h"

#include <windows.h>

#include <vector>

namespace platform {

std::string IniReadString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& default_value) {
  std::vector<char> buffer(1024);
  for (;;) {
    DWORD n =
        GetPrivateProfileStringA(section.c_str(), key.c_str(), default_value.c_str(), buffer.data(),
                                 static_cast<DWORD>(buffer.size()), file.c_str());
    // n == size - 1 means the value was cut to fit.
    if (n + 1 < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 4);
  }
}

bool IniWriteString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != 0;
}

}  // namespace platform
