// Wine's DdePostAdvise finds a post's links by comparing names: the posted item's with every
// link's, through DdeCmpStringHandles, which reads both names out of the atom table and compares
// them with lstrcmpiW. lstrcmpiW is a linguistic comparison, some microseconds each; a server with
// 100 symbols of six linked items compares 1,200 names for every post, 7,200 for a quote line.
//
// The remedy replaces user32's import of lstrcmpiW, and the replacement takes the quick road only
// while the thread is inside DdePostAdvise and not in the application's callback: there the only
// comparisons are the library's own name comparisons, which ask for equality only. It decides
// names of printable ASCII (what symbols and item names are) itself: such characters all weigh in
// a linguistic comparison and ignoring case folds only the letters, so the names are equal
// exactly when they are equal letter for letter whatever the case. Any other name, and every call
// outside a post, goes to the real function. A test checks the quick answer against lstrcmpiW on
// names alike but for case, punctuation and spaces.
#include "platform/win32/wine_name_compare.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/win32/ddeml_wine.h"
#include "platform/win32/import_slot.h"

namespace platform::win32 {
namespace {

using CompareFn = int(WINAPI*)(LPCWSTR, LPCWSTR);

CompareFn g_original = nullptr;
std::once_flag g_install_once;
// Whether the thread is inside a post: a slot of the system's thread storage, which costs a read
// of the thread's own block where the compiler's thread_local costs a lookup under a lock.
DWORD g_posting = TLS_OUT_OF_INDEXES;

bool Posting() { return ::TlsGetValue(g_posting) != nullptr; }
void SetPosting(bool on) { ::TlsSetValue(g_posting, on ? reinterpret_cast<void*>(1) : nullptr); }

wchar_t Fold(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; }

int WINAPI QuickCompare(LPCWSTR a, LPCWSTR b) {
  if (a && b && Posting()) {
    const int equal = AsciiNamesEqual(a, b);
    // Only equality is asked for inside a post; an order is still given, by the folded codes.
    if (equal == 1) return 0;
    if (equal == 0) {
      while (*a && Fold(*a) == Fold(*b)) ++a, ++b;
      return Fold(*a) < Fold(*b) ? -1 : 1;
    }
  }
  return g_original(a, b);
}

void Install() {
  if (!RunningOnWine()) return;
  if (const char* setting = std::getenv("TICKWELL_WINE_DDE_FIX")) {
    if (_stricmp(setting, "off") == 0 || std::strcmp(setting, "0") == 0) return;
  }
  void** slot = FindImportSlot(::GetModuleHandleA("user32.dll"), "*", "lstrcmpiW");
  if (!slot || !*slot) return;
  g_posting = ::TlsAlloc();
  if (g_posting == TLS_OUT_OF_INDEXES) return;
  g_original = reinterpret_cast<CompareFn>(*slot);
  if (!WriteImportSlot(slot, reinterpret_cast<void*>(&QuickCompare))) g_original = nullptr;
}

}  // namespace

int AsciiNamesEqual(const wchar_t* a, const wchar_t* b) {
  bool same = true;
  for (;; ++a, ++b) {
    if ((*a != 0 && (*a < 0x20 || *a > 0x7E)) || (*b != 0 && (*b < 0x20 || *b > 0x7E))) return -1;
    if (*a == 0 || *b == 0) return same && *a == *b ? 1 : 0;
    if (Fold(*a) != Fold(*b)) same = false;
  }
}

void InstallWineNameCompare() { std::call_once(g_install_once, Install); }

// Without the quick comparison installed the scopes touch nothing.
WinePostScope::WinePostScope() : outer_(g_original && Posting()) {
  if (g_original) SetPosting(true);
}
WinePostScope::~WinePostScope() {
  if (g_original) SetPosting(outer_);
}

WineCallbackScope::WineCallbackScope() : outer_(g_original && Posting()) {
  if (g_original) SetPosting(false);
}
WineCallbackScope::~WineCallbackScope() {
  if (g_original) SetPosting(outer_);
}

}  // namespace platform::win32
