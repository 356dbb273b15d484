#include "platform/dialogs.h"

#include <mutex>

#include "platform/sim/sim_dialogs.h"

namespace platform {
namespace {

std::mutex mutex;
std::optional<std::string> save_answer;
int save_dialogs = 0;

}  // namespace

namespace sim {

void SetSaveDialogAnswer(std::optional<std::string> path) {
  std::lock_guard<std::mutex> lock(mutex);
  save_answer = std::move(path);
  save_dialogs = 0;
}

int SaveDialogCount() {
  std::lock_guard<std::mutex> lock(mutex);
  return save_dialogs;
}

}  // namespace sim

std::optional<std::string> AskSaveFileName(Hwnd) {
  std::lock_guard<std::mutex> lock(mutex);
  ++save_dialogs;
  return save_answer;
}

}  // namespace platform
