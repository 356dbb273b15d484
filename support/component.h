// Components with an owner: the owner frees what it owns, tells every owned component when
// another joins, and marks them loading while their stored properties are read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/object.h"

namespace tickwell {

enum TOperation { opInsert, opRemove };

// Component states.
constexpr unsigned csLoading = 0x1;
constexpr unsigned csDesigning = 0x2;

class TComponent : public TObject {
 public:
  TComponent() = default;
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  // Takes ownership of component and tells every owned component (the new one included) of the
  // insertion. When one of them raises, the component is not kept: it is freed and the
  // exception passes on.
  void InsertComponent(std::unique_ptr<TComponent> component);
  // Makes a T, then inserts it; the new component, or the insertion's exception.
  template <typename T, typename... Args>
  T* CreateComponent(Args&&... args) {
    auto made = std::make_unique<T>(std::forward<Args>(args)...);
    T* raw = made.get();
    InsertComponent(std::move(made));
    return raw;
  }

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const { return components_.at(index); }
  // The owned component of that name (ASCII case ignored), or null.
  TComponent* FindComponent(std::string_view name) const;

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  // Told of components joining (opInsert) or leaving (opRemove) the owner; the base forwards
  // an owner's notification to everything it owns.
  virtual void Notification(TComponent& component, TOperation operation);
  // Called once the stored properties were read; clears csLoading.
  virtual void Loaded() { ComponentState &= ~csLoading; }
  // The owner would not keep this component; it is freed right after.
  virtual void InsertRefused() {}

  bool Loading() const { return (ComponentState & csLoading) != 0; }
  bool Designing() const { return (ComponentState & csDesigning) != 0; }

  std::intptr_t Tag = 0;
  unsigned ComponentState = 0;

 private:
  TComponent* owner_ = nullptr;
  std::string name_;
  std::vector<TComponent*> components_;  // owned
};

}  // namespace tickwell
