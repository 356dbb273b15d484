#include "app/settings.h"

#include <cstdlib>

#include "dde/model/names.h"
#include "platform/ini_file.h"
#include "platform/shell.h"

namespace tickwell {
namespace {

constexpr char kSection[] = "MT4";
constexpr char kMt5Service[] = "MT5";

}  // namespace

std::string TSettings::DefaultFile() {
  const char* appdata = std::getenv("APPDATA");
  if (appdata != nullptr && *appdata != '\0')
    return std::string(appdata) + "\\Tickwell\\tickwell.ini";
  return platform::ProgramFolder() + "tickwell.ini";
}

TSettings TSettings::Read(const std::string& file) {
  TSettings s;
  s.Mt4Enabled = platform::IniReadInteger(file, kSection, "Enabled", 1) != 0;
  const std::string name = platform::IniReadString(file, kSection, "Service", s.Mt4Service);
  if (!name.empty() && !SameName(name, kMt5Service)) s.Mt4Service = name;
  return s;
}

bool TSettings::Write(const std::string& file) const {
  return platform::IniWriteInteger(file, kSection, "Enabled", Mt4Enabled ? 1 : 0) &&
         platform::IniWriteString(file, kSection, "Service", Mt4Service);
}

}  // namespace tickwell
