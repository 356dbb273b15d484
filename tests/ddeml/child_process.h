// A child program for the multi-process scenarios: started with its standard output and error
// captured, waited for with a bound, killed if it outlives its test.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ddeml_test {

class ChildProcess {
 public:
  ChildProcess(const std::string& program, const std::vector<std::string>& args);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return process_ != nullptr; }
  DWORD start_error() const { return start_error_; }  // GetLastError of a failed start
  // Waits up to timeout_ms; true when the program ended. Collects its output meanwhile.
  bool Wait(DWORD timeout_ms);
  int exit_code() const { return exit_code_; }
  // What the program wrote so far.
  std::string Output();
  std::string Errors();

 private:
  void Drain();
  HANDLE process_ = nullptr;
  HANDLE out_ = nullptr;
  HANDLE err_ = nullptr;
  std::string out_text_, err_text_;
  int exit_code_ = -1;
  DWORD start_error_ = 0;
};

// The program's path in the build's bin folder.
std::string BinPath(const std::string& name);

}  // namespace ddeml_test
