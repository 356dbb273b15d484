#include "platform/dialogs.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <commdlg.h>

namespace platform {

std::optional<std::string> AskSaveFileName(Hwnd owner) {
  char path[MAX_PATH * 4] = "";
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = reinterpret_cast<HWND>(owner);
  dialog.lpstrFilter = "Text files (*.txt)\0*.txt\0All files (*.*)\0*.*\0";
  dialog.lpstrFile = path;
  dialog.nMaxFile = sizeof path;
  dialog.lpstrDefExt = "txt";
  // The program's current folder is not the dialog's to change.
  dialog.Flags =
      OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
  if (!GetSaveFileNameA(&dialog)) return std::nullopt;
  return std::string(path);
}

}  // namespace platform
