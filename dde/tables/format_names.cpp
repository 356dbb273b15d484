#include "dde/tables/format_names.h"

#include <iterator>

#include "platform/clipboard_format.h"

namespace tickwell {
namespace {

constexpr const char* kStandardNames[] = {
    "Text",    "Bitmap", "MetaFilePict", "SYLK",    "DIF",  "TIFF",
    "OEMText", "DIB",    "Palette",      "PenData", "RIFF", "Wave",
};
static_assert(std::size(kStandardNames) == platform::kCfWave);

}  // namespace

const unsigned XlTableFormat = platform::RegisterClipboardFormat("XlTable");

std::string StandardFormatName(unsigned format) {
  if (format >= platform::kCfText && format <= platform::kCfWave) return kStandardNames[format - 1];
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
