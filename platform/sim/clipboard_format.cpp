// The model's format registry: one process-wide table, numbers from 0xC000 up, names matched
// without regard to ASCII case as the system's atom table matches them.
#include "platform/clipboard_format.h"

#include <map>

#include "platform/sim/ddeml_state.h"

namespace platform {

unsigned RegisterClipboardFormat(const std::string& name) {
  if (name.empty() || name.size() > 255) return 0;
  auto& names = sim::FormatNames();
  std::string key = sim::FoldCase(name);
  for (const auto& [number, text] : names)
    if (sim::FoldCase(text) == key) return number;
  unsigned number = 0xC000 + static_cast<unsigned>(names.size());
  if (number > 0xFFFF) return 0;
  names.emplace(number, name);
  return number;
}

std::string ClipboardFormatName(unsigned format) {
  auto& names = sim::FormatNames();
  auto found = names.find(format);
  return found == names.end() ? std::string() : found->second;
}

}  // namespace platform
