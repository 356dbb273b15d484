#include "dde/model/xltable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "dde/tables/exceptions.h"

namespace tickwell {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Expected output, built from 16-bit words, doubles and length-prefixed strings.
struct Expect {
  Bytes b;
  Expect& W(std::initializer_list<unsigned> words) {
    for (unsigned w : words) {
      b.push_back(static_cast<std::uint8_t>(w & 0xFF));
      b.push_back(static_cast<std::uint8_t>((w >> 8) & 0xFF));
    }
    return *this;
  }
  Expect& D(double d) {
    std::uint8_t raw[8];
    std::memcpy(raw, &d, 8);  // the test hosts are little-endian, like the format
    b.insert(b.end(), raw, raw + 8);
    return *this;
  }
  Expect& S(const std::string& s) {
    b.push_back(static_cast<std::uint8_t>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }
};

Bytes Table(const std::string& item, const std::string& text) {
  Bytes out{0xEE};  // the writer empties the target first
  WriteXlTable(item, text, out);
  return out;
}

std::string ErrorOf(const std::string& item, const std::string& text, Bytes* left = nullptr) {
  Bytes out;
  try {
    WriteXlTable(item, text, out);
  } catch (const ETarvoError& e) {
    if (left) *left = out;
    return e.what();
  }
  return "no error";
}

TEST(XlTable, EveryGroupKindWritesItsRecord) {
  const Bytes got = Table("BID", "{7,1}F,1,1.5;S,2,ab,;l,3,yes,Off,1;B,2;E,1,7;I,2,-1,300;K,1,x");
  Expect e;
  e.W({16, 4, 1, 7});
  e.W({1, 8}).D(1.5);
  e.W({2, 4}).S("ab").S("");
  e.W({3, 6, 1, 0, 1});
  e.W({5, 2, 2});
  e.W({4, 2, 7});  // error values as their own type
  e.W({6, 4, 0xFFFF, 300});
  e.W({7, 2, 1});
  EXPECT_EQ(got, e.b);
}

TEST(XlTable, SingleCellForms) {
  EXPECT_EQ(Table("BID", "1.25"), Expect().W({16, 4, 1, 1, 1, 8}).D(1.25).b);
  // One group whose value count is wrong is a plain string cell.
  EXPECT_EQ(Table("BID", "F,2,1.5"), Expect().W({16, 4, 1, 1, 2, 8}).S("F,2,1.5").b);
  EXPECT_EQ(Table("BID", "1.5x"), Expect().W({16, 4, 1, 1, 2, 5}).S("1.5x").b);
  // A string longer than its length byte can say is cut to 255 characters.
  const std::string longText(300, 'q');
  EXPECT_EQ(Table("BID", longText), Expect().W({16, 4, 1, 1, 2, 256}).S(longText.substr(0, 255)).b);
  EXPECT_EQ(Table("BID", "S,1," + longText),
            Expect().W({16, 4, 1, 1, 2, 256}).S(longText.substr(0, 255)).b);
  // The example of a string group and a blank run on a one-cell item.
  EXPECT_EQ(Table("BID", "S,2,abc,de;B,3"),
            Expect().W({16, 4, 1, 1, 2, 7}).S("abc").S("de").W({5, 2, 3}).b);
}

TEST(XlTable, SizeFromPrefixOrItemName) {
  EXPECT_EQ(Table("BID", "{2,1}F,2,1.5,2.5"), Expect().W({16, 4, 1, 2, 1, 16}).D(1.5).D(2.5).b);
  EXPECT_EQ(Table("BID", "{3,2}B,6"), Expect().W({16, 4, 2, 3, 5, 2, 6}).b);
  // An invalid prefix is still cut from the text; the size then comes from the name.
  EXPECT_EQ(Table("R2C3:R4C3", "{3,2,1}B,3"), Expect().W({16, 4, 3, 1, 5, 2, 3}).b);
  EXPECT_EQ(Table("r1c1:r2c5", "{x,1}B,10"), Expect().W({16, 4, 2, 5, 5, 2, 10}).b);
  std::uint16_t rows = 0, cols = 0;
  EXPECT_TRUE(XlTableSizeFromName("R10C2:R10C2", rows, cols));
  EXPECT_EQ(rows, 1);
  EXPECT_EQ(cols, 1);
  for (const char* bad :
       {"R4C3:R2C3", "R2C3:R2C1", "R2:R3C1", "RxC1:R2C2", "R1C1:", "C1R1:R2C2", "R0C1:R65535C1"}) {
    EXPECT_FALSE(XlTableSizeFromName(bad, rows, cols)) << bad;
    EXPECT_EQ(ErrorOf(bad, "B,1"), "No XlTable related Column/Row info detected") << bad;
  }
}

TEST(XlTable, BadNotationRaisesAndSaysWhat) {
  EXPECT_EQ(ErrorOf("BID", ""), "Invalid XlTable data value");
  EXPECT_EQ(ErrorOf("BID", "{1,1}"), "Invalid XlTable data value");
  EXPECT_EQ(ErrorOf("R4C3:R2C3", ""), "No XlTable related Column/Row info detected");
  EXPECT_EQ(ErrorOf("BID", "S,1,a;F,2,1"), "Xltable Invalid data");
  EXPECT_EQ(ErrorOf("BID", "S,1,a;"), "Xltable Invalid data");
  EXPECT_EQ(ErrorOf("BID", "B,1;XY,1"), "Xltable Invalid data");
  EXPECT_EQ(ErrorOf("BID", "B,1;B,70000"), "Xltable Invalid data");

  // A bad value in the middle of a group: the bytes before it stay, the message names the kind.
  Bytes left;
  EXPECT_EQ(ErrorOf("BID", "B,1;F,3,1,x,3", &left), "Invalid XlTable data - not a double");
  EXPECT_EQ(left, Expect().W({16, 4, 1, 1, 5, 2, 1, 1, 24}).D(1).b);
  EXPECT_EQ(ErrorOf("BID", "L,2,On,maybe", &left), "Invalid XlTable data - not a boolean");
  EXPECT_EQ(left, Expect().W({16, 4, 1, 1, 3, 4, 1}).b);
  EXPECT_EQ(ErrorOf("BID", "I,2,5,1.5", &left), "Invalid XlTable data - not an integer");
  EXPECT_EQ(left, Expect().W({16, 4, 1, 1, 6, 4, 5}).b);
  EXPECT_EQ(ErrorOf("BID", "E,1,q"), "Invalid XlTable data - not an error code");

  // A group whose record would need more than 16 bits of byte count.
  std::string big = "F,8192";
  for (int i = 0; i < 8192; ++i) big += ",1";
  EXPECT_EQ(ErrorOf("BID", big), "Invalid XlTable data - group too large");
}

TEST(XlTable, LettersOfTheNotation) {
  EXPECT_EQ(ExcelInfo().GetTypeLetters(), "FSLBEIK");
  EXPECT_EQ(ExcelInfo().FRowLetter, "R");
  EXPECT_EQ(ExcelInfo().FColLetter, "C");
}

}  // namespace
}  // namespace tickwell
