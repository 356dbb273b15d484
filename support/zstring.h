// Routines on zero-terminated strings. A null pointer is treated as the empty string throughout.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tickwell {

// 0 for null or empty, else the length.
std::size_t StrLenSafe(const char* text);

// Compares without regard to ASCII letter case: below zero, zero or above zero. A null a gives -1
// when b is non-empty, else 0; a null b gives 1 when a is non-empty, else 0.
int StrICompSafe(const char* a, const char* b);

// Copies src (nothing for null) into dest, which holds destSize bytes; the copy is cut to fit and
// always terminated. Returns dest.
char* StrCopySafe(char* dest, std::size_t destSize, const char* src);
template <std::size_t N>
char* StrCopySafe(char (&dest)[N], const char* src) {
  return StrCopySafe(dest, N, src);
}

// Deletes n characters from start in place: nothing for an empty text or a start at or beyond its
// end; the text is cut at start when the deleted span reaches its end. Returns text.
char* StrDeleteChars(char* text, std::size_t start, std::size_t n);

// The text as a string; empty for null.
std::string StrToStringSafe(const char* text);

// ASCII letter case helpers.
inline char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? char(c - ('a' - 'A')) : c; }
inline char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c; }
bool SameTextAscii(std::string_view a, std::string_view b);

}  // namespace tickwell
