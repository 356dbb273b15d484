#include "platform/charclass.h"

#include <windows.h>

namespace platform {

void ToUpperAnsi(std::string& text) {
  if (!text.empty()) ::CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
}

void ToLowerAnsi(std::string& text) {
  if (!text.empty()) ::CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
}

std::uint16_t CharType1(unsigned char c) {
  char ch = static_cast<char>(c);
  WORD type = 0;
  if (!GetStringTypeExA(LOCALE_USER_DEFAULT, CT_CTYPE1, &ch, 1, &type)) return 0;
  return type;
}

}  // namespace platform
