#include "app/win32/dialog_template.h"

#include <algorithm>

namespace tickwell {

std::vector<DWORD> EmptyDialogTemplate() {
  std::vector<WORD> words;
  auto add_dword = [&](DWORD d) {
    words.push_back(LOWORD(d));
    words.push_back(HIWORD(d));
  };
  add_dword(DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU);  // style
  add_dword(0);                                                                // extended style
  words.push_back(0);                                                          // no controls
  for (int i = 0; i < 4; ++i) words.push_back(0);  // x, y, cx, cy: set when it opens
  words.push_back(0);                              // no menu
  words.push_back(0);                              // the standard dialog class
  words.push_back(0);                              // caption: set when it opens
  words.push_back(8);                              // point size
  for (const wchar_t* c = L"MS Sans Serif"; *c; ++c) words.push_back(static_cast<WORD>(*c));
  words.push_back(0);
  // DWORD-aligned, as the dialog functions require.
  std::vector<DWORD> aligned((words.size() + 1) / 2);
  std::copy(words.begin(), words.end(), reinterpret_cast<WORD*>(aligned.data()));
  return aligned;
}

}  // namespace tickwell
