// Live objects by handle, for the lookups the model makes on nearly every call. The model hands
// out handles in sequence (in steps of 1 << Shift), so a handle's own low bits spread the live
// ones over the table without hashing; open addressing with linear probing, and removal shifts
// the entries after it back, so no tombstones pile up over a long run. The index holds pointers
// only: the objects live in the model's ordered tables, whose nodes never move, or (data objects)
// are owned through the index by the model's state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::sim {

template <typename T, unsigned Shift = 0>
class HandleIndex {
 public:
  T* Find(std::uintptr_t handle) const {
    if (handle == 0 || count_ == 0) return nullptr;
    for (std::size_t at = Home(handle);; at = (at + 1) & mask_) {
      const Slot& slot = slots_[at];
      if (slot.handle == handle) return slot.object;
      if (slot.handle == 0) return nullptr;
    }
  }

  // The handle must not be in the index yet; handle 0 stands for an empty slot and is refused.
  void Insert(std::uintptr_t handle, T* object) {
    if (handle == 0) return;
    if (2 * (count_ + 1) > slots_.size()) Grow();
    Place(handle, object);
    ++count_;
  }

  void Erase(std::uintptr_t handle) {
    if (handle == 0 || count_ == 0) return;
    std::size_t hole = Home(handle);
    while (slots_[hole].handle != handle) {
      if (slots_[hole].handle == 0) return;
      hole = (hole + 1) & mask_;
    }
    // Moves back each following entry whose home is not between the hole and itself, so that
    // every entry stays reachable from its home without crossing an empty slot.
    for (std::size_t next = (hole + 1) & mask_; slots_[next].handle != 0;
         next = (next + 1) & mask_) {
      const std::size_t home = Home(slots_[next].handle);
      const bool stays =
          hole <= next ? (hole < home && home <= next) : (hole < home || home <= next);
      if (stays) continue;
      slots_[hole] = slots_[next];
      hole = next;
    }
    slots_[hole] = Slot{};
    --count_;
  }

  std::size_t size() const { return count_; }

  // Calls f(handle, object) for each entry, in no particular order; f must not change the index.
  template <typename F>
  void ForEach(F&& f) const {
    for (const Slot& slot : slots_)
      if (slot.handle != 0) f(slot.handle, slot.object);
  }

 private:
  struct Slot {
    std::uintptr_t handle = 0;
    T* object = nullptr;
  };

  std::size_t Home(std::uintptr_t handle) const { return (handle >> Shift) & mask_; }

  void Place(std::uintptr_t handle, T* object) {
    std::size_t at = Home(handle);
    while (slots_[at].handle != 0) at = (at + 1) & mask_;
    slots_[at] = Slot{handle, object};
  }

  void Grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? 16 : 2 * old.size(), Slot{});
    mask_ = slots_.size() - 1;
    for (const Slot& slot : old)
      if (slot.handle != 0) Place(slot.handle, slot.object);
  }

  std::vector<Slot> slots_;
  std::size_t mask_ = 0;
  std::size_t count_ = 0;
};

}  // namespace platform::sim
