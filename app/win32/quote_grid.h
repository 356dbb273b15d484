// The 2 x 5 quote grid: captions in column 0, the last quote in column 1. Its window text is
// the cells, a row per line and the columns separated by a tab, so other programs can read it.
#pragma once

#include <windows.h>

#include <string>

#include "app/main_form.h"

namespace tickwell {

bool RegisterQuoteGridClass();
HWND CreateQuoteGrid(HWND parent, int x, int y, int width, int height, const TMainForm& form);
std::string QuoteGridText(const TMainForm& form);

}  // namespace tickwell
