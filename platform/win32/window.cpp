#include "platform/window.h"

#include <windows.h>

#include "platform/exception_report.h"

namespace platform {
namespace {

constexpr char kClassName[] = "TickwellHiddenWindow";

LRESULT CALLBACK Trampoline(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(l);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* proc = reinterpret_cast<WindowProc*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    delete proc;
    return DefWindowProcA(hwnd, msg, w, l);
  }
  if (!proc) return DefWindowProcA(hwnd, msg, w, l);
  return Guarded<LRESULT>(0, [&] {
    return (*proc)(reinterpret_cast<Hwnd>(hwnd), msg, static_cast<WParam>(w),
                   static_cast<LParam>(l));
  });
}

bool RegisterHiddenClass() {
  static const bool registered = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Trampoline;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    return RegisterClassA(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

}  // namespace

unsigned RegisterMessage(const std::string& name) { return RegisterWindowMessageA(name.c_str()); }

Hwnd CreateHiddenWindow(const std::string& title, WindowProc proc) {
  if (!proc || !RegisterHiddenClass()) return kNoWindow;
  auto* owned = new WindowProc(std::move(proc));
  // An overlapped window that is never shown: a top-level window, so broadcasts reach it.
  HWND hwnd = CreateWindowExA(0, kClassName, title.c_str(), WS_OVERLAPPED, 0, 0, 0, 0, nullptr,
                              nullptr, GetModuleHandleA(nullptr), owned);
  if (!hwnd) {
    delete owned;
    return kNoWindow;
  }
  return reinterpret_cast<Hwnd>(hwnd);
}

void DestroyWindow(Hwnd window) {
  if (window != kNoWindow) ::DestroyWindow(reinterpret_cast<HWND>(window));
}

bool IsWindow(Hwnd window) { return ::IsWindow(reinterpret_cast<HWND>(window)) != FALSE; }

LResult Send(Hwnd window, unsigned msg, WParam w, LParam l) {
  if (window == kBroadcast) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(HWND_BROADCAST, msg, w, l, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                        kBroadcastWaitMs, &ignored);
    return 0;
  }
  return SendMessageA(reinterpret_cast<HWND>(window), msg, w, l);
}

bool Post(Hwnd window, unsigned msg, WParam w, LParam l) {
  return PostMessageA(reinterpret_cast<HWND>(window), msg, w, l) != FALSE;
}

int PumpMessages() {
  int delivered = 0;
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));  // leave it for the message loop
      break;
    }
    TranslateMessage(&m);
    DispatchMessageA(&m);
    ++delivered;
  }
  return delivered;
}

int RunMessageLoop() {
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
  return static_cast<int>(m.wParam);
}

void QuitMessageLoop(int exit_code) { PostQuitMessage(exit_code); }

LResult DefaultWindowProc(Hwnd window, unsigned msg, WParam w, LParam l) {
  return DefWindowProcA(reinterpret_cast<HWND>(window), msg, w, l);
}

CopyData ReadCopyData(LParam l) {
  const auto* record = reinterpret_cast<const COPYDATASTRUCT*>(l);
  if (!record) return {};
  return CopyData{static_cast<std::uintptr_t>(record->dwData), record->cbData, record->lpData};
}

LResult SendCopyData(Hwnd window, Hwnd from, const CopyData& payload) {
  COPYDATASTRUCT record{};
  record.dwData = static_cast<ULONG_PTR>(payload.kind);
  record.cbData = payload.size;
  record.lpData = const_cast<void*>(payload.data);
  return SendMessageA(reinterpret_cast<HWND>(window), WM_COPYDATA, static_cast<WPARAM>(from),
                      reinterpret_cast<LPARAM>(&record));
}

}  // namespace platform
