// The name of this computer.
#pragma once

#include <string>

namespace platform {

// GetComputerNameA into a 256-byte buffer: the NetBIOS name of this computer. Empty when the
// system cannot tell it.
std::string ComputerName();

}  // namespace platform
