#include "platform/shell.h"

#include "platform/sim/sim_shell.h"

namespace platform {
namespace {

std::vector<sim::ShellCall>& Calls() {
  static std::vector<sim::ShellCall> calls;
  return calls;
}

bool& OpenFails() {
  static bool fails = false;
  return fails;
}

}  // namespace

bool ShellOpen(Hwnd parent, const std::string& target) {
  Calls().push_back({parent, target});
  return !target.empty() && !OpenFails();
}

std::string ProgramFolder() { return "C:\\Program Files\\Tickwell\\"; }

namespace sim {

std::vector<ShellCall> ShellCalls() { return Calls(); }
void ClearShellCalls() { Calls().clear(); }
void SetShellOpenFails(bool fails) { OpenFails() = fails; }

}  // namespace sim
}  // namespace platform
