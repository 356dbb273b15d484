#include "platform/atoms.h"

#include <windows.h>

namespace platform {

Atom AddGlobalAtom(const std::string& name) {
  if (name.empty() || name.size() > 255) return 0;
  return GlobalAddAtomA(name.c_str());
}

bool DeleteGlobalAtom(Atom atom) { return atom != 0 && GlobalDeleteAtom(atom) == 0; }

std::string GlobalAtomName(Atom atom) {
  char name[256];
  UINT n = GlobalGetAtomNameA(atom, name, sizeof name);
  return std::string(name, n);
}

Atom FindGlobalAtom(const std::string& name) {
  if (name.empty()) return 0;
  return GlobalFindAtomA(name.c_str());
}

}  // namespace platform
