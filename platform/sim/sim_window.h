// What tests can see and steer in the model's window manager.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/types.h"

namespace platform::sim {

// Called with the name of each window call ("RegisterMessage", "CreateHiddenWindow", "Send",
// "Post"); returning true makes that call fail as the system's would. Empty: nothing fails.
using WindowFault = std::function<bool(const char* call)>;
void SetWindowFault(WindowFault fault);

std::vector<Hwnd> TopLevelWindows();
std::string WindowTitle(Hwnd window);

}  // namespace platform::sim
