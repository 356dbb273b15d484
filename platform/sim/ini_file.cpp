// The model keeps the Windows profile-file rules the callers see: names compared without regard
// to case, blanks around names and values ignored, one pair of enclosing quotes dropped on
// reading, other lines and sections kept as they were on writing, CR LF line ends.
#include "platform/ini_file.h"

#include <strings.h>

#include <string_view>
#include <vector>

#include "platform/files.h"

namespace platform {
namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::vector<std::string> Lines(const std::string& file) {
  std::vector<std::string> lines;
  std::string bytes;
  if (!ReadWholeFile(file, bytes)) return lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// The section name of a "[name]" line, or nothing.
bool SectionOf(const std::string& line, std::string_view& name) {
  std::string_view text = Trim(line);
  if (text.size() < 2 || text.front() != '[') return false;
  std::size_t close = text.find(']');
  if (close == std::string_view::npos) return false;
  name = Trim(text.substr(1, close - 1));
  return true;
}

// Splits a "key=value" line.
bool PairOf(const std::string& line, std::string_view& key, std::string_view& value) {
  std::size_t equals = line.find('=');
  if (equals == std::string::npos) return false;
  std::string_view text(line);
  key = Trim(text.substr(0, equals));
  value = Trim(text.substr(equals + 1));
  return true;
}

}  // namespace

std::string IniReadString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& default_value) {
  bool inside = false;
  for (const std::string& line : Lines(file)) {
    std::string_view name, found_key, value;
    if (SectionOf(line, name)) {
      inside = SameName(name, section);
    } else if (inside && PairOf(line, found_key, value) && SameName(found_key, key)) {
      if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
          value.back() == value.front())
        value = value.substr(1, value.size() - 2);
      return std::string(value);
    }
  }
  return default_value;
}

bool IniWriteString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value) {
  std::vector<std::string> lines = Lines(file);
  const std::string pair = key + "=" + value;
  bool inside = false;
  std::size_t section_end = lines.size();  // where a new key of the section goes
  bool section_found = false;
  bool written = false;
  for (std::size_t i = 0; i < lines.size() && !written; ++i) {
    std::string_view name, found_key, found_value;
    if (SectionOf(lines[i], name)) {
      if (inside) break;
      inside = SameName(name, section);
      if (inside) {
        section_found = true;
        section_end = i + 1;
      }
    } else if (inside) {
      if (PairOf(lines[i], found_key, found_value) && SameName(found_key, key)) {
        lines[i] = pair;
        written = true;
      } else if (!Trim(lines[i]).empty()) {
        section_end = i + 1;
      }
    }
  }
  if (!written) {
    if (section_found) {
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(section_end), pair);
    } else {
      lines.push_back("[" + section + "]");
      lines.push_back(pair);
    }
  }
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\r\n";
  return static_cast<bool>(WriteWholeFile(file, bytes));
}

}  // namespace platform
