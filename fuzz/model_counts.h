// What the platform model holds, for the checks that a run left nothing behind: windows, DDE
// string handles, data handles and conversations.
#pragma once

#include <cstddef>
#include <string>

#include "platform/sim/ddeml_sim.h"
#include "platform/sim/sim_window.h"

namespace tickwell::fuzz {

struct ModelCounts {
  std::size_t windows = 0, strings = 0, data = 0, conversations = 0;

  static ModelCounts Now() {
    return {platform::sim::TopLevelWindows().size(), platform::sim::DdeStringHandleCount(),
            platform::sim::DdeDataHandleCount(), platform::sim::DdeConversationCount()};
  }
  bool operator==(const ModelCounts&) const = default;
  std::string Text() const {
    return std::to_string(windows) + " windows, " + std::to_string(strings) + " string handles, " +
           std::to_string(data) + " data handles, " + std::to_string(conversations) +
           " conversations";
  }
};

}  // namespace tickwell::fuzz
