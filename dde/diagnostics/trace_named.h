// Trace lines tagged with the writing class, rendered by the string class: "TDDEMLManager : "
// followed by the pieces (Booleans "True"/"False", reals with up to 10 decimals).
#pragma once

#include <exception>
#include <string>

#include "dde/diagnostics/trace.h"
#include "support/string_class.h"

namespace tickwell {

template <typename... Args>
void TraceNamed(const std::string& class_name, const Args&... args) {
  if (!DebugActive()) return;
  try {
    TStringClass line;
    line.SetTo(class_name, " : ", args...);
    WriteTraceLine(line.Text() ? line.Text() : "");
  } catch (const std::exception& e) {
    // A line the string class cannot hold must not fail the traced operation.
    ReportTraceFailure(std::string("Trace line not built: ") + e.what());
  }
}

}  // namespace tickwell
