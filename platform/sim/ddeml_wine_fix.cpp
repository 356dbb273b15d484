#include "platform/ddeml_wine_fix.h"

namespace platform {

WineDdeFixStatus DdeWineFixStatus() {
  WineDdeFixStatus status;
  status.state = "not needed (not running on Wine)";
  return status;
}

}  // namespace platform
