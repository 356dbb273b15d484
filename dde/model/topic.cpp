#include "dde/model/topic.h"

namespace tickwell {

void TDDEMLTopic::Assign(const TDDEMLTopic& source) {
  if (&source == this) return;
  RemoveItem("");
  for (int i = 0; i < source.ItemCount(); ++i) {
    const TDDEMLItem* from = source.Items(i);
    if (TDDEMLItem* copy = FindOrAddItem(from->ReadName())) copy->Assign(*from);
  }
}

void TDDEMLTopic::ReleaseHandles() {
  TDDEMLBase::ReleaseHandles();
  ByHandle_.Clear();
  for (int i = 0; i < Items_.Count(); ++i) Items_.Named(i)->ReleaseHandles();
}

void TDDEMLTopic::NameAgain(platform::DdeInstance instance) {
  TDDEMLBase::NameAgain(instance);
  ByHandle_.Clear();
  for (int i = 0; i < Items_.Count(); ++i) {
    TDDEMLItem* item = Items(i);
    item->NameAgain(instance);
    ByHandle_.Add(item->Handle(), item);
  }
  // A name DDEML would not take stays unheld, and its key no longer sorts with the others.
  Items_.Sort();
}

TDDEMLItem* TDDEMLTopic::AddItem(std::string_view name) {
  if (ItemExists(name)) return nullptr;
  auto* item = new TDDEMLItem;
  item->SetName(InstanceId(), name);
  item->OnChange = [this](TDDEMLItem& changed) { ItemChanged(changed); };
  Items_.AddNamed(item);
  ByHandle_.Add(item->Handle(), item);
  return item;
}

TDDEMLItem* TDDEMLTopic::FindItem(std::string_view name) const {
  const int at = Items_.FindKey(LookupKey(InstanceId(), name));
  return at < 0 ? nullptr : Items(at);
}

TDDEMLItem* TDDEMLTopic::FindOrAddItem(std::string_view name) {
  if (TDDEMLItem* found = FindItem(name)) return found;
  AddItem(name);
  return FindItem(name);
}

TDDEMLItem* TDDEMLTopic::Items(int index) const {
  if (index < 0 || index >= Items_.Count()) return nullptr;
  return static_cast<TDDEMLItem*>(Items_.Named(index));
}

std::string TDDEMLTopic::ItemNames(int index) const {
  const TDDEMLItem* item = Items(index);
  return item ? item->ReadName() : std::string();
}

std::string TDDEMLTopic::ItemText(std::string_view name) const {
  const TDDEMLItem* item = FindItem(name);
  return item ? item->Text() : std::string();
}

platform::HddeData TDDEMLTopic::ItemDataHandle(std::string_view name, unsigned format) {
  TDDEMLItem* item = FindItem(name);
  return item ? item->DataHandle(format, false) : 0;
}

bool TDDEMLTopic::TransactionType(std::string_view name, std::uint32_t transId,
                                  std::uint16_t& transType) const {
  const TDDEMLItem* item = FindItem(name);
  return item && item->TransactionType(transId, transType);
}

void TDDEMLTopic::ItemChanged(TDDEMLItem& item) {
  if (OnItemChanged) OnItemChanged(*this, item);
}

void TDDEMLTopic::DeleteItem(TDDEMLItem* item) {
  const int at = Items_.IndexOf(item);
  if (at < 0) return;
  ByHandle_.Remove(item->Handle(), item);
  Items_.DeleteObject(at);
}

bool TDDEMLTopic::RemoveItem(std::string_view name) {
  if (Items_.Count() == 0) return false;
  if (name.empty()) {
    ByHandle_.Clear();
    Items_.Clear();
    return false;
  }
  TDDEMLItem* item = FindItem(name);
  if (!item) return false;
  DeleteItem(item);
  return true;
}

void TDDEMLTopic::AddAdvise(std::string_view name, unsigned format) {
  if (TDDEMLItem* item = FindOrAddItem(name)) {
    item->AdviseFormat = static_cast<std::uint16_t>(format);
    item->AddAdviseLink();
  }
}

void TDDEMLTopic::SetItemData(std::string_view name, unsigned format, platform::HddeData data) {
  if (TDDEMLItem* item = FindOrAddItem(name)) item->SetData(format, data);
}

void TDDEMLTopic::SetItemText(std::string_view name, std::string_view text) {
  int place = -1;
  if (TDDEMLItem* item = FindOrAddItem(name, place)) item->SetText(text);
}

TDDEMLItem* TDDEMLTopic::FindOrAddItem(std::string_view name, int& place) {
  const std::string key = LookupKey(InstanceId(), name);
  place = Items_.FindKey(key, place);
  if (place < 0) {
    AddItem(name);
    place = Items_.FindKey(key);
  }
  return Items(place);
}

}  // namespace tickwell
