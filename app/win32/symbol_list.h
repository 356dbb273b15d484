// The list of every symbol received: a list-view control in virtual mode, so it holds no copy
// of the rows. It asks TMainForm for a cell's text when it paints the cell, and is told which
// rows changed at the window's paint rate; only those it shows are repainted.
#pragma once

#include <windows.h>
// commctrl.h needs windows.h before it.
#include <commctrl.h>

#include "app/main_form.h"

namespace tickwell {

// Its columns are made as wide as their values need in font.
HWND CreateSymbolList(HWND parent, int x, int y, int width, int height, HFONT font);
// Takes what changed in the form's list since the last call and repaints the rows shown.
void FollowSymbolList(HWND list, TMainForm& form);
// The parent's answer to the list's LVN_GETDISPINFOA: the cell's text from the form.
void AnswerSymbolListText(NMLVDISPINFOA& info, const TMainForm& form);

}  // namespace tickwell
