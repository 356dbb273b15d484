// Execute strings against a command list the input also chooses: up to four commands (title and
// parameter letters) and, sometimes, other delimiters. The parser never raises, answers the same
// with or without a container, and every command it hands out is a known one with a parameter
// list that fits the command's letters, each parameter passing its type test.
#include <cctype>

#include "dde/model/commands.h"
#include "fuzz/fuzz_check.h"
#include "support/string_class.h"

namespace {

using namespace tickwell;
using tickwell::fuzz::Input;

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

void CheckCommand(const TDDEMLCmdsList& list, const TDDEMLParsedCmd& cmd) {
  const TDDEMLCmd* def = list.FindCmd(cmd.CmdName);
  FUZZ_CHECK(def != nullptr, "parsed command " + cmd.CmdName + " is not in the list");
  FUZZ_CHECK(cmd.CmdName == Upper(cmd.CmdName), "command name not upper-cased");
  const int n = cmd.ParamCount();
  if (n == 0) return;  // given without a parameter list
  FUZZ_CHECK(cmd.ParamTypes == def->Params, "parameter letters are not the command's");
  FUZZ_CHECK(n >= def->MinParamCount() && n <= def->MaxParamCount(),
             "parameter count outside the command's range");
  for (int i = 0; i < n; ++i) {
    const std::string p = cmd.Param(i);
    TStringClass s;
    s.SetText(p);
    switch (def->ParamType(i)) {
      case ptInteger: {
        std::int32_t v = 0;
        FUZZ_CHECK(s.AsInteger(v), "integer parameter '" + p + "' does not convert");
        break;
      }
      case ptReal: {
        double v = 0;
        FUZZ_CHECK(s.AsFloat(v), "real parameter '" + p + "' does not convert");
        break;
      }
      case ptString:
        FUZZ_CHECK(!p.empty(), "empty string parameter");
        break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  TDDEMLCmdsList list;
  const int commands = in.Byte() % 5;
  for (int i = 0; i < commands; ++i) {
    const std::string title = in.Text(16);
    const std::string params = in.Text(8);
    list.AddCmd(title, params, (in.Byte() & 1) != 0);
  }
  if (in.Byte() & 1) {  // other delimiters
    list.CmdFirstCh = static_cast<char>(in.Byte());
    list.CmdLastCh = static_cast<char>(in.Byte());
    list.CmdParamFirstCh = static_cast<char>(in.Byte());
    list.CmdParamLastCh = static_cast<char>(in.Byte());
    list.CmdParamSep = static_cast<char>(in.Byte());
  }
  const std::string text = in.Rest();

  TObjectContainer parsed;
  const bool valid = list.ValidCmdLine(text, &parsed);
  FUZZ_CHECK(valid == list.ValidCmdLine(text, nullptr), "the answer depends on the container");
  if (text.empty()) FUZZ_CHECK(valid && parsed.Count() == 0, "the empty string is not valid");
  for (int i = 0; i < parsed.Count(); ++i) CheckCommand(list, *parsed.ObjectAs<TDDEMLParsedCmd>(i));
  return 0;
}
