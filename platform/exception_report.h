// The application's exception report. Platform callbacks (window procedures, the DDE callback)
// must never let a C++ exception reach the operating system; their trampolines catch it and hand
// its text here. The application decides how to show it (Tickwell: the status bar, never a modal
// box that would stall the feed).
#pragma once

#include <exception>
#include <functional>
#include <string>

namespace platform {

using ExceptionReport = std::function<void(const std::string& text)>;

// Replaces the report; an empty function restores the default (standard error).
void SetExceptionReport(ExceptionReport report);

// Hands a text to the current report. Never throws.
void ReportException(const std::string& text);

// Reports the exception being handled (call inside a catch block). Never throws.
void ReportCurrentException() noexcept;

// Runs body and reports anything it throws; returns fallback in that case.
template <typename Result, typename Body>
Result Guarded(Result fallback, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    ReportCurrentException();
    return fallback;
  }
}

}  // namespace platform
