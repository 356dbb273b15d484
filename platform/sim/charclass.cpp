// The model classifies characters as Windows does for code page 1252.
#include "platform/charclass.h"

#include <array>

#include "platform/cp1252_tables.h"

namespace platform {
namespace {

using cp1252::kCtype1;
using cp1252::kUpper;

// Lower case is the inverse of the upper-case mapping: cp1252 pairs each capital with one small
// letter.
std::array<unsigned char, 256> MakeLower() {
  std::array<unsigned char, 256> lower{};
  for (int c = 0; c < 256; ++c) lower[c] = static_cast<unsigned char>(c);
  for (int c = 0; c < 256; ++c) {
    if (kUpper[c] != c) lower[kUpper[c]] = static_cast<unsigned char>(c);
  }
  return lower;
}

const std::array<unsigned char, 256> kLower = MakeLower();

}  // namespace

void ToUpperAnsi(std::string& text) {
  for (char& ch : text) ch = static_cast<char>(kUpper[static_cast<unsigned char>(ch)]);
}

void ToLowerAnsi(std::string& text) {
  for (char& ch : text) ch = static_cast<char>(kLower[static_cast<unsigned char>(ch)]);
}

std::uint16_t CharType1(unsigned char c) { return kCtype1[c]; }

}  // namespace platform
