// The fields a cell may ask for, the DDE items that carry them, and the values cells show.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rtd/cell_value.h"

namespace rtd {

enum class Field { Bid, Ask, Last, Time, Volume, Quote, High, Low };

// The field named, in any case; nothing for an unknown name.
std::optional<Field> ParseField(std::string_view name);

// The DDE item of Tickwell's service that carries the field.
const char* ItemName(Field field);

// The cell value of an item's text as Tickwell sends it: prices and volume as numbers, TIME
// (Unix seconds) as an Excel date and time, QUOTE as text. The text ends at its first NUL and
// loses a trailing line break; an empty text is "no quote yet", and a value that is not the
// number it should be is shown as the text it is rather than lost.
CellValue ValueOf(Field field, std::string_view text);

// A formula's arguments after the ProgID: a symbol, a field and optionally the terminal's label
// (absent or empty: the default terminal).
struct TopicRequest {
  bool valid = false;
  std::string symbol;
  Field field = Field::Bid;
  std::string terminal;  // as the cell spelt it; empty for the default terminal
  CellValue error;       // what the cell shows when not valid
};
TopicRequest ParseTopic(const std::vector<std::string>& arguments);

// What the cells of a symbol show while Tickwell cannot be reached.
CellValue NotRunningValue();

}  // namespace rtd
