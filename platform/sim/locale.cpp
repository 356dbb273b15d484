// The model's locale is English (United States): "M/d/yyyy", "h:mm:ss tt" and "$".
#include "platform/locale.h"

#include <cstdio>

namespace platform {

std::string FormatShortDate(int year, int month, int day) {
  char text[32];
  std::snprintf(text, sizeof text, "%d/%d/%04d", month, day, year);
  return text;
}

std::string FormatLongTime(int hour, int minute, int second) {
  const int twelve = hour % 12 == 0 ? 12 : hour % 12;
  char text[32];
  std::snprintf(text, sizeof text, "%d:%02d:%02d %s", twelve, minute, second,
                hour < 12 ? "AM" : "PM");
  return text;
}

std::string CurrencySymbol() { return "$"; }

}  // namespace platform
