// Wine's DDEML (8.0) leaks every block of DDE data a server posts, and a process can hold only
// 65,536 moveable memory handles; past that, advise data arrives empty, for every client, until
// the process ends. It also answers each request with the data and then a positive
// WM_DDE_ACK, which the protocol does not have and which a client takes as the answer to its
// next transaction. What Wine does:
//   - DdePostAdvise and request handling copy the callback's answer into a new moveable global
//     (fRelease clear) and post it as WM_DDE_DATA;
//   - posting a DDE message copies the global's bytes into the message, so the receiver gets a
//     copy of its own; after a successful post only the lParam pack is freed, and the original
//     is referenced by nobody;
//   - a request's answer handle is never freed either.
//
// The fix sits on the one road every post of the process takes: user32's import of
// win32u!NtUserPostMessage. For WM_DDE_DATA it sets fRelease (the receiver then frees its copy),
// posts, and frees the original afterwards if it is still the same unlocked block; a request's
// answer handle is freed once its data is posted, and the positive acknowledgement Wine posts
// right after that data is dropped.
//
// Risks, and what meets them:
//   - It depends on Wine's internals. It is installed only when ntdll exports wine_get_version,
//     and a self-test at start proves both that the slot lies on PostMessage's road and that Wine
//     copies the data when it posts; otherwise the slot is restored and nothing changes.
//     TICKWELL_WINE_DDE_FIX=off in the environment leaves it out.
//   - It acts on every WM_DDE_DATA the process posts, so raw DDE code that frees its own posted
//     data would free it twice. Nothing in this program posts DDE data itself (the end of a
//     conversation posts a terminate only, see wine_conversation_ends.h); keep it so.
//   - A later Wine that frees the original itself is met by the validity check: the block is
//     then gone (or another), and it is counted as kept, not freed.
#include <windows.h>
#include <dde.h>
#include <ddeml.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/ddeml_wine_fix.h"
#include "platform/win32/ddeml_wine.h"
#include "platform/win32/import_slot.h"
#include "platform/win32/wine_post_fix.h"
#include "platform/win32/wine_held_updates.h"

