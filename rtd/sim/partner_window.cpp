#include "rtd/partner_window.h"

namespace rtd {

// The model's conversations have no windows: a conversation is alive while the model holds it
// connected, and it ends it when the server's instance goes.
bool PartnerWindowAlive(platform::Hconv conv) {
  platform::ConvInfo info;
  if (!platform::DdeQueryConvInfo(conv, platform::kQidSync, info)) return false;
  return (info.status & platform::kStConnected) != 0 &&
         (info.status & platform::kStTerminated) == 0;
}

}  // namespace rtd
