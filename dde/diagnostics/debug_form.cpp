#include "dde/diagnostics/debug_form.h"

#include "dde/diagnostics/io_error.h"
#include "dde/diagnostics/log_file.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/printing.h"

namespace tickwell {
namespace {

constexpr const char* kSection = "Position";

// Where the system parks a minimised window. A stored position there (an earlier version wrote
// the icon's rectangle) would open the window where nobody can see it.
constexpr int kMinimizedPosition = -32000;

}  // namespace

TDDEMLDebugForm::TDDEMLDebugForm(platform::Hwnd owner, bool stay_on_top, std::string position_file)
    : position_file_(position_file.empty() ? DefaultPositionFileName() : std::move(position_file)) {
  view_ = CreateDebugFormView(*this, owner, stay_on_top);
  if (!view_) throw EInOutError("The debug window could not be created");
  FormCreate();
}

TDDEMLDebugForm::~TDDEMLDebugForm() = default;

std::string TDDEMLDebugForm::DefaultPositionFileName() {
  return ChangeFileExt(platform::ExecutablePath(), ".DFP");
}

void TDDEMLDebugForm::Show() { view_->Show(); }
bool TDDEMLDebugForm::Visible() const { return view_->Visible(); }
bool TDDEMLDebugForm::Exists() const { return view_->Exists(); }
platform::Hwnd TDDEMLDebugForm::Handle() const { return view_->Handle(); }
void TDDEMLDebugForm::Minimize() { view_->Minimize(); }
void TDDEMLDebugForm::Restore() { view_->Restore(); }
bool TDDEMLDebugForm::Minimized() const { return view_->Minimized(); }
TFormBounds TDDEMLDebugForm::Bounds() const { return view_->Bounds(); }
void TDDEMLDebugForm::SetBounds(const TFormBounds& bounds) { view_->SetBounds(bounds); }

void TDDEMLDebugForm::AddLine(const std::string& line) {
  if (lines_.size() >= kMaxLines) {
    lines_.pop_front();
    view_->DeleteFirstLine();
  }
  lines_.push_back(line);
  view_->AppendLine(line);
}

void TDDEMLDebugForm::FormCreate() {
  if (platform::FileExists(position_file_)) {
    TFormBounds bounds = view_->Bounds();
    bounds.left = platform::IniReadInteger(position_file_, kSection, "Left", bounds.left);
    bounds.top = platform::IniReadInteger(position_file_, kSection, "Top", bounds.top);
    bounds.width = platform::IniReadInteger(position_file_, kSection, "Width", bounds.width);
    bounds.height = platform::IniReadInteger(position_file_, kSection, "Height", bounds.height);
    if (bounds.left > kMinimizedPosition && bounds.top > kMinimizedPosition)
      view_->SetBounds(bounds);
  }
  ready_ = true;
}

void TDDEMLDebugForm::FormMoved() {
  if (!ready_) return;
  // A position that cannot be stored is not worth interrupting the user for; the window simply
  // opens at its last stored place next time. A minimised window stores the place it will be
  // restored to, not its icon's.
  const TFormBounds bounds = view_->RestoredBounds();
  platform::IniWriteInteger(position_file_, kSection, "Left", bounds.left);
  platform::IniWriteInteger(position_file_, kSection, "Top", bounds.top);
  platform::IniWriteInteger(position_file_, kSection, "Width", bounds.width);
  platform::IniWriteInteger(position_file_, kSection, "Height", bounds.height);
}

void TDDEMLDebugForm::TheCloseButtonClick() { view_->Hide(); }

void TDDEMLDebugForm::TheClearButtonClick() {
  lines_.clear();
  view_->ClearLines();
}

void TDDEMLDebugForm::ThePrintButtonClick() {
  if (lines_.empty() || !platform::ChoosePrinter(view_->Handle())) return;
  std::vector<std::string> page = {"Velmar Software",
                                   "Brenna DDEML Manager Component - Debug Form Print",
                                   "As at " + CurrentDateTimeText(), ""};
  page.insert(page.end(), lines_.begin(), lines_.end());
  platform::IoResult printed = platform::PrintTextLines(kCaption, page);
  if (!printed) throw EInOutError(printed.error);
}

void TDDEMLDebugForm::TheSavebuttonClick() {
  if (lines_.empty()) return;
  std::optional<std::string> path = platform::AskSaveFileName(view_->Handle());
  if (!path) return;
  std::string bytes;
  for (const std::string& line : lines_) bytes += line + "\r\n";
  platform::IoResult saved = platform::WriteWholeFile(*path, bytes);
  if (!saved) throw EInOutError(saved.error);
}

}  // namespace tickwell
