#include "platform/ddeml_wine_fix.h"

namespace platform {

std::string DdeWineFixReport() {
  WineDdeFixStatus status = DdeWineFixStatus();
  std::string line = "Wine DDE fix: " + status.state;
  if (status.active)
    line += "; marked " + std::to_string(status.marked) + ", freed " +
            std::to_string(status.freed) + ", kept " + std::to_string(status.kept) +
            ", answers freed " + std::to_string(status.answers_freed) + ", acks dropped " +
            std::to_string(status.acks_dropped);
  if (status.wine)
    line += ", stray acks awaited " + std::to_string(status.acks_awaited) +
            ", updates held " + std::to_string(status.updates_held);
  return line;
}

}  // namespace platform
