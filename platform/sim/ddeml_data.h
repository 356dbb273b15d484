// The model's data objects: found by handle, and once freed kept (a few, with small buffers) to
// lend their buffers to the next ones, since every advise post makes and frees two. Inline: they
// run several times per post.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/sim/ddeml_state.h"

#if defined(__SANITIZE_ADDRESS__)
#define TICKWELL_SIM_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TICKWELL_SIM_ASAN 1
#endif
#endif

namespace platform::sim {

constexpr std::size_t kSpareData = 64;
constexpr std::size_t kSpareBufferMax = 4096;

// Under AddressSanitizer a kept buffer is poisoned until it is lent again, so that reading data
// through a freed handle's pointer is still caught.
#ifdef TICKWELL_SIM_ASAN
void PoisonBuffer(std::vector<std::uint8_t>& buffer, bool poisoned);
#else
inline void PoisonBuffer(std::vector<std::uint8_t>&, bool) {}
#endif

inline DataObject* FindData(HddeData data) { return Dde().data.Find(data); }

// An empty object to fill, with the buffer of a freed one where there is one.
inline DataPtr BlankData() {
  auto& spare = Dde().spare_data;
  if (spare.empty()) return std::make_unique<DataObject>();
  DataPtr object = std::move(spare.back());
  spare.pop_back();
  PoisonBuffer(object->bytes, false);
  return object;
}

// Keeps an object no longer behind a handle for BlankData; null is ignored.
inline void Recycle(DataPtr object) {
  auto& spare = Dde().spare_data;
  if (!object || spare.size() >= kSpareData) return;
  if (object->bytes.capacity() > kSpareBufferMax) object->bytes = {};
  object->bytes.clear();
  PoisonBuffer(object->bytes, true);
  spare.push_back(std::move(object));
}

// Gives the object a new handle.
inline HddeData NewData(DataPtr object) {
  DdeState& dde = Dde();
  const HddeData handle = dde.next_data;
  dde.next_data += 0x10;
  object->bytes.reserve(1);  // an empty object still has an address to hand out
  dde.data.Insert(handle, object.release());
  return handle;
}

// A new handle for a copy of size bytes (zeros when bytes is null).
inline HddeData NewData(DdeInstance owner, const std::uint8_t* bytes, std::size_t size, Hsz item,
                        unsigned format, bool app_owned) {
  DataPtr object = BlankData();
  if (bytes) {
    object->bytes.assign(bytes, bytes + size);
  } else {
    object->bytes.assign(size, 0);
  }
  object->owner = owner;
  object->item = item;
  object->format = format;
  object->app_owned = app_owned;
  return NewData(std::move(object));
}

inline void FreeData(HddeData data) {
  DataPtr object(FindData(data));
  if (!object) return;
  Dde().data.Erase(data);
  Recycle(std::move(object));
}

// Takes a callback's answer: the object itself, its handle released, or a copy when the
// application owns it. Null when there is no such handle.
inline DataPtr TakeAnswer(HddeData answer) {
  DataObject* found = FindData(answer);
  if (!found) return nullptr;
  if (found->app_owned) {
    DataPtr copy = BlankData();
    *copy = *found;
    return copy;
  }
  Dde().data.Erase(answer);
  return DataPtr(found);
}

}  // namespace platform::sim
