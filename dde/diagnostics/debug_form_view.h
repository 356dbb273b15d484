// The window behind the debug form. The Windows build shows a real window; elsewhere the same
// form logic runs against a window kept in memory. Either calls the form's handlers.
#pragma once

#include <memory>
#include <string>

#include "platform/types.h"

namespace tickwell {

class TDDEMLDebugForm;

// A window's outer rectangle, in screen coordinates.
struct TFormBounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const TFormBounds&) const = default;
};

class DebugFormView {
 public:
  virtual ~DebugFormView() = default;

  virtual platform::Hwnd Handle() const = 0;
  // False once the window is gone (destroyed together with its owner).
  virtual bool Exists() const = 0;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool Visible() const = 0;
  // Minimising replaces the window by its icon, far off the visible screen; restoring brings it
  // back where it was. Both reach the form's FormMoved.
  virtual void Minimize() = 0;
  virtual void Restore() = 0;
  virtual bool Minimized() const = 0;
  // Where the window is now: the icon's rectangle while minimised.
  virtual TFormBounds Bounds() const = 0;
  // Where the window is when it is not minimised: the same as Bounds() otherwise.
  virtual TFormBounds RestoredBounds() const = 0;
  // Moves the window; a change of position reaches the form's FormMoved.
  virtual void SetBounds(const TFormBounds& bounds) = 0;

  // The memo.
  virtual void AppendLine(const std::string& line) = 0;
  virtual void DeleteFirstLine() = 0;
  virtual void ClearLines() = 0;
};

// Creates form's window, hidden, at the screen centre; owned by owner (kNoWindow: none) and kept
// above other windows when stay_on_top. Returns nothing when the window cannot be made.
std::unique_ptr<DebugFormView> CreateDebugFormView(TDDEMLDebugForm& form, platform::Hwnd owner,
                                                   bool stay_on_top);

}  // namespace tickwell
