// The text form of a window's stored description: nested objects, each with a name, a class,
// its properties in order and the objects it owns, e.g.
//
//   object MainForm: TMainForm
//     Caption = 'Tickwell'
//     Left = 425
//     object DdeManager: TDDEMLManager
//       Scope = ddeServerOnly
//       FailOptions = []
//       ServicesList = {0100}
//     end
//   end
//
// Values: integers, reals, quoted texts ('it''s', #13 for a character code, pieces joined by
// +), identifiers (True, ddeNone, a handler's name), sets of identifiers in brackets, and bytes
// in hexadecimal between braces (stored component lists). The reader accepts exactly that and
// raises EStoredFormError with the line of the first problem for anything else.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tickwell {

class EStoredFormError : public std::runtime_error {
 public:
  EStoredFormError(const std::string& message, int line);
  int Line() const { return line_; }

 private:
  int line_;
};

struct TStoredValue {
  enum Kind { kInteger, kReal, kText, kIdent, kSet, kBytes };
  Kind kind = kInteger;
  std::int64_t integer = 0;
  double real = 0;
  std::string text;  // text or identifier
  std::vector<std::string> set;
  std::vector<std::uint8_t> bytes;
  int line = 0;

  // Checked access: each raises EStoredFormError naming the property when the kind is wrong.
  bool AsBoolean(std::string_view property) const;
  std::int32_t AsInteger(std::string_view property) const;
  double AsReal(std::string_view property) const;  // an integer is a real too
  const std::string& AsText(std::string_view property) const;
  char AsChar(std::string_view property) const;  // a text of exactly one character
  const std::string& AsIdent(std::string_view property) const;
};

struct TStoredProperty {
  std::string name;
  TStoredValue value;
};

struct TStoredObject {
  std::string name;
  std::string class_name;
  std::vector<TStoredProperty> properties;
  std::vector<TStoredObject> children;
  int line = 0;
};

// Reads one object (with everything it owns) that makes up the whole text.
TStoredObject ReadStoredForm(std::string_view text);

// Raises EStoredFormError "Property <name> does not exist" for a property nobody reads.
[[noreturn]] void UnknownStoredProperty(const TStoredProperty& property);

}  // namespace tickwell
