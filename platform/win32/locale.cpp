#include "platform/locale.h"

#include <windows.h>

namespace platform {
namespace {

SYSTEMTIME MakeTime(int year, int month, int day, int hour, int minute, int second) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  st.wHour = static_cast<WORD>(hour);
  st.wMinute = static_cast<WORD>(minute);
  st.wSecond = static_cast<WORD>(second);
  return st;
}

}  // namespace

std::string FormatShortDate(int year, int month, int day) {
  SYSTEMTIME st = MakeTime(year, month, day, 0, 0, 0);
  char text[128];
  int n = GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, sizeof text);
  return n > 0 ? std::string(text, n - 1) : std::string();
}

std::string FormatLongTime(int hour, int minute, int second) {
  SYSTEMTIME st = MakeTime(2000, 1, 1, hour, minute, second);
  char text[128];
  int n = GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, text, sizeof text);
  return n > 0 ? std::string(text, n - 1) : std::string();
}

std::string CurrencySymbol() {
  char text[16];
  int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SCURRENCY, text, sizeof text);
  return n > 0 ? std::string(text, n - 1) : std::string();
}

}  // namespace platform
