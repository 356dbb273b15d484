// One item a network DDE share offers with its own permission mask, and the owning list of them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "support/object_list.h"

namespace tickwell {

class TNetDDEShareItem : public TObject {
 public:
  TNetDDEShareItem() = default;
  TNetDDEShareItem(std::string item, std::int32_t permissions)
      : ShareItem(std::move(item)), Permissions(permissions) {}

  void Assign(const TNetDDEShareItem& source);
  // Same item name without regard to ASCII case, and the same mask.
  bool SameAs(const TNetDDEShareItem& other) const;

  std::string ShareItem;
  std::int32_t Permissions = 0;
};

class TNetDDEExtraItemsList : public TDDEMLObjectList {
 public:
  TNetDDEShareItem* Items(int index) const { return ItemAs<TNetDDEShareItem>(index); }
  TNetDDEShareItem* Append(std::string item, std::int32_t permissions);
  // The first item named so without regard to ASCII case; null when none.
  TNetDDEShareItem* Find(std::string_view item) const;
  // Frees its own items and appends a copy of each of source's.
  void Assign(const TNetDDEExtraItemsList& source);
};

}  // namespace tickwell
