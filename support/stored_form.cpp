#include "support/stored_form.h"

#include <cctype>
#include <charconv>
#include <cstdlib>

namespace tickwell {
namespace {

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {}

  TStoredObject Document() {
    TStoredObject root = Object();
    SkipBlanks();
    if (pos_ < s_.size()) Fail("text after the last 'end'");
    return root;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const { throw EStoredFormError(what, line_); }

  void SkipBlanks() {
    while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) {
      if (s_[pos_] == '\n') ++line_;
      ++pos_;
    }
  }
  // Blanks within one line only.
  void SkipSpaces() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\r')) ++pos_;
  }
  static bool IdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
  static bool IdentChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
  }
  std::string Ident(const char* what) {
    SkipSpaces();
    if (pos_ >= s_.size() || !IdentStart(s_[pos_])) Fail(std::string("expected ") + what);
    const std::size_t start = pos_;
    while (pos_ < s_.size() && IdentChar(s_[pos_])) ++pos_;
    return std::string(s_.substr(start, pos_ - start));
  }
  void Expect(char c) {
    SkipSpaces();
    if (pos_ >= s_.size() || s_[pos_] != c) Fail(std::string("expected '") + c + "'");
    ++pos_;
  }
  void EndOfLine() {
    SkipSpaces();
    if (pos_ < s_.size() && s_[pos_] != '\n') Fail("unexpected text at the end of the line");
  }

  TStoredObject Object() {
    SkipBlanks();
    TStoredObject obj;
    obj.line = line_;
    if (Ident("'object'") != "object") Fail("expected 'object'");
    obj.name = Ident("an object name");
    Expect(':');
    obj.class_name = Ident("a class name");
    EndOfLine();
    for (;;) {
      SkipBlanks();
      if (pos_ >= s_.size()) Fail("'end' missing for object " + obj.name);
      const std::size_t mark = pos_;
      const int mark_line = line_;
      const std::string word = Ident("a property, 'object' or 'end'");
      if (word == "end") {
        EndOfLine();
        return obj;
      }
      if (word == "object") {
        pos_ = mark;
        line_ = mark_line;
        obj.children.push_back(Object());
        continue;
      }
      TStoredProperty prop;
      prop.name = word;
      Expect('=');
      prop.value = Value();
      for (const TStoredProperty& p : obj.properties)
        if (p.name == prop.name) Fail("property " + prop.name + " given twice");
      obj.properties.push_back(std::move(prop));
      EndOfLine();
    }
  }

  TStoredValue Value() {
    SkipSpaces();
    TStoredValue v;
    v.line = line_;
    if (pos_ >= s_.size()) Fail("value missing");
    const char c = s_[pos_];
    if (c == '\'' || c == '#') {
      v.kind = TStoredValue::kText;
      v.text = Text();
    } else if (c == '[') {
      v.kind = TStoredValue::kSet;
      ++pos_;
      SkipSpaces();
      if (pos_ < s_.size() && s_[pos_] == ']') {
        ++pos_;
      } else {
        for (;;) {
          v.set.push_back(Ident("a set element"));
          SkipSpaces();
          if (pos_ < s_.size() && s_[pos_] == ',') {
            ++pos_;
            continue;
          }
          Expect(']');
          break;
        }
      }
    } else if (c == '{') {
      v.kind = TStoredValue::kBytes;
      ++pos_;
      v.bytes = Bytes();
    } else if (IdentStart(c)) {
      v.kind = TStoredValue::kIdent;
      v.text = Ident("an identifier");
    } else if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
      Number(v);
    } else {
      Fail(std::string("unexpected character '") + c + "'");
    }
    return v;
  }

  // Quoted pieces and #codes, side by side or joined by '+' (also across lines).
  std::string Text() {
    std::string out;
    for (;;) {
      SkipSpaces();
      if (pos_ < s_.size() && s_[pos_] == '\'') {
        ++pos_;
        for (;;) {
          if (pos_ >= s_.size() || s_[pos_] == '\n') Fail("text not closed");
          if (s_[pos_] == '\'') {
            if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '\'') {
              out += '\'';
              pos_ += 2;
              continue;
            }
            ++pos_;
            break;
          }
          out += s_[pos_++];
        }
      } else if (pos_ < s_.size() && s_[pos_] == '#') {
        ++pos_;
        const std::size_t start = pos_;
        while (pos_ < s_.size() && std::isdigit(static_cast<unsigned char>(s_[pos_]))) ++pos_;
        int code = -1;
        const auto r = std::from_chars(s_.data() + start, s_.data() + pos_, code);
        if (start == pos_ || r.ec != std::errc() || code > 255) Fail("bad character code");
        out += static_cast<char>(code);
      } else {
        break;
      }
      SkipSpaces();
      if (pos_ < s_.size() && s_[pos_] == '+') {
        ++pos_;
        SkipBlanks();
        if (pos_ >= s_.size() || (s_[pos_] != '\'' && s_[pos_] != '#'))
          Fail("text expected after '+'");
      }
    }
    return out;
  }

  std::vector<std::uint8_t> Bytes() {
    std::vector<std::uint8_t> out;
    int pending = -1;
    for (;;) {
      SkipBlanks();
      if (pos_ >= s_.size()) Fail("'}' missing");
      const char c = s_[pos_++];
      if (c == '}') break;
      int digit;
      if (c >= '0' && c <= '9')
        digit = c - '0';
      else if (c >= 'A' && c <= 'F')
        digit = c - 'A' + 10;
      else if (c >= 'a' && c <= 'f')
        digit = c - 'a' + 10;
      else
        Fail(std::string("bad hexadecimal digit '") + c + "'");
      if (pending < 0) {
        pending = digit;
      } else {
        out.push_back(static_cast<std::uint8_t>(pending * 16 + digit));
        pending = -1;
      }
    }
    if (pending >= 0) Fail("odd number of hexadecimal digits");
    return out;
  }

  void Number(TStoredValue& v) {
    const std::size_t start = pos_;
    if (s_[pos_] == '-') ++pos_;
    bool real = false;
    while (pos_ < s_.size()) {
      const char c = s_[pos_];
      if (std::isdigit(static_cast<unsigned char>(c))) {
        ++pos_;
      } else if (c == '.' || c == 'e' || c == 'E' ||
                 ((c == '+' || c == '-') && (s_[pos_ - 1] == 'e' || s_[pos_ - 1] == 'E'))) {
        real = true;
        ++pos_;
      } else {
        break;
      }
    }
    const std::string token(s_.substr(start, pos_ - start));
    if (real) {
      char* end = nullptr;
      v.kind = TStoredValue::kReal;
      v.real = std::strtod(token.c_str(), &end);
      if (end != token.c_str() + token.size()) Fail("bad number " + token);
    } else {
      v.kind = TStoredValue::kInteger;
      const auto r = std::from_chars(token.data(), token.data() + token.size(), v.integer);
      if (r.ec != std::errc() || r.ptr != token.data() + token.size()) Fail("bad number " + token);
    }
  }

  std::string_view s_;
  std::size_t pos_ = 0;
  int line_ = 1;
};

