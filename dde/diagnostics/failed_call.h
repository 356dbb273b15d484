// Every platform call of the DDE library that fails leaves one trace line naming the call and the
// DDEML error it came with, e.g. "Call failed : DdePostAdvise : DMLERR_SYS_ERROR (0x400F)".
// The line is what a user sends us when a spreadsheet stops updating, so it must say which call
// and why without the debugger.
#pragma once

#include <string>
#include <string_view>

#include "platform/ddeml.h"

namespace tickwell {

// Traces a call that hands its error back itself (DdeInitialize) or that has no DDEML error of
// its own (a window call: the caller gives the DDEML code that stands for it).
void TraceFailedCall(std::string_view call, unsigned error);

// Traces a failed DDEML call with the instance's pending error, read (and so cleared) only while
// tracing is on. Instance 0 means the calling thread's own instance (see SetThreadInstance): the
// calls on data handles and conversations name none, the DDEML keeps their error on the instance
// that owns them. Returns the error read, 0 when none was.
unsigned TraceFailedDdeCall(std::string_view call, platform::DdeInstance instance = 0);

// The DDEML instance of the calling thread's manager (a DDEML instance belongs to the thread that
// made it); 0 when it has none.
void SetThreadInstance(platform::DdeInstance instance);
platform::DdeInstance ThreadInstance();

// The error of the last failure traced on this thread, then 0: a later error report shows it
// although reading it cleared the instance's pending error.
unsigned TakeLastFailure();

// The line's text after "Call failed : ".
std::string FailedCallText(std::string_view call, unsigned error);

}  // namespace tickwell
