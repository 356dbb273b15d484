#include "platform/exception_report.h"

#include <cstdio>
#include <utility>

namespace platform {
namespace {

ExceptionReport& CurrentReport() {
  static ExceptionReport report;
  return report;
}

}  // namespace

void SetExceptionReport(ExceptionReport report) { CurrentReport() = std::move(report); }

void ReportException(const std::string& text) {
  try {
    if (CurrentReport()) {
      CurrentReport()(text);
      return;
    }
  } catch (...) {
    // A failing report must not take the caller down; fall through to standard error.
  }
  std::fprintf(stderr, "%s\n", text.c_str());
}

void ReportCurrentException() noexcept {
  try {
    throw;
  } catch (const std::exception& e) {
    ReportException(e.what());
  } catch (...) {
    ReportException("Unknown exception");
  }
}

}  // namespace platform
