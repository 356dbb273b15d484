// The About box: the program's picture, the version, the description, a link to the product's
// web page and an OK button. The title is the box's caption.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "app/main_form.h"

namespace tickwell {

// Opens a web address for the user; false when nothing could open it.
using LinkOpener = std::function<bool(HWND parent, const std::string& address)>;

// The shell's "open", as the program uses it.
bool OpenWithShell(HWND parent, const std::string& address);

// Shows the box modally over owner until the user closes it.
void ShowAboutDialog(HWND owner, const TAboutTexts& texts, HICON picture,
                     LinkOpener open = OpenWithShell);

// The same box without waiting (it destroys itself when closed), for a caller that runs its own
// message loop.
HWND CreateAboutDialog(HWND owner, const TAboutTexts& texts, HICON picture, LinkOpener open);

// The description as the box shows it: each line break, whichever of CR and LF make it up, as
// CR LF, which the text controls take as one break.
std::string AboutDescriptionText(const std::string& description);

}  // namespace tickwell
