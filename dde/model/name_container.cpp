#include "dde/model/name_container.h"

#include <algorithm>

namespace tickwell {

int TNameContainer::Compare(const void* item1, const void* item2) {
  const auto* a = static_cast<const TDDEMLBase*>(SlotObject(item1));
  const auto* b = static_cast<const TDDEMLBase*>(SlotObject(item2));
  return a->Key().compare(b->Key());
}

namespace {

// The same order as std::string::compare, byte by byte: names are short, and a loop that
// stops at the first differing byte is cheaper for them than a call into memcmp.
int CompareKeys(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  const auto* x = reinterpret_cast<const unsigned char*>(a.data());
  const auto* y = reinterpret_cast<const unsigned char*>(b.data());
  for (std::size_t i = 0; i < n; ++i)
    if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

int TNameContainer::Bound(const std::string& key, bool after) const {
  int lo = 0;
  int hi = Count();
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    const int c = CompareKeys(Named(mid)->Key(), key);
    if (c < 0 || (after && c == 0))
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

int TNameContainer::FindKey(const std::string& key) const {
  const int at = Bound(key, false);
  return (at < Count() && Named(at)->Key() == key) ? at : -1;
}

int TNameContainer::FindKey(const std::string& key, int hint) const {
  // Taken only while it still holds the first object of that key.
  if (hint >= 0 && hint < Count() && Named(hint)->Key() == key &&
      (hint == 0 || Named(hint - 1)->Key() != key))
    return hint;
  return FindKey(key);
}

int TNameContainer::AddNamed(TDDEMLBase* obj) { return Insert(Bound(obj->Key(), true), obj); }

}  // namespace tickwell
