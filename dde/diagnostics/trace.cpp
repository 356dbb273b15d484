#include "dde/diagnostics/trace.h"

#include <memory>

#include "dde/diagnostics/debug_form.h"
#include "dde/diagnostics/log_file.h"
#include "platform/exception_report.h"

namespace tickwell {
namespace {

struct TraceState {
  TDDEMLDebugState state = dbNone;
  std::string file_name;
  std::unique_ptr<TDDEMLDebugForm> window;
  bool failure_reported = false;
};

TraceState& Current() {
  thread_local TraceState state;
  return state;
}

// The thread's window, forgetting one that went with its owner.
TDDEMLDebugForm* LiveWindow() {
  TraceState& current = Current();
  if (current.window && !current.window->Exists()) current.window.reset();
  return current.window.get();
}

}  // namespace

bool DebugActive() { return Current().state != dbNone; }

void ReportTraceFailure(const std::string& what) noexcept {
  TraceState& current = Current();
  if (current.failure_reported) return;
  current.failure_reported = true;
  platform::ReportException(what);
}

void WriteTraceLine(const std::string& line) noexcept {
  TraceState& current = Current();
  try {
    if (current.state == dbForm) {
      if (TDDEMLDebugForm* window = LiveWindow()) window->AddLine(line);
    } else if (current.state == dbFile) {
      platform::IoResult written = AppendLogLine(current.file_name, line);
      if (!written) {
        ReportTraceFailure("Trace not written to the debug log: " + written.error);
        return;
      }
    }
    current.failure_reported = false;
  } catch (const std::exception& e) {
    ReportTraceFailure(std::string("Trace not written: ") + e.what());
  } catch (...) {
    ReportTraceFailure("Trace not written");
  }
}

void StoreDebugState(TDDEMLDebugState state, const std::string& file_name) {
  TraceState& current = Current();
  current.state = state;
  current.file_name = file_name;
  current.failure_reported = false;
}

void ApplyDebugState(platform::Hwnd owner, TDDEMLDebugState state, bool stay_on_top,
                     const std::string& file_name) {
  StoreDebugState(state, file_name);
  TraceState& current = Current();
  switch (state) {
    case dbNone:
      CloseDebugForm();
      break;
    case dbForm:
      if (!LiveWindow()) {
        try {
          current.window = std::make_unique<TDDEMLDebugForm>(owner, stay_on_top);
          current.window->Show();
        } catch (...) {
          // Without a window the lines are dropped; the traced work goes on.
          current.window.reset();
          platform::ReportCurrentException();
        }
      }
      break;
    case dbFile:
      CloseDebugForm();
      if (current.file_name.empty()) current.file_name = kDefaultDebugFileName;
      RotateLog(current.file_name);
      break;
  }
}

void CloseDebugForm() { Current().window.reset(); }

TDDEMLDebugForm* DebugForm() { return LiveWindow(); }

TDDEMLDebugState DebugState() { return Current().state; }

std::string DebugFileName() { return Current().file_name; }

}  // namespace tickwell
