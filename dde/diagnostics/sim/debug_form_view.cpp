// Without a window system the debug window is kept in memory: the form logic, its lines, its
// position file and its buttons behave as on Windows, and tests read them directly.
#include "dde/diagnostics/debug_form_view.h"

#include <utility>

#include "dde/diagnostics/debug_form.h"
#include "platform/window.h"

namespace tickwell {
namespace {

// The designed window on a 1024 x 768 screen: a 414 x 271 client area inside a single-line
// frame and a caption, centred.
constexpr int kWidth = 420, kHeight = 300;
constexpr int kScreenWidth = 1024, kScreenHeight = 768;

class MemoryView : public DebugFormView {
 public:
  MemoryView(TDDEMLDebugForm& form, platform::Hwnd owner) : form_(form), owner_(owner) {}

  platform::Hwnd Handle() const override { return platform::kNoWindow; }
  // An owned window goes when its owner goes.
  bool Exists() const override {
    return owner_ == platform::kNoWindow || platform::IsWindow(owner_);
  }
  void Show() override { visible_ = true; }
  void Hide() override { visible_ = false; }
  bool Visible() const override { return visible_; }
  // As the system does it: the window moves to the icon's place off the screen and back.
  void Minimize() override {
    if (minimized_) return;
    minimized_ = true;
    form_.FormMoved();
  }
  void Restore() override {
    if (!minimized_) return;
    minimized_ = false;
    form_.FormMoved();
  }
  bool Minimized() const override { return minimized_; }
  TFormBounds Bounds() const override { return minimized_ ? kIcon : bounds_; }
  TFormBounds RestoredBounds() const override { return bounds_; }
  void SetBounds(const TFormBounds& bounds) override {
    const bool moved = bounds.left != bounds_.left || bounds.top != bounds_.top;
    bounds_ = bounds;
    if (moved) form_.FormMoved();
  }
  void AppendLine(const std::string&) override {}
  void DeleteFirstLine() override {}
  void ClearLines() override {}

 private:
  TDDEMLDebugForm& form_;
  platform::Hwnd owner_;
  static constexpr TFormBounds kIcon{-32000, -32000, 160, 24};
  bool visible_ = false;
  bool minimized_ = false;
  TFormBounds bounds_{(kScreenWidth - kWidth) / 2, (kScreenHeight - kHeight) / 2, kWidth, kHeight};
};

}  // namespace

std::unique_ptr<DebugFormView> CreateDebugFormView(TDDEMLDebugForm& form, platform::Hwnd owner,
                                                   bool /*stay_on_top*/) {
  return std::make_unique<MemoryView>(form, owner);
}

}  // namespace tickwell
