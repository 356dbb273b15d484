// The spreadsheet table format "XlTable" and the small text notation it is made from.
//
// Notation: an optional size prefix "{columns,rows}", else the size comes from the item's name
// ("R1C1:R2C3", or one cell for a name without ":"); then groups separated by ";", each a type
// letter, a count and that many values separated by ",": F floats, S strings, L logicals,
// E error codes, I integers, B a run of blanks, K a run of skipped cells. Text that is not a
// single valid group is one cell, a number when it reads as one, else a string.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tickwell {

// The letters of the notation.
class TDDEExcelInfo {
 public:
  std::string FColLetter = "C";
  std::string FRowLetter = "R";
  char FloatLetter = 'F';
  char StringLetter = 'S';
  char BooleanLetter = 'L';
  char BlankLetter = 'B';
  char ErrorLetter = 'E';
  char IntegerLetter = 'I';
  char SkipLetter = 'K';

  // The seven group letters: "FSLBEIK".
  std::string GetTypeLetters() const;
  // The letters of the groups that carry values.
  static constexpr const char* kValueLetters = "FSLEI";
};

// The one set of letters the program uses.
TDDEExcelInfo& ExcelInfo();

// Record types of the table format.
enum TXlTableRecord : std::uint16_t {
  tdtFloat = 1,
  tdtString = 2,
  tdtBool = 3,
  tdtError = 4,
  tdtBlank = 5,
  tdtInt = 6,
  tdtSkip = 7,
  tdtTable = 16,
};

// Writes the table for text into out (emptied first), sizing it from itemName when the text has
// no size prefix. Raises ETarvoError for bad notation; bytes written before a bad value of a
// group stay in out.
void WriteXlTable(std::string_view itemName, std::string_view text, std::vector<std::uint8_t>& out);

// Rows and columns of a "R1C1:R2C2" item name (or 1 and 1 without ":"); false when the name
// gives no usable size.
bool XlTableSizeFromName(std::string_view itemName, std::uint16_t& rows, std::uint16_t& columns);

}  // namespace tickwell
