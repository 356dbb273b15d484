#include "dde/model/rw_data.h"

#include <cstring>

#include "dde/diagnostics/failed_call.h"
#include "dde/model/ansi_text.h"
#include "dde/model/names.h"
#include "dde/model/xltable.h"
#include "dde/tables/format_names.h"
#include "platform/clipboard_format.h"
#include "support/string_class.h"

namespace tickwell {
namespace {

using platform::kCfBitmap;
using platform::kCfDib;
using platform::kCfText;
using platform::kCfUnicodeText;

// The text buffer holds what the library's working string holds.
void CheckTextLength(std::size_t length) {
  if (length > TStringClass::kMaxSize) throw EStringClass(scoSetText, scfTooLong);
}

// Reads a handle's bytes and always gives them back.
class DataAccess {
 public:
  explicit DataAccess(platform::HddeData data) : data_(data) {
    bytes_ = platform::DdeAccessData(data, &size_);
    if (!bytes_) {
      size_ = 0;
      if (data != 0) TraceFailedDdeCall("DdeAccessData");
    }
  }
  ~DataAccess() {
    if (bytes_ && !platform::DdeUnaccessData(data_)) TraceFailedDdeCall("DdeUnaccessData");
  }
  DataAccess(const DataAccess&) = delete;
  DataAccess& operator=(const DataAccess&) = delete;
  const std::uint8_t* bytes() const { return bytes_; }
  std::uint32_t size() const { return size_; }

