#include "dde/diagnostics/failed_call.h"

#include <cstdio>
#include <string>

#include "dde/diagnostics/trace.h"
#include "dde/tables/ddeml_names.h"

namespace tickwell {
namespace {

struct FailureState {
  platform::DdeInstance instance = 0;
  unsigned last = 0;
};

FailureState& Current() {
  thread_local FailureState state;
  return state;
}

}  // namespace

std::string FailedCallText(std::string_view call, unsigned error) {
  char number[16];
  std::snprintf(number, sizeof number, "0x%04X", error & 0xFFFF);
  return std::string(call) + " : " + DdemlErrorCodeName(error) + " (" + number + ")";
}

void TraceFailedCall(std::string_view call, unsigned error) {
  Current().last = error;
  if (!DebugActive()) return;
  try {
    WriteTraceLine("Call failed : " + FailedCallText(call, error));
  } catch (...) {
    // A line that cannot be built (no memory) must not fail the caller's way out of its failure.
  }
}

unsigned TraceFailedDdeCall(std::string_view call, platform::DdeInstance instance) {
  if (!DebugActive()) return 0;
  if (instance == 0) instance = Current().instance;
  const unsigned error = instance != 0 ? platform::DdeGetLastError(instance) & 0xFFFF : 0;
  TraceFailedCall(call, error);
  return error;
}

void SetThreadInstance(platform::DdeInstance instance) { Current().instance = instance; }

platform::DdeInstance ThreadInstance() { return Current().instance; }

unsigned TakeLastFailure() {
  const unsigned last = Current().last;
  Current().last = 0;
  return last;
}

}  // namespace tickwell
