// The names and descriptions that EStringClass messages are composed of.
#include <iterator>
#include <string>

#include "support/string_class.h"

namespace tickwell {

namespace {

constexpr const char* kOperationNames[] = {
    "Create",
    "CreateFrom",
    "Assign",
    "Clear",
    "AsString",
    "SetTo",
    "SetToLeft",
    "Append",
    "OccursIn",
    "AsBoolean",
    "AsFloat",
    "AsInteger",
    "AsWord",
    "MakeUpper",
    "SetBaseName",
    "SetFileName",
    "ExtractDelimited",
    "FindCharPos",
    "CharAt",
    "StartsWith",
    "Split",
    "Clone",
    "Reset",
    "UpdateLength",
    "AppendText",
    "AppendString",
    "AppendChar",
    "AppendInteger",
    "AppendFloat",
    "AppendPointer",
    "AppendLeft",
    "AppendMid",
    "SetText",
    "SetLeft",
    "SetFrom",
    "SetMid",
    "SetFormat",
    "SetPointer",
    "Prepend",
    "PrependText",
    "Pos",
    "FindChar",
    "FindLastChar",
    "LastCharPos",
    "FindCharFrom",
    "EndsWith",
    "Delete",
    "TrimLeft",
    "TrimZeros",
    "DoubleQuote",
    "SingleQuote",
    "UnDoubleQuote",
    "UnSingleQuote",
    "Enlarge",
    "AppendObject",
    "SetBlockSize",
};
static_assert(std::size(kOperationNames) == scoSetBlockSize - scoCreate + 1);

constexpr const char* kFailureTexts[] = {
    "text would exceed 65534 characters",
    "not enough memory for the text",
    "text longer than 65500 characters",
    "index beyond the end of the text",
    "format directive without a matching argument",
    "invalid format directive",
    "unexpected failure",
};
static_assert(std::size(kFailureTexts) == scfUnexpected - scfTooLong + 1);

std::string Compose(int operation, int failure) {
  std::string text = "TStringClass : ";
  text += StringClassOperationName(operation);
  text += " : ";
  text += StringClassFailureText(failure);
  return text;
}

}  // namespace

const char* StringClassOperationName(int operation) {
  const int i = operation - scoCreate;
  if (i < 0 || i >= static_cast<int>(std::size(kOperationNames))) return "unknown operation";
  return kOperationNames[i];
}

const char* StringClassFailureText(int failure) {
  const int i = failure - scfTooLong;
  if (i < 0 || i >= static_cast<int>(std::size(kFailureTexts))) return "unknown failure";
  return kFailureTexts[i];
}

EStringClass::EStringClass(int operation, int failure, const std::string& detail)
    : std::runtime_error(Compose(operation, failure)),
      operation_(operation),
      failure_(failure),
      detail_(detail) {}

}  // namespace tickwell
