// Control of the model's computer name.
#pragma once

#include <string>

namespace platform::sim {

// What ComputerName answers from now on; the empty name stands for a system that cannot tell.
void SetComputerName(const std::string& name);

// The model's own name again.
void ResetComputerName();

}  // namespace platform::sim
