// What the model's shell was asked to open.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

namespace platform::sim {

struct ShellCall {
  Hwnd parent;
  std::string target;
};

std::vector<ShellCall> ShellCalls();
void ClearShellCalls();
// Makes the shell refuse every later open (no program for the file), as a bare system does.
void SetShellOpenFails(bool fails);

}  // namespace platform::sim
