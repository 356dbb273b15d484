#include "support/containers.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace tickwell {

namespace {

// A private copy of one item, so an item pointer that points into the block stays valid while
// the block moves. Small items live on the stack.
class ItemCopy {
 public:
  ItemCopy(const void* item, std::size_t size) {
    if (size > sizeof(small_)) {
      big_.reset(new unsigned char[size]);
      data_ = big_.get();
    }
    if (item != nullptr)
      std::memcpy(data_, item, size);
    else
      std::memset(data_, 0, size);
  }
  unsigned char* data() { return data_; }

 private:
  unsigned char small_[32];
  std::unique_ptr<unsigned char[]> big_;
  unsigned char* data_ = small_;
};

bool AllZero(const unsigned char* p, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    if (p[i] != 0) return false;
  }
  return true;
}

}  // namespace

TBaseContainer::TBaseContainer(std::uint16_t itemSize) : itemSize_(itemSize == 0 ? 1 : itemSize) {}

TBaseContainer::~TBaseContainer() {
  // A derived container has already cleared itself with its own FreeItem; this releases the rest.
  TBaseContainer::Clear();
}

int TBaseContainer::Compare(const void* item1, const void* item2) {
  return onCompare_ != nullptr ? onCompare_(item1, item2) : 1;
}

void TBaseContainer::FreeItem(const void*) {}

void TBaseContainer::Sort() { SortInPlace(0, count_ - 1); }

void TBaseContainer::Clear() {
  FreeItems();
  SetCapacity(0);
}

bool TBaseContainer::CheckIndex(int index) const {
  if (!checkIndex_) return true;
  if (index < 0) throw EListError(leIndexBelowZero, index);
  if (index > count_) throw EListError(leIndexBeyondCount, index);
  return true;
}

bool TBaseContainer::ValidItemIndex(int index) const {
  CheckIndex(index);
  return index >= 0 && index < count_;
}

void TBaseContainer::Delete(int index) {
  if (!ValidItemIndex(index)) return;
  const std::size_t tail = std::size_t(count_ - index - 1) * itemSize_;
  std::memmove(Slot(index), Slot(index + 1), tail);
  std::memset(Slot(count_ - 1), 0, itemSize_);
  --count_;
}

void TBaseContainer::ResetCount() { count_ = 0; }

void TBaseContainer::Exchange(int index1, int index2) {
  const bool valid1 = ValidItemIndex(index1);
  const bool valid2 = ValidItemIndex(index2);
  if (!valid1 || !valid2 || !items_ || index1 == index2) return;
  // Swapped in place: writing back through PutItem would count a blank slot as a new item.
  ItemCopy first(Slot(index1), itemSize_);
  std::memcpy(Slot(index1), Slot(index2), itemSize_);
  std::memcpy(Slot(index2), first.data(), itemSize_);
}

void TBaseContainer::InsertBlanks(int index, int count) {
  CheckIndex(index);
  if (index < 0 || index > count_ || count <= 0) return;
  if (count > std::numeric_limits<int>::max() - count_ - 1) throw EListError(leAllocFailed);
  if (count + count_ >= capacity_) SetCapacity(count + count_ + 1);
  std::memmove(Slot(index + count), Slot(index), std::size_t(count_ - index) * itemSize_);
  std::memset(Slot(index), 0, std::size_t(count) * itemSize_);
  count_ += count;
}

void TBaseContainer::MoveItem(int curIndex, int newIndex) {
  const bool validCur = ValidItemIndex(curIndex);
  const bool validNew = ValidItemIndex(newIndex);
  // Both must name items: a move to the end position would otherwise delete and fail to insert.
  if (!validCur || !validNew || curIndex == newIndex) return;
  ItemCopy item(Slot(curIndex), itemSize_);
  Delete(curIndex);
  InsertItem(newIndex, item.data());
}

void TBaseContainer::Pack() {
  for (int i = count_ - 1; i >= 0; --i) {
    if (IsEmptySlot(i)) Delete(i);
  }
}

