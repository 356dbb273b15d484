// The two 16 x 16 pictures of the DDE button: 0 = off (a hollow red ring), 1 = on (a solid
// green disc), told apart by shape as well as colour.
#pragma once

#include <windows.h>
// commctrl.h needs windows.h before it.
#include <commctrl.h>

namespace tickwell {

HIMAGELIST CreateDdeGlyphs();

}  // namespace tickwell
