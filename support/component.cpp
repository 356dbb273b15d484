#include "support/component.h"

#include <algorithm>

namespace tickwell {
namespace {

bool SameAscii(std::string_view a, std::string_view b) {
  const auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return fold(x) == fold(y); });
}

}  // namespace

TComponent::~TComponent() {
  // Last made, first freed; each leaves the list before it goes.
  while (!components_.empty()) {
    TComponent* last = components_.back();
    components_.pop_back();
    last->owner_ = nullptr;
    for (TComponent* other : components_) other->Notification(*last, opRemove);
    delete last;
  }
}

void TComponent::InsertComponent(std::unique_ptr<TComponent> component) {
  TComponent* added = component.get();
  components_.push_back(component.release());
  added->owner_ = this;
  try {
    Notification(*added, opInsert);
  } catch (...) {
    components_.pop_back();
    added->owner_ = nullptr;
    added->InsertRefused();
    delete added;
    throw;
  }
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameAscii(c->Name(), name)) return c;
  return nullptr;
}

void TComponent::Notification(TComponent& component, TOperation operation) {
  // A copy: a component may not leave while being told, but the list must not move under us.
  const std::vector<TComponent*> owned = components_;
  for (TComponent* c : owned) c->Notification(component, operation);
}

}  // namespace tickwell
