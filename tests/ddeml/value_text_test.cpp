// How tickwell-watch shows the data it receives, including data that is malformed.
#include <gtest/gtest.h>

#include <cstring>

#include "tools/watch/value_text.h"

namespace watch {
namespace {

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

void Record(std::vector<std::uint8_t>& out, int type, const std::vector<std::uint8_t>& data) {
  for (int v : {type & 0xFF, type >> 8, static_cast<int>(data.size()) & 0xFF,
                static_cast<int>(data.size()) >> 8})
    out.push_back(static_cast<std::uint8_t>(v));
  out.insert(out.end(), data.begin(), data.end());
}

TEST(WatchValueText, XlTableCellsReadInRowOrder) {
  std::vector<std::uint8_t> table;
  Record(table, 0x10, Bytes({2, 0, 2, 0}));  // 2 rows, 2 columns
  Record(table, 2, Bytes({6, 'E', 'U', 'R', 'U', 'S', 'D'}));
  std::vector<std::uint8_t> number(8);
  const double bid = 1.0842;
  std::memcpy(number.data(), &bid, 8);
  Record(table, 1, number);
  Record(table, 5, Bytes({1, 0}));  // one blank
  Record(table, 6, Bytes({42, 0}));
  EXPECT_EQ(XlTableValue(table), "EURUSD\t1.0842 | \t42");
}

TEST(WatchValueText, MalformedXlTableIsNamedNotGuessed) {
  EXPECT_EQ(XlTableValue(Bytes({0x10, 0})), "<bad XlTable: record header cut short>");
  EXPECT_EQ(XlTableValue(Bytes({2, 0, 9, 0, 1})), "<bad XlTable: record longer than the data>");
  EXPECT_EQ(XlTableValue(Bytes({2, 0, 2, 0, 5, 'a'})),
            "<bad XlTable: string longer than its record>");
  EXPECT_EQ(XlTableValue(Bytes({1, 0, 3, 0, 1, 2, 3})),
            "<bad XlTable: float record not a multiple of 8>");
  EXPECT_EQ(XlTableValue(Bytes({0x33, 0, 0, 0})), "<bad XlTable: unknown record type 51>");
}

TEST(WatchValueText, UnicodeTextRoundTripsAndBrokenTextIsNamed) {
  const std::string text = "EUR \xE2\x82\xAC 1,08 \xF0\x9F\x93\x88";  // euro sign, chart emoji
  EXPECT_EQ(UnicodeValue(UnicodeBytes(text)), text);
  EXPECT_EQ(UnicodeValue(Bytes({'A', 0, 'B'})), "<bad Unicode text: odd byte count>");
  EXPECT_EQ(UnicodeValue(Bytes({0x3D, 0xD8, 'A', 0})), "<bad Unicode text: broken surrogate pair>");
  // A byte that is not UTF-8 stands for itself.
  EXPECT_EQ(UnicodeBytes("\xE9"), Bytes({0xE9, 0, 0, 0}));
  EXPECT_EQ(TextValue(Bytes({'1', '.', '5', 0, 'x'})), "1.5");
}

}  // namespace
}  // namespace watch
