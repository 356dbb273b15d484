// Character tables built once from the user's locale when the program starts: upper and lower
// case of every ANSI character, a class word per character, and the currency display format.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tickwell {

// Class bits of CharClassTable.
enum : std::uint16_t {
  kClassUpper = 0x0001,       // the system says upper case
  kClassLower = 0x0002,       // the system says lower case
  kClassAsciiUpper = 0x0004,  // "A" to "Z"
  kClassAsciiLower = 0x0008,  // "a" to "z"
  kClassPunct = 0x0010,       // the system says punctuation
  kClassDigit = 0x0020,       // "0" to "9"
  kClassInteger = 0x0040,     // sign or digit
  kClassDecimal = 0x0080,     // sign, comma, point or digit
  kClassReal = 0x0100,        // as decimal, or "E"/"e"
  kClassDelimiter = 0x0200,   // 1-47, 58-64, 91-95, 123-126
  kClassControl = 0x0400,     // below 32
};

struct TCharTables {
  std::array<unsigned char, 256> UpperCaseTable;
  std::array<unsigned char, 256> LowerCaseTable;
  std::array<std::uint16_t, 256> CharClassTable;
  std::string CurrencyFormat;  // the locale's currency symbol then "###,##0.00"
};

// Built on first use from the locale at that moment, then never changed.
const TCharTables& CharTables();

// The class word of one character, as the tables above compute it (exposed for testing).
std::uint16_t ComputeCharClass(unsigned char c);

}  // namespace tickwell