namespace platform {
namespace win32 {
namespace {

using PostFn = BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM);

// How long a client waits for the stray acknowledgement it knows is coming (it is posted right
// after the data, so it normally is there already).
constexpr DWORD kStrayAckWaitMs = 2000;

struct Counters {
  std::atomic<std::uint64_t> marked{0}, freed{0}, kept{0}, answers_freed{0}, acks_dropped{0},
      acks_awaited{0}, probe_posts{0};
};

Counters& Count() {
  static Counters counters;
  return counters;
}

std::once_flag g_install_once;
PostFn g_original = nullptr;
std::atomic<bool> g_active{false};
std::string g_state = "not installed";  // written once, under g_install_once

// The request answer the callback gave on this thread, waiting for its data to be posted.
thread_local HDDEDATA t_answer = nullptr;
// The acknowledgement Wine posts right after a request's data: to, from, item atom.
struct StrayAck {
  HWND to = nullptr;
  HWND from = nullptr;
  UINT_PTR atom = 0;
};
thread_local StrayAck t_stray;
thread_local bool t_probing = false;

// Marks a server conversation window whose stray acknowledgements are dropped, so a client of
// this process does not wait for one.
ATOM MarkAtom() {
  static const ATOM atom = ::GlobalAddAtomA("TickwellDdeStrayAckDropped");
  return atom;
}

bool AppOwned(HDDEDATA data) {
  // Wine's data handle is a global whose header holds the format and the owned flag.
  auto* head = static_cast<const WORD*>(::GlobalLock(reinterpret_cast<HGLOBAL>(data)));
  if (!head) return true;  // not one we understand: leave it alone
  bool owned = head[1] != 0;
  ::GlobalUnlock(reinterpret_cast<HGLOBAL>(data));
  return owned;
}

BOOL PostData(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  UINT_PTR lo = 0, hi = 0;
  ::UnpackDDElParam(WM_DDE_DATA, lparam, &lo, &hi);  // the post frees the pack: read it first
  HGLOBAL data = reinterpret_cast<HGLOBAL>(lo);
  SIZE_T size = 0;
  bool response = false;
  if (data) {
    if (auto* head = static_cast<DDEDATA*>(::GlobalLock(data))) {
      response = head->fResponse != 0;
      head->fRelease = 1;
      size = ::GlobalSize(data);
      ::GlobalUnlock(data);
      ++Count().marked;
    } else {
      data = nullptr;
    }
  }
  HDDEDATA answer = response ? t_answer : nullptr;
  if (response) {
    t_answer = nullptr;
    ::SetPropA(reinterpret_cast<HWND>(wparam), MAKEINTATOM(MarkAtom()),
               reinterpret_cast<HANDLE>(1));
  }
  BOOL posted = g_original(hwnd, msg, wparam, lparam);
  if (!posted) return posted;  // Wine frees what it made itself when a post fails
  if (data) {
    UINT flags = ::GlobalFlags(data);
    if (flags != GMEM_INVALID_HANDLE && (flags & GMEM_LOCKCOUNT) == 0 &&
        ::GlobalSize(data) == size) {
      ::GlobalFree(data);
      ++Count().freed;
    } else {
      ++Count().kept;
    }
  }
  if (response) {
    if (answer && !AppOwned(answer) && ::DdeFreeDataHandle(answer)) ++Count().answers_freed;
    t_stray = StrayAck{hwnd, reinterpret_cast<HWND>(wparam), hi};
  }
  return posted;
}

BOOL WINAPI HookedPost(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (t_probing) {
    ++Count().probe_posts;
    return g_original(hwnd, msg, wparam, lparam);
  }
  if (!g_active.load(std::memory_order_relaxed)) return g_original(hwnd, msg, wparam, lparam);
  StrayAck stray = t_stray;
  t_stray = StrayAck{};
  if (msg == WM_DDE_DATA) return PostData(hwnd, msg, wparam, lparam);
  if (msg == WM_DDE_ACK && stray.to == hwnd && stray.from == reinterpret_cast<HWND>(wparam)) {
    UINT_PTR status = 0, atom = 0;
    ::UnpackDDElParam(WM_DDE_ACK, lparam, &status, &atom);
    if ((status & DDE_FACK) && atom == stray.atom) {
      // What a successful post would have freed; the item atom stays with the data posted.
      ::FreeDDElParam(WM_DDE_ACK, lparam);
      ++Count().acks_dropped;
      return TRUE;
    }
  }
  return g_original(hwnd, msg, wparam, lparam);
}

// Posts DDE data to a window of our own, changes the original after the post, and reads what
// arrived: the patched slot must have seen the post, and the data must be a copy taken when it
// was posted.
std::string SelfTest() {
  static const char kText[] = "tickwell";
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = ::DefWindowProcA;
  window_class.hInstance = ::GetModuleHandleA(nullptr);
  window_class.lpszClassName = "TickwellWineDdeFixProbe";
  ::RegisterClassA(&window_class);
  HWND probe = ::CreateWindowA(window_class.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               window_class.hInstance, nullptr);
  if (!probe) return "no probe window";
  const SIZE_T size = offsetof(DDEDATA, Value) + sizeof kText;
  HGLOBAL original = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT, size);
  std::string why;
  if (auto* head = original ? static_cast<DDEDATA*>(::GlobalLock(original)) : nullptr) {
    head->cfFormat = CF_TEXT;
    std::memcpy(head->Value, kText, sizeof kText);
    ::GlobalUnlock(original);
    ATOM item = ::GlobalAddAtomA("TickwellWineDdeFixProbe");
    LPARAM packed = ::PackDDElParam(WM_DDE_DATA, reinterpret_cast<UINT_PTR>(original), item);
    const std::uint64_t seen = Count().probe_posts;
    t_probing = true;
    BOOL posted = ::PostMessageA(probe, WM_DDE_DATA, reinterpret_cast<WPARAM>(probe), packed);
    t_probing = false;
    if (!posted) {
      ::FreeDDElParam(WM_DDE_DATA, packed);
      why = "the probe could not be posted";
    } else if (Count().probe_posts == seen) {
      why = "PostMessage does not pass through the patched slot";
    }
    if (auto* head2 = static_cast<DDEDATA*>(::GlobalLock(original))) {
      std::memset(head2->Value, 'x', sizeof kText - 1);
      ::GlobalUnlock(original);
    }
    MSG msg;
    HGLOBAL copy = nullptr;
    if (posted && ::PeekMessageA(&msg, probe, WM_DDE_DATA, WM_DDE_DATA, PM_REMOVE)) {
      UINT_PTR lo = 0, hi = 0;
      ::UnpackDDElParam(WM_DDE_DATA, msg.lParam, &lo, &hi);
      ::FreeDDElParam(WM_DDE_DATA, msg.lParam);
      copy = reinterpret_cast<HGLOBAL>(lo);
      bool same_bytes = false;
      if (auto* got = copy ? static_cast<DDEDATA*>(::GlobalLock(copy)) : nullptr) {
        same_bytes = std::memcmp(got->Value, kText, sizeof kText) == 0;
        ::GlobalUnlock(copy);
      }
      if (why.empty() && (copy == original || !same_bytes))
        why = "Wine does not copy DDE data when it posts";
    } else if (why.empty()) {
      why = "the probe did not arrive";
    }
    if (copy && copy != original) ::GlobalFree(copy);
    ::GlobalDeleteAtom(item);
  } else {
    why = "no memory for the probe";
  }
  if (original) ::GlobalFree(original);
  ::DestroyWindow(probe);
  return why;
}

void Install() {
  if (!RunningOnWine()) {
    g_state = "not needed (not running on Wine)";
    return;
  }
  if (WineImportRemediesOff()) {
    g_state = "off (TICKWELL_WINE_DDE_FIX=off)";
    return;
  }
  void** slot = FindImportSlot(::GetModuleHandleA("user32.dll"), "win32u.dll", "NtUserPostMessage");
  if (!slot) {
    g_state = "inactive: user32 does not import win32u!NtUserPostMessage";
    return;
  }
  g_original = reinterpret_cast<PostFn>(*slot);
  if (!WriteImportSlot(slot, reinterpret_cast<void*>(&HookedPost))) {
    g_state = "inactive: the import slot cannot be written";
    return;
  }
  std::string why = SelfTest();
  if (!why.empty()) {
    WriteImportSlot(slot, reinterpret_cast<void*>(g_original));
    g_state = "inactive: self-test failed (" + why + ")";
    return;
  }
  MarkAtom();
  g_active = true;
  g_state = "active (self-test passed)";
}

}  // namespace

