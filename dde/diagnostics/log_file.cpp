#include "dde/diagnostics/log_file.h"

#include <cstdio>
#include <ctime>

#include "support/date_time.h"

namespace tickwell {
namespace {

constexpr int kMaxRotations = 999;

}  // namespace

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  const std::size_t name_start = path.find_last_of("\\/:");
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (name_start != std::string::npos && dot < name_start))
    return path + ext;
  return path.substr(0, dot) + ext;
}

std::string CurrentDateTimeText() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return FormatDayNumber(EncodeDayNumber(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                         local.tm_hour, local.tm_min, local.tm_sec));
}

platform::IoResult AppendLogLine(const std::string& file_name, const std::string& line) {
  std::string bytes;
  if (!platform::FileExists(file_name)) {
    bytes =
        "Velmar Software\r\n"
        "Brenna DDEML Manager Component - Debug File Output\r\n"
        "As at " +
        CurrentDateTimeText() + "\r\n\r\n\r\n";
  }
  bytes += line;
  bytes += "\r\n";
  return platform::AppendToFile(file_name, bytes);
}

std::string RotateLog(const std::string& file_name) {
  if (!platform::FileExists(file_name)) return {};
  for (int n = 1; n <= kMaxRotations; ++n) {
    char ext[8];
    std::snprintf(ext, sizeof ext, ".%03d", n);
    std::string candidate = ChangeFileExt(file_name, ext);
    if (platform::FileExists(candidate)) continue;
    return platform::RenameFile(file_name, candidate) ? candidate : std::string();
  }
  return {};
}

}  // namespace tickwell
