// The list of every symbol received: a list-view control in virtual mode, so it holds no copy
// of the rows. It asks TMainForm for a cell's text when it paints the cell, and is told which
// rows changed at the window's paint rate; only those it shows are repainted.
#pragma once

#include <windows.h>
// commctrl.h needs windows.h before it.
#include <commctrl.h>

#include "app/main_form.h"

namespace tickwell {

// Its columns are sized by FitSymbolListColumns, in font.
HWND CreateSymbolList(HWND parent, int x, int y, int width, int height, HFONT font,
                      const TMainForm& form);
// Each column as wide as its caption and its widest value need (the symbol column as the
// longest symbol received); a list wider than that shares the room left among its columns, so
// that a maximised window has no empty band at the right. Called when the list's size or its
// rows change.
void FitSymbolListColumns(HWND list, const TMainForm& form);
// Takes what changed in the form's list since the last call and repaints the rows shown.
void FollowSymbolList(HWND list, TMainForm& form);
// The parent's answer to the list's LVN_GETDISPINFOA: the cell's text from the form.
void AnswerSymbolListText(NMLVDISPINFOA& info, const TMainForm& form);

}  // namespace tickwell
