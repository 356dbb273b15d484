// The manager's stored properties, as a window's stored description gives them.
#include <iterator>

#include "dde/manager/manager.h"
#include "support/component_stream.h"

namespace tickwell {
namespace {

template <typename E, std::size_t N>
E EnumValue(const TStoredValue& value, const std::string& property, const char* const (&names)[N]) {
  const std::string& ident = value.AsIdent(property);
  for (std::size_t i = 0; i < N; ++i)
    if (ident == names[i]) return static_cast<E>(i);
  throw EStoredFormError("Property " + property + " has no value " + ident, value.line);
}

template <typename E, std::size_t N>
TEnumSet<E> SetValue(const TStoredValue& value, const std::string& property,
                     const char* const (&names)[N]) {
  if (value.kind != TStoredValue::kSet)
    throw EStoredFormError("Property " + property + " needs a set", value.line);
  TEnumSet<E> set;
  for (const std::string& element : value.set) {
    TStoredValue one;
    one.kind = TStoredValue::kIdent;
    one.text = element;
    one.line = value.line;
    set.Include(EnumValue<E>(one, property, names));
  }
  return set;
}

// A stored list, read through its own reader; a list that does not read is reported with the
// line of its property and leaves the list as it was.
template <typename List>
void ReadList(List& list, const TStoredProperty& p) {
  if (p.value.kind != TStoredValue::kBytes)
    throw EStoredFormError("Property " + p.name + " needs bytes in braces", p.value.line);
  try {
    TValueReader reader(p.value.bytes);
    list.ReadData(reader);
    if (!reader.AtEnd()) throw EStreamError("bytes after the list", reader.Position());
  } catch (const EStreamError& e) {
    throw EStoredFormError("Property " + p.name + ": " + e.what(), p.value.line);
  }
}

constexpr const char* kScopeNames[] = {"ddeNone", "ddeClientOnly", "ddeServerOnly",
                                       "ddeClientAndServer"};
constexpr const char* kDebugNames[] = {"dbNone", "dbForm", "dbFile"};
constexpr const char* kCommNames[] = {"dcASync", "dcSync"};
constexpr const char* kConflictNames[] = {"fctException", "fctIgnore", "fctNullResponse"};
constexpr const char* kClipFmtNames[] = {
    "cfNone",    "cfText", "cfBitmap",  "cfMetaFilePict", "cfSYLK", "cfDIF",  "cfTIFF",
    "cfOEMText", "cfDIB",  "cfPalette", "cfPenData",      "cfRIFF", "cfWave", "cfCustom"};
constexpr const char* kShareProcessNames[] = {"sptNone", "sptAutoCreateShares",
                                              "sptSharesMustMatch"};
constexpr const char* kFailNames[] = {
    "cbfFailSelfConnections", "cbfFailConnections", "cbfFailAdvises",       "cbfFailExecutes",
    "cbfFailPokes",           "cbfFailRequests",    "cbfFailAllSvrXActions"};
constexpr const char* kSkipNames[] = {"cbfSkipConnectConfirms", "cbfSkipRegistrations",
                                      "cbfSkipUnregistrations", "cbfSkipDisconnects",
                                      "cbfSkipAllNotifications"};

}  // namespace

void TDDEMLManager::ReadProperty(const TStoredProperty& property) {
  const std::string& n = property.name;
  const TStoredValue& v = property.value;
  struct Flag {
    const char* name;
    bool* field;
  };
  const Flag booleans[] = {
      {"AcceptPokes", &AcceptPokes},
      {"KeepReleasedTopics", &KeepReleasedTopics},
      {"AllowNullPokes", &AllowNullPokes},
      {"AllowNullService", &AllowNullService},
      {"AllowNullTopic", &AllowNullTopic},
      {"AutoInit", &AutoInit},
      {"DebugStayOnTop", &DebugStayOnTop},
      {"DefaultUseBusy", &DefaultUseBusy},
      {"NetworkDDE", &NetworkDDE},
      {"ExeNameAsService", &ExeNameAsService},
      {"OneConvPerTopic", &OneConvPerTopic},
      {"PokeDataAsHandle", &PokeDataAsHandle},
      {"RetainClientItems", &RetainClientItems},
      {"RetainClientItemData", &RetainClientItemData},
      {"StoreServerItemData", &StoreServerItemData},
      {"ShareLastAdviseHandle", &ShareLastAdviseHandle},
      {"PostOwnServiceOnly", &PostOwnServiceOnly},
  };
  for (const Flag& f : booleans) {
    if (n == f.name) {
      *f.field = v.AsBoolean(n);
      return;
    }
  }
  if (n == "CompareServerItemData") return SetCompareServerItemData(v.AsBoolean(n));
  if (n == "CmdFirstCh") return SetCmdFirstCh(v.AsChar(n));
  if (n == "CmdLastCh") return SetCmdLastCh(v.AsChar(n));
  if (n == "CmdParamFirstCh") return SetCmdParamFirstCh(v.AsChar(n));
  if (n == "CmdParamLastCh") return SetCmdParamLastCh(v.AsChar(n));
  if (n == "CmdParamSep") return SetCmdParamSep(v.AsChar(n));
  if (n == "DebugFileName") {
    DebugFileName = v.AsText(n);
    return;
  }
  if (n == "DebugState") return SetDebugState(EnumValue<TDDEMLDebugState>(v, n, kDebugNames));
  if (n == "DefaultClipFmt") {
    DefaultClipFmt = EnumValue<TDDEMLClipFmtType>(v, n, kClipFmtNames);
    return;
  }
  if (n == "DefaultComm") {
    DefaultComm = EnumValue<TDDEMLCommType>(v, n, kCommNames);
    return;
  }
  if (n == "DefaultTimeOut") return SetDefaultTimeOut(v.AsReal(n));
  if (n == "FailOptions") {
    FailOptions = SetValue<TDDEMLFailType>(v, n, kFailNames);
    return;
  }
  if (n == "SkipOptions") {
    SkipOptions = SetValue<TDDEMLSkipType>(v, n, kSkipNames);
    return;
  }
  if (n == "FormatConflict") {
    FormatConflict = EnumValue<TDDEMLFormatConflictType>(v, n, kConflictNames);
    return;
  }
  if (n == "ShareProcess") {
    ShareProcess = EnumValue<TShareProcessType>(v, n, kShareProcessNames);
    return;
  }
  if (n == "Scope") return SetScope(EnumValue<TDDEMLScopeType>(v, n, kScopeNames));
  if (n == TDDEMLServicesList::kStoredName) return ReadList(*Services_, property);
  if (n == TDDEMLCmdsList::kStoredName) return ReadList(*ExecCmds_, property);
  // The stored share list is read into the owned list as it is, whatever NetworkDDE says: the
  // scope test is the setter's, for lists handed in while the program runs.
  if (n == TNetDDESharesList::kStoredName) return ReadList(*SharesList_, property);
  UnknownStoredProperty(property);
}

}  // namespace tickwell
