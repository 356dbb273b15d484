// The window's stored description in any text. A description that does not read, or whose
// components refuse their settings at load, is refused with its error and leaves no window,
// DDE instance, string handle or data handle behind; one that reads makes a window that is
// destroyed without leaving any either.
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "app/main_form.h"
#include "dde/diagnostics/trace.h"
#include "dde/model/rw_data.h"
#include "dde/tables/exceptions.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/model_counts.h"
#include "platform/exception_report.h"
#include "platform/sim/sim_files.h"
#include "platform/window.h"

namespace {

using namespace tickwell;
using tickwell::fuzz::ModelCounts;

// A text value naming another folder could point the trace file at any file of the machine, and
// switching the trace to a file renames an existing one: such descriptions are not tried.
bool NamesAnotherFolder(const TStoredObject& object) {
  for (const TStoredProperty& p : object.properties)
    if (p.value.text.find('/') != std::string::npos) return true;
  for (const TStoredObject& child : object.children)
    if (NamesAnotherFolder(child)) return true;
  return false;
}

void Settle() {
  while (platform::PumpMessages() > 0) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool once = [] {
    // Trace files stay in a folder of their own; no write may reach any other file.
    char folder[] = "/tmp/tickwell-fuzz-XXXXXX";
    if (!mkdtemp(folder) || chdir(folder) != 0) std::abort();
    platform::sim::SetFileWriteFault([](const std::string& path) {
      return path.find('/') != std::string::npos;
    });
    platform::SetExceptionReport([](const std::string&) {});
    return true;
  }();
  (void)once;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    if (NamesAnotherFolder(ReadStoredForm(text))) return 0;
  } catch (const EStoredFormError&) {
    // refused below the same way
  }
  const ModelCounts before = ModelCounts::Now();
  bool made = false;
  try {
    TMainForm form(text);
    made = true;
    form.FormCreate();
    Settle();
  } catch (const EStoredFormError& e) {
    FUZZ_CHECK(!made, std::string("a made window raised a description error: ") + e.what());
  } catch (const ETarvoShareDefError&) {
  } catch (const ETarvoScopeError&) {
  } catch (const std::runtime_error& e) {
    // A second DDE manager in the description is refused while the window is being made.
    FUZZ_CHECK(!made, std::string("a made window raised: ") + e.what());
  }
  Settle();
  StoreDebugState(dbNone, "");
  CloseDebugForm();
  SetDataCompareDisabled(false);
  const ModelCounts after = ModelCounts::Now();
  FUZZ_CHECK(after == before, "left behind: " + after.Text() + " (before: " + before.Text() + ")");
  return 0;
}
