// The value of one DDE item in one clipboard format, and the data handles made from it.
//
// Ownership: a handle made app-owned is kept and freed by the next FreeDataHandle, which every
// CreateDataHandle, SetText, SetRawData and SetFromHandle performs first and the destructor
// performs last. So one app-owned handle can serve every advise request of one change, and is
// freed when the next handle is made or the content is replaced. An unowned handle goes to the
// DDE system with its transaction and is never freed here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ddeml.h"
#include "support/object.h"

namespace tickwell {

enum TDDEMLClipFmtType : unsigned char {
  cfNone,
  cfText,
  cfBitmap,
  cfMetaFilePict,
  cfSYLK,
  cfDIF,
  cfTIFF,
  cfOEMText,
  cfDIB,
  cfPalette,
  cfPenData,
  cfRIFF,
  cfWave,
  cfCustom,  // every number from 13 up, CF_UNICODETEXT and registered formats included
};

TDDEMLClipFmtType FormatNumberToType(unsigned format);

// While set, every new text of an item counts as a change (the manager's CompareServerItemData
// is its negation).
extern bool DataCompareDisabled;
void SetDataCompareDisabled(bool value);

class TDDEMLRWData : public TObject {
 public:
  TDDEMLRWData() = default;
  ~TDDEMLRWData() override { FreeDataHandle(); }
  TDDEMLRWData(const TDDEMLRWData&) = delete;
  TDDEMLRWData& operator=(const TDDEMLRWData&) = delete;

  void FreeDataHandle();
  // Copies the content (format, text, stream, bitmap value), never a data handle.
  void AssignContent(const TDDEMLRWData& source);
  // Drops the stream and empties the text; the format and the data handle stay.
  void ClearData();

  std::uint16_t GetFormat() const { return format_; }
  std::uint32_t GetDataSize() const;
  bool HasText() const { return !text_.empty(); }
  std::string GetText() const { return text_; }
  // The zero-terminated text, or null when there is none; valid until the text changes.
  const char* GetTextPtr() const { return HasText() ? text_.c_str() : nullptr; }
  bool GetOwnedHandle(platform::HddeData& handle) const;
  std::uint32_t GetBitmapHandle() const { return bitmap_; }
  // The binary content, or null without a stream.
  const std::vector<std::uint8_t>* GetStream() const { return stream_.get(); }

  // Replaces the text and makes the format CF_TEXT; the stream is left as it is.
  void SetText(std::string_view text);
  void SetRawData(unsigned format, const void* bytes, std::uint32_t size);
  // Loads a received handle's content in format; the handle stays the caller's.
  void SetFromHandle(unsigned format, platform::HddeData data);
  // A handle of the content in format (0 = the buffer's own), or 0. XlTable text is converted on
  // the way, and bad notation raises ETarvoError with no handle made.
  platform::HddeData CreateDataHandle(platform::DdeInstance instance, platform::Hsz item,
                                      unsigned format, bool owned);
  // The table bytes for text, sized from the name of item when the text gives no size.
  void TextToXlTable(platform::DdeInstance instance, platform::Hsz item,
                     std::vector<std::uint8_t>& stream, std::string_view text) const;

 private:
  platform::HddeData Make(platform::DdeInstance instance, platform::Hsz item, unsigned format,
                          bool owned, const void* bytes, std::size_t size);

  std::uint16_t format_ = 1;
  platform::HddeData handle_ = 0;
  std::uint32_t bitmap_ = 0;
  std::unique_ptr<std::vector<std::uint8_t>> stream_;
  bool ownsHandle_ = false;
  std::string text_;
};

}  // namespace tickwell
