// The values tickwell-sheet shows: one row per symbol (a DDE topic), one column per item, each
// cell the last value its link was sent. Spreadsheet names for columns and the formula a
// spreadsheet would hold in each cell.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace sheet {

class Grid {
 public:
  Grid(std::vector<std::string> symbols, std::vector<std::string> items);

  std::size_t Rows() const { return symbols_.size(); }
  std::size_t Columns() const { return items_.size(); }
  const std::string& Symbol(std::size_t row) const { return symbols_[row]; }
  const std::string& Item(std::size_t column) const { return items_[column]; }

  // The cell's value; empty until a value has come for it.
  const std::string& Value(std::size_t row, std::size_t column) const;
  // The row of a topic and the column of an item, found without regard to case as DDE names
  // are; Rows() or Columns() when there is none.
  std::size_t RowOf(const std::string& topic) const;
  std::size_t ColumnOf(const std::string& item) const;
  // Stores a cell's value: text up to its first NUL, without a trailing line break. False when
  // the value is unchanged.
  bool Set(std::size_t row, std::size_t column, const std::string& text);

  // "=SERVICE|SYMBOL!ITEM", the formula a spreadsheet cell holds for this link.
  std::string Formula(const std::string& service, std::size_t row, std::size_t column) const;

 private:
  std::vector<std::string> symbols_;
  std::vector<std::string> items_;
  std::vector<std::string> values_;  // row after row
};

// A spreadsheet's column letters: 0 -> "A", 25 -> "Z", 26 -> "AA".
std::string ColumnName(std::size_t index);

}  // namespace sheet
