// The DDEML callback: DDEML calls one function for every transaction of the thread's instance,
// and the manager in CurrentManager answers it, after writing what arrived to the trace.
#include "dde/diagnostics/trace.h"
#include "dde/manager/manager.h"
#include "dde/model/names.h"
#include "dde/tables/ddeml_names.h"
#include "dde/tables/format_names.h"

namespace tickwell {

platform::HddeData TDDEMLManager::CallBackTrampoline(unsigned uType, unsigned uFmt,
                                                     platform::Hconv hConv, platform::Hsz hsz1,
                                                     platform::Hsz hsz2, platform::HddeData hData,
                                                     std::uintptr_t dwData1,
                                                     std::uintptr_t dwData2) {
  TDDEMLManager* manager = CurrentManager();
  if (!manager) return platform::kDmlErrDllNotInitialized;
  return manager->CallBack(uType, uFmt, hConv, hsz1, hsz2, hData, dwData1, dwData2);
}

platform::HddeData TDDEMLManager::CallBack(unsigned uType, unsigned uFmt, platform::Hconv hConv,
                                           platform::Hsz hsz1, platform::Hsz hsz2,
                                           platform::HddeData hData, std::uintptr_t dwData1,
                                           std::uintptr_t dwData2) {
  // No instance of ours (yet or any more): answered without a trace.
  if (!Initialized()) return platform::kDmlErrDllNotInitialized;
  // The callback writes straight to the sink, untagged, whatever the design state.
  if (DebugActive()) {
    Trace("CallBack start ...");
    Trace("      MsgType = ", XTypName(uType));
    // Every format is named, the system's own as well as registered ones.
    Trace("      Format  = ", uFmt, " (", ClipFormatName(uFmt), ')');
    Trace("      ConvH   = ", static_cast<std::uint64_t>(hConv));
    Trace("      Atom1   = ", QueryName(InstanceId, hsz1));
    Trace("      Atom2   = ", QueryName(InstanceId, hsz2));
    Trace("      ALong1  = ", static_cast<std::uint64_t>(dwData1));
    Trace("      ALong2  = ", static_cast<std::uint64_t>(dwData2));
  }
  struct End {
    ~End() { Trace("CallBack end"); }
  } end;
  return Dispatch(uType, uFmt, hConv, hsz1, hsz2, hData, dwData1, dwData2);
}

platform::HddeData TDDEMLManager::Dispatch(unsigned uType, unsigned uFmt, platform::Hconv hConv,
                                           platform::Hsz hsz1, platform::Hsz hsz2,
                                           platform::HddeData hData, std::uintptr_t dwData1,
                                           std::uintptr_t dwData2) {
  const auto format = static_cast<std::uint16_t>(uFmt);
  switch (uType) {
    case platform::kXtypAdvStart:
      return XTypAdvStart(hConv, format, hsz2) ? 1 : 0;
    case platform::kXtypConnect:
      return XTypConnect(hsz2, hsz1) ? 1 : 0;
    case platform::kXtypAdvReq:
      return XTypAdvReq(hConv, hsz1, format, static_cast<std::uint16_t>(dwData1 & 0xFFFF), hsz2);
    case platform::kXtypRequest:
      return XTypRequest(hConv, hsz1, hsz2, format);
    case platform::kXtypWildConnect:
      return XTypWildConnect(hsz2, hsz1);
    case platform::kXtypExecute:
      return XTypExecute(hConv, hsz1, format, hData);
    case platform::kXtypPoke:
      return XTypPoke(hConv, hsz1, hsz2, format, hData);
    case platform::kXtypError:
      XTypError(dwData1);
      return 0;
    case platform::kXtypAdvStop:
      XTypAdvStop(hConv, format, hsz2);
      return 0;
    case platform::kXtypConnectConfirm:
      XTypConnectConfirm(hConv, hsz2, hsz1, dwData2);
      return 0;
    case platform::kXtypRegister:
      XTypRegister(hsz1, hsz2);
      return 0;
    case platform::kXtypDisconnect:
      XTypDisconnect(hConv);
      return 0;
    case platform::kXtypUnregister:
      XTypUnregister(hsz1, hsz2);
      return 0;
    case platform::kXtypXactComplete:
      XTypXactComplete(hConv, hsz1, hsz2, format, hData, static_cast<std::uint32_t>(dwData1));
      return 0;
    case platform::kXtypAdvData:
      return XTypAdvData(hConv, hsz1, hsz2, format, hData);
    default:
      // XTYP_MONITOR: the instance does not ask for it.
      return 0;
  }
}

}  // namespace tickwell
