#include "rtd/partner_window.h"

#include <windows.h>
#include <ddeml.h>

namespace rtd {

bool PartnerWindowAlive(platform::Hconv conv) {
  CONVINFO info{};
  info.cb = sizeof info;
  if (!::DdeQueryConvInfo(reinterpret_cast<HCONV>(conv), QID_SYNC, &info)) return false;
  if (info.wStatus & ST_TERMINATED) return false;
  return info.hwndPartner != nullptr && ::IsWindow(info.hwndPartner);
}

}  // namespace rtd
