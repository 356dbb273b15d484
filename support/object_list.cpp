#include "support/object_list.h"

#include <string>

#include "support/list_error.h"

namespace tickwell {

TDDEMLObjectList::~TDDEMLObjectList() { ClearAndFree(); }

void TDDEMLObjectList::CheckBounds(int index, int limit) const {
  if (index < 0 || index > limit) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
}

int TDDEMLObjectList::Add(TObject* obj) {
  items_.push_back(obj);
  return Count() - 1;
}

void TDDEMLObjectList::Insert(int index, TObject* obj) {
  CheckBounds(index, Count());
  items_.insert(items_.begin() + index, obj);
}

TObject* TDDEMLObjectList::Get(int index) const {
  CheckBounds(index, Count() - 1);
  return items_[std::size_t(index)];
}

void TDDEMLObjectList::Put(int index, TObject* obj) {
  CheckBounds(index, Count() - 1);
  items_[std::size_t(index)] = obj;
}

int TDDEMLObjectList::IndexOf(const TObject* obj) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i] == obj) return static_cast<int>(i);
  }
  return -1;
}

void TDDEMLObjectList::Delete(int index) {
  CheckBounds(index, Count() - 1);
  items_.erase(items_.begin() + index);
}

int TDDEMLObjectList::Remove(const TObject* obj) {
  const int index = IndexOf(obj);
  if (index >= 0) items_.erase(items_.begin() + index);
  return index;
}

void TDDEMLObjectList::Clear() { items_.clear(); }

void TDDEMLObjectList::FreeAndDelete(int index) {
  if (index < 0 || index >= Count()) return;
  TObject* obj = items_[std::size_t(index)];
  // The entry goes first, so a destructor that looks at the list no longer finds its object.
  items_.erase(items_.begin() + index);
  delete obj;
}

void TDDEMLObjectList::ClearAndFree() {
  while (Count() > 0) FreeAndDelete(Count() - 1);
}

void TDDEMLObjectList::RemoveAndFree(TObject* obj) {
  if (obj == nullptr) return;
  FreeAndDelete(IndexOf(obj));
}

}  // namespace tickwell
