// Turning DDE data into printable text, and text into data to poke.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace watch {

// CF_TEXT: the bytes up to the first NUL.
std::string TextValue(const std::vector<std::uint8_t>& bytes);

// CF_UNICODETEXT (UTF-16LE) as UTF-8; an odd byte count or a broken surrogate is reported in
// the text rather than guessed at.
std::string UnicodeValue(const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> UnicodeBytes(const std::string& utf8_or_ansi);

// XlTable: cells separated by tabs, rows by " | "; a malformed table gives "<bad XlTable: ...>".
std::string XlTableValue(const std::vector<std::uint8_t>& bytes);

}  // namespace watch
