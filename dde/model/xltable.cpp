#include "dde/model/xltable.h"

#include <cstring>

#include "dde/model/names.h"
#include "dde/tables/exceptions.h"
#include "support/string_class.h"

namespace tickwell {
namespace {

constexpr const char* kNoSize = "No XlTable related Column/Row info detected";
constexpr const char* kNoGroups = "Invalid XlTable data value";
constexpr const char* kBadGroup = "Xltable Invalid data";
// A string cell's length byte holds at most 255: longer values are cut to their first 255
// characters rather than refused, so a long text still reaches the sheet.
constexpr std::size_t kMaxCellString = 255;

std::vector<std::string_view> SplitKeepEmpty(std::string_view text, char sep) {
  std::vector<std::string_view> parts;
  if (text.empty()) return parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find(sep, start);
    parts.push_back(text.substr(start, at == std::string_view::npos ? text.npos : at - start));
    if (at == std::string_view::npos) return parts;
    start = at + 1;
  }
}

TStringClass Working(std::string_view text) {
  TStringClass s;
  s.SetText(text);
  return s;
}

bool ParseWord(std::string_view text, std::uint16_t& value) {
  std::int32_t n = 0;
  if (!Working(text).AsInteger(n) || n < 0 || n > 0xFFFF) return false;
  value = static_cast<std::uint16_t>(n);
  return true;
}

bool ParseDouble(std::string_view text, double& value) { return Working(text).AsFloat(value); }

// One side of a cell range: the row letter, the row number, the column letter, the column
// number.
bool ParseCellRef(std::string_view side, std::uint16_t& row, std::uint16_t& column) {
  const TDDEExcelInfo& info = ExcelInfo();
  const std::size_t r = side.find(info.FRowLetter);
  const std::size_t c = side.find(info.FColLetter);
  if (r == side.npos || c == side.npos || c < 1) return false;
  return ParseWord(side.substr(1, c - 1), row) &&
         ParseWord(side.substr(c + info.FColLetter.size()), column);
}

struct Writer {
  std::vector<std::uint8_t>& out;
  void Word(std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void Record(std::uint16_t type, std::size_t count) {
    // A record's byte count is 16 bits: a bigger group would corrupt every record after it.
    if (count > 0xFFFF) throw ETarvoError("Invalid XlTable data - group too large");
    Word(type);
    Word(static_cast<std::uint16_t>(count));
  }
  void Double(double v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
  }
  void String(std::string_view s) {
    if (s.size() > kMaxCellString) s = s.substr(0, kMaxCellString);
    out.push_back(static_cast<std::uint8_t>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
  }
};

struct Group {
  char letter = 0;
  std::uint16_t count = 0;
  std::vector<std::string_view> values;
};

bool ParseXlGroup(std::string_view text, Group& group) {
  const auto parts = SplitKeepEmpty(text, ',');
  if (parts.size() < 2 || parts[0].size() != 1) return false;
  const char letter = FoldNameChar(parts[0][0]);
  if (ExcelInfo().GetTypeLetters().find(letter) == std::string::npos) return false;
  if (!ParseWord(parts[1], group.count)) return false;
  const bool carriesValues = std::strchr(TDDEExcelInfo::kValueLetters, letter) != nullptr;
  if (carriesValues && parts.size() != std::size_t(group.count) + 2) return false;
  group.letter = letter;
  group.values.assign(parts.begin() + 2, carriesValues ? parts.end() : parts.begin() + 2);
  return true;
}

void WriteWords(Writer& w, std::uint16_t type, const Group& g, const char* bad) {
  w.Record(type, 2 * g.values.size());
  for (std::string_view v : g.values) {
    std::int32_t n = 0;
    if (!Working(v).AsInteger(n)) throw ETarvoError(bad);
    w.Word(static_cast<std::uint16_t>(n));
  }
}

void WriteGroup(Writer& w, const Group& g) {
  const TDDEExcelInfo& info = ExcelInfo();
  if (g.letter == info.FloatLetter) {
    w.Record(tdtFloat, 8 * g.values.size());
    for (std::string_view v : g.values) {
      double d = 0;
      if (!ParseDouble(v, d)) throw ETarvoError("Invalid XlTable data - not a double");
      w.Double(d);
    }
  } else if (g.letter == info.StringLetter) {
    std::size_t count = 0;
    for (std::string_view v : g.values) count += std::min(v.size(), kMaxCellString) + 1;
    w.Record(tdtString, count);
    for (std::string_view v : g.values) w.String(v);
  } else if (g.letter == info.BooleanLetter) {
    w.Record(tdtBool, 2 * g.values.size());
    for (std::string_view v : g.values) {
      bool b = false;
      if (!Working(v).AsBoolean(b)) throw ETarvoError("Invalid XlTable data - not a boolean");
      w.Word(b ? 1 : 0);
    }
  } else if (g.letter == info.ErrorLetter) {
    // Error values have a record type of their own; as integers a sheet would show them as
    // plain numbers.
    WriteWords(w, tdtError, g, "Invalid XlTable data - not an error code");
  } else if (g.letter == info.IntegerLetter) {
    WriteWords(w, tdtInt, g, "Invalid XlTable data - not an integer");
  } else {
    w.Record(g.letter == info.BlankLetter ? tdtBlank : tdtSkip, 2);
    w.Word(g.count);
  }
}

}  // namespace

std::string TDDEExcelInfo::GetTypeLetters() const {
  return {FloatLetter, StringLetter,  BooleanLetter, BlankLetter,
          ErrorLetter, IntegerLetter, SkipLetter};
}

TDDEExcelInfo& ExcelInfo() {
  static TDDEExcelInfo info;
  return info;
}

bool XlTableSizeFromName(std::string_view itemName, std::uint16_t& rows, std::uint16_t& columns) {
  std::string name(itemName);
  for (char& c : name) c = FoldNameChar(c);
  const std::size_t colon = name.find(':');
  if (colon == std::string::npos) {
    rows = columns = 1;
    return true;
  }
  std::uint16_t r1, c1, r2, c2;
  if (!ParseCellRef(std::string_view(name).substr(0, colon), r1, c1) ||
      !ParseCellRef(std::string_view(name).substr(colon + 1), r2, c2) || r2 < r1 || c2 < c1)
    return false;
  // The whole sheet's range would need a count of 65536, which the record cannot carry.
  if (r2 - r1 + 1 > 0xFFFF || c2 - c1 + 1 > 0xFFFF) return false;
  rows = static_cast<std::uint16_t>(r2 - r1 + 1);
  columns = static_cast<std::uint16_t>(c2 - c1 + 1);
  return true;
}

void WriteXlTable(std::string_view itemName, std::string_view text,
                  std::vector<std::uint8_t>& out) {
  out.clear();
  Writer w{out};

  // 1. The size: from a prefix when it is valid, else from the item's name. A prefix is cut
  // from the text whether or not its inside is valid.
  std::uint16_t rows = 0, columns = 0;
  bool sized = false;
  if (!text.empty() && text.front() == '{') {
    const std::size_t close = text.find('}');
    if (close != text.npos) {
      const auto inside = SplitKeepEmpty(text.substr(1, close - 1), ',');
      sized = inside.size() == 2 && ParseWord(inside[0], columns) && ParseWord(inside[1], rows);
      text.remove_prefix(close + 1);
    }
  }
  if (!sized && !XlTableSizeFromName(itemName, rows, columns)) throw ETarvoError(kNoSize);

  // 2. The groups.
  const auto groups = SplitKeepEmpty(text, ';');
  if (groups.empty()) throw ETarvoError(kNoGroups);

  // 3. The table record.
  w.Record(tdtTable, 4);
  w.Word(rows);
  w.Word(columns);

  // 4. One cell: a number when the whole text reads as one, else a string.
  Group group;
  if (groups.size() == 1 && !ParseXlGroup(groups[0], group)) {
    double d = 0;
    if (ParseDouble(text, d)) {
      w.Record(tdtFloat, 8);
      w.Double(d);
    } else {
      w.Record(tdtString, std::min(text.size(), kMaxCellString) + 1);
      w.String(text);
    }
    return;
  }

  // 5. Groups, each written as it is converted.
  for (std::string_view g : groups) {
    if (!ParseXlGroup(g, group)) throw ETarvoError(kBadGroup);
    WriteGroup(w, group);
  }
}

}  // namespace tickwell
