#include "platform/printing.h"

#include <mutex>

#include "platform/sim/sim_printing.h"

namespace platform {
namespace {

struct Printer {
  std::mutex mutex;
  bool confirm = true;
  int dialogs = 0;
  bool fail = false;
  std::vector<sim::PrintJob> jobs;
};

Printer& State() {
  static Printer printer;
  return printer;
}

}  // namespace

namespace sim {

void SetPrintDialogAnswer(bool confirm) {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().confirm = confirm;
}

int PrintDialogCount() {
  std::lock_guard<std::mutex> lock(State().mutex);
  return State().dialogs;
}

std::vector<PrintJob> PrintedJobs() {
  std::lock_guard<std::mutex> lock(State().mutex);
  return State().jobs;
}

void ResetPrinter() {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().jobs.clear();
  State().dialogs = 0;
  State().confirm = true;
  State().fail = false;
}

void SetPrinterFault(bool fail) {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().fail = fail;
}

}  // namespace sim

bool ChoosePrinter(Hwnd) {
  std::lock_guard<std::mutex> lock(State().mutex);
  ++State().dialogs;
  return State().confirm;
}

IoResult PrintTextLines(const std::string& title, const std::vector<std::string>& lines) {
  std::lock_guard<std::mutex> lock(State().mutex);
  if (State().fail) return IoResult::Failed("printer not available (injected fault)");
  State().jobs.push_back({title, lines});
  return {};
}

}  // namespace platform