void InstallWinePostFix() { std::call_once(g_install_once, Install); }

void WineNoteRequestAnswer(std::uintptr_t answer) {
  HDDEDATA handle = reinterpret_cast<HDDEDATA>(answer);
  t_answer = handle == CBR_BLOCK ? nullptr : handle;
}

void WineAwaitStrayAck(std::uintptr_t conv) {
  if (!RunningOnWine()) return;
  CONVINFO info{};
  info.cb = sizeof info;
  if (!::DdeQueryConvInfo(reinterpret_cast<HCONV>(conv), QID_SYNC, &info)) return;
  char name[64] = "";
  if (!info.hwnd || !::GetClassNameA(info.hwndPartner, name, sizeof name)) return;
  // Only Wine's DDEML server posts it, and not when this fix runs in the server's process.
  if (std::strcmp(name, "WineDdeServerConvA") != 0 && std::strcmp(name, "WineDdeServerConvW") != 0)
    return;
  if (::GetPropA(info.hwndPartner, MAKEINTATOM(MarkAtom()))) return;
  const DWORD until = ::GetTickCount() + kStrayAckWaitMs;
  for (;;) {
    MSG msg;
    while (::PeekMessageA(&msg, info.hwnd, WM_DDE_ACK, WM_DDE_ACK, PM_REMOVE)) {
      if (reinterpret_cast<HWND>(msg.wParam) == info.hwndPartner) {
        ::FreeDDElParam(WM_DDE_ACK, msg.lParam);
        ++Count().acks_awaited;
        return;
      }
      ::DispatchMessageA(&msg);
    }
    const long left = static_cast<long>(until - ::GetTickCount());
    if (left <= 0 || !::IsWindow(info.hwndPartner)) return;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_POSTMESSAGE);
  }
}

}  // namespace win32

WineDdeFixStatus DdeWineFixStatus() {
  win32::InstallWinePostFix();
  WineDdeFixStatus status;
  status.wine = win32::RunningOnWine();
  status.active = win32::g_active;
  status.state = win32::g_state;
  const win32::Counters& count = win32::Count();
  status.marked = count.marked;
  status.freed = count.freed;
  status.kept = count.kept;
  status.answers_freed = count.answers_freed;
  status.acks_dropped = count.acks_dropped;
  status.acks_awaited = count.acks_awaited;
  status.updates_held = win32::WineHeldUpdateCount();
  return status;
}

}  // namespace platform
