#include "dde/model/commands.h"

#include <memory>
#include <vector>

#include "dde/diagnostics/trace.h"
#include "dde/model/names.h"
#include "support/string_class.h"

namespace tickwell {

void TDDEMLCmd::Assign(const TDDEMLCmd& source) {
  Title = source.Title;
  Params = source.Params;
  Enabled = source.Enabled;
}

int TDDEMLCmd::MinParamCount() const {
  int n = 0;
  while (n < MaxParamCount() && FoldNameChar(Params[n]) == Params[n]) ++n;
  return n;
}

TDDEMLParamType TDDEMLCmd::ParamType(int index) const {
  if (index < 0 || index >= MaxParamCount()) return ptInteger;
  switch (Params[index]) {
    case 'N':
    case 'n':
      return ptReal;
    case 'S':
    case 's':
      return ptString;
    default:
      return ptInteger;
  }
}

std::string TDDEMLParsedCmd::Param(int index) const {
  if (index < 0 || index >= ParamCount() || index >= static_cast<int>(ParamTypes.size())) return {};
  return std::string(ParamList.ObjectAs<TStringClass>(index)->View());
}

void TDDEMLParsedCmd::AddParam(std::string_view text) {
  auto param = std::make_unique<TStringClass>();
  param->SetText(text);
  ParamList.Add(param.release());
}

void TDDEMLCmdsList::Assign(const TDDEMLCmdsList& source) {
  if (&source == this) return;
  Clear();
  for (int i = 0; i < source.CmdCount(); ++i) {
    const TDDEMLCmd* cmd = source.GetCmd(i);
    AddCmd(cmd->Title, cmd->Params, cmd->Enabled);
  }
}

void TDDEMLCmdsList::AddCmd(std::string_view title, std::string_view params, bool enabled) {
  if (CmdExists(title)) return;
  auto* cmd = new TDDEMLCmd;
  cmd->Title.assign(title);
  cmd->Params.assign(params);
  cmd->Enabled = enabled;
  CmdList.Add(cmd);
}

TDDEMLCmd* TDDEMLCmdsList::GetCmd(int index) const {
  if (index < 0 || index >= CmdCount()) return nullptr;
  return CmdList.ItemAs<TDDEMLCmd>(index);
}

TDDEMLCmd* TDDEMLCmdsList::FindCmd(std::string_view name) const {
  for (int i = 0; i < CmdCount(); ++i)
    if (SameName(GetCmd(i)->Title, name)) return GetCmd(i);
  return nullptr;
}

bool TDDEMLCmdsList::ValidCmdLine(std::string_view text, TObjectContainer* container) const {
  bool result = true;
  Trace("ValidCmdLine - start");
  try {
    TStringClass w;
    w.SetText(text);
    Trace("ValidCmdLine - step 1");
    while (!w.IsEmpty() && result) {
      Trace("ValidCmdLine - step 2");
      TStringClass span;
      std::uint16_t len = 0, start = 0;
      // Anything outside the brackets, a blank between two commands included, ends the line.
      result = w.StartsWith(CmdFirstCh) &&
               w.ExtractDelimited(CmdFirstCh, CmdLastCh, span, false, true, len, start, 0);
      if (!result) break;
      Trace("ValidCmdLine - step 3");
      auto parsed = std::make_unique<TDDEMLParsedCmd>();
      result = ParseCmd(span.View(), *parsed);
      if (result && container) container->Add(parsed.release());
      Trace("ValidCmdLine - step 4");
    }
  } catch (const std::exception&) {
    // An execute string the working string cannot hold is simply not a valid command line.
    result = false;
  }
  Trace("ValidCmdLine - end");
  return result;
}

bool TDDEMLCmdsList::ParseCmd(std::string_view span, TDDEMLParsedCmd& cmd) const {
  const std::string_view name = span.substr(0, span.find(CmdParamFirstCh));
  if (!FindCmd(name)) return false;
  TStringClass upper;
  upper.SetText(name);
  upper.MakeUpper();
  cmd.CmdName.assign(upper.View());
  TStringClass w, inner;
  w.SetText(span);
  std::uint16_t len = 0, start = 0;
  if (!w.ExtractDelimited(CmdParamFirstCh, CmdParamLastCh, inner, false, true, len, start, 0))
    return true;
  return CheckParams(name, inner.View(), cmd);
}

bool TDDEMLCmdsList::CheckParams(std::string_view name, std::string_view paramText,
                                 TDDEMLParsedCmd& cmd) const {
  const TDDEMLCmd* def = FindCmd(name);
  if (!def) return false;
  TStringClass text;
  text.SetText(paramText);
  TObjectContainer pieces;
  const int count = text.Split(CmdParamSep, 0, pieces);
  if (count == 0 || count < def->MinParamCount() || count > def->MaxParamCount()) return false;
  for (int i = 0; i < count; ++i) {
    const TStringClass* piece = pieces.ObjectAs<TStringClass>(i);
    std::int32_t n = 0;
    double d = 0;
    const bool ok = def->ParamType(i) == ptInteger ? piece->AsInteger(n)
                    : def->ParamType(i) == ptReal  ? piece->AsFloat(d)
                                                   : !piece->IsEmpty();
    if (!ok) return false;
  }
  for (int i = 0; i < count; ++i) cmd.AddParam(pieces.ObjectAs<TStringClass>(i)->View());
  cmd.ParamTypes = def->Params;
  return true;
}

void TDDEMLCmdsList::WriteData(TValueWriter& writer) const {
  writer.WriteListBegin();
  for (int i = 0; i < CmdCount(); ++i) {
    writer.WriteBoolean(GetCmd(i)->Enabled);
    writer.WriteString(GetCmd(i)->Params);
    writer.WriteString(GetCmd(i)->Title);
  }
  writer.WriteListEnd();
}

void TDDEMLCmdsList::ReadData(TValueReader& reader) {
  std::vector<TDDEMLCmd> read;
  reader.ReadListBegin();
  while (!reader.EndOfList()) {
    TDDEMLCmd cmd;
    cmd.Enabled = reader.ReadBoolean();
    cmd.Params = reader.ReadString();
    cmd.Title = reader.ReadString();
    read.push_back(cmd);
  }
  reader.ReadListEnd();
  Clear();
  for (const TDDEMLCmd& cmd : read) AddCmd(cmd.Title, cmd.Params, cmd.Enabled);
}

}  // namespace tickwell
