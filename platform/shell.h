// The system shell.
#pragma once

#include <string>

#include "platform/types.h"

namespace platform {

// ShellExecuteA with the verb "open" and the normal show state. True when the shell took it.
bool ShellOpen(Hwnd parent, const std::string& target);

// The folder the running program was started from (its executable's folder), with a trailing
// separator.
std::string ProgramFolder();

}  // namespace platform
