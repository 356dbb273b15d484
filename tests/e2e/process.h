// Starting and watching other programs for the multi-process tests (Windows only).
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

namespace e2e {

// The folder of the running test program, where the programs under test are built too.
std::string BinFolder();

struct RunResult {
  bool started = false;
  bool finished = false;  // false: still running at the time bound, then ended by force
  DWORD exit_code = 0;
  DWORD start_error = 0;  // why it could not be started
  std::string output;     // standard output and standard error together
};

// Runs a program to its end (at most timeout_ms), pumping this thread's messages meanwhile so
// that windows of this process can answer the program.
RunResult Run(const std::string& program, const std::vector<std::string>& args,
              DWORD timeout_ms = 20000);

// A program left running in the background; ended by force when the object goes if still alive.
class Background {
 public:
  // With capture, the program's standard output and error are collected for Output().
  Background(const std::string& program, const std::vector<std::string>& args,
             bool capture = false);
  ~Background();
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;
  // What the program has written so far (captured programs only).
  std::string Output() const;
  // What it has written from offset on, for a reader that takes a long output piece by piece.
  std::string OutputFrom(std::size_t offset) const;
  bool Started() const { return process_.hProcess != nullptr; }
  // Waits for the program to end by itself (pumping messages); false at the time bound.
  bool WaitForExit(DWORD timeout_ms, DWORD* exit_code = nullptr);
  // True when the program has already ended; its exit code goes to exit_code.
  bool Ended(DWORD* exit_code) const;

 private:
  PROCESS_INFORMATION process_{};
  struct Capture;
  Capture* capture_ = nullptr;
};

// Polls (pumping messages) until found() is true or timeout_ms passes.
template <typename F>
bool WaitUntil(F found, DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (found()) return true;
    if (GetTickCount() - start >= timeout_ms) return false;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
    Sleep(20);
  }
}

}  // namespace e2e
