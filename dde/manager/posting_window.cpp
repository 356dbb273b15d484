#include "dde/manager/posting_window.h"

#include <memory>

#include "dde/diagnostics/failed_call.h"
#include "platform/window.h"

namespace tickwell {
namespace {

TDDEMLPostingWindow* active_window = nullptr;

}  // namespace

TDDEMLPostingWindow* ActivePostingWindow() { return active_window; }

TDDEMLPostingWindow::TDDEMLPostingWindow() { active_window = this; }

TDDEMLPostingWindow::~TDDEMLPostingWindow() {
  if (active_window == this) active_window = nullptr;
  OnPostAdvise = nullptr;
  // Postings still queued die with the window: its records are freed, never delivered.
  const platform::Hwnd window = handle_;
  handle_ = platform::kNoWindow;
  if (window != platform::kNoWindow) platform::DestroyWindow(window);
  for (TPostAdviseRecord* record : pending_) delete record;
  pending_.clear();
}

platform::Hwnd TDDEMLPostingWindow::Handle() {
  if (handle_ == platform::kNoWindow) {
    handle_ = platform::CreateHiddenWindow(
        "TDDEMLPostingWindow", [this](platform::Hwnd window, unsigned msg, platform::WParam w,
                                      platform::LParam l) { return WndProc(window, msg, w, l); });
    // A window call has no DDEML error of its own: the library's code for its own internal
    // failures stands for it.
    if (handle_ == platform::kNoWindow) TraceFailedCall("CreateWindow", platform::kDmlErrSysError);
  }
  return handle_;
}

bool TDDEMLPostingWindow::Queue(TDDEMLService* service, platform::Hsz topic, platform::Hsz item) {
  const platform::Hwnd window = Handle();
  if (window == platform::kNoWindow) return false;
  auto record = std::make_unique<TPostAdviseRecord>(TPostAdviseRecord{service, topic, item});
  if (!platform::Post(window, WM_POSTADVISE, 0, reinterpret_cast<platform::LParam>(record.get()))) {
    TraceFailedCall("PostMessage", platform::kDmlErrPostMsgFailed);
    return false;
  }
  pending_.insert(record.release());
  return true;
}

platform::LResult TDDEMLPostingWindow::WndProc(platform::Hwnd window, unsigned msg,
                                               platform::WParam w, platform::LParam l) {
  if (msg != WM_POSTADVISE) return platform::DefaultWindowProc(window, msg, w, l);
  // Only records this window queued are taken: anything else posted with the number is ignored.
  auto* record = reinterpret_cast<TPostAdviseRecord*>(l);
  if (pending_.erase(record) == 0) return 0;
  const std::unique_ptr<TPostAdviseRecord> owned(record);
  if (OnPostAdvise) OnPostAdvise(*this, owned->service, owned->topic, owned->item);
  return 0;
}

void queuePostAdvise(TDDEMLService* service, platform::Hsz topic, platform::Hsz item) {
  if (TDDEMLPostingWindow* window = ActivePostingWindow()) window->Queue(service, topic, item);
}

}  // namespace tickwell
