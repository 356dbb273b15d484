// 8-bit text (Windows code page 1252) to and from UTF-16, for CF_UNICODETEXT data. The program
// keeps 8-bit text throughout and converts only where UTF-16 crosses the DDE boundary.
#pragma once

#include <string>
#include <string_view>

namespace tickwell {

std::u16string AnsiToUtf16(std::string_view text);
// Characters the code page cannot hold become '?', one per character (a surrogate pair
// included), as the system's conversion does with its default character.
std::string Utf16ToAnsi(std::u16string_view text);

}  // namespace tickwell
