// The DDEML callback: DDEML calls one function for every transaction of the thread's instance,
// and the manager in CurrentManager answers it.
#include "dde/manager/manager.h"

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
  return Dispatch(uType, uFmt, hConv, hsz1, hsz2, hData, dwData1, dwData2);
}

platform::HddeData TDDEMLManager::Dispatch(unsigned, unsigned, platform::Hconv, platform::Hsz,
                                           platform::Hsz, platform::HddeData, std::uintptr_t,
                                           std::uintptr_t) {
  // No transaction has a handler yet: every one is answered 0, so connects are refused and
  // nothing is served.
  return 0;
}

}  // namespace tickwell
