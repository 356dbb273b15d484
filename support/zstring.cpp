#include "support/zstring.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace tickwell {

std::size_t StrLenSafe(const char* text) { return text == nullptr ? 0 : std::strlen(text); }

int StrICompSafe(const char* a, const char* b) {
  if (a == nullptr) return StrLenSafe(b) > 0 ? -1 : 0;
  if (b == nullptr) return StrLenSafe(a) > 0 ? 1 : 0;
  for (;; ++a, ++b) {
    // Compared as upper case, so letters order before '[' .. '`' as in the classic routine.
    const unsigned char ca = static_cast<unsigned char>(AsciiUpper(*a));
    const unsigned char cb = static_cast<unsigned char>(AsciiUpper(*b));
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

char* StrCopySafe(char* dest, std::size_t destSize, const char* src) {
  if (dest == nullptr || destSize == 0) return dest;
  const std::size_t n = std::min(StrLenSafe(src), destSize - 1);
  if (n > 0) std::memmove(dest, src, n);
  dest[n] = '\0';
  return dest;
}

char* StrDeleteChars(char* text, std::size_t start, std::size_t n) {
  const std::size_t length = StrLenSafe(text);
  if (length == 0 || start >= length) return text;
  if (n >= length - start) {
    text[start] = '\0';
  } else {
    std::memmove(text + start, text + start + n, length - start - n + 1);
  }
  return text;
}

std::string StrToStringSafe(const char* text) { return text == nullptr ? std::string() : text; }

bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

}  // namespace tickwell
