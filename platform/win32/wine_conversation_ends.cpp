#include "platform/win32/wine_conversation_ends.h"

#include <dde.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "platform/win32/ddeml_wine.h"

namespace platform::win32 {
namespace {

struct ClientConv {
  DWORD instance = 0;
  DWORD thread = 0;
  HWND window = nullptr;   // the client's conversation window
  HWND partner = nullptr;  // the server's
  bool ended = false;      // the server's terminate was taken away from Wine
  MSG terminate{};
};

std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}

std::map<HCONV, ClientConv>& Clients() {
  static std::map<HCONV, ClientConv> clients;
  return clients;
}

// Server conversations per instance, from their confirms.
std::map<DWORD, std::set<HCONV>>& Servers() {
  static std::map<DWORD, std::set<HCONV>> servers;
  return servers;
}

// The conversations this thread is ending itself.
thread_local std::vector<HCONV> t_ending;
thread_local HHOOK t_hook = nullptr;
thread_local HWND t_window = nullptr;

constexpr UINT kDeliver = WM_USER + 1;

struct Ending {
  HCONV conv;
  explicit Ending(HCONV c) : conv(c) { t_ending.push_back(c); }
  ~Ending() { std::erase(t_ending, conv); }
  Ending(const Ending&) = delete;
  Ending& operator=(const Ending&) = delete;
};

bool Info(HCONV conv, CONVINFO& info) {
  info = CONVINFO{};
  info.cb = sizeof info;
  return ::DdeQueryConvInfo(conv, QID_SYNC, &info) != 0;
}

// Lets Wine drop a client conversation that has ended: the client disconnects, and the server's
// terminate, put back in the queue, is the answer Wine waits for (without it Wine waits ten
// seconds for a server that has already gone).
void DropClient(HCONV conv, const ClientConv& client) {
  CONVINFO info;
  if (!Info(conv, info) || !(info.wStatus & ST_CONNECTED)) return;
  if (client.ended) ::PostMessageW(client.window, WM_DDE_TERMINATE, client.terminate.wParam, 0);
  Ending ending(conv);
  ::DdeDisconnect(conv);
}

// The server ended the conversation (or is gone): the application is told, then Wine forgets it.
void Deliver(HCONV conv) {
  ClientConv client;
  {
    std::lock_guard<std::mutex> hold(Lock());
    auto found = Clients().find(conv);
    if (found == Clients().end()) return;
    // Also when the server window went without a terminate: a DdeDisconnect from the callback
    // then takes the short way too.
    if (!found->second.ended)
      found->second.terminate.wParam = reinterpret_cast<WPARAM>(found->second.partner);
    found->second.ended = true;
    client = found->second;
  }
  WineNotifyInstance(client.instance, XTYP_DISCONNECT, conv);
  {
    std::lock_guard<std::mutex> hold(Lock());
    auto found = Clients().find(conv);
    if (found == Clients().end()) return;  // disconnected by the callback
    Clients().erase(found);
  }
  DropClient(conv, client);
}

void DeliverEnded() {
  std::vector<HCONV> ended;
  {
    std::lock_guard<std::mutex> hold(Lock());
    for (const auto& [conv, client] : Clients())
      if (client.ended && client.thread == ::GetCurrentThreadId()) ended.push_back(conv);
  }
  for (HCONV conv : ended) Deliver(conv);
}

LRESULT CALLBACK DeliverProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == kDeliver) {
    DeliverEnded();
    return 0;
  }
  return ::DefWindowProcA(hwnd, msg, w, l);
}

// Takes the server's terminate of a tracked conversation away from Wine, wherever the thread
// reads its queue (its own loop or a wait inside Wine), and has it delivered from the loop.
LRESULT CALLBACK TakeTerminates(int code, WPARAM removed, LPARAM lparam) {
  auto* msg = reinterpret_cast<MSG*>(lparam);
  if (code == HC_ACTION && removed == PM_REMOVE && msg->message == WM_DDE_TERMINATE) {
    bool taken = false;
    {
      std::lock_guard<std::mutex> hold(Lock());
      for (auto& [conv, client] : Clients()) {
        if (client.window == msg->hwnd && !client.ended &&
            reinterpret_cast<HWND>(msg->wParam) == client.partner) {
          client.ended = true;
          client.terminate = *msg;
          taken = true;
        }
      }
    }
    if (taken) {
      *msg = MSG{};  // what Wine or the loop gets instead: a message for no window
      if (t_window) ::PostMessageA(t_window, kDeliver, 0, 0);
    }
  }
  return ::CallNextHookEx(nullptr, code, removed, lparam);
}

