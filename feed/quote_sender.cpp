#include "feed/quote_sender.h"

#include "interapp/inter_app.h"
#include "interapp/terminal_label.h"

namespace tickwell::feed {
namespace {

constexpr wchar_t kClassName[] = L"TickwellQuoteSender";

// The module this code is linked into (the DLL or the program): its window class is registered
// under that module, so that a DLL and its host never share one.
HINSTANCE OwnModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&OwnModule), &module);
  return module;
}

}  // namespace

TQuoteSender::TQuoteSender() {
  handshake_ = RegisterWindowMessageA("InterAppHandshake");
  const HINSTANCE module = OwnModule();
  WNDCLASSW wc{};
  wc.lpfnWndProc = &TQuoteSender::WndProc;
  wc.hInstance = module;
  wc.lpszClassName = kClassName;
  if (!RegisterClassW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return;
  // Message-only: broadcasts never reach it, so a thread that does not pump messages (the
  // terminal's expert thread) never holds up a receiver's announcements; answers are sent to it
  // directly.
  window_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, this);
  if (window_) thread_ = GetCurrentThreadId();
}

TQuoteSender::~TQuoteSender() {
  if (!window_) return;
  if (GetWindowThreadProcessId(window_, nullptr) == GetCurrentThreadId()) {
    DestroyWindow(window_);
    UnregisterClassW(kClassName, OwnModule());  // fails harmlessly while others of it live
  } else {
    // Another thread's window cannot be destroyed from here. It must no longer call into this
    // object or this module; the default procedure destroys it when its thread next takes its
    // messages, or it ends with its thread.
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
    PostMessageW(window_, WM_CLOSE, 0, 0);
  }
}

LRESULT CALLBACK TQuoteSender::WndProc(HWND window, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(l);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TQuoteSender*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self && self->handshake_ != 0 && msg == self->handshake_) {
    if (l == hcAnswerSilent) self->Answered(reinterpret_cast<HWND>(w));
    return 0;
  }
  return DefWindowProcW(window, msg, w, l);
}

void TQuoteSender::Answered(HWND receiver) {
  // The first receiver to answer is the one lines go to.
  if (receiver_ != nullptr || !IsWindow(receiver)) return;
  receiver_ = receiver;
  receiver_thread_ = GetWindowThreadProcessId(receiver, &receiver_process_);
}

bool TQuoteSender::ReceiverAlive() const {
  if (receiver_ == nullptr) return false;
  DWORD process = 0;
  const DWORD thread = GetWindowThreadProcessId(receiver_, &process);
  return thread != 0 && thread == receiver_thread_ && process == receiver_process_;
}

bool TQuoteSender::FindReceiver(unsigned timeout_ms) {
  if (!Find(timeout_ms)) return false;
  Identify();  // not taken: it goes before the next line
  return true;
}

bool TQuoteSender::Find(unsigned timeout_ms) {
  if (!Ready()) return false;
  receiver_ = nullptr;
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (;;) {
    // Receivers answer while the broadcast is being delivered: their answer is a message sent to
    // this thread, which is taken while waiting here. A hung window costs at most the bound.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(HWND_BROADCAST, handshake_, reinterpret_cast<WPARAM>(window_),
                        hcCallSilent, SMTO_ABORTIFHUNG | SMTO_NORMAL, kCallTimeoutMs, &ignored);
    // Later answers: peeking takes messages sent to this thread; only this window's posted
    // messages are removed, so the host's own queue is left alone.
    MSG m;
    while (PeekMessageW(&m, window_, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    if (receiver_ != nullptr) {
      announced_.clear();  // a new connection: the receiver knows this sender by no terminal yet
      return true;
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    const ULONGLONG rest = deadline - now;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(rest < 50 ? rest : 50),
                              QS_SENDMESSAGE);
  }
}

TQuoteSender::TDelivery TQuoteSender::Deliver(std::uintptr_t kind, std::string_view bytes) {
  COPYDATASTRUCT record{};
  record.dwData = kind;
  record.cbData = static_cast<DWORD>(bytes.size());
  record.lpData = const_cast<char*>(bytes.data());
  DWORD_PTR ignored = 0;
  if (SendMessageTimeoutA(receiver_, WM_COPYDATA, reinterpret_cast<WPARAM>(window_),
                          reinterpret_cast<LPARAM>(&record), SMTO_ABORTIFHUNG | SMTO_NORMAL,
                          kSendTimeoutMs, &ignored) != 0) {
    return TDelivery::kTaken;
  }
  return ReceiverAlive() ? TDelivery::kNotTaken : TDelivery::kGone;
}

TQuoteSender::TDelivery TQuoteSender::Identify() {
  if (terminal_ == announced_) return TDelivery::kTaken;
  // Raw bytes: a receiver that does not know the message ignores them.
  const TDelivery delivery = Deliver(pkData, TerminalMessage(terminal_));
  if (delivery == TDelivery::kTaken) announced_ = terminal_;
  return delivery;
}

TQuoteSender::TDelivery TQuoteSender::Handover(std::string_view line) {
  const TDelivery named = Identify();
  return named == TDelivery::kTaken ? Deliver(pkString, line) : named;
}

TSendResult TQuoteSender::SetTerminal(std::string_view label) {
  terminal_ = SafeTerminalLabel(label);
  if (!ReceiverAlive()) return TSendResult::kNoReceiver;
  switch (Identify()) {
    case TDelivery::kTaken: return TSendResult::kSent;
    case TDelivery::kGone: return TSendResult::kNoReceiver;
    case TDelivery::kNotTaken: break;
  }
  return TSendResult::kTimedOut;
}

TSendResult TQuoteSender::SendLine(std::string_view line) {
  if (line.size() > kMaxLine) return TSendResult::kTooLong;
  // Found here, the label goes with the line's own handover, so that a receiver that does not
  // take it costs the line one bound, not two.
  if (!ReceiverAlive() && !Find(0)) return TSendResult::kNoReceiver;
  TDelivery delivery = Handover(line);
  if (delivery == TDelivery::kGone) {
    // Gone while the line was on its way (the receiver was closed): one more look.
    if (!Find(0)) return TSendResult::kNoReceiver;
    delivery = Handover(line);
  }
  switch (delivery) {
    case TDelivery::kTaken: return TSendResult::kSent;
    case TDelivery::kGone: return TSendResult::kNoReceiver;
    case TDelivery::kNotTaken: break;
  }
  return TSendResult::kTimedOut;
}

}  // namespace tickwell::feed
