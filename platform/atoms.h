// Global atoms: system-wide, reference-counted names (GlobalAddAtomA, GlobalDeleteAtom).
#pragma once

#include <string>

#include "platform/types.h"

namespace platform {

// Adds a reference to the atom of name (compared without regard to case); 0 on failure,
// including an empty name or one over 255 characters.
Atom AddGlobalAtom(const std::string& name);

// Drops one reference; the atom goes when none is left. Returns true when the atom was valid.
bool DeleteGlobalAtom(Atom atom);

// The atom's name, or empty when there is no such atom.
std::string GlobalAtomName(Atom atom);

// The atom of name without adding a reference; 0 when there is none.
Atom FindGlobalAtom(const std::string& name);

}  // namespace platform
