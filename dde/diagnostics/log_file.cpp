#include "dde/diagnostics/log_file.h"

#include <cstdio>
#include <ctime>

#include "support/date_time.h"

namespace tickwell {
namespace {

constexpr int kMaxRotations = 999;

// Days since 1899-12-30 of a calendar date (proleptic Gregorian).
long DaysOf(int year, int month, int day) {
  year -= month <= 2;
  const long era = (year >= 0 ? year : year - 399) / 400;
  const long year_of_era = year - era * 400;
  const long day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468 + 25569;  // to 1970-01-01, then to 1899-12-30
}

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
  const double day_number = DaysOf(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
                            (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) / 86400.0;
  return FormatDayNumber(day_number);
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
