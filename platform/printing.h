// Plain text printing: the print dialog, and lines of text sent to the chosen printer as one
// document.
#pragma once

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/types.h"

namespace platform {

// Shows the print dialog (PrintDlgA) owned by owner. True when the user confirmed it; the printer
// chosen there is used by the following PrintTextLines.
bool ChoosePrinter(Hwnd owner);

// Prints lines as text rows, starting new pages as needed, as one job named title. Uses the
// printer last chosen with ChoosePrinter, else the default printer.
IoResult PrintTextLines(const std::string& title, const std::vector<std::string>& lines);

}  // namespace platform
