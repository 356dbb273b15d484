// The debug window: the latest trace lines in a read-only memo, with buttons to hide the
// window, clear, print and save the lines. Its position is kept in an INI file beside the
// program.
#pragma once

#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "dde/diagnostics/debug_form_view.h"
#include "platform/types.h"

namespace tickwell {

class TDDEMLDebugForm {
 public:
  static constexpr const char* kCaption = "TDDEMLManager Debug Display ";
  // A line added to a memo already holding more than 500 lines pushes out the oldest.
  static constexpr std::size_t kMaxLines = 501;

  // Creates the window hidden and runs FormCreate. position_file defaults to the program's path
  // with the extension ".DFP". Throws EInOutError when the window cannot be created.
  TDDEMLDebugForm(platform::Hwnd owner, bool stay_on_top, std::string position_file = {});
  ~TDDEMLDebugForm();
  TDDEMLDebugForm(const TDDEMLDebugForm&) = delete;
  TDDEMLDebugForm& operator=(const TDDEMLDebugForm&) = delete;

  static std::string DefaultPositionFileName();

  void Show();
  bool Visible() const;
  // False once the window went with its owner; such a form only waits to be forgotten.
  bool Exists() const;
  platform::Hwnd Handle() const;
  void Minimize();
  void Restore();
  bool Minimized() const;
  TFormBounds Bounds() const;
  void SetBounds(const TFormBounds& bounds);
  const std::string& PositionFileName() const { return position_file_; }
  bool Ready() const { return ready_; }

  void AddLine(const std::string& line);
  const std::deque<std::string>& Lines() const { return lines_; }

  // Handlers, called by the window.
  void FormCreate();
  void FormMoved();
  void TheCloseButtonClick();
  void TheClearButtonClick();
  // Both do nothing for an empty memo and throw EInOutError when the output fails.
  void ThePrintButtonClick();
  void TheSavebuttonClick();

 private:
  std::deque<std::string> lines_;
  std::string position_file_;
  bool ready_ = false;
  std::unique_ptr<DebugFormView> view_;
};

}  // namespace tickwell
