// A DDE topic: its items, sorted by name without regard to ASCII case, and the hook through
// which a changed item is announced to the service.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "dde/model/handle_index.h"
#include "dde/model/item.h"
#include "dde/model/name_container.h"
#include "dde/model/names.h"

namespace tickwell {

class TDDEMLTopic : public TDDEMLBase {
 public:
  TDDEMLTopic() = default;

  // Replaces the items by copies of the source's, named in this topic's instance.
  void Assign(const TDDEMLTopic& source);
  // The topic's handle and its items' go with the instance; their names are kept.
  void ReleaseHandles() override;
  void NameAgain(platform::DdeInstance instance) override;

  // Null when an item of that name exists.
  TDDEMLItem* AddItem(std::string_view name);
  TDDEMLItem* FindItem(std::string_view name) const;
  // The item whose name has this string handle of the topic's instance, or null.
  TDDEMLItem* FindItemByHandle(platform::Hsz handle) const { return ByHandle_.Find(handle); }
  TDDEMLItem* FindOrAddItem(std::string_view name);
  bool ItemExists(std::string_view name) const { return FindItem(name) != nullptr; }
  int ItemCount() const { return Items_.Count(); }
  TDDEMLItem* Items(int index) const;
  std::string ItemNames(int index) const;
  std::string ItemText(std::string_view name) const;
  // An unowned handle of the item's value (format 0 = the item's own); 0 for a missing item.
  platform::HddeData ItemDataHandle(std::string_view name, unsigned format);
  bool TransactionType(std::string_view name, std::uint32_t transId,
                       std::uint16_t& transType) const;
  void ItemChanged(TDDEMLItem& item);
  void DeleteItem(TDDEMLItem* item);
  // The empty name removes every item and answers false.
  bool RemoveItem(std::string_view name);
  void AddAdvise(std::string_view name, unsigned format);
  void SetItemData(std::string_view name, unsigned format, platform::HddeData data);
  void SetItemText(std::string_view name, std::string_view text);
  // The item of that name, made when there is none, looked for first at its place in another
  // topic (-1 for none); place is then where the item is in this one.
  TDDEMLItem* FindOrAddItem(std::string_view name, int& place);

  // The changed item itself, so the listener need not look it up again by name.
  std::function<void(TDDEMLTopic& sender, TDDEMLItem& item)> OnItemChanged;

 private:
  TNameContainer Items_;
  THandleIndex<TDDEMLItem> ByHandle_;
};

}  // namespace tickwell
