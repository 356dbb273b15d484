// The model's global atom table: names compared without regard to case, reference counted,
// numbered from 0xC000 like string atoms.
#include "platform/atoms.h"

#include <map>
#include <mutex>

namespace platform {
namespace {

struct Entry {
  std::string name;
  int refs = 0;
};

struct Table {
  std::mutex lock;
  std::map<Atom, Entry> atoms;
  Atom next = 0xC000;
};

Table& T() {
  static Table table;
  return table;
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

Atom FindLocked(const std::string& name) {
  for (auto& [atom, entry] : T().atoms) {
    if (SameName(entry.name, name)) return atom;
  }
  return 0;
}

}  // namespace

Atom AddGlobalAtom(const std::string& name) {
  if (name.empty() || name.size() > 255) return 0;
  std::lock_guard<std::mutex> guard(T().lock);
  Atom atom = FindLocked(name);
  if (atom == 0) {
    if (T().next == 0) return 0;  // table full
    atom = T().next++;
    T().atoms[atom].name = name;
  }
  ++T().atoms[atom].refs;
  return atom;
}

bool DeleteGlobalAtom(Atom atom) {
  std::lock_guard<std::mutex> guard(T().lock);
  auto it = T().atoms.find(atom);
  if (it == T().atoms.end()) return false;
  if (--it->second.refs == 0) T().atoms.erase(it);
  return true;
}

std::string GlobalAtomName(Atom atom) {
  std::lock_guard<std::mutex> guard(T().lock);
  auto it = T().atoms.find(atom);
  return it == T().atoms.end() ? std::string() : it->second.name;
}

Atom FindGlobalAtom(const std::string& name) {
  if (name.empty()) return 0;
  std::lock_guard<std::mutex> guard(T().lock);
  return FindLocked(name);
}

}  // namespace platform