void WatchThread() {
  if (!t_window) {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = DeliverProc;
    window_class.hInstance = ::GetModuleHandleA(nullptr);
    window_class.lpszClassName = "TickwellWineDdeEnds";
    ::RegisterClassA(&window_class);  // fails harmlessly once registered
    t_window = ::CreateWindowA(window_class.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               window_class.hInstance, nullptr);
  }
  if (!t_hook)
    t_hook = ::SetWindowsHookExA(WH_GETMESSAGE, TakeTerminates, nullptr, ::GetCurrentThreadId());
}

// Hands the server's conversation window the terminate its client would send: Wine's server
// then posts its own terminate to the client and drops the conversation.
bool EndServer(HCONV conv, const CONVINFO& info) {
  if (!::IsWindow(info.hwnd)) return false;
  {
    Ending ending(conv);
    ::SendMessageW(info.hwnd, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(info.hwndPartner), 0);
  }
  CONVINFO after;
  return !Info(conv, after);
}

}  // namespace

bool WineNoteConversation(DWORD instance, UINT type, HCONV conv) {
  if (!RunningOnWine() || conv == nullptr) return false;
  if (type == XTYP_CONNECT_CONFIRM) {
    std::lock_guard<std::mutex> hold(Lock());
    Servers()[instance].insert(conv);
  } else if (type == XTYP_DISCONNECT) {
    {
      std::lock_guard<std::mutex> hold(Lock());
      auto found = Servers().find(instance);
      if (found != Servers().end()) found->second.erase(conv);
    }
    return std::find(t_ending.begin(), t_ending.end(), conv) != t_ending.end();
  }
  return false;
}

bool WineDisconnect(HCONV conv, bool* done) {
  if (!RunningOnWine() || conv == nullptr) return false;
  ClientConv client;
  bool tracked = false;
  {
    std::lock_guard<std::mutex> hold(Lock());
    auto found = Clients().find(conv);
    if (found != Clients().end()) {
      client = found->second;
      tracked = true;
      Clients().erase(found);
    }
  }
  if (tracked) {
    if (client.ended) {
      // The server ended it first; the client's end only makes Wine forget it.
      DropClient(conv, client);
      *done = true;
    } else {
      Ending ending(conv);
      *done = ::DdeDisconnect(conv) != FALSE;
    }
    return true;
  }
  CONVINFO info;
  if (!Info(conv, info)) return false;
  if (info.wStatus & ST_CLIENT) {
    Ending ending(conv);
    *done = ::DdeDisconnect(conv) != FALSE;
  } else {
    *done = EndServer(conv, info);
  }
  return true;
}

void WineBeforeUninitialize(DWORD instance) {
  if (!RunningOnWine()) return;
  std::set<HCONV> servers;
  std::vector<std::pair<HCONV, ClientConv>> clients;
  {
    std::lock_guard<std::mutex> hold(Lock());
    auto found = Servers().find(instance);
    if (found != Servers().end()) {
      servers = std::move(found->second);
      Servers().erase(found);
    }
    for (auto it = Clients().begin(); it != Clients().end();) {
      if (it->second.instance == instance) {
        clients.emplace_back(*it);
        it = Clients().erase(it);
      } else {
        ++it;
      }
    }
  }
  for (HCONV conv : servers) {
    CONVINFO info;
    if (Info(conv, info) && !(info.wStatus & ST_CLIENT)) EndServer(conv, info);
  }
  for (const auto& [conv, client] : clients) DropClient(conv, client);
}

void WineTrackClientConversation(DWORD instance, HCONV conv) {
  if (!RunningOnWine() || conv == nullptr) return;
  CONVINFO info;
  if (!Info(conv, info) || !info.hwnd) return;
  WatchThread();
  std::lock_guard<std::mutex> hold(Lock());
  ClientConv& client = Clients()[conv];
  client = ClientConv{};
  client.instance = instance;
  client.thread = ::GetCurrentThreadId();
  client.window = info.hwnd;
  client.partner = info.hwndPartner;
}

bool WineBeforeClientTransaction(HCONV conv) {
  if (!RunningOnWine()) return true;
  bool ended = false;
  {
    std::lock_guard<std::mutex> hold(Lock());
    auto found = Clients().find(conv);
    if (found == Clients().end()) return true;
    ended = found->second.ended || !::IsWindow(found->second.partner);
  }
  if (!ended) return true;
  Deliver(conv);
  return false;
}

void WineAfterClientTransaction(HCONV conv) {
  if (!RunningOnWine()) return;
  {
    std::lock_guard<std::mutex> hold(Lock());
    auto found = Clients().find(conv);
    if (found == Clients().end() || !found->second.ended) return;
  }
  Deliver(conv);
}

}  // namespace platform::win32
