// Where trace lines go.
#pragma once

namespace tickwell {

enum TDDEMLDebugState : unsigned char {
  dbNone,  // dropped
  dbForm,  // shown in the debug window
  dbFile,  // appended to the log file
};

// The log file used when none is named.
inline constexpr const char* kDefaultDebugFileName = "C:\\DDEMNGR.LOG";

}  // namespace tickwell
