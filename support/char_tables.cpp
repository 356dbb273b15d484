#include "support/char_tables.h"

#include "platform/charclass.h"
#include "platform/locale.h"

namespace tickwell {

std::uint16_t ComputeCharClass(unsigned char c) {
  const std::uint16_t system = platform::CharType1(c);
  std::uint16_t flags = 0;
  if (system & platform::kC1Upper) flags |= kClassUpper;
  if (system & platform::kC1Lower) flags |= kClassLower;
  if (c >= 'A' && c <= 'Z') flags |= kClassAsciiUpper;
  if (c >= 'a' && c <= 'z') flags |= kClassAsciiLower;
  if (system & platform::kC1Punct) flags |= kClassPunct;
  const bool digit = c >= '0' && c <= '9';
  const bool sign = c == '+' || c == '-';
  const bool decimal = digit || sign || c == ',' || c == '.';
  if (digit) flags |= kClassDigit;
  if (digit || sign) flags |= kClassInteger;
  if (decimal) flags |= kClassDecimal;
  if (decimal || c == 'E' || c == 'e') flags |= kClassReal;
  if ((c >= 1 && c <= 47) || (c >= 58 && c <= 64) || (c >= 91 && c <= 95) ||
      (c >= 123 && c <= 126)) {
    flags |= kClassDelimiter;
  }
  if (c < 32) flags |= kClassControl;
  return flags;
}

const TCharTables& CharTables() {
  static const TCharTables tables = [] {
    TCharTables t;
    t.CurrencyFormat = platform::CurrencySymbol() + "###,##0.00";
    std::string upper(256, '\0'), lower(256, '\0');
    for (int c = 0; c < 256; ++c) upper[c] = lower[c] = static_cast<char>(c);
    platform::ToUpperAnsi(upper);
    platform::ToLowerAnsi(lower);
    for (int c = 0; c < 256; ++c) {
      t.UpperCaseTable[c] = static_cast<unsigned char>(upper[c]);
      t.LowerCaseTable[c] = static_cast<unsigned char>(lower[c]);
      t.CharClassTable[c] = ComputeCharClass(static_cast<unsigned char>(c));
    }
    return t;
  }();
  return tables;
}

}  // namespace tickwell
