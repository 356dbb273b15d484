#include "tools/watch/value_text.h"

#include <cstdio>
#include <cstring>

namespace watch {

std::string TextValue(const std::vector<std::uint8_t>& bytes) {
  std::string text(bytes.begin(), bytes.end());
  std::size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

namespace {

void AppendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string UnicodeValue(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  if (bytes.size() % 2) return "<bad Unicode text: odd byte count>";
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    std::uint32_t unit = bytes[i] | (bytes[i + 1] << 8);
    if (unit == 0) break;
    if (unit >= 0xD800 && unit < 0xDC00) {
      if (i + 3 >= bytes.size()) return "<bad Unicode text: broken surrogate pair>";
      std::uint32_t low = bytes[i + 2] | (bytes[i + 3] << 8);
      if (low < 0xDC00 || low >= 0xE000) return "<bad Unicode text: broken surrogate pair>";
      unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    } else if (unit >= 0xDC00 && unit < 0xE000) {
      return "<bad Unicode text: broken surrogate pair>";
    }
    AppendUtf8(out, unit);
  }
  return out;
}

std::vector<std::uint8_t> UnicodeBytes(const std::string& text) {
  // Valid UTF-8 is decoded; any other byte stands for itself (Latin-1), as a plain ANSI
  // command line would mean it.
  std::vector<std::uint8_t> out;
  auto put = [&](std::uint32_t unit) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
  };
  for (std::size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    int extra = c >= 0xF0 && c < 0xF8 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 && c < 0xE0 ? 1 : 0;
    std::uint32_t code = c;
    bool valid = extra > 0 && i + extra < text.size();
    if (valid) {
      code = c & (0x3F >> extra);
      for (int k = 1; k <= extra && valid; ++k) {
        unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) valid = false;
        code = (code << 6) | (next & 0x3F);
      }
    }
    if (!valid) {
      put(c);
      ++i;
      continue;
    }
    i += extra + 1;
    if (code >= 0x10000) {
      code -= 0x10000;
      put(0xD800 + (code >> 10));
      put(0xDC00 + (code & 0x3FF));
    } else {
      put(code);
    }
  }
  put(0);
  return out;
}

std::string XlTableValue(const std::vector<std::uint8_t>& bytes) {
  auto word = [&](std::size_t at) { return bytes[at] | (bytes[at + 1] << 8); };
  std::string out;
  std::size_t at = 0;
  int columns = 0, cell = 0;
  auto separate = [&] {
    if (cell > 0) out += (columns > 0 && cell % columns == 0) ? " | " : "\t";
    ++cell;
  };
  while (at < bytes.size()) {
    if (at + 4 > bytes.size()) return "<bad XlTable: record header cut short>";
    const int type = word(at), size = word(at + 2);
    at += 4;
    if (at + size > bytes.size()) return "<bad XlTable: record longer than the data>";
    const std::size_t end = at + size;
    switch (type) {
      case 0x10:  // table: rows, columns
        if (size != 4) return "<bad XlTable: table record of " + std::to_string(size) + " bytes>";
        columns = word(at + 2);
        break;
      case 1:  // floats
        if (size % 8) return "<bad XlTable: float record not a multiple of 8>";
        for (std::size_t p = at; p < end; p += 8) {
          double d;
          std::memcpy(&d, bytes.data() + p, 8);
          char buf[64];
          std::snprintf(buf, sizeof buf, "%.15g", d);
          separate();
          out += buf;
        }
        break;
      case 2:  // strings, each with a length byte
        for (std::size_t p = at; p < end;) {
          std::size_t len = bytes[p];
          if (p + 1 + len > end) return "<bad XlTable: string longer than its record>";
          separate();
          out.append(reinterpret_cast<const char*>(bytes.data() + p + 1), len);
          p += 1 + len;
        }
        break;
      case 3:  // booleans
      case 4:  // errors
      case 6:  // integers
        if (size % 2) return "<bad XlTable: odd size of a word record>";
        for (std::size_t p = at; p < end; p += 2) {
          separate();
          int v = word(p);
          out += type == 3   ? (v ? "TRUE" : "FALSE")
                 : type == 4 ? "#ERR" + std::to_string(v)
                             : std::to_string(v);
        }
        break;
      case 5:  // blanks
      case 7:  // skips
        if (size != 2) return "<bad XlTable: blank record of " + std::to_string(size) + " bytes>";
        for (int k = 0; k < word(at); ++k) separate();
        break;
      default:
        return "<bad XlTable: unknown record type " + std::to_string(type) + ">";
    }
    at = end;
  }
  return out;
}

}  // namespace watch