[[noreturn]] void WrongKind(const TStoredValue& v, std::string_view property, const char* wanted) {
  throw EStoredFormError("Property " + std::string(property) + " needs " + wanted, v.line);
}

}  // namespace

EStoredFormError::EStoredFormError(const std::string& message, int line)
    : std::runtime_error("Stored description, line " + std::to_string(line) + ": " + message),
      line_(line) {}

bool TStoredValue::AsBoolean(std::string_view property) const {
  if (kind == kIdent && text == "True") return true;
  if (kind == kIdent && text == "False") return false;
  WrongKind(*this, property, "True or False");
}

std::int32_t TStoredValue::AsInteger(std::string_view property) const {
  if (kind != kInteger || integer < INT32_MIN || integer > INT32_MAX)
    WrongKind(*this, property, "a 32-bit integer");
  return static_cast<std::int32_t>(integer);
}

double TStoredValue::AsReal(std::string_view property) const {
  if (kind == kReal) return real;
  if (kind == kInteger) return static_cast<double>(integer);
  WrongKind(*this, property, "a number");
}

const std::string& TStoredValue::AsText(std::string_view property) const {
  if (kind != kText) WrongKind(*this, property, "a quoted text");
  return text;
}

char TStoredValue::AsChar(std::string_view property) const {
  if (kind != kText || text.size() != 1) WrongKind(*this, property, "one quoted character");
  return text[0];
}

const std::string& TStoredValue::AsIdent(std::string_view property) const {
  if (kind != kIdent) WrongKind(*this, property, "an identifier");
  return text;
}

TStoredObject ReadStoredForm(std::string_view text) { return Parser(text).Document(); }

void UnknownStoredProperty(const TStoredProperty& property) {
  throw EStoredFormError("Property " + property.name + " does not exist", property.value.line);
}

}  // namespace tickwell
