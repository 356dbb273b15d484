// What the process knows of the Wine DDE data fix (see win32/wine_post_fix.cpp): whether it runs
// on Wine, whether the fix is in force, why not, and how much it has done. On Windows and on the
// model the fix never applies.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct WineDdeFixStatus {
  bool wine = false;                // the real library in use is Wine's
  bool active = false;              // the fix is installed and its self-test passed
  std::string state;                // one line: why it is, or is not, in force
  std::uint64_t marked = 0;         // posted DDE data told to free itself at the receiver
  std::uint64_t freed = 0;          // posted originals freed after the post
  std::uint64_t kept = 0;           // originals left alone (changed, locked or gone)
  std::uint64_t answers_freed = 0;  // request answers freed once posted
  std::uint64_t acks_dropped = 0;   // stray acknowledgements after request data, not posted
  std::uint64_t acks_awaited = 0;   // stray acknowledgements a client took off its queue
  std::uint64_t updates_held = 0;   // advise updates held back until a client transaction ended
};

WineDdeFixStatus DdeWineFixStatus();

// The status as one line, e.g. "Wine DDE fix: active (self-test passed); marked 12, freed 12, ...".
std::string DdeWineFixReport();

}  // namespace platform
