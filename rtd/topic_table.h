// The topics Excel has connected, the links they share (one per terminal, symbol and field,
// whatever the case the cells spell them in), each link's latest value, and which topics changed
// since Excel last took the changes.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "rtd/cell_value.h"
#include "rtd/quote_fields.h"

namespace rtd {

struct LinkKey {
  std::string symbol;  // upper case: DDE topic names are compared without regard to case
  Field field = Field::Bid;
  std::string terminal;  // upper case like the service name it is part of; empty: the default
  auto operator<=>(const LinkKey&) const = default;
};

LinkKey KeyOf(const std::string& symbol, Field field, const std::string& terminal = {});

class TopicTable {
 public:
  // Adds (or, for an id in use, replaces) a topic on a link; true when the link is new, that
  // is, no other topic used it. The topic starts unchanged: Excel takes its first value from
  // Value() through ConnectData.
  bool Add(long topic, const LinkKey& key);
  // Drops a topic; true when it was the last one on its link (the link is then dropped too and
  // dropped_key says which). An unknown id changes nothing.
  bool Remove(long topic, LinkKey* dropped_key = nullptr);

  // A link's new value; the topics on it are marked changed when the value differs. Returns
  // whether any topic was newly marked. Unknown links are ignored.
  bool Set(const LinkKey& key, const CellValue& value);

  // Unmarks one topic: Excel has just been given its value.
  void Settle(long topic);

  CellValue Value(const LinkKey& key) const;
  bool HasChanges() const { return !changed_.empty(); }
  // The changed topics with their latest values, each once, in the order they first changed;
  // they are then unchanged.
  std::vector<std::pair<long, CellValue>> TakeChanges();

  std::size_t Topics() const { return topics_.size(); }
  std::size_t Links() const { return links_.size(); }
  std::vector<LinkKey> LinkKeys() const;

 private:
  struct Link {
    CellValue value;
    std::vector<long> topics;
  };
  struct Topic {
    LinkKey key;
    bool changed = false;
  };
  bool MarkLink(Link& link);

  std::map<LinkKey, Link> links_;
  std::unordered_map<long, Topic> topics_;
  std::vector<long> changed_;
};

}  // namespace rtd
