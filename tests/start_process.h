// Starting a test's child program. Under load, Wine's CreateProcess now and then fails at once
// for a program that starts the next time; a test that counted that as the program's failure
// would fail for nothing, so a start is tried a few times before it counts as failed.
#pragma once

#include <windows.h>

#include <cstdio>

namespace test_support {

// CreateProcessA with up to five tries, 200 ms apart; each failed try is reported on standard
// error with its error code. On failure returns false with the last error code in error.
inline bool StartProcess(const char* program, char* command_line, bool inherit_handles,
                         STARTUPINFOA& startup, PROCESS_INFORMATION& info, DWORD& error) {
  for (int attempt = 1;; ++attempt) {
    if (::CreateProcessA(program, command_line, nullptr, nullptr, inherit_handles, 0, nullptr,
                         nullptr, &startup, &info))
      return true;
    error = ::GetLastError();
    std::fprintf(stderr, "start of %s failed (error %lu), try %d of 5\n",
                 program ? program : command_line, static_cast<unsigned long>(error), attempt);
    if (attempt == 5) return false;
    ::Sleep(200);
  }
}

}  // namespace test_support
