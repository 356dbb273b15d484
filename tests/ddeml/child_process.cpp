#include "tests/ddeml/child_process.h"

#include "tests/start_process.h"

namespace ddeml_test {

std::string BinPath(const std::string& name) { return std::string(TW_BIN_DIR) + "\\" + name; }

namespace {

// Windows' quoting of one command-line argument.
std::string Quote(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  int slashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    out.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
    slashes = 0;
    out += c;
  }
  out.append(slashes * 2, '\\');
  return out + "\"";
}

HANDLE Pipe(HANDLE& child_end) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read = nullptr;
  if (!::CreatePipe(&read, &child_end, &inherit, 1 << 16)) return nullptr;
  ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
  return read;
}

void ReadAvailable(HANDLE pipe, std::string& text) {
  DWORD ready = 0;
  while (pipe && ::PeekNamedPipe(pipe, nullptr, 0, nullptr, &ready, nullptr) && ready > 0) {
    char buffer[4096];
    DWORD got = 0;
    if (!::ReadFile(pipe, buffer, std::min<DWORD>(ready, sizeof buffer), &got, nullptr) || !got)
      break;
    text.append(buffer, got);
  }
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args) {
  std::string command = Quote(program);
  for (const std::string& arg : args) {
    command += ' ';
    command += Quote(arg);
  }
  HANDLE out_child = nullptr, err_child = nullptr;
  out_ = Pipe(out_child);
  err_ = Pipe(err_child);
  STARTUPINFOA start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  start.hStdOutput = out_child;
  start.hStdError = err_child;
  PROCESS_INFORMATION info{};
  DWORD error = 0;
  if (test_support::StartProcess(program.c_str(), command.data(), true, start, info, error)) {
    process_ = info.hProcess;
    ::CloseHandle(info.hThread);
  } else {
    start_error_ = error;
  }
  if (out_child) ::CloseHandle(out_child);
  if (err_child) ::CloseHandle(err_child);
}

ChildProcess::~ChildProcess() {
  if (process_ && !Wait(0)) {
    ::TerminateProcess(process_, 99);
    ::WaitForSingleObject(process_, 5000);
  }
  for (HANDLE h : {process_, out_, err_})
    if (h) ::CloseHandle(h);
}

void ChildProcess::Drain() {
  ReadAvailable(out_, out_text_);
  ReadAvailable(err_, err_text_);
}

bool ChildProcess::Wait(DWORD timeout_ms) {
  if (!process_) return true;
  const DWORD until = ::GetTickCount() + timeout_ms;
  for (;;) {
    Drain();
    DWORD left = static_cast<long>(until - ::GetTickCount()) > 0 ? until - ::GetTickCount() : 0;
    // This thread's windows must keep answering: the child's DDE broadcasts reach them too.
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
    if (::MsgWaitForMultipleObjects(1, &process_, FALSE, std::min<DWORD>(left, 20), QS_ALLINPUT) ==
        WAIT_OBJECT_0) {
      Drain();
      DWORD code = 0;
      ::GetExitCodeProcess(process_, &code);
      exit_code_ = static_cast<int>(code);
      return true;
    }
    if (left == 0) return false;
  }
}

std::string ChildProcess::Output() {
  Drain();
  return out_text_;
}

std::string ChildProcess::Errors() {
  Drain();
  return err_text_;
}

}  // namespace ddeml_test
