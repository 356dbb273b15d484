// Growable arrays of fixed-size items with optional sorting, a duplicate policy, binary search and
// index checks (TBaseContainer), and its specialisation for object references that it may own
// (TObjectContainer). Items are stored by value in one zero-filled block; a slot whose bytes are
// all zero counts as empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "support/list_error.h"
#include "support/object.h"

namespace tickwell {

// Sort orders.
constexpr std::uint8_t soUnsorted = 0;
constexpr std::uint8_t soAscending = 1;
constexpr std::uint8_t soDescending = 2;

// What a sorted add does with a key that is already present (any value above 1 raises).
constexpr std::uint8_t dupIgnore = 0;
constexpr std::uint8_t dupAccept = 1;
constexpr std::uint8_t dupError = 2;

// Compares the items behind two slot pointers: below zero, zero or above zero.
using TCompareFunc = int (*)(const void* item1, const void* item2);

class TBaseContainer : public TObject {
 public:
  explicit TBaseContainer(std::uint16_t itemSize);
  ~TBaseContainer() override;
  TBaseContainer(const TBaseContainer&) = delete;
  TBaseContainer& operator=(const TBaseContainer&) = delete;

  // Overridable behaviour.
  virtual int Compare(const void* item1, const void* item2);
  virtual void FreeItem(const void* item);
  virtual void Sort();
  virtual void Clear();
  virtual void Delete(int index);
  virtual void ResetCount();
  virtual void Exchange(int index1, int index2);
  virtual void InsertBlanks(int index, int count);
  virtual void MoveItem(int curIndex, int newIndex);
  virtual void Pack();
  virtual bool Search(const void* key, int& index);

  // Item access; every item pointer points at ItemSize() bytes.
  int AddItem(const void* item);
  int InsertItem(int index, const void* item);
  bool GetItem(int index, void* buffer) const;
  void PutItem(int index, const void* item);
  void FillItem(int index, std::uint8_t value);
  bool IsEmptySlot(int index) const;

  void SetCapacity(int capacity);
  void Grow();
  void SetSortOrder(std::uint8_t order);
  // Raises EListError 1 or 2 when index checking is on and the index is out of range; otherwise
  // true. An index equal to Count() passes: it is the insertion point at the end.
  bool CheckIndex(int index) const;
  // Passes every item to FreeItem (the items below the count and any occupied slot beyond it),
  // empties the slots and sets the count to 0; the block stays.
  void FreeItems();
  void SortInPlace(int lo, int hi);

  int Count() const { return count_; }
  int Capacity() const { return capacity_; }
  int Delta() const { return delta_; }
  void SetDelta(int delta) { delta_ = delta; }
  bool AutoExpand() const { return autoExpand_; }
  void SetAutoExpand(bool on) { autoExpand_ = on; }
  std::uint8_t SortOrder() const { return sortOrder_; }
  std::uint8_t Duplicates() const { return duplicates_; }
  void SetDuplicates(std::uint8_t policy) { duplicates_ = policy; }
  std::uint16_t ItemSize() const { return itemSize_; }
  TCompareFunc OnCompare() const { return onCompare_; }
  void SetOnCompare(TCompareFunc compare) { onCompare_ = compare; }
  bool CheckIndex() const { return checkIndex_; }
  void SetCheckIndex(bool on) { checkIndex_ = on; }
  // The block itself; null while the capacity is 0.
  const void* Items() const { return items_.get(); }

 protected:
  unsigned char* Slot(int index) const { return items_.get() + std::size_t(index) * itemSize_; }
  // True when index names a slot of the block (the only slots ever read or written).
  bool InBlock(int index) const { return index >= 0 && index < capacity_; }
  // CheckIndex, then whether the index names an item (0 .. Count()-1).
  bool ValidItemIndex(int index) const;

 private:
  void EnsureRoomFor(int extra);
  void ResizeBlock(int capacity);

  std::unique_ptr<unsigned char[]> items_;
  int count_ = 0;
  int capacity_ = 0;
  int delta_ = 0;
  bool autoExpand_ = true;
  std::uint8_t sortOrder_ = soUnsorted;
  std::uint8_t duplicates_ = dupIgnore;
  std::uint16_t itemSize_;
  TCompareFunc onCompare_ = nullptr;
  bool checkIndex_ = false;
};

// A container of object references, by default owning them: an owned object is freed when its
// item is freed (FreeItem), which Clear and destruction do for every item.
class TObjectContainer : public TBaseContainer {
 public:
  TObjectContainer();
  ~TObjectContainer() override;

  void FreeItem(const void* item) override;

  // Sorted insert (or append when unsorted); see AddItem.
  virtual int Add(TObject* obj);
  // Inserts at the end regardless of the sort order.
  virtual int Append(TObject* obj);
  // Removes the item and frees its object; returns the new count.
  virtual int DeleteObject(int index);
  virtual int IndexOf(const TObject* obj) const;
  virtual int Insert(int index, TObject* obj);
  virtual int InsertFirst(TObject* obj);
  // Removes obj's item when present, and frees obj in any case; returns the index found or -1.
  virtual int Remove(TObject* obj);

  // The reference in slot index; null for an empty or out-of-range slot. Every sorted lookup
  // reads through here, so it stays inline and copies a pointer's width, never ItemSize().
  TObject* GetObject(int index) const {
    if (CheckIndex()) CheckIndex(index);
    if (!InBlock(index)) return nullptr;
    TObject* obj;
    std::memcpy(&obj, Slot(index), sizeof obj);
    return obj;
  }
  template <typename T>
  T* ObjectAs(int index) const {
    return static_cast<T*>(GetObject(index));
  }

  bool OwnsObjects() const { return ownsObjects_; }
  void SetOwnsObjects(bool owns) { ownsObjects_ = owns; }

  // The object behind a slot pointer, as handed to a compare function.
  static const TObject* SlotObject(const void* slot);

 private:
  bool ownsObjects_ = true;
};

class TNamedListContainer : public TObjectContainer {};

}  // namespace tickwell
