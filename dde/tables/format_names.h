// Names of clipboard formats, and the spreadsheet table format registered at start-up.
#pragma once

#include <string>

namespace tickwell {

// The number of the registered "XlTable" format, kept from program start-up (0 when the
// registration failed).
extern const unsigned XlTableFormat;

// "Text", "Bitmap" ... "Wave" for the standard formats 1 to 12; empty text for any other number.
std::string StandardFormatName(unsigned format);

// The standard name, else the registered name (at most 255 characters), else empty text.
std::string ClipFormatName(unsigned format);

}  // namespace tickwell
