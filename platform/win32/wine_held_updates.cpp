#include "platform/win32/wine_held_updates.h"

#include <dde.h>
#include <ddeml.h>

#include <atomic>

#include "platform/win32/ddeml_wine.h"

namespace platform::win32 {
namespace {

std::atomic<std::uint64_t> g_held{0};

// The client window of the synchronous transaction this thread waits in, and where its held
// updates go.
thread_local HWND t_window = nullptr;
thread_local std::vector<MSG>* t_held = nullptr;
thread_local HHOOK t_hook = nullptr;

// An update of an advise link: a warm link's notice (no data) or data the server did not mark as
// the response to a request.
bool IsAdviseUpdate(LPARAM lparam) {
  UINT_PTR data = 0, item = 0;
  if (!::UnpackDDElParam(WM_DDE_DATA, lparam, &data, &item)) return false;
  if (data == 0) return true;
  auto* head = static_cast<const DDEDATA*>(::GlobalLock(reinterpret_cast<HGLOBAL>(data)));
  if (!head) return false;
  const bool update = !head->fResponse;
  ::GlobalUnlock(reinterpret_cast<HGLOBAL>(data));
  return update;
}

LRESULT CALLBACK HoldUpdates(int code, WPARAM removed, LPARAM lparam) {
  auto* msg = reinterpret_cast<MSG*>(lparam);
  if (code == HC_ACTION && removed == PM_REMOVE && t_window && msg->hwnd == t_window &&
      msg->message == WM_DDE_DATA && IsAdviseUpdate(msg->lParam)) {
    t_held->push_back(*msg);
    // What Wine's wait gets instead: a message for no window, which it passes on and ignores.
    *msg = MSG{};
  }
  return ::CallNextHookEx(nullptr, code, removed, lparam);
}

// An update whose conversation window went away meanwhile: nobody frees its data and item.
void Discard(const MSG& msg) {
  UINT_PTR data = 0, item = 0;
  if (!::UnpackDDElParam(WM_DDE_DATA, msg.lParam, &data, &item)) return;
  if (data) ::GlobalFree(reinterpret_cast<HGLOBAL>(data));
  if (item) ::GlobalDeleteAtom(static_cast<ATOM>(item));
  ::FreeDDElParam(WM_DDE_DATA, msg.lParam);
}

}  // namespace

WineHeldUpdates::WineHeldUpdates(std::uintptr_t conv) {
  if (conv == 0 || !RunningOnWine()) return;
  CONVINFO info{};
  info.cb = sizeof info;
  if (!::DdeQueryConvInfo(reinterpret_cast<HCONV>(conv), QID_SYNC, &info) || !info.hwnd) return;
  // One hook per thread, left in place for the thread's life; it does nothing between waits.
  if (!t_hook) t_hook = ::SetWindowsHookExA(WH_GETMESSAGE, HoldUpdates, nullptr, ::GetCurrentThreadId());
  if (!t_hook) return;
  holding_ = true;
  outer_window_ = t_window;
  outer_held_ = t_held;
  t_window = info.hwnd;
  t_held = &held_;
}

WineHeldUpdates::~WineHeldUpdates() {
  if (!holding_) return;
  t_window = outer_window_;
  t_held = outer_held_;
  for (const MSG& msg : held_) {
    ++g_held;
    if (::IsWindow(msg.hwnd))
      ::DispatchMessageW(&msg);
    else
      Discard(msg);
  }
}

std::uint64_t WineHeldUpdateCount() { return g_held; }

}  // namespace platform::win32