bool TBaseContainer::Search(const void* key, int& index) {
  try {
    int lo = 0;
    int hi = count_ - 1;
    bool found = false;
    while (lo <= hi) {
      const int mid = lo + (hi - lo) / 2;
      ItemCopy item(Slot(mid), itemSize_);
      int c = Compare(item.data(), key);
      if (sortOrder_ != soAscending) c = c < 0 ? 1 : (c > 0 ? -1 : 0);
      if (c < 0) {
        lo = mid + 1;
      } else {
        hi = mid - 1;
        if (c == 0) {
          found = true;
          if (duplicates_ == dupIgnore) lo = mid;
        }
      }
    }
    index = lo;
    return found;
  } catch (...) {
    throw EListError(leSearchFailed);
  }
}

int TBaseContainer::AddItem(const void* item) {
  if (sortOrder_ == soUnsorted || count_ == 0)
    return InsertItem(sortOrder_ == soUnsorted ? count_ : 0, item);
  int pos = 0;
  if (!Search(item, pos)) return InsertItem(pos, item);
  if (duplicates_ == dupAccept) return InsertItem(pos, item);
  if (duplicates_ == dupIgnore) return count_;
  throw EListError(leDuplicate);
}

int TBaseContainer::InsertItem(int index, const void* item) {
  CheckIndex(index);
  if (index < 0 || index > count_) return -1;
  ItemCopy copy(item, itemSize_);
  if (count_ >= capacity_) Grow();
  std::memmove(Slot(index + 1), Slot(index), std::size_t(count_ - index) * itemSize_);
  std::memcpy(Slot(index), copy.data(), itemSize_);
  ++count_;
  return index;
}

bool TBaseContainer::GetItem(int index, void* buffer) const {
  CheckIndex(index);
  if (!InBlock(index) || buffer == nullptr) return false;
  std::memcpy(buffer, Slot(index), itemSize_);
  return true;
}

void TBaseContainer::PutItem(int index, const void* item) {
  if (index < 0) {
    CheckIndex(index);
    return;
  }
  ItemCopy copy(item, itemSize_);
  if (index >= capacity_) {
    if (!autoExpand_) throw EListError(leIndexBeyondCapacity, index);
    const long long wanted = std::max<long long>(static_cast<long long>(capacity_) + delta_,
                                                 static_cast<long long>(index) + 1);
    SetCapacity(static_cast<int>(std::min<long long>(wanted, std::numeric_limits<int>::max())));
  }
  // The count can never pass the capacity, or later moves would leave the block.
  if (IsEmptySlot(index) && count_ < capacity_) ++count_;
  std::memcpy(Slot(index), copy.data(), itemSize_);
}

void TBaseContainer::FillItem(int index, std::uint8_t value) {
  CheckIndex(index);
  if (InBlock(index)) std::memset(Slot(index), value, itemSize_);
}

bool TBaseContainer::IsEmptySlot(int index) const {
  return !InBlock(index) || AllZero(Slot(index), itemSize_);
}

void TBaseContainer::ResizeBlock(int capacity) {
  if (capacity == 0) {
    items_.reset();
    capacity_ = 0;
    return;
  }
  if (std::size_t(capacity) > std::numeric_limits<std::size_t>::max() / itemSize_) {
    throw EListError(leAllocFailed);
  }
  const std::size_t bytes = std::size_t(capacity) * itemSize_;
  std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[bytes]());
  if (!block) throw EListError(leAllocFailed);
  // Every slot that fits is kept, not only the counted ones: PutItem may fill slots past the count.
  const int keep = std::min(capacity, capacity_);
  if (keep > 0) std::memcpy(block.get(), items_.get(), std::size_t(keep) * itemSize_);
  items_ = std::move(block);
  capacity_ = capacity;
}

void TBaseContainer::SetCapacity(int capacity) {
  if (capacity < count_) throw EListError(leCapacityBelowCount);
  if (capacity == capacity_) return;
  ResizeBlock(capacity);
}

void TBaseContainer::Grow() {
  int step;
  if (delta_ > 0)
    step = delta_;
  else if (capacity_ > 8)
    step = 16;
  else if (capacity_ > 4)
    step = 8;
  else
    step = 4;
  if (capacity_ > std::numeric_limits<int>::max() - step) throw EListError(leAllocFailed);
  SetCapacity(capacity_ + step);
}

