// The Settings box: MetaTrader 4's layout switched on or off and its service named. OK hands the
// choice to apply, which answers what is wrong with it (the box then stays open and shows it) or
// nothing (the box closes). Why the layout is not served now (the settings' Mt4Problem) shows in
// the same place when the box opens.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "app/settings.h"

namespace tickwell {

using SettingsApply = std::function<std::string(bool mt4_enabled, const std::string& service)>;

// Shows the box modally over owner until the user closes it.
void ShowSettingsDialog(HWND owner, const TSettings& current, SettingsApply apply);

// The same box without waiting (it destroys itself when closed), for a caller that runs its own
// message loop.
HWND CreateSettingsDialog(HWND owner, const TSettings& current, SettingsApply apply);

}  // namespace tickwell
