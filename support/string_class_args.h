// TStringArg: one element of the string class's argument lists, a small tagged value, so that
// SetTo("TDDEMLManager", " : ", 5, true, 2.5) builds "TDDEMLManager : 5True2.5".
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeinfo>

#include "support/object.h"

namespace tickwell {

class TStringArg {
 public:
  enum class Kind {
    Integer,
    Unsigned,
    Boolean,
    Char,
    Real,
    String,  // counted text (std::string, std::string_view)
    PChar,   // zero-terminated text, may be null
    Pointer,
    Object,
    Class,       // rendered as nothing
    WideChar,    // rendered as nothing
    WideString,  // rendered as nothing
  };

  TStringArg(bool value) : kind_(Kind::Boolean), boolean_(value) {}
  TStringArg(char value) : kind_(Kind::Char), char_(value) {}
  template <typename T>
  requires std::signed_integral<T> &&
      (!std::same_as<T, char>)&&(!std::same_as<T, wchar_t>)TStringArg(T value)
      : kind_(Kind::Integer), integer_(value) {}
  template <typename T>
  requires std::unsigned_integral<T> &&
      (!std::same_as<T, bool>)&&(!std::same_as<T, char>)&&(!std::same_as<T, wchar_t>)&&(
          !std::same_as<T, char8_t>)&&(!std::same_as<T, char16_t>)&&(!std::same_as<T, char32_t>)
          TStringArg(T value)
      : kind_(Kind::Unsigned), unsigned_(value) {}
  TStringArg(double value) : kind_(Kind::Real), real_(value) {}
  TStringArg(float value) : kind_(Kind::Real), real_(value) {}
  TStringArg(long double value) : kind_(Kind::Real), real_(static_cast<double>(value)) {}
  TStringArg(const char* text) : kind_(Kind::PChar), pchar_(text) {}
  TStringArg(const std::string& text) : kind_(Kind::String), text_(text) {}
  TStringArg(std::string_view text) : kind_(Kind::String), text_(text) {}
  TStringArg(const void* pointer) : kind_(Kind::Pointer), pointer_(pointer) {}
  TStringArg(std::nullptr_t) : kind_(Kind::Pointer), pointer_(nullptr) {}
  TStringArg(const TObject* object) : kind_(Kind::Object), object_(object) {}
  TStringArg(const TObject& object) : kind_(Kind::Object), object_(&object) {}
  template <typename T>
  requires std::derived_from<T, TObject> TStringArg(const T* object)
      : kind_(Kind::Object), object_(object) {}
  template <typename T>
  requires std::derived_from<T, TObject> TStringArg(const T& object)
      : kind_(Kind::Object), object_(&object) {}
  TStringArg(const std::type_info&) : kind_(Kind::Class) {}
  TStringArg(wchar_t) : kind_(Kind::WideChar) {}
  TStringArg(const wchar_t*) : kind_(Kind::WideString) {}
  TStringArg(const std::wstring&) : kind_(Kind::WideString) {}

  Kind kind() const { return kind_; }
  long long integer() const { return integer_; }
  unsigned long long unsignedValue() const { return unsigned_; }
  bool boolean() const { return boolean_; }
  char character() const { return char_; }
  double real() const { return real_; }
  std::string_view text() const { return text_; }
  const char* pchar() const { return pchar_; }
  const void* pointer() const { return pointer_; }
  const TObject* object() const { return object_; }

 private:
  Kind kind_;
  union {
    long long integer_;
    unsigned long long unsigned_;
    bool boolean_;
    char char_;
    double real_;
    const char* pchar_;
    const void* pointer_;
    const TObject* object_ = nullptr;
  };
  std::string_view text_;
};

}  // namespace tickwell
