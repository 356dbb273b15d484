#include <windows.h>

#include "platform/clipboard_format.h"

namespace platform {

static_assert(kCfText == CF_TEXT && kCfUnicodeText == CF_UNICODETEXT && kCfWave == CF_WAVE);

unsigned RegisterClipboardFormat(const std::string& name) {
  if (name.empty()) return 0;
  return ::RegisterClipboardFormatA(name.c_str());
}

std::string ClipboardFormatName(unsigned format) {
  char buffer[256];
  int length = ::GetClipboardFormatNameA(format, buffer, sizeof buffer);
  return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

}  // namespace platform
