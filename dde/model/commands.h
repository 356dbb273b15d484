// Execute commands: the list of commands a client may send, and the parser that cuts an execute
// string such as "[Open(1,abc)][Close]" into checked commands with their parameters.
#pragma once

#include <string>
#include <string_view>

#include "support/component_stream.h"
#include "support/containers.h"
#include "support/object_list.h"

namespace tickwell {

enum TDDEMLParamType : unsigned char { ptInteger, ptReal, ptString };

class TDDEMLCmd : public TObject {
 public:
  void Assign(const TDDEMLCmd& source);
  // The leading run of parameter letters that are their own upper case is mandatory.
  int MinParamCount() const;
  int MaxParamCount() const { return static_cast<int>(Params.size()); }
  // 'N'/'n' a real number, 'S'/'s' a non-empty string, anything else an integer.
  TDDEMLParamType ParamType(int index) const;

  std::string Title;
  std::string Params;
  bool Enabled = true;  // kept and stored; the parser accepts disabled commands too
};

class TDDEMLParsedCmd : public TObject {
 public:
  int ParamCount() const { return ParamList.Count(); }
  // Empty unless index names a parameter that has a type letter.
  std::string Param(int index) const;
  void AddParam(std::string_view text);

  std::string CmdName;         // as written, upper-cased
  TObjectContainer ParamList;  // of TStringClass, in order
  std::string ParamTypes;
};

class TDDEMLCmdsList : public TObject {
 public:
  static constexpr const char* kStoredName = "CmdList";

  void Assign(const TDDEMLCmdsList& source);
  // Nothing when a command of that title exists.
  void AddCmd(std::string_view title, std::string_view params, bool enabled);
  void Clear() { CmdList.ClearAndFree(); }
  int CmdCount() const { return CmdList.Count(); }
  TDDEMLCmd* GetCmd(int index) const;
  TDDEMLCmd* FindCmd(std::string_view name) const;
  bool CmdExists(std::string_view name) const { return FindCmd(name) != nullptr; }

  // Parses an execute string; each valid command goes to container when given (else it is
  // freed). False at the first command that does not parse, the ones before it kept. Never
  // raises.
  bool ValidCmdLine(std::string_view text, TObjectContainer* container) const;
  bool ParseCmd(std::string_view span, TDDEMLParsedCmd& cmd) const;
  bool CheckParams(std::string_view name, std::string_view paramText, TDDEMLParsedCmd& cmd) const;

  // The stored form: per command Enabled, Params, Title. Reading replaces the commands only when
  // the whole list reads; bad input raises EStreamError and keeps them.
  void WriteData(TValueWriter& writer) const;
  void ReadData(TValueReader& reader);

  char CmdFirstCh = '[';
  char CmdLastCh = ']';
  char CmdParamFirstCh = '(';
  char CmdParamLastCh = ')';
  char CmdParamSep = ',';
  TDDEMLObjectList CmdList;
};

}  // namespace tickwell
