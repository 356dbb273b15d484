// Under Wine, DdePostAdvise looks through every advise link the server holds and compares the
// posted item's name with each link's item, reading both names out of the atom table and
// comparing them with lstrcmpiW, a full linguistic comparison; with a few hundred links most of a
// linked server's time goes there. While a thread is inside DdePostAdvise, and not in the
// application's callback, user32's lstrcmpiW answers names of printable ASCII itself and its
// GetAtomNameW answers names already read (see wine_name_compare.cpp). Does nothing on Windows.
#pragma once

#include <windows.h>

namespace platform::win32 {

// Installs the quick comparison once per process; TICKWELL_WINE_DDE_FIX=off leaves it out.
void InstallWineNameCompare();

// Whether two names compare equal ignoring case, decided without the linguistic comparison: 1
// equal, 0 not equal, -1 cannot tell (a character outside printable ASCII). Printable ASCII
// characters each weigh in a linguistic comparison, and ignoring case folds only the letters.
int AsciiNamesEqual(const wchar_t* a, const wchar_t* b);

// The atom names read inside one post since the application's callback last ran; the atoms
// apart, so that a look through them reads one cache line.
struct WinePostNames {
  static constexpr int kEntries = 16;
  static constexpr int kNameSize = 48;
  ATOM atoms[kEntries];
  int lengths[kEntries];
  wchar_t names[kEntries][kNameSize];
  int count = 0;
  int next = 0;  // the entry a new name replaces once all are used
};

// Marks the thread as inside DdePostAdvise for its lifetime.
class WinePostScope {
 public:
  WinePostScope();
  ~WinePostScope();
  WinePostScope(const WinePostScope&) = delete;
  WinePostScope& operator=(const WinePostScope&) = delete;

 private:
  void* outer_;
  WinePostNames names_;
};

// Marks the thread as in the application's callback for its lifetime: every comparison and
// name there is the real one, and names read before it are read again after it (the
// application may have freed and made names).
class WineCallbackScope {
 public:
  WineCallbackScope();
  ~WineCallbackScope();
  WineCallbackScope(const WineCallbackScope&) = delete;
  WineCallbackScope& operator=(const WineCallbackScope&) = delete;

 private:
  void* outer_;
};

}  // namespace platform::win32
