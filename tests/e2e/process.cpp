#include "tests/e2e/process.h"

#include "tests/start_process.h"

namespace e2e {
namespace {

std::string Quote(const std::string& arg) {
  std::string out = "\"";
  for (char c : arg) {
    if (c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string CommandLine(const std::string& program, const std::vector<std::string>& args) {
  std::string line = Quote(program);
  for (const auto& a : args) line += " " + Quote(a);
  return line;
}

// Waits for a handle while delivering this thread's messages.
bool PumpWait(HANDLE h, DWORD timeout_ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeout_ms) return WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
    const DWORD r = MsgWaitForMultipleObjects(1, &h, FALSE, timeout_ms - elapsed, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) return true;
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
  }
}

struct Reader {
  HANDLE pipe;
  std::string text;
};

DWORD WINAPI ReadAll(LPVOID p) {
  auto* r = static_cast<Reader*>(p);
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(r->pipe, buf, sizeof buf, &got, nullptr) && got > 0) r->text.append(buf, got);
  return 0;
}

}  // namespace

std::string BinFolder() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path, n);
  return folder.substr(0, folder.find_last_of("\\/") + 1);
}

RunResult Run(const std::string& program, const std::vector<std::string>& args, DWORD timeout_ms) {
  RunResult result;
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &sa, 0)) return result;
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = write_end;
  si.hStdError = write_end;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  std::string line = CommandLine(program, args);
  result.started =
      test_support::StartProcess(nullptr, line.data(), true, si, pi, result.start_error);
  CloseHandle(write_end);
  if (!result.started) {
    CloseHandle(read_end);
    return result;
  }
  // Read the output on a thread so a chatty program never blocks on a full pipe.
  Reader reader{read_end, {}};
  HANDLE thread = CreateThread(nullptr, 0, ReadAll, &reader, 0, nullptr);
  result.finished = PumpWait(pi.hProcess, timeout_ms);
  if (!result.finished) TerminateProcess(pi.hProcess, 99);
  WaitForSingleObject(pi.hProcess, 5000);
  GetExitCodeProcess(pi.hProcess, &result.exit_code);
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);
  CloseHandle(read_end);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  result.output = reader.text;
  return result;
}

// The reading end of a captured program's output, filled by a thread of its own.
struct Background::Capture {
  HANDLE pipe = nullptr;
  HANDLE thread = nullptr;
  CRITICAL_SECTION lock;
  std::string text;

  static DWORD WINAPI Read(LPVOID p) {
    auto* c = static_cast<Capture*>(p);
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(c->pipe, buf, sizeof buf, &got, nullptr) && got > 0) {
      EnterCriticalSection(&c->lock);
      c->text.append(buf, got);
      LeaveCriticalSection(&c->lock);
    }
    return 0;
  }
};

Background::Background(const std::string& program, const std::vector<std::string>& args,
                       bool capture) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  HANDLE write_end = nullptr;
  if (capture) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    capture_ = new Capture;
    InitializeCriticalSection(&capture_->lock);
    if (CreatePipe(&capture_->pipe, &write_end, &sa, 0)) {
      SetHandleInformation(capture_->pipe, HANDLE_FLAG_INHERIT, 0);
      si.dwFlags = STARTF_USESTDHANDLES;
      si.hStdOutput = write_end;
      si.hStdError = write_end;
      si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
  }
  std::string line = CommandLine(program, args);
  DWORD error = 0;
  if (!test_support::StartProcess(nullptr, line.data(), write_end != nullptr, si, process_, error))
    process_ = {};
  if (write_end) CloseHandle(write_end);
  if (capture_ && capture_->pipe)
    capture_->thread = CreateThread(nullptr, 0, &Capture::Read, capture_, 0, nullptr);
}

std::string Background::Output() const {
  if (!capture_) return {};
  EnterCriticalSection(&capture_->lock);
  std::string text = capture_->text;
  LeaveCriticalSection(&capture_->lock);
  return text;
}

std::string Background::OutputFrom(std::size_t offset) const {
  if (!capture_) return {};
  EnterCriticalSection(&capture_->lock);
  std::string text = offset < capture_->text.size() ? capture_->text.substr(offset) : "";
  LeaveCriticalSection(&capture_->lock);
  return text;
}

Background::~Background() {
  if (process_.hProcess) {
    if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) {
      TerminateProcess(process_.hProcess, 99);
      WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  if (capture_) {
    if (capture_->thread) {
      WaitForSingleObject(capture_->thread, 5000);
      CloseHandle(capture_->thread);
    }
    if (capture_->pipe) CloseHandle(capture_->pipe);
    DeleteCriticalSection(&capture_->lock);
    delete capture_;
  }
}

bool Background::WaitForExit(DWORD timeout_ms, DWORD* exit_code) {
  if (!process_.hProcess || !PumpWait(process_.hProcess, timeout_ms)) return false;
  if (exit_code) GetExitCodeProcess(process_.hProcess, exit_code);
  return true;
}

bool Background::Ended(DWORD* exit_code) const {
  if (!process_.hProcess || WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0)
    return false;
  GetExitCodeProcess(process_.hProcess, exit_code);
  return true;
}

}  // namespace e2e
