#include "support/string_format.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "support/string_class.h"

namespace tickwell {

namespace {

using Kind = TStringArg::Kind;

[[noreturn]] void Mismatch(char type) {
  throw EStringClass(scoSetFormat, scfFormatMismatch, std::string("%") + type);
}

[[noreturn]] void BadFormat(std::string_view directive) {
  throw EStringClass(scoSetFormat, scfBadFormat, std::string(directive));
}

bool IsInteger(const TStringArg& arg) {
  return arg.kind() == Kind::Integer || arg.kind() == Kind::Unsigned;
}

double RealOf(const TStringArg& arg, char type) {
  if (arg.kind() == Kind::Real) return arg.real();
  Mismatch(type);
}

// Digits of an integer with at least minDigits digits; the sign stays in front.
std::string PadDigits(std::string digits, int minDigits) {
  const bool negative = !digits.empty() && digits.front() == '-';
  if (negative) digits.erase(0, 1);
  if (int(digits.size()) < minDigits) digits.insert(0, std::size_t(minDigits) - digits.size(), '0');
  return negative ? "-" + digits : digits;
}

std::string Printf(const char* spec, int precision, double value) {
  const int n = std::snprintf(nullptr, 0, spec, precision, value);
  std::string text(std::size_t(n > 0 ? n : 0), '\0');
  std::snprintf(text.data(), text.size() + 1, spec, precision, value);
  return text;
}

// Scientific form with a sign and at least three exponent digits, "1.5000E+003".
std::string Scientific(double value, int precision) {
  std::string text = Printf("%.*E", precision > 0 ? precision - 1 : 0, value);
  const std::size_t e = text.find('E');
  if (e == std::string::npos || e + 2 > text.size()) return text;
  const std::string digits = text.substr(e + 2);
  const std::string zeros(digits.size() < 3 ? 3 - digits.size() : 0, '0');
  return text.substr(0, e + 2) + zeros + digits;
}

std::string Thousands(const std::string& fixed) {
  const std::size_t start = !fixed.empty() && fixed.front() == '-' ? 1 : 0;
  std::size_t end = fixed.find('.');
  if (end == std::string::npos) end = fixed.size();
  std::string out = fixed.substr(0, start);
  for (std::size_t i = start; i < end; ++i) {
    if (i > start && (end - i) % 3 == 0) out += ',';
    out += fixed[i];
  }
  return out + fixed.substr(end);
}

}  // namespace

std::string FormatArgs(std::string_view format, std::span<const TStringArg> args,
                       const TStringClass& renderer) {
  std::string out;
  std::size_t next = 0;
  auto take = [&](char type) -> const TStringArg& {
    if (next >= args.size()) Mismatch(type);
    return args[next++];
  };
  std::size_t i = 0;
  while (i < format.size()) {
    const char c = format[i++];
    if (c != '%') {
      out += c;
      continue;
    }
    const std::size_t directiveStart = i - 1;
    if (i < format.size() && format[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    auto number = [&](int& value, bool allowStar) -> bool {
      if (allowStar && i < format.size() && format[i] == '*') {
        const TStringArg& arg = take('*');
        if (arg.kind() != Kind::Integer) Mismatch('*');
        value = static_cast<int>(arg.integer());
        ++i;
        return true;
      }
      bool any = false;
      value = 0;
      while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
        if (value < 100000) value = value * 10 + (format[i] - '0');
        ++i;
        any = true;
      }
      return any;
    };
    int width = -1;
    int precision = -1;
    bool left = false;
    int value = 0;
    const std::size_t mark = i;
    if (number(value, false) && i < format.size() && format[i] == ':') {
      next = std::size_t(value < 0 ? 0 : value);
      ++i;
    } else {
      i = mark;
    }
    if (i < format.size() && format[i] == '-') {
      left = true;
      ++i;
    }
    if (number(value, true)) width = value;
    if (i < format.size() && format[i] == '.') {
      ++i;
      if (!number(precision, true)) precision = 0;
    }
    if (i >= format.size()) BadFormat(format.substr(directiveStart));
    const char type = static_cast<char>(format[i] | 0x20);  // types are case-insensitive
    ++i;
    std::string text;
    switch (type) {
      case 'd':
      case 'u':
      case 'x': {
        const TStringArg& arg = take(type);
        if (!IsInteger(arg)) Mismatch(type);
        if (type == 'x') {
          const unsigned long long bits = arg.kind() == Kind::Unsigned
                                              ? arg.unsignedValue()
                                              : static_cast<unsigned long long>(arg.integer());
          const bool narrow = arg.kind() == Kind::Integer && arg.integer() >= INT32_MIN &&
                              arg.integer() <= INT32_MAX;
          char hex[24];
          std::snprintf(hex, sizeof hex, "%llX", narrow ? bits & 0xFFFFFFFFull : bits);
          text = PadDigits(hex, precision);
        } else if (type == 'u' && arg.kind() == Kind::Integer && arg.integer() < 0) {
          text = PadDigits(
              std::to_string(static_cast<unsigned long long>(arg.integer()) & 0xFFFFFFFFull),
              precision);
        } else {
          text = PadDigits(renderer.Render(arg), precision);
        }
        break;
      }
      case 'e':
        text = Scientific(RealOf(take(type), type), precision < 0 ? 15 : precision);
        break;
      case 'f':
        text = Printf("%.*f", precision < 0 ? 2 : precision, RealOf(take(type), type));
        break;
      case 'g':
        text = Printf("%.*G", precision < 0 ? 15 : precision, RealOf(take(type), type));
        break;
      case 'n':
      case 'm':
        text = Thousands(Printf("%.*f", precision < 0 ? 2 : precision, RealOf(take(type), type)));
        break;
      case 'p': {
        const TStringArg& arg = take(type);
        if (arg.kind() != Kind::Pointer) Mismatch(type);
        text = TStringClass::FormatPointer(arg.pointer());
        break;
      }
      case 's': {
        const TStringArg& arg = take(type);
        if (arg.kind() != Kind::String && arg.kind() != Kind::PChar && arg.kind() != Kind::Char &&
            arg.kind() != Kind::Object) {
          Mismatch(type);
        }
        text = renderer.Render(arg);
        if (precision >= 0 && text.size() > std::size_t(precision))
          text.resize(std::size_t(precision));
        break;
      }
      default:
        BadFormat(format.substr(directiveStart, i - directiveStart));
    }
    if (width > 0 && text.size() < std::size_t(width)) {
      const std::string pad(std::size_t(width) - text.size(), ' ');
      text = left ? text + pad : pad + text;
    }
    out += text;
  }
  return out;
}

}  // namespace tickwell
