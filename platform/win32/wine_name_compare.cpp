// Wine's DdePostAdvise finds a post's links by comparing names: the posted item's with every
// link's, through DdeCmpStringHandles, which reads both names out of the atom table
// (GetAtomNameW, under the table's lock) and compares them with lstrcmpiW, a linguistic
// comparison. A server with 100 symbols of six linked items compares 1,200 names for every post,
// 7,200 for a quote line.
//
// The remedy replaces user32's imports of lstrcmpiW and GetAtomNameW, and the replacements take
// the quick road only while the thread is inside DdePostAdvise and not in the application's
// callback: there the only comparisons are the library's own name comparisons, which ask for
// equality only, and no name is freed or made.
//   - lstrcmpiW decides names of printable ASCII (what symbols and item names are) itself: such
//     characters all weigh in a linguistic comparison and ignoring case folds only the letters,
//     so the names are equal exactly when they are equal letter for letter whatever the case.
//     Any other name goes to the real function. A test checks the quick answer against lstrcmpiW
//     on names alike but for case, punctuation and spaces.
//   - GetAtomNameW answers a name it read earlier in the same stretch of the post (a post's links
//     name a handful of items); the names are forgotten whenever the application's callback runs.
//     A name too long for the entry or the caller's buffer, and a failed read, go to the real
//     function, so the caller sees what it would have seen.
// Every call outside a post goes to the real functions.
#include "platform/win32/wine_name_compare.h"

#include <windows.h>

#include <mutex>

#include "platform/win32/ddeml_wine.h"
#include "platform/win32/import_slot.h"

namespace platform::win32 {
namespace {

using CompareFn = int(WINAPI*)(LPCWSTR, LPCWSTR);
using AtomNameFn = UINT(WINAPI*)(ATOM, LPWSTR, int);

CompareFn g_original = nullptr;
AtomNameFn g_atom_name = nullptr;
std::once_flag g_install_once;
// The thread's post in progress (its names), null outside one: a slot of the system's thread
// storage, which costs a read of the thread's own block where the compiler's thread_local costs
// a lookup under a lock.
DWORD g_posting = TLS_OUT_OF_INDEXES;

WinePostNames* Posting() { return static_cast<WinePostNames*>(::TlsGetValue(g_posting)); }
void SetPosting(void* names) { ::TlsSetValue(g_posting, names); }

// Copies a name with its terminating zero; names are a few characters.
void CopyName(wchar_t* to, const wchar_t* from, int length) {
  for (int i = 0; i <= length; ++i) to[i] = from[i];
}

UINT WINAPI QuickAtomName(ATOM atom, LPWSTR buffer, int size) {
  WinePostNames* names = Posting();
  if (!names || !buffer || size <= 0) return g_atom_name(atom, buffer, size);
  int found = -1;
  for (int i = 0; i < names->count; ++i) {
    if (names->atoms[i] == atom) {
      found = i;
      break;
    }
  }
  if (found < 0) {
    wchar_t name[WinePostNames::kNameSize];
    const UINT length = g_atom_name(atom, name, WinePostNames::kNameSize);
    if (length == 0 || length + 1 >= WinePostNames::kNameSize) return g_atom_name(atom, buffer, size);
    found = names->next;
    names->next = (names->next + 1) % WinePostNames::kEntries;
    if (names->count < WinePostNames::kEntries) ++names->count;
    names->atoms[found] = atom;
    names->lengths[found] = static_cast<int>(length);
    CopyName(names->names[found], name, static_cast<int>(length));
  }
  const int length = names->lengths[found];
  if (length >= size) return g_atom_name(atom, buffer, size);
  CopyName(buffer, names->names[found], length);
  return static_cast<UINT>(length);
}

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
  if (!RunningOnWine() || WineImportRemediesOff()) return;
  void** slot = FindImportSlot(::GetModuleHandleA("user32.dll"), "*", "lstrcmpiW");
  if (!slot || !*slot) return;
  g_posting = ::TlsAlloc();
  if (g_posting == TLS_OUT_OF_INDEXES) return;
  g_original = reinterpret_cast<CompareFn>(*slot);
  if (!WriteImportSlot(slot, reinterpret_cast<void*>(&QuickCompare))) {
    g_original = nullptr;
    return;
  }
  void** names = FindImportSlot(::GetModuleHandleA("user32.dll"), "*", "GetAtomNameW");
  if (names && *names) {
    g_atom_name = reinterpret_cast<AtomNameFn>(*names);
    if (!WriteImportSlot(names, reinterpret_cast<void*>(&QuickAtomName))) g_atom_name = nullptr;
  }
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

// Without the quick roads installed the scopes touch nothing.
WinePostScope::WinePostScope() : outer_(g_original ? Posting() : nullptr) {
  if (g_original) SetPosting(&names_);
}
WinePostScope::~WinePostScope() {
  if (g_original) SetPosting(outer_);
}

WineCallbackScope::WineCallbackScope() : outer_(g_original ? Posting() : nullptr) {
  if (g_original) SetPosting(nullptr);
}
WineCallbackScope::~WineCallbackScope() {
  if (!g_original) return;
  if (outer_) static_cast<WinePostNames*>(outer_)->count = 0;
  SetPosting(outer_);
}

}  // namespace platform::win32
