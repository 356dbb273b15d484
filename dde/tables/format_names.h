// Names of clipboard formats, and the spreadsheet table format registered at start-up.
#pragma once

#include <string>

namespace tickwell {

// The number of the registered "XlTable" format, kept from program start-up (0 when the
// registration failed).
extern const unsigned XlTableFormat;

// The name of every format the system defines: "Text", "Bitmap" ... "Wave" for 1 to 12, then
// "UnicodeText", "EnhMetaFile", "HDrop", "Locale", "DIBV5" and the display formats; empty text
// for any other number.
std::string StandardFormatName(unsigned format);

// The standard name, else the registered name (at most 255 characters), else empty text.
std::string ClipFormatName(unsigned format);

}  // namespace tickwell
