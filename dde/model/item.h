// A DDE item: a named value under a topic, with its server advise-link count, the mode in which
// its changes are announced, and the client transactions still pending on it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "dde/model/names.h"
#include "dde/model/rw_data.h"
#include "support/object_list.h"

namespace tickwell {

// A pending asynchronous client transaction.
class TDDEMLTransaction : public TObject {
 public:
  TDDEMLTransaction(std::uint32_t transId, std::uint16_t transType)
      : TransId(transId), TransType(transType) {}
  TDDEMLTransaction(const TDDEMLTransaction& source) = default;

  std::uint32_t TransId;
  std::uint16_t TransType;
};

// Link states: no link, a server advise link, and the client's warm and hot links.
constexpr std::uint8_t lsNone = 0;
constexpr std::uint8_t lsServer = 1;
constexpr std::uint8_t lsWarm = 2;
constexpr std::uint8_t lsHot = 3;

// Post modes: announce a change at once, not at all, or through the posting window.
constexpr std::uint8_t pmPostNow = 0;
constexpr std::uint8_t pmSuppress = 1;
constexpr std::uint8_t pmDefer = 2;

class TDDEMLItem : public TDDEMLBase {
 public:
  TDDEMLItem() = default;
  ~TDDEMLItem() override { Transactions.ClearAndFree(); }

  // Copies link state, post mode, the pending transactions and the value; not the name.
  void Assign(const TDDEMLItem& source);

  void AddAdviseLink();
  void RemoveAdviseLink();
  bool IsHotLink() const { return LinkState == lsHot; }
  bool HasClientLink() const { return LinkState == lsWarm || LinkState == lsHot; }
  bool CanPost() const { return PostMode != pmSuppress; }
  // Announces a change, when the item has a link and may post.
  void DataChanged();

  // Stores text; a change (unless the text equals the old one, ignoring ASCII case, while
  // comparing is on) is announced.
  void SetText(std::string_view text);
  // Whether the value equals text, ignoring ASCII case.
  bool TextEquals(std::string_view text) const;
  // Stores a received handle's content and announces it without comparing.
  void SetData(unsigned format, platform::HddeData data);
  void ClearData() { Data.ClearData(); }
  std::uint16_t DataFormat() const { return Data.GetFormat(); }
  std::uint32_t DataSize() const { return Data.GetDataSize(); }
  std::string Text() const { return Data.GetText(); }
  const char* TextPtr() const { return Data.GetTextPtr(); }
  bool HasText() const { return Data.HasText(); }
  bool OwnedHandle(platform::HddeData& handle) const { return Data.GetOwnedHandle(handle); }
  // A handle of the value in format (0 = its own) for this item; may raise ETarvoError for bad
  // table text.
  platform::HddeData DataHandle(unsigned format, bool owned);

  void AddTransaction(std::uint32_t transId, std::uint16_t transType);
  TDDEMLTransaction* FindTransaction(std::uint32_t transId) const;
  bool TransactionType(std::uint32_t transId, std::uint16_t& transType) const;
  void RemoveTransaction(std::uint32_t transId);
  void ClearTransactions() { Transactions.ClearAndFree(); }
  int TransactionCount() const { return Transactions.Count(); }
  std::uint32_t TransactionId(int index) const;

  // Asks the processor for the memory a published value reads and writes (the members up to
  // the value, below), so that the items of a line come in together rather than one by one.
  void PrefetchValue() const {
    const char* const begin = reinterpret_cast<const char*>(this);
    const char* const end = reinterpret_cast<const char*>(&OnChange);
    for (const char* p = begin; p < end; p += 64) __builtin_prefetch(p);
    __builtin_prefetch(end - 1);
  }

  // What a published value reads and writes comes first, together; the rest after it.
  std::uint8_t LinkState = lsNone;
  std::uint8_t PostMode = pmPostNow;
  std::uint16_t AdviseFormat = 0;
  std::int32_t AdviseCount = 0;
  TDDEMLRWData Data;
  std::function<void(TDDEMLItem& sender)> OnChange;
  std::int32_t UserHandle = 0;
  TDDEMLObjectList Transactions;
};

}  // namespace tickwell
