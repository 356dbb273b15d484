// Control of the model's share database, which holds the network DDE shares of one computer.
#pragma once

#include <string>

namespace platform::sim {

// Empties the share database, makes the library present again with every entry point, drops
// the injected faults, unbinds and sets the call count to zero.
void ResetNetDde();

// The library cannot be loaded (missing), or lacks the named entry point (an empty name: it has
// them all). Takes effect at the next binding.
void SetNetDdeLibraryMissing(bool missing);
void SetNetDdeEntryPointMissing(const std::string& entry_point);

// The named entry point ("NDdeShareGetInfoA", ...) answers code and changes nothing, as a share
// whose access list refuses the caller would; kNddeNoError lets it through again.
void SetNetDdeFault(const std::string& entry_point, unsigned code);

// Calls that reached the bound library since the last reset.
int NetDdeCallCount();

}  // namespace platform::sim
