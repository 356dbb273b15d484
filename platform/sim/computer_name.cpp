#include "platform/computer_name.h"

#include "platform/sim/sim_computer_name.h"

namespace platform {
namespace {

constexpr const char* kModelName = "TICKWELL-MODEL";

std::string& Name() {
  static std::string name = kModelName;
  return name;
}

}  // namespace

std::string ComputerName() { return Name(); }

namespace sim {

void SetComputerName(const std::string& name) { Name() = name; }
void ResetComputerName() { Name() = kModelName; }

}  // namespace sim
}  // namespace platform
