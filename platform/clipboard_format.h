// The clipboard-format registry (RegisterClipboardFormatA, GetClipboardFormatNameA) and the
// standard format numbers, which are fixed by the platform.
#pragma once

#include <string>

// <windows.h> maps this name to its A/W form; the platform's function keeps the plain name.
#ifdef RegisterClipboardFormat
#undef RegisterClipboardFormat
#endif

namespace platform {

constexpr unsigned kCfText = 1;
constexpr unsigned kCfBitmap = 2;
constexpr unsigned kCfMetafilePict = 3;
constexpr unsigned kCfSylk = 4;
constexpr unsigned kCfDif = 5;
constexpr unsigned kCfTiff = 6;
constexpr unsigned kCfOemText = 7;
constexpr unsigned kCfDib = 8;
constexpr unsigned kCfPalette = 9;
constexpr unsigned kCfPenData = 10;
constexpr unsigned kCfRiff = 11;
constexpr unsigned kCfWave = 12;
constexpr unsigned kCfUnicodeText = 13;

// The number of a registered format, 0xC000 to 0xFFFF; the same name without regard to case
// gives the same number. 0 on failure (an empty name included).
unsigned RegisterClipboardFormat(const std::string& name);

// The registered name of a format; empty for the standard formats and unknown numbers.
std::string ClipboardFormatName(unsigned format);

}  // namespace platform
