#include "dde/model/item.h"

#include "platform/clipboard_format.h"

namespace tickwell {

void TDDEMLItem::Assign(const TDDEMLItem& source) {
  if (&source == this) return;
  LinkState = source.LinkState;
  PostMode = source.PostMode;
  ClearTransactions();
  for (int i = 0; i < source.Transactions.Count(); ++i)
    Transactions.Add(new TDDEMLTransaction(*source.Transactions.ItemAs<TDDEMLTransaction>(i)));
  Data.AssignContent(source.Data);
}

void TDDEMLItem::AddAdviseLink() {
  ++AdviseCount;
  LinkState = lsServer;
}

void TDDEMLItem::RemoveAdviseLink() {
  if (LinkState != lsServer || AdviseCount <= 0) return;
  if (--AdviseCount == 0) LinkState = lsNone;
}

void TDDEMLItem::DataChanged() {
  if (LinkState != lsNone && CanPost() && OnChange) OnChange(*this);
}

void TDDEMLItem::SetText(std::string_view text) {
  // Compared only where a change would be announced: an item nobody links just keeps the text.
  const bool changed =
      LinkState != lsNone && CanPost() && (DataCompareDisabled || !TextEquals(text));
  Data.SetText(text);
  if (changed) DataChanged();
}

void TDDEMLItem::SetData(unsigned format, platform::HddeData data) {
  Data.SetFromHandle(format, data);
  DataChanged();
}

bool TDDEMLItem::TextEquals(std::string_view text) const {
  // A text value is read in place (its size is the data size); any other from a copy.
  if (Data.GetFormat() == platform::kCfText) {
    const char* kept = Data.GetTextPtr();
    return SameName(kept ? std::string_view(kept, Data.GetDataSize()) : std::string_view(), text);
  }
  return SameName(Data.GetText(), text);
}

platform::HddeData TDDEMLItem::DataHandle(unsigned format, bool owned) {
  return Data.CreateDataHandle(InstanceId(), Handle(), format, owned);
}

void TDDEMLItem::AddTransaction(std::uint32_t transId, std::uint16_t transType) {
  if (TDDEMLTransaction* found = FindTransaction(transId))
    found->TransType = transType;
  else
    Transactions.Add(new TDDEMLTransaction(transId, transType));
}

TDDEMLTransaction* TDDEMLItem::FindTransaction(std::uint32_t transId) const {
  for (int i = 0; i < Transactions.Count(); ++i) {
    auto* t = Transactions.ItemAs<TDDEMLTransaction>(i);
    if (t->TransId == transId) return t;
  }
  return nullptr;
}

bool TDDEMLItem::TransactionType(std::uint32_t transId, std::uint16_t& transType) const {
  const TDDEMLTransaction* found = FindTransaction(transId);
  if (found) transType = found->TransType;
  return found != nullptr;
}

void TDDEMLItem::RemoveTransaction(std::uint32_t transId) {
  if (TDDEMLTransaction* found = FindTransaction(transId)) Transactions.RemoveAndFree(found);
}

std::uint32_t TDDEMLItem::TransactionId(int index) const {
  if (index < 0 || index >= Transactions.Count()) return 0;
  return Transactions.ItemAs<TDDEMLTransaction>(index)->TransId;
}

}  // namespace tickwell
