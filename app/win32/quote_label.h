// The label over the grid that names the symbol of the last quote. Its text is set at once (other
// programs read it with WM_GETTEXT), but setting it paints nothing: the main window repaints it
// with the grid at a bounded rate, so a busy feed does not pay for a paint per line.
#pragma once

#include <windows.h>

namespace tickwell {

bool RegisterQuoteLabelClass();
HWND CreateQuoteLabel(HWND parent, int x, int y, int width, int height);

}  // namespace tickwell
