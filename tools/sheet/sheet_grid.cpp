#include "tools/sheet/sheet_grid.h"

#include "support/zstring.h"

namespace sheet {
namespace {

template <typename List>
std::size_t Find(const List& names, const std::string& name) {
  for (std::size_t i = 0; i < names.size(); ++i)
    if (tickwell::SameTextAscii(names[i], name)) return i;
  return names.size();
}

}  // namespace

Grid::Grid(std::vector<std::string> symbols, std::vector<std::string> items)
    : symbols_(std::move(symbols)),
      items_(std::move(items)),
      values_(symbols_.size() * items_.size()) {}

const std::string& Grid::Value(std::size_t row, std::size_t column) const {
  return values_[row * items_.size() + column];
}

std::size_t Grid::RowOf(const std::string& topic) const { return Find(symbols_, topic); }
std::size_t Grid::ColumnOf(const std::string& item) const { return Find(items_, item); }

bool Grid::Set(std::size_t row, std::size_t column, const std::string& text) {
  std::string value = text.substr(0, text.find('\0'));
  while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) value.pop_back();
  std::string& cell = values_[row * items_.size() + column];
  if (cell == value) return false;
  cell = std::move(value);
  return true;
}

std::string Grid::Formula(const std::string& service, std::size_t row, std::size_t column) const {
  return "=" + service + "|" + symbols_[row] + "!" + items_[column];
}

std::string ColumnName(std::size_t index) {
  std::string name;
  for (std::size_t n = index + 1; n > 0; n = (n - 1) / 26)
    name.insert(name.begin(), static_cast<char>('A' + (n - 1) % 26));
  return name;
}

}  // namespace sheet
