#include "support/component_stream.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace tickwell {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A list shaped like a stored service list: name, enabled flag, count, then that many strings.
Bytes SampleList() {
  TValueWriter w;
  w.WriteListBegin();
  w.WriteString("MT5");
  w.WriteBoolean(true);
  w.WriteInteger(2);
  w.WriteString("Topic");
  w.WriteString(std::string(300, 'L'));
  w.WriteIdent("dbFile");
  w.WriteInteger(-40000);
  w.WriteListEnd();
  return w.Take();
}

void ReadSample(TValueReader& r) {
  r.ReadListBegin();
  EXPECT_EQ(r.ReadString(), "MT5");
  EXPECT_TRUE(r.ReadBoolean());
  EXPECT_EQ(r.ReadInteger(), 2);
  EXPECT_EQ(r.ReadString(), "Topic");
  EXPECT_EQ(r.ReadString(), std::string(300, 'L'));
  EXPECT_EQ(r.ReadIdent(), "dbFile");
  EXPECT_EQ(r.ReadInteger(), -40000);
  EXPECT_TRUE(r.EndOfList());
  r.ReadListEnd();
}

TEST(ComponentStream, ExactBytesOfEachValueType) {
  TValueWriter w;
  w.WriteListBegin();
  w.WriteInteger(5);
  w.WriteInteger(-2);
  w.WriteInteger(300);
  w.WriteInteger(70000);
  w.WriteString("ab");
  w.WriteIdent("x");
  w.WriteBoolean(false);
  w.WriteBoolean(true);
  w.WriteListEnd();
  EXPECT_EQ(w.Data(), (Bytes{1,    2, 5, 2,   0xFE, 3, 0x2C, 0x01, 4, 0x70, 0x11, 0x01,
                             0x00, 6, 2, 'a', 'b',  7, 1,    'x',  8, 9,    0}));
  TValueWriter big;
  big.WriteString(std::string(256, 'q'));
  EXPECT_EQ(big.Data().size(), 1u + 4u + 256u);
  EXPECT_EQ(big.Data()[0], vaLString);
  EXPECT_EQ(big.Data()[2], 1);  // 256 little-endian
}

TEST(ComponentStream, IntegersUseTheShortestFormAndRoundTrip) {
  const std::pair<std::int32_t, std::uint8_t> cases[] = {
      {0, vaInt8},       {127, vaInt8},      {-128, vaInt8},    {128, vaInt16},
      {-129, vaInt16},   {32767, vaInt16},   {-32768, vaInt16}, {32768, vaInt32},
      {-32769, vaInt32}, {INT_MAX, vaInt32}, {INT_MIN, vaInt32}};
  for (const auto& [value, type] : cases) {
    TValueWriter w;
    w.WriteInteger(value);
    EXPECT_EQ(w.Data()[0], type) << value;
    TValueReader r(w.Data());
    EXPECT_EQ(r.ReadInteger(), value);
    EXPECT_TRUE(r.AtEnd());
  }
}

TEST(ComponentStream, ListRoundTripAndSkipping) {
  const Bytes data = SampleList();
  TValueReader r(data);
  ReadSample(r);
  EXPECT_TRUE(r.AtEnd());

  // A whole list, nested ones included, can be stepped over.
  TValueWriter w;
  w.WriteListBegin();
  w.WriteListBegin();
  w.WriteString("inner");
  w.WriteListEnd();
  w.WriteInteger(1000000);
  w.WriteListEnd();
  w.WriteBoolean(false);
  TValueReader s(w.Data());
  s.SkipValue();
  EXPECT_FALSE(s.ReadBoolean());
  EXPECT_TRUE(s.AtEnd());
}

TEST(ComponentStream, BooleansReadAsIdentifiers) {
  TValueWriter w;
  w.WriteBoolean(true);
  w.WriteBoolean(false);
  TValueReader r(w.Data());
  EXPECT_EQ(r.ReadIdent(), "True");
  EXPECT_EQ(r.ReadIdent(), "False");
  EXPECT_THROW(TValueWriter().WriteIdent(std::string(256, 'i')), EStreamError);
}

TEST(ComponentStream, EveryTruncationIsRejectedWithoutReadingPastTheEnd) {
  const Bytes data = SampleList();
  for (std::size_t cut = 0; cut < data.size(); ++cut) {
    // A copy of exactly the prefix, so the sanitizer sees any read beyond it.
    const Bytes prefix(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(cut));
    TValueReader r(prefix);
    bool failed = false;
    try {
      ReadSample(r);
    } catch (const EStreamError& e) {
      failed = true;
      EXPECT_LE(e.Offset(), cut);
      EXPECT_NE(std::string(e.what()).find("Stream read error"), std::string::npos);
    }
    EXPECT_TRUE(failed) << "prefix of " << cut << " bytes was accepted";
    TValueReader skip(prefix);
    EXPECT_THROW(skip.SkipValue(), EStreamError) << cut;
  }
}

TEST(ComponentStream, MalformedInputGetsClearErrors) {
  const auto message = [](const Bytes& data, auto read) {
    TValueReader r(data);
    try {
      read(r);
    } catch (const EStreamError& e) {
      return std::string(e.what());
    }
    return std::string("accepted");
  };
  EXPECT_EQ(message({5}, [](TValueReader& r) { r.ReadInteger(); }),
            "Stream read error at offset 0: integer expected, found type 5");
  EXPECT_EQ(message({6, 1, 'a'}, [](TValueReader& r) { r.ReadInteger(); }),
            "Stream read error at offset 0: integer expected, found String");
  EXPECT_EQ(message({2, 1}, [](TValueReader& r) { r.ReadString(); }),
            "Stream read error at offset 0: string expected, found Int8");
  EXPECT_EQ(message({0}, [](TValueReader& r) { r.ReadListBegin(); }),
            "Stream read error at offset 0: list start expected, found Null");
  EXPECT_EQ(message({}, [](TValueReader& r) { r.ReadBoolean(); }),
            "Stream read error at offset 0: unexpected end of data, Boolean expected");
  EXPECT_EQ(message({0}, [](TValueReader& r) { r.SkipValue(); }),
            "Stream read error at offset 0: list end without a list");
  EXPECT_EQ(message({1, 200}, [](TValueReader& r) { r.SkipValue(); }),
            "Stream read error at offset 1: unknown value type 200");
  // A long string that claims more bytes than there are is refused before anything is copied.
  EXPECT_EQ(message({12, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}, [](TValueReader& r) { r.ReadString(); }),
            "Stream read error at offset 5: truncated string: 2147483647 bytes needed, 1 left");
  Bytes deep(100, vaList);
  EXPECT_EQ(message(deep, [](TValueReader& r) { r.SkipValue(); }),
            "Stream read error at offset 64: lists nested too deeply");

  // A failed read consumes nothing, so the caller can still look at the value.
  const Bytes text{6, 1, 'z'};
  TValueReader r(text);
  EXPECT_THROW(r.ReadInteger(), EStreamError);
  EXPECT_EQ(r.Position(), 0u);
  EXPECT_EQ(r.NextValue(), vaString);
  EXPECT_EQ(r.ReadString(), "z");
  EXPECT_THROW(r.NextValue(), EStreamError);
}

}  // namespace
}  // namespace tickwell
