// INI-format files (GetPrivateProfileStringA, WritePrivateProfileStringA): "[Section]" headers
// followed by "Key=Value" lines; section and key names are compared without regard to case.
// Paths are always full paths.
#pragma once

#include <string>

namespace platform {

// The value of key in section, or default_value when the file, the section or the key is
// missing.
std::string IniReadString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& default_value);

// Sets key in section, creating the file and the section when missing. False when the file
// cannot be written.
bool IniWriteString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value);

// The value as a signed decimal integer; default_value when missing or not a whole number.
int IniReadInteger(const std::string& file, const std::string& section, const std::string& key,
                   int default_value);

bool IniWriteInteger(const std::string& file, const std::string& section, const std::string& key,
                     int value);

}  // namespace platform
