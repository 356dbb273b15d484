// Basic values shared by every platform service: window handles, message parameters and
// results, and the few message numbers the code above the boundary names.
#pragma once

#include <cstdint>

namespace platform {

// Handles and message words are pointer-sized on every architecture, as on Windows.
using Hwnd = std::uintptr_t;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
using Atom = std::uint16_t;

constexpr Hwnd kNoWindow = 0;
constexpr Hwnd kBroadcast = 0xFFFF;  // HWND_BROADCAST: every top-level window

constexpr unsigned kWmCopyData = 0x004A;
constexpr unsigned kWmUser = 0x0400;

}  // namespace platform
