#include "dde/netdde/share_item.h"

#include "support/zstring.h"

namespace tickwell {

void TNetDDEShareItem::Assign(const TNetDDEShareItem& source) {
  ShareItem = source.ShareItem;
  Permissions = source.Permissions;
}

bool TNetDDEShareItem::SameAs(const TNetDDEShareItem& other) const {
  return SameTextAscii(ShareItem, other.ShareItem) && Permissions == other.Permissions;
}

TNetDDEShareItem* TNetDDEExtraItemsList::Append(std::string item, std::int32_t permissions) {
  auto* added = new TNetDDEShareItem(std::move(item), permissions);
  Add(added);
  return added;
}

TNetDDEShareItem* TNetDDEExtraItemsList::Find(std::string_view item) const {
  for (int i = 0; i < Count(); ++i) {
    if (SameTextAscii(Items(i)->ShareItem, item)) return Items(i);
  }
  return nullptr;
}

void TNetDDEExtraItemsList::Assign(const TNetDDEExtraItemsList& source) {
  if (&source == this) return;
  ClearAndFree();
  for (int i = 0; i < source.Count(); ++i) {
    Append(source.Items(i)->ShareItem, source.Items(i)->Permissions);
  }
}

}  // namespace tickwell
