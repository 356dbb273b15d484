// ANSI character classification and case conversion of the user's default locale
// (CharUpperBuffA, CharLowerBuffA, GetStringTypeExA with CT_CTYPE1).
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// CT_CTYPE1 bits.
constexpr std::uint16_t kC1Upper = 0x0001;
constexpr std::uint16_t kC1Lower = 0x0002;
constexpr std::uint16_t kC1Digit = 0x0004;
constexpr std::uint16_t kC1Space = 0x0008;
constexpr std::uint16_t kC1Punct = 0x0010;
constexpr std::uint16_t kC1Cntrl = 0x0020;
constexpr std::uint16_t kC1Blank = 0x0040;
constexpr std::uint16_t kC1Xdigit = 0x0080;
constexpr std::uint16_t kC1Alpha = 0x0100;

// Converts the bytes in place, as the system's ANSI case conversion does.
void ToUpperAnsi(std::string& text);
void ToLowerAnsi(std::string& text);

// The CT_CTYPE1 class of one ANSI character.
std::uint16_t CharType1(unsigned char c);

}  // namespace platform