 private:
  platform::HddeData data_;
  std::uint8_t* bytes_ = nullptr;
  std::uint32_t size_ = 0;
};

}  // namespace

bool DataCompareDisabled = false;

void SetDataCompareDisabled(bool value) { DataCompareDisabled = value; }

TDDEMLClipFmtType FormatNumberToType(unsigned format) {
  return format < cfCustom ? static_cast<TDDEMLClipFmtType>(format) : cfCustom;
}

void TDDEMLRWData::FreeDataHandle() {
  if (ownsHandle_ && handle_ != 0 && !platform::DdeFreeDataHandle(handle_))
    TraceFailedDdeCall("DdeFreeDataHandle");
  handle_ = 0;
}

void TDDEMLRWData::AssignContent(const TDDEMLRWData& source) {
  if (&source == this) return;
  FreeDataHandle();
  format_ = source.format_;
  bitmap_ = source.bitmap_;
  text_ = source.text_;
  stream_ = source.stream_ ? std::make_unique<std::vector<std::uint8_t>>(*source.stream_) : nullptr;
}

void TDDEMLRWData::ClearData() {
  stream_.reset();
  text_.clear();
}

std::uint32_t TDDEMLRWData::GetDataSize() const {
  const std::uint32_t streamSize = stream_ ? static_cast<std::uint32_t>(stream_->size()) : 0;
  if (format_ == XlTableFormat && XlTableFormat != 0)
    return streamSize > 0 ? streamSize : static_cast<std::uint32_t>(text_.size());
  if (format_ == kCfText) return static_cast<std::uint32_t>(text_.size());
  if (format_ == kCfBitmap) return 4;
  return streamSize;
}

bool TDDEMLRWData::GetOwnedHandle(platform::HddeData& handle) const {
  if (!ownsHandle_ || handle_ == 0) return false;
  handle = handle_;
  return true;
}

void TDDEMLRWData::SetText(std::string_view text) {
  CheckTextLength(text.size());
  FreeDataHandle();
  format_ = kCfText;
  text_.assign(text);
}

void TDDEMLRWData::SetRawData(unsigned format, const void* bytes, std::uint32_t size) {
  FreeDataHandle();
  format_ = static_cast<std::uint16_t>(format);
  if (!stream_) stream_ = std::make_unique<std::vector<std::uint8_t>>();
  const auto* p = static_cast<const std::uint8_t*>(bytes);
  stream_->assign(p, p && size ? p + size : p);
}

namespace {

// The text of a received handle: up to the first zero, at most the handle's size.
std::string ReadText(platform::HddeData data, bool wide) {
  DataAccess access(data);
  std::string text;
  if (access.bytes() && access.size() >= 1) {
    if (wide) {
      std::u16string units(access.size() / 2, u'\0');
      std::memcpy(units.data(), access.bytes(), units.size() * 2);
      units.resize(std::min(units.find(u'\0'), units.size()));
      text = Utf16ToAnsi(units);
    } else {
      const auto* begin = reinterpret_cast<const char*>(access.bytes());
      const void* zero = std::memchr(begin, 0, access.size());
      text.assign(begin, zero ? static_cast<const char*>(zero) : begin + access.size());
    }
  }
  CheckTextLength(text.size());
  return text;
}

}  // namespace

void TDDEMLRWData::SetFromHandle(unsigned format, platform::HddeData data) {
  if (format == kCfText || format == kCfUnicodeText) {
    // Read first: a text too long for the buffer leaves the old value in place.
    std::string text = ReadText(data, format == kCfUnicodeText);
    FreeDataHandle();
    format_ = static_cast<std::uint16_t>(format);
    text_ = std::move(text);
    return;
  }
  FreeDataHandle();
  format_ = static_cast<std::uint16_t>(format);
  if (format == kCfBitmap) {
    bitmap_ = 0;
    std::uint8_t bytes[4] = {};
    if (data != 0 && platform::DdeGetData(data, bytes, sizeof bytes, 0) == 0)
      TraceFailedDdeCall("DdeGetData");
    std::memcpy(&bitmap_, bytes, sizeof bitmap_);
  } else {
    // CF_DIB and every other format, the table format included, are kept as their bytes.
    DataAccess access(data);
    SetRawData(format, access.bytes(), access.size());
  }
}

platform::HddeData TDDEMLRWData::Make(platform::DdeInstance instance, platform::Hsz item,
                                      unsigned format, bool owned, const void* bytes,
                                      std::size_t size) {
  ownsHandle_ = owned;
  const platform::HddeData made =
      platform::DdeCreateDataHandle(instance, bytes, static_cast<std::uint32_t>(size), 0, item,
                                    format, owned ? platform::kHdataAppOwned : 0);
  if (made == 0) TraceFailedDdeCall("DdeCreateDataHandle", instance);
  if (owned) handle_ = made;
  return made;
}

platform::HddeData TDDEMLRWData::CreateDataHandle(platform::DdeInstance instance,
                                                  platform::Hsz item, unsigned format, bool owned) {
  if (format == 0) format = format_;
  FreeDataHandle();
  if (format == XlTableFormat && XlTableFormat != 0) {
    if (stream_ && !stream_->empty())
      return Make(instance, item, format, owned, stream_->data(), stream_->size());
    std::vector<std::uint8_t> table;
    TextToXlTable(instance, item, table, text_);
    return Make(instance, item, format, owned, table.data(), table.size());
  }
  if (format == kCfText)
    return Make(instance, item, format, owned, text_.c_str(), text_.size() + 1);
  if (format == kCfUnicodeText) {
    const std::u16string wide = AnsiToUtf16(text_);
    // Ended by a zero character, as the clipboard's Unicode text is: a reader may rely on it.
    return Make(instance, item, format, owned, wide.c_str(), (wide.size() + 1) * 2);
  }
  if (format == kCfBitmap) {
    if (bitmap_ == 0) return 0;
    std::uint8_t bytes[4];
    std::memcpy(bytes, &bitmap_, sizeof bytes);
    return Make(instance, item, format, owned, bytes, sizeof bytes);
  }
  if (!stream_) return 0;
  return Make(instance, item, format, owned, stream_->data(), stream_->size());
}

void TDDEMLRWData::TextToXlTable(platform::DdeInstance instance, platform::Hsz item,
                                 std::vector<std::uint8_t>& stream, std::string_view text) const {
  WriteXlTable(QueryName(instance, item), text, stream);
}

}  // namespace tickwell
