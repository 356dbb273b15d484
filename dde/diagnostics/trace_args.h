// One trace line is given as a list of pieces of mixed kinds (texts, numbers, Booleans,
// characters), rendered only when tracing is on.
#pragma once

#include <concepts>
#include <initializer_list>
#include <string>
#include <string_view>

namespace tickwell {

template <typename T>
concept TraceSigned = std::signed_integral<T> && !std::same_as<T, char>;
template <typename T>
concept TraceUnsigned =
    std::unsigned_integral<T> && !std::same_as<T, bool> && !std::same_as<T, char>;
template <typename T>
concept TraceUnrendered =
    !std::integral<T> && !std::floating_point<T> &&
    !std::convertible_to<const T&, std::string_view> && !std::convertible_to<const T&, const char*>;

// One piece of a line passed to Trace. Pieces of a kind the trace does not render (pointers,
// objects) are accepted and contribute nothing.
class TraceArg {
 public:
  TraceArg(bool value) : kind_(kBoolean), integer_(value) {}
  TraceArg(char value) : kind_(kCharacter), integer_(static_cast<unsigned char>(value)) {}
  template <TraceSigned T>
  TraceArg(T value) : kind_(kInteger), integer_(value) {}
  template <TraceUnsigned T>
  TraceArg(T value) : kind_(kUnsigned), unsigned_(value) {}
  template <std::floating_point T>
  TraceArg(T value) : kind_(kReal), real_(static_cast<double>(value)) {}
  TraceArg(const char* text) : kind_(kText), text_(text ? text : "") {}
  TraceArg(std::string_view text) : kind_(kText), text_(text) {}
  TraceArg(const std::string& text) : kind_(kText), text_(text) {}
  template <TraceUnrendered T>
  TraceArg(const T&) : kind_(kNothing) {}

  // Integers in decimal, Booleans "TRUE"/"FALSE", reals fixed with 2 decimals right-aligned in
  // 10 characters, characters and texts as they are.
  void AppendTo(std::string& line) const;

 private:
  enum Kind { kNothing, kInteger, kUnsigned, kBoolean, kCharacter, kReal, kText };
  Kind kind_;
  long long integer_ = 0;
  unsigned long long unsigned_ = 0;
  double real_ = 0;
  std::string_view text_;
};

// The pieces concatenated without separators.
std::string RenderTrace(std::initializer_list<TraceArg> pieces);

}  // namespace tickwell
