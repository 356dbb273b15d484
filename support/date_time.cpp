#include "support/date_time.h"

#include <cmath>

#include "platform/locale.h"

namespace tickwell {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

constexpr double kUnixEpochDay = 25569.0;  // 1970-01-01 counted from 1899-12-30

}  // namespace

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

std::int64_t DaysFromCivil(int year, int month, int day) {
  const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

std::int32_t StrToInt(const std::string& text) {
  auto fail = [&]() -> std::int32_t {
    throw EConvertError("'" + text + "' is not a valid integer value");
  };
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return fail();
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit =
        base == 16 ? HexValue(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
    if (digit < 0) return fail();
    value = value * base + digit;
    if (value > 2147483648LL) return fail();  // stop before the value can overflow
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return fail();
  return static_cast<std::int32_t>(value);
}

double UnixSecondsToDayNumber(std::int32_t seconds) { return seconds / 86400.0 + kUnixEpochDay; }

double EncodeDayNumber(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<double>(DaysFromCivil(year, month, day)) + kUnixEpochDay +
         (hour * 3600 + minute * 60 + second) / 86400.0;
}

std::string FormatDayNumber(double day_number) {
  std::int64_t days = static_cast<std::int64_t>(std::floor(day_number));
  std::int64_t ms = std::llround((day_number - static_cast<double>(days)) * 86400000.0);
  if (ms >= 86400000) {
    ++days;
    ms -= 86400000;
  }
  int year = 0, month = 0, day = 0;
  CivilFromDays(days - static_cast<std::int64_t>(kUnixEpochDay), year, month, day);
  std::string text = platform::FormatShortDate(year, month, day);
  if (ms != 0) {
    const std::int64_t secs = ms / 1000;
    text += ' ';
    text += platform::FormatLongTime(static_cast<int>(secs / 3600),
                                     static_cast<int>(secs / 60 % 60), static_cast<int>(secs % 60));
  }
  return text;
}

}  // namespace tickwell
