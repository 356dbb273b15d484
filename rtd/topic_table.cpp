#include "rtd/topic_table.h"

#include <algorithm>
#include <cctype>

namespace rtd {

namespace {
std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}
}  // namespace

LinkKey KeyOf(const std::string& symbol, Field field, const std::string& terminal) {
  return LinkKey{Upper(symbol), field, Upper(terminal)};
}

bool TopicTable::Add(long topic, const LinkKey& key) {
  Remove(topic);
  auto [it, added] = links_.try_emplace(key);
  it->second.topics.push_back(topic);
  topics_[topic] = Topic{key, false};
  return added;
}

bool TopicTable::Remove(long topic, LinkKey* dropped_key) {
  auto found = topics_.find(topic);
  if (found == topics_.end()) return false;
  const LinkKey key = found->second.key;
  if (found->second.changed) std::erase(changed_, topic);
  topics_.erase(found);
  auto link = links_.find(key);
  std::erase(link->second.topics, topic);
  if (!link->second.topics.empty()) return false;
  links_.erase(link);
  if (dropped_key) *dropped_key = key;
  return true;
}

bool TopicTable::MarkLink(Link& link) {
  bool marked = false;
  for (long id : link.topics) {
    Topic& topic = topics_.at(id);
    if (topic.changed) continue;
    topic.changed = true;
    changed_.push_back(id);
    marked = true;
  }
  return marked;
}

bool TopicTable::Set(const LinkKey& key, const CellValue& value) {
  auto link = links_.find(key);
  if (link == links_.end() || link->second.value == value) return false;
  link->second.value = value;
  return MarkLink(link->second);
}

void TopicTable::Settle(long topic) {
  auto found = topics_.find(topic);
  if (found == topics_.end() || !found->second.changed) return;
  found->second.changed = false;
  std::erase(changed_, topic);
}

CellValue TopicTable::Value(const LinkKey& key) const {
  auto link = links_.find(key);
  return link == links_.end() ? CellValue::NotAvailable() : link->second.value;
}

std::vector<std::pair<long, CellValue>> TopicTable::TakeChanges() {
  std::vector<std::pair<long, CellValue>> out;
  out.reserve(changed_.size());
  for (long id : changed_) {
    Topic& topic = topics_.at(id);
    topic.changed = false;
    out.emplace_back(id, links_.at(topic.key).value);
  }
  changed_.clear();
  return out;
}

std::vector<LinkKey> TopicTable::LinkKeys() const {
  std::vector<LinkKey> keys;
  keys.reserve(links_.size());
  for (const auto& entry : links_) keys.push_back(entry.first);
  return keys;
}

}  // namespace rtd
