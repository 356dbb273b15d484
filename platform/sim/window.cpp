// The model's window manager: top-level windows in creation order, registered message numbers,
// synchronous sends, broadcasts and one queue for posted messages and deferred model work.
#include "platform/window.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "platform/exception_report.h"
#include "platform/sim/sim_queue.h"
#include "platform/sim/sim_window.h"

namespace platform {
namespace {

struct WindowEntry {
  std::string title;
  // Shared, so that a message being delivered keeps its procedure while the window goes.
  std::shared_ptr<WindowProc> proc;
};

// A spin lock: it is held for a push or a pop only, and nearly always by the one thread that
// uses the model, where a system mutex would cost more than the work it guards.
class QueueLock {
 public:
  void lock() {
    while (held_.test_and_set(std::memory_order_acquire)) std::this_thread::yield();
  }
  void unlock() { held_.clear(std::memory_order_release); }

 private:
  std::atomic_flag held_;
};

struct State {
  // Recursive: destroying a window's procedure may run code that calls back in here.
  std::recursive_mutex lock;
  std::map<std::string, unsigned> messages;  // upper-cased name -> number
  unsigned next_message = 0xC000;
  std::map<Hwnd, WindowEntry> windows;
  std::vector<Hwnd> order;  // creation order, which broadcasts follow
  Hwnd next_window = 0x10010;
  // The queue has a lock of its own, held only to push or pop a task.
  QueueLock queue_lock;
  std::deque<std::function<void()>> queue;
  bool quit = false;
  int quit_code = 0;
  sim::WindowFault fault;
};

// Every send, post and pumped message asks for the state: the pointer is set once, when
// MakeState first makes it, and read inline after that.
State* made_state = nullptr;

[[gnu::noinline]] State& MakeState() {
  static State state;
  made_state = &state;
  return state;
}

inline State& S() {
  if (made_state) [[likely]]
    return *made_state;
  return MakeState();
}

std::string Fold(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

bool Fails(const char* call) {
  auto& s = S();
  return s.fault && s.fault(call);
}

LResult Deliver(Hwnd window, unsigned msg, WParam w, LParam l) {
  auto& s = S();
  std::shared_ptr<WindowProc> proc;
  {
    std::lock_guard<std::recursive_mutex> guard(s.lock);
    auto it = s.windows.find(window);
    if (it == s.windows.end()) return 0;
    proc = it->second.proc;  // held: the window may be destroyed while it runs
  }
  return Guarded<LResult>(0, [&] { return (*proc)(window, msg, w, l); });
}

}  // namespace

unsigned RegisterMessage(const std::string& name) {
  if (name.empty() || Fails("RegisterMessage")) return 0;
  auto& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.lock);
  auto [it, added] = s.messages.emplace(Fold(name), s.next_message);
  if (added) ++s.next_message;
  return it->second;
}

Hwnd CreateHiddenWindow(const std::string& title, WindowProc proc) {
  if (!proc || Fails("CreateHiddenWindow")) return kNoWindow;
  auto& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.lock);
  Hwnd handle = s.next_window;
  s.next_window += 2;
  s.windows.emplace(handle, WindowEntry{title, std::make_shared<WindowProc>(std::move(proc))});
  s.order.push_back(handle);
  return handle;
}

void DestroyWindow(Hwnd window) {
  auto& s = S();
  std::lock_guard<std::recursive_mutex> guard(s.lock);
  if (s.windows.erase(window) > 0) {
    s.order.erase(std::remove(s.order.begin(), s.order.end(), window), s.order.end());
  }
}

bool IsWindow(Hwnd window) {
  std::lock_guard<std::recursive_mutex> guard(S().lock);
  return S().windows.count(window) > 0;
}

LResult Send(Hwnd window, unsigned msg, WParam w, LParam l) {
  if (Fails("Send")) return 0;
  if (window == kBroadcast) {
    std::vector<Hwnd> targets;
    {
      std::lock_guard<std::recursive_mutex> guard(S().lock);
      targets = S().order;
    }
    for (Hwnd target : targets) Deliver(target, msg, w, l);
    return 0;
  }
  return Deliver(window, msg, w, l);
}

bool Post(Hwnd window, unsigned msg, WParam w, LParam l) {
  if (Fails("Post")) return false;
  if (window != kBroadcast && !IsWindow(window)) return false;
  sim::PostTask([=] { Send(window, msg, w, l); });
  return true;
}

int PumpMessages() {
  auto& s = S();
  int delivered = 0;
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard<QueueLock> guard(s.queue_lock);
      if (s.queue.empty() || s.quit) break;
      task = std::move(s.queue.front());
      s.queue.pop_front();
    }
    Guarded<int>(0, [&] {
      task();
      return 0;
    });
    ++delivered;
  }
  return delivered;
}

int RunMessageLoop() {
  // The model has no input of its own: the loop ends when the queue runs dry or on quit.
  PumpMessages();
  auto& s = S();
  std::lock_guard<QueueLock> guard(s.queue_lock);
  const int code = s.quit ? s.quit_code : 0;
  s.quit = false;
  return code;
}

void QuitMessageLoop(int exit_code) {
  auto& s = S();
  std::lock_guard<QueueLock> guard(s.queue_lock);
  s.quit = true;
  s.quit_code = exit_code;
}

LResult DefaultWindowProc(Hwnd, unsigned, WParam, LParam) { return 0; }

CopyData ReadCopyData(LParam l) {
  const auto* record = reinterpret_cast<const CopyData*>(l);
  return record ? *record : CopyData{};
}

LResult SendCopyData(Hwnd window, Hwnd from, const CopyData& payload) {
  return Send(window, kWmCopyData, from, reinterpret_cast<LParam>(&payload));
}

namespace sim {

void PostTask(std::function<void()> task) {
  auto& s = S();
  std::lock_guard<QueueLock> guard(s.queue_lock);
  s.queue.push_back(std::move(task));
}

void SetWindowFault(WindowFault fault) {
  std::lock_guard<std::recursive_mutex> guard(S().lock);
  S().fault = std::move(fault);
}

std::vector<Hwnd> TopLevelWindows() {
  std::lock_guard<std::recursive_mutex> guard(S().lock);
  return S().order;
}

std::string WindowTitle(Hwnd window) {
  std::lock_guard<std::recursive_mutex> guard(S().lock);
  auto it = S().windows.find(window);
  return it == S().windows.end() ? std::string() : it->second.title;
}

}  // namespace sim
}  // namespace platform
