// The standard formatting routine behind TStringClass::SetFormat: directives
// %[index:][-][width][.precision]type with the types d u x e f g n m p s, and %% for a percent
// sign. Width and precision may be '*', taken from the next argument.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "support/string_class_args.h"

namespace tickwell {

class TStringClass;

// Raises EStringClass (SetFormat) for a malformed directive or an argument of the wrong kind.
// Texts, objects and pointers are rendered by renderer.
std::string FormatArgs(std::string_view format, std::span<const TStringArg> args,
                       const TStringClass& renderer);

}  // namespace tickwell
