// Window messaging: registered message numbers, hidden top-level windows bound to a window
// procedure, synchronous sends (also to every top-level window), posts with a message pump,
// the default window procedure and the copy-data record of WM_COPYDATA.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/types.h"

namespace platform {

// A window procedure. Exceptions it throws are caught at the boundary and passed to the
// application's exception report; the message then gets result 0.
using WindowProc = std::function<LResult(Hwnd window, unsigned msg, WParam w, LParam l)>;

// RegisterWindowMessageA: the same name (without regard to case) gives the same number,
// 0xC000 to 0xFFFF; 0 on failure.
unsigned RegisterMessage(const std::string& name);

// An ordinary hidden top-level window (not message-only, so broadcasts reach it) whose messages
// go to proc. Returns kNoWindow on failure.
Hwnd CreateHiddenWindow(const std::string& title, WindowProc proc);
void DestroyWindow(Hwnd window);
bool IsWindow(Hwnd window);

// SendMessageA. To kBroadcast: every top-level window (the result carries no answer), each
// waited for at most kBroadcastWaitMs and a hung one not at all, so that one program that stopped
// pumping messages cannot hold the sender up. To a window that does not exist: 0.
constexpr unsigned kBroadcastWaitMs = 1000;
LResult Send(Hwnd window, unsigned msg, WParam w, LParam l);

// PostMessageA; false when the window does not exist.
bool Post(Hwnd window, unsigned msg, WParam w, LParam l);

// Delivers every message posted to this thread's windows so far (and those they post in turn).
// Returns the number delivered.
int PumpMessages();

// Runs the message loop until QuitMessageLoop is called; returns its exit code.
int RunMessageLoop();
void QuitMessageLoop(int exit_code);

// DefWindowProcA.
LResult DefaultWindowProc(Hwnd window, unsigned msg, WParam w, LParam l);

// The record WM_COPYDATA carries: payload kind, byte count and the bytes, which are valid only
// while the message is being handled.
struct CopyData {
  std::uintptr_t kind = 0;
  std::uint32_t size = 0;
  const void* data = nullptr;
};

// Reads the record a WM_COPYDATA message's lParam points to.
CopyData ReadCopyData(LParam l);

// Sends WM_COPYDATA to window with wParam = from.
LResult SendCopyData(Hwnd window, Hwnd from, const CopyData& payload);

}  // namespace platform
