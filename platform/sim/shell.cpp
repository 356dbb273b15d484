#include "platform/shell.h"

#include "platform/sim/sim_shell.h"

namespace platform {
namespace {

std::vector<sim::ShellCall>& Calls() {
  static std::vector<sim::ShellCall> calls;
  return calls;
}

}  // namespace

bool ShellOpen(Hwnd parent, const std::string& target) {
  Calls().push_back({parent, target});
  return !target.empty();
}

std::string ProgramFolder() { return "C:\\Program Files\\Tickwell\\"; }

namespace sim {

std::vector<ShellCall> ShellCalls() { return Calls(); }
void ClearShellCalls() { Calls().clear(); }

}  // namespace sim
}  // namespace platform
