// tickwell-sheet's window: the grid drawn as a spreadsheet, with a formula bar naming the link of
// the selected cell and a status line counting the links and their updates.
#pragma once

#include "tools/sheet/sheet_options.h"

namespace sheet {

// Opens the window, links its cells and runs until it is closed. Returns the exit code:
// 0 closed, 5 DDE unavailable or the window could not be made.
int RunWindow(const Options& options);

}  // namespace sheet
