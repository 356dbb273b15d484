// Common dialogs.
#pragma once

#include <optional>
#include <string>

#include "platform/types.h"

namespace platform {

// The save dialog (GetSaveFileNameA) owned by owner: the chosen full path, or nothing when the
// user cancelled.
std::optional<std::string> AskSaveFileName(Hwnd owner);

}  // namespace platform
