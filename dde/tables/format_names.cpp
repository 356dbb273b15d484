#include "dde/tables/format_names.h"

#include <iterator>

#include "platform/clipboard_format.h"

namespace tickwell {
namespace {

// The formats the system defines, by number: 1 to 17 in a row, then the display formats.
constexpr const char* kStandardNames[] = {
    "Text",        "Bitmap",      "MetaFilePict", "SYLK",    "DIF",   "TIFF",
    "OEMText",     "DIB",         "Palette",      "PenData", "RIFF",  "Wave",
    "UnicodeText", "EnhMetaFile", "HDrop",        "Locale",  "DIBV5",
};
static_assert(std::size(kStandardNames) == 17);

struct DisplayFormat {
  unsigned number;
  const char* name;
};
constexpr DisplayFormat kDisplayNames[] = {
    {0x0080, "OwnerDisplay"},    {0x0081, "DspText"},        {0x0082, "DspBitmap"},
    {0x0083, "DspMetaFilePict"}, {0x008E, "DspEnhMetaFile"},
};

}  // namespace

const unsigned XlTableFormat = platform::RegisterClipboardFormat("XlTable");

std::string StandardFormatName(unsigned format) {
  if (format >= 1 && format <= std::size(kStandardNames)) return kStandardNames[format - 1];
  for (const DisplayFormat& d : kDisplayNames)
    if (d.number == format) return d.name;
  return {};
}

std::string ClipFormatName(unsigned format) {
  std::string name = StandardFormatName(format);
  if (!name.empty()) return name;
  name = platform::ClipboardFormatName(format);
  if (name.size() > 255) name.resize(255);  // the registry's 256-byte buffer
  return name;
}

}  // namespace tickwell
