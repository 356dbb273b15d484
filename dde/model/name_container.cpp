#include "dde/model/name_container.h"

namespace tickwell {

int TNameContainer::Compare(const void* item1, const void* item2) {
  const auto* a = static_cast<const TDDEMLBase*>(SlotObject(item1));
  const auto* b = static_cast<const TDDEMLBase*>(SlotObject(item2));
  return a->Key().compare(b->Key());
}

int TNameContainer::Bound(const std::string& key, bool after) const {
  int lo = 0;
  int hi = Count();
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    const int c = Named(mid)->Key().compare(key);
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

int TNameContainer::AddNamed(TDDEMLBase* obj) { return Insert(Bound(obj->Key(), true), obj); }

}  // namespace tickwell
