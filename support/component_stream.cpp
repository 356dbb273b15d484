#include "support/component_stream.h"

#include <limits>
#include <utility>

namespace tickwell {

namespace {

// Nesting deeper than this is treated as malformed rather than recursed into.
constexpr int kMaxSkipDepth = 64;

}  // namespace

std::string ValueTypeName(std::uint8_t type) {
  switch (type) {
    case vaNull:
      return "Null";
    case vaList:
      return "List";
    case vaInt8:
      return "Int8";
    case vaInt16:
      return "Int16";
    case vaInt32:
      return "Int32";
    case vaString:
      return "String";
    case vaIdent:
      return "Ident";
    case vaFalse:
      return "False";
    case vaTrue:
      return "True";
    case vaLString:
      return "LString";
    default:
      return "type " + std::to_string(type);
  }
}

EStreamError::EStreamError(const std::string& message, std::size_t offset)
    : std::runtime_error(message), offset_(offset) {}

// --- writer ---

void TValueWriter::Little(std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) Byte(static_cast<std::uint8_t>(value >> (8 * i)));
}

void TValueWriter::WriteListBegin() { Byte(vaList); }

void TValueWriter::WriteListEnd() { Byte(vaNull); }

void TValueWriter::WriteInteger(std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  if (value >= -128 && value <= 127) {
    Byte(vaInt8);
    Little(bits, 1);
  } else if (value >= -32768 && value <= 32767) {
    Byte(vaInt16);
    Little(bits, 2);
  } else {
    Byte(vaInt32);
    Little(bits, 4);
  }
}

void TValueWriter::WriteString(std::string_view text) {
  if (text.size() <= 255) {
    Byte(vaString);
    Byte(static_cast<std::uint8_t>(text.size()));
  } else {
    if (text.size() > std::numeric_limits<std::int32_t>::max()) {
      throw EStreamError("Stream write error: string too long", data_.size());
    }
    Byte(vaLString);
    Little(static_cast<std::uint32_t>(text.size()), 4);
  }
  data_.insert(data_.end(), text.begin(), text.end());
}

void TValueWriter::WriteBoolean(bool value) { Byte(value ? vaTrue : vaFalse); }

void TValueWriter::WriteIdent(std::string_view name) {
  if (name.size() > 255) {
    throw EStreamError("Stream write error: identifier longer than 255 characters", data_.size());
  }
  Byte(vaIdent);
  Byte(static_cast<std::uint8_t>(name.size()));
  data_.insert(data_.end(), name.begin(), name.end());
}

// --- reader ---

void TValueReader::Fail(const std::string& message, std::size_t offset) const {
  throw EStreamError("Stream read error at offset " + std::to_string(offset) + ": " + message,
                     offset);
}

TValueType TValueReader::NextValue() const {
  if (AtEnd()) Fail("unexpected end of data, a value was expected", pos_);
  return static_cast<TValueType>(data_[pos_]);
}

bool TValueReader::EndOfList() const { return NextValue() == vaNull; }

std::uint8_t TValueReader::TakeType(const char* wanted) {
  if (AtEnd()) Fail(std::string("unexpected end of data, ") + wanted + " expected", pos_);
  return data_[pos_++];
}

void TValueReader::Expect(std::uint8_t type, const char* wanted) {
  const std::size_t at = pos_;
  const std::uint8_t found = TakeType(wanted);
  if (found != type) {
    pos_ = at;
    Fail(std::string(wanted) + " expected, found " + ValueTypeName(found), at);
  }
}

const std::uint8_t* TValueReader::Take(std::size_t n, const char* what) {
  if (n > data_.size() - pos_) {
    Fail(std::string("truncated ") + what + ": " + std::to_string(n) + " bytes needed, " +
             std::to_string(data_.size() - pos_) + " left",
         pos_);
  }
  const std::uint8_t* p = data_.data() + pos_;
  pos_ += n;
  return p;
}

std::uint32_t TValueReader::Little(int bytes, const char* what) {
  const std::uint8_t* p = Take(std::size_t(bytes), what);
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | p[i];
  return value;
}

void TValueReader::ReadListBegin() { Expect(vaList, "list start"); }

void TValueReader::ReadListEnd() { Expect(vaNull, "list end"); }

std::int32_t TValueReader::ReadInteger() {
  const std::size_t at = pos_;
  try {
    switch (const std::uint8_t type = TakeType("integer")) {
      case vaInt8:
        return static_cast<std::int8_t>(Little(1, "integer"));
      case vaInt16:
        return static_cast<std::int16_t>(Little(2, "integer"));
      case vaInt32:
        return static_cast<std::int32_t>(Little(4, "integer"));
      default:
        Fail("integer expected, found " + ValueTypeName(type), at);
    }
  } catch (...) {
    pos_ = at;  // a failed read consumes nothing
    throw;
  }
}

std::string TValueReader::ReadString() {
  const std::size_t at = pos_;
  try {
    std::size_t length = 0;
    switch (const std::uint8_t type = TakeType("string")) {
      case vaString:
        length = Little(1, "string length");
        break;
      case vaLString:
        length = Little(4, "string length");
        break;
      default:
        Fail("string expected, found " + ValueTypeName(type), at);
    }
    const std::uint8_t* p = Take(length, "string");
    return std::string(reinterpret_cast<const char*>(p), length);
  } catch (...) {
    pos_ = at;
    throw;
  }
}

bool TValueReader::ReadBoolean() {
  const std::size_t at = pos_;
  const std::uint8_t type = TakeType("Boolean");
  if (type == vaTrue) return true;
  if (type == vaFalse) return false;
  pos_ = at;
  Fail("Boolean expected, found " + ValueTypeName(type), at);
}

std::string TValueReader::ReadIdent() {
  const std::size_t at = pos_;
  try {
    switch (const std::uint8_t type = TakeType("identifier")) {
      case vaFalse:
        return "False";
      case vaTrue:
        return "True";
      case vaIdent: {
        const std::size_t length = Little(1, "identifier length");
        const std::uint8_t* p = Take(length, "identifier");
        return std::string(reinterpret_cast<const char*>(p), length);
      }
      default:
        Fail("identifier expected, found " + ValueTypeName(type), at);
    }
  } catch (...) {
    pos_ = at;
    throw;
  }
}

void TValueReader::SkipValue() {
  const std::size_t at = pos_;
  try {
    int depth = 0;
    do {
      const std::uint8_t type = TakeType("value");
      switch (type) {
        case vaNull:
          if (depth == 0) Fail("list end without a list", pos_ - 1);
          --depth;
          break;
        case vaList:
          if (++depth > kMaxSkipDepth) Fail("lists nested too deeply", pos_ - 1);
          break;
        case vaInt8:
          Take(1, "integer");
          break;
        case vaInt16:
          Take(2, "integer");
          break;
        case vaInt32:
          Take(4, "integer");
          break;
        case vaString:
        case vaIdent:
          Take(Little(1, "length"), "text");
          break;
        case vaLString:
          Take(Little(4, "length"), "text");
          break;
        case vaFalse:
        case vaTrue:
          break;
        default:
          Fail("unknown value " + ValueTypeName(type), pos_ - 1);
      }
    } while (depth > 0);
  } catch (...) {
    pos_ = at;
    throw;
  }
}

}  // namespace tickwell
