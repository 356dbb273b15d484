// Named objects by their string handle. DDEML hands transactions string handles, and equal names
// of one instance share one handle, so a handle finds its object without reading the name back.
// The owner keeps the index in step with its objects: every object with a handle is added when
// made and removed before it is freed or its handle is released. Objects of equal handles are
// found oldest first.
#pragma once

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/ddeml.h"

namespace tickwell {

template <typename T>
class THandleIndex {
 public:
  void Add(platform::Hsz handle, T* object) {
    if (handle == 0) return;
    entries_.insert(std::upper_bound(entries_.begin(), entries_.end(), handle, Below),
                    {handle, object});
  }
  void Remove(platform::Hsz handle, const T* object) {
    auto at = std::lower_bound(entries_.begin(), entries_.end(), handle, Above);
    for (; at != entries_.end() && at->first == handle; ++at) {
      if (at->second == object) {
        entries_.erase(at);
        return;
      }
    }
  }
  // The oldest object with the handle, or null.
  T* Find(platform::Hsz handle) const {
    if (handle == 0) return nullptr;
    const auto at = std::lower_bound(entries_.begin(), entries_.end(), handle, Above);
    return at != entries_.end() && at->first == handle ? at->second : nullptr;
  }
  void Clear() { entries_.clear(); }
  std::size_t Size() const { return entries_.size(); }

 private:
  using Entry = std::pair<platform::Hsz, T*>;
  static bool Below(platform::Hsz handle, const Entry& entry) { return handle < entry.first; }
  static bool Above(const Entry& entry, platform::Hsz handle) { return entry.first < handle; }

  std::vector<Entry> entries_;
};

}  // namespace tickwell
