// The template of an empty modal box in the window's font (MS Sans Serif, 8 points): the boxes
// add their controls, caption and size when they open, sized to their texts.
#pragma once

#include <windows.h>

#include <vector>

namespace tickwell {

std::vector<DWORD> EmptyDialogTemplate();

}  // namespace tickwell