void TBaseContainer::SetSortOrder(std::uint8_t order) {
  const bool resort = order != sortOrder_ && order != soUnsorted && count_ > 1;
  sortOrder_ = order;
  if (resort) Sort();
}

void TBaseContainer::FreeItems() {
  // Every slot of the block, not only those below the count: PutItem can fill a slot past the
  // count, and ResetCount leaves the items in place. Past the count only occupied slots count.
  for (int i = 0; i < capacity_; ++i) {
    if (i >= count_ && IsEmptySlot(i)) continue;
    ItemCopy item(Slot(i), itemSize_);
    // Cleared first: the freed reference must not linger in a slot that looks occupied.
    std::memset(Slot(i), 0, itemSize_);
    FreeItem(item.data());
  }
  count_ = 0;
}

void TBaseContainer::SortInPlace(int lo, int hi) {
  if (lo < 0 || hi >= count_ || lo >= hi) return;
  try {
    const bool ascending = sortOrder_ == soAscending || sortOrder_ == soUnsorted;
    auto compare = [this](const void* a, const void* b) {
      return onCompare_ != nullptr ? onCompare_(a, b) : Compare(a, b);
    };
    while (lo < hi) {
      ItemCopy pivot(Slot(lo + (hi - lo) / 2), itemSize_);
      int i = lo;
      int j = hi;
      do {
        // The scans are bounded by the range, so an inconsistent compare function cannot walk
        // them out of the block.
        if (ascending) {
          while (i < hi && compare(Slot(i), pivot.data()) < 0) ++i;
          while (j > lo && compare(Slot(j), pivot.data()) > 0) --j;
        } else {
          while (i < hi && compare(Slot(i), pivot.data()) > 0) ++i;
          while (j > lo && compare(Slot(j), pivot.data()) < 0) --j;
        }
        if (i <= j) {
          if (i != j) {
            ItemCopy tmp(Slot(i), itemSize_);
            std::memcpy(Slot(i), Slot(j), itemSize_);
            std::memcpy(Slot(j), tmp.data(), itemSize_);
          }
          ++i;
          --j;
        }
      } while (i <= j);
      // Recurse into the smaller part and loop on the larger, so the stack stays shallow.
      if (j - lo < hi - i) {
        if (lo < j) SortInPlace(lo, j);
        lo = i;
      } else {
        if (i < hi) SortInPlace(i, hi);
        hi = j;
      }
    }
  } catch (...) {
    throw EListError(leSortFailed);
  }
}

// --- TObjectContainer ---

TObjectContainer::TObjectContainer() : TBaseContainer(sizeof(TObject*)) {}

TObjectContainer::~TObjectContainer() {
  // Here, not in the base destructor: there FreeItem would no longer free objects.
  Clear();
}

const TObject* TObjectContainer::SlotObject(const void* slot) {
  TObject* obj = nullptr;
  if (slot != nullptr) std::memcpy(&obj, slot, sizeof obj);
  return obj;
}

void TObjectContainer::FreeItem(const void* item) {
  if (!ownsObjects_) return;
  delete const_cast<TObject*>(SlotObject(item));
}

int TObjectContainer::Add(TObject* obj) { return AddItem(&obj); }

int TObjectContainer::Append(TObject* obj) { return InsertItem(Count(), &obj); }

int TObjectContainer::DeleteObject(int index) {
  if (ValidItemIndex(index) && !IsEmptySlot(index)) {
    TObject* obj = GetObject(index);
    Delete(index);
    FreeItem(&obj);
  }
  return Count();
}

int TObjectContainer::IndexOf(const TObject* obj) const {
  for (int i = 0; i < Count(); ++i) {
    if (SlotObject(Slot(i)) == obj) return i;
  }
  return -1;
}

int TObjectContainer::Insert(int index, TObject* obj) { return InsertItem(index, &obj); }

int TObjectContainer::InsertFirst(TObject* obj) { return Insert(0, obj); }

int TObjectContainer::Remove(TObject* obj) {
  const int index = IndexOf(obj);
  if (index >= 0) Delete(index);
  FreeItem(&obj);
  return index;
}

}  // namespace tickwell
