#include "dde/model/rw_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dde/model/model_test_instance.h"
#include "dde/model/names.h"
#include "dde/model/xltable.h"
#include "dde/tables/exceptions.h"
#include "dde/tables/format_names.h"
#include "platform/clipboard_format.h"

namespace tickwell {
namespace {

using Bytes = std::vector<std::uint8_t>;

class RWData : public ::testing::Test {
 protected:
  // The bytes of a handle, which is then freed as a transaction would free it.
  Bytes Consume(platform::HddeData h) {
    EXPECT_NE(h, 0u);
    Bytes bytes = platform::DdeDataBytes(h);
    platform::DdeFreeDataHandle(h);
    return bytes;
  }
  platform::HddeData Received(const Bytes& bytes, unsigned format) {
    return platform::DdeCreateDataHandle(inst_.id(), bytes.data(),
                                         static_cast<std::uint32_t>(bytes.size()), 0, 0, format, 0);
  }
  void Load(TDDEMLRWData& data, unsigned format, const Bytes& bytes) {
    const platform::HddeData h = Received(bytes, format);
    data.SetFromHandle(format, h);
    platform::DdeFreeDataHandle(h);  // the handle stays the caller's
  }

  testing::ModelInstance inst_;
};

TEST_F(RWData, TextGoesOutWithItsZeroInTextAndInUtf16) {
  TDDEMLRWData data;
  EXPECT_EQ(data.GetFormat(), platform::kCfText);
  EXPECT_EQ(data.GetTextPtr(), nullptr);
  data.SetText("1.25");
  EXPECT_EQ(data.GetDataSize(), 4u);
  EXPECT_STREQ(data.GetTextPtr(), "1.25");
  EXPECT_EQ(Consume(data.CreateDataHandle(inst_.id(), 0, 0, false)),
            (Bytes{'1', '.', '2', '5', 0}));
  EXPECT_EQ(Consume(data.CreateDataHandle(inst_.id(), 0, platform::kCfUnicodeText, false)),
            (Bytes{'1', 0, '.', 0, '2', 0, '5', 0, 0, 0}));
  platform::HddeData none;
  EXPECT_FALSE(data.GetOwnedHandle(none));  // unowned handles are not kept
}

TEST_F(RWData, ReceivedTextStopsAtZeroAndUpperHalfSurvivesUtf16) {
  TDDEMLRWData data;
  Load(data, platform::kCfText, {'a', 'b', 0, 'c'});
  EXPECT_EQ(data.GetText(), "ab");
  Load(data, platform::kCfText, {'x', 'y'});  // no terminator: the size bounds it
  EXPECT_EQ(data.GetText(), "xy");
  Load(data, platform::kCfText, {});
  EXPECT_FALSE(data.HasText());

  // Every byte of the upper half goes out as UTF-16 and comes back unchanged.
  std::string upper;
  for (int c = 0x80; c <= 0xFF; ++c) upper.push_back(static_cast<char>(c));
  data.SetText(upper);
  const Bytes wide = Consume(data.CreateDataHandle(inst_.id(), 0, platform::kCfUnicodeText, false));
  ASSERT_EQ(wide.size(), 2 * upper.size() + 2);  // and the zero character
  EXPECT_EQ(wide[0] | (wide[1] << 8), 0x20AC);                  // the euro sign
  EXPECT_EQ(wide[2 * 0x69] | (wide[2 * 0x69 + 1] << 8), 0xE9);  // e acute
  TDDEMLRWData back;
  Load(back, platform::kCfUnicodeText, wide);
  EXPECT_EQ(back.GetText(), upper);
  EXPECT_EQ(back.GetFormat(), platform::kCfUnicodeText);

  // Characters the code page lacks become '?', a surrogate pair one of them; a zero ends it.
  Load(back, platform::kCfUnicodeText, {0x2D, 0x4E, 'a', 0, 0x3D, 0xD8, 0x00, 0xDE, 0, 0, 'z', 0});
  EXPECT_EQ(back.GetText(), "?a?");
  Load(back, platform::kCfUnicodeText, {'a', 0, 'b'});  // an odd byte is no character
  EXPECT_EQ(back.GetText(), "a");
}

TEST_F(RWData, OwnedHandleServesUntilContentOrHandleChanges) {
  TDDEMLRWData data;
  data.SetText("7");
  const platform::HddeData owned = data.CreateDataHandle(inst_.id(), 0, 0, true);
  ASSERT_NE(owned, 0u);
  platform::HddeData got = 0;
  ASSERT_TRUE(data.GetOwnedHandle(got));
  EXPECT_EQ(got, owned);
  ASSERT_TRUE(data.GetOwnedHandle(got));
  EXPECT_EQ(got, owned);
  EXPECT_EQ(platform::DdeDataBytes(owned), (Bytes{'7', 0}));
  // An unowned handle made next frees the owned one and is not kept.
  Consume(data.CreateDataHandle(inst_.id(), 0, 0, false));
  EXPECT_FALSE(data.GetOwnedHandle(got));
  ASSERT_NE(data.CreateDataHandle(inst_.id(), 0, 0, true), 0u);
  data.SetText("8");
  EXPECT_FALSE(data.GetOwnedHandle(got));
}

TEST_F(RWData, BitmapDibAndRawFormats) {
  TDDEMLRWData data;
  EXPECT_EQ(data.CreateDataHandle(inst_.id(), 0, platform::kCfBitmap, false), 0u);  // no bitmap
  EXPECT_EQ(data.CreateDataHandle(inst_.id(), 0, platform::kCfDib, false), 0u);     // no stream
  Load(data, platform::kCfBitmap, {0x78, 0x56, 0x34, 0x12, 0xFF});
  EXPECT_EQ(data.GetBitmapHandle(), 0x12345678u);
  EXPECT_EQ(data.GetDataSize(), 4u);
  EXPECT_EQ(Consume(data.CreateDataHandle(inst_.id(), 0, 0, false)),
            (Bytes{0x78, 0x56, 0x34, 0x12}));

  Load(data, platform::kCfDib, {1, 0, 2, 0, 3});
  EXPECT_EQ(data.GetFormat(), platform::kCfDib);
  EXPECT_EQ(data.GetDataSize(), 5u);
  EXPECT_EQ(Consume(data.CreateDataHandle(inst_.id(), 0, 0, false)), (Bytes{1, 0, 2, 0, 3}));

  const unsigned custom = platform::RegisterClipboardFormat("Tickwell Test Raw");
  Load(data, custom, {9, 8});
  EXPECT_EQ(data.GetFormat(), custom);
  EXPECT_EQ(data.GetDataSize(), 2u);
  EXPECT_EQ(Consume(data.CreateDataHandle(inst_.id(), 0, 0, false)), (Bytes{9, 8}));
  data.SetRawData(custom, nullptr, 0);  // an empty stream makes an empty handle
  const platform::HddeData empty = data.CreateDataHandle(inst_.id(), 0, 0, false);
  EXPECT_NE(empty, 0u);
  EXPECT_TRUE(platform::DdeDataBytes(empty).empty());
  platform::DdeFreeDataHandle(empty);
  data.ClearData();
  EXPECT_EQ(data.GetDataSize(), 0u);
  EXPECT_EQ(data.GetFormat(), custom);
}

TEST_F(RWData, TableFormatFromTextOrFromReceivedBytes) {
  ASSERT_NE(XlTableFormat, 0u);
  TDDEMLAtom item;
  item.SetName(inst_.id(), "R1C1:R1C2");
  TDDEMLRWData data;
  data.SetText("F,2,1,2");
  EXPECT_EQ(data.GetDataSize(), 7u);
  Bytes expected;
  WriteXlTable("R1C1:R1C2", "F,2,1,2", expected);
  EXPECT_EQ(Consume(data.CreateDataHandle(inst_.id(), item.Handle(), XlTableFormat, false)),
            expected);
  Bytes direct;
  data.TextToXlTable(inst_.id(), item.Handle(), direct, "F,2,1,2");
  EXPECT_EQ(direct, expected);

  data.SetText("S,1,a;oops");
  EXPECT_THROW(data.CreateDataHandle(inst_.id(), item.Handle(), XlTableFormat, true), ETarvoError);
  platform::HddeData got;
  EXPECT_FALSE(data.GetOwnedHandle(got));

  // Received table bytes are kept and handed out as they came.
  Load(data, XlTableFormat, {16, 0, 4, 0, 1, 0, 1, 0});
  EXPECT_EQ(data.GetDataSize(), 8u);
  EXPECT_EQ(Consume(data.CreateDataHandle(inst_.id(), item.Handle(), 0, false)),
            (Bytes{16, 0, 4, 0, 1, 0, 1, 0}));
}

TEST(ClipFormats, NumbersToTypes) {
  EXPECT_EQ(FormatNumberToType(0), cfNone);
  EXPECT_EQ(FormatNumberToType(1), cfText);
  EXPECT_EQ(FormatNumberToType(8), cfDIB);
  EXPECT_EQ(FormatNumberToType(12), cfWave);
  EXPECT_EQ(FormatNumberToType(13), cfCustom);
  EXPECT_EQ(FormatNumberToType(XlTableFormat), cfCustom);
}

}  // namespace
}  // namespace tickwell
