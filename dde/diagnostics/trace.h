// The trace sink of the DDE library. Each thread has its own trace state: whether lines are
// dropped, shown in that thread's debug window or appended to a log file. A trace that cannot
// be written never disturbs the work being traced: the first failure of a run is passed to the
// application's exception report and later lines are dropped until writing works again.
#pragma once

#include <string>

#include "dde/diagnostics/debug_state.h"
#include "dde/diagnostics/trace_args.h"
#include "platform/types.h"

namespace tickwell {

class TDDEMLDebugForm;

// The calling thread's state is not dbNone.
bool DebugActive();

// Writes one rendered line as the calling thread's state says. Never throws.
void WriteTraceLine(const std::string& line) noexcept;

// Renders the pieces into one line and writes it; renders nothing while tracing is off.
template <typename... Args>
void Trace(const Args&... args) {
  if (!DebugActive()) return;
  WriteTraceLine(RenderTrace({TraceArg(args)...}));
}

// Stores state and file name for the calling thread; nothing else.
void StoreDebugState(TDDEMLDebugState state, const std::string& file_name);

// Stores both, then acts: dbNone closes the window; dbForm creates and shows the thread's window
// (owned by owner) unless it already has one; dbFile closes the window and moves an existing log
// to a numbered name. An empty file name means kDefaultDebugFileName.
void ApplyDebugState(platform::Hwnd owner, TDDEMLDebugState state, bool stay_on_top,
                     const std::string& file_name);

// Destroys the calling thread's window, if any.
void CloseDebugForm();

// The calling thread's window, or nullptr.
TDDEMLDebugForm* DebugForm();

TDDEMLDebugState DebugState();
std::string DebugFileName();

// Hands a trace failure to the exception report, once per run of failures on this thread.
void ReportTraceFailure(const std::string& what) noexcept;

}  // namespace tickwell
