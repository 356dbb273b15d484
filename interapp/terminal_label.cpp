#include "interapp/terminal_label.h"

#include <algorithm>
#include <cstring>

namespace tickwell {
namespace {

bool SafeChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

}  // namespace

std::string SafeTerminalLabel(std::string_view text) {
  std::string label(text.substr(0, kMaxTerminalLabel));
  std::replace_if(
      label.begin(), label.end(), [](char c) { return !SafeChar(c); }, '_');
  return label;
}

bool IsTerminalLabel(std::string_view text) {
  return !text.empty() && text.size() <= kMaxTerminalLabel &&
         std::all_of(text.begin(), text.end(), SafeChar);
}

std::string TerminalMessage(std::string_view label) {
  return std::string(kTerminalTag) + SafeTerminalLabel(label);
}

bool ReadTerminalMessage(const void* data, std::size_t size, std::string& label) {
  if (data == nullptr || size < kTerminalTag.size() ||
      std::memcmp(data, kTerminalTag.data(), kTerminalTag.size()) != 0)
    return false;
  std::string_view rest(static_cast<const char*>(data) + kTerminalTag.size(),
                        size - kTerminalTag.size());
  // A C string's end may travel with it.
  if (const std::size_t nul = rest.find('\0'); nul != std::string_view::npos)
    rest = rest.substr(0, nul);
  label = SafeTerminalLabel(rest);
  return true;
}

std::string Mt5ServiceOf(std::string_view label) { return "MT5_" + std::string(label); }
std::string Mt4ServiceOf(std::string_view label) { return "MT4_" + std::string(label); }

}  // namespace tickwell
