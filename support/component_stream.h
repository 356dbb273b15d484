// The component-stream value encoding that stored component lists are written in: each value is
// one value-type byte followed by the value. Integers take the shortest of 8, 16 or 32 bits;
// all multi-byte numbers are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tickwell {

enum TValueType : std::uint8_t {
  vaNull = 0,  // list end
  vaList = 1,  // list start
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaString = 6,  // one length byte, then the bytes
  vaIdent = 7,   // one length byte, then the bytes
  vaFalse = 8,
  vaTrue = 9,
  vaLString = 12,  // four length bytes, then the bytes
};

// A value type's name for messages ("Int8", "String", ...); "type n" for an unknown byte.
std::string ValueTypeName(std::uint8_t type);

// Raised by the reader for truncated or malformed input, and by the writer for a value it cannot
// encode. Nothing is read past the end of the input.
class EStreamError : public std::runtime_error {
 public:
  EStreamError(const std::string& message, std::size_t offset);
  // Byte offset in the stream at which the problem was found.
  std::size_t Offset() const { return offset_; }

 private:
  std::size_t offset_;
};

class TValueWriter {
 public:
  void WriteListBegin();
  void WriteListEnd();
  void WriteInteger(std::int32_t value);
  // Texts of up to 255 bytes as a short string, longer ones as a long string.
  void WriteString(std::string_view text);
  void WriteBoolean(bool value);
  // Identifiers are short names (at most 255 bytes, else EStreamError).
  void WriteIdent(std::string_view name);

  const std::vector<std::uint8_t>& Data() const { return data_; }
  std::vector<std::uint8_t> Take() { return std::move(data_); }

 private:
  void Byte(std::uint8_t b) { data_.push_back(b); }
  void Little(std::uint32_t value, int bytes);

  std::vector<std::uint8_t> data_;
};

class TValueReader {
 public:
  explicit TValueReader(std::span<const std::uint8_t> data) : data_(data) {}

  // The type of the next value without consuming it.
  TValueType NextValue() const;
  // True when the next value is a list end (it is not consumed).
  bool EndOfList() const;
  bool AtEnd() const { return pos_ >= data_.size(); }
  std::size_t Position() const { return pos_; }

  void ReadListBegin();
  void ReadListEnd();
  std::int32_t ReadInteger();
  std::string ReadString();
  bool ReadBoolean();
  // An identifier; the Boolean values read as "False" and "True".
  std::string ReadIdent();
  // Skips one value, a whole list included.
  void SkipValue();

 private:
  std::uint8_t TakeType(const char* wanted);
  void Expect(std::uint8_t type, const char* wanted);
  const std::uint8_t* Take(std::size_t n, const char* what);
  std::uint32_t Little(int bytes, const char* what);
  [[noreturn]] void Fail(const std::string& message, std::size_t offset) const;

  std::span<const std::uint8_t> data_;
  std::size_t pos_ = 0;
};

}  // namespace tickwell
