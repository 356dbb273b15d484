#include "rtd/quote_server.h"

#include "interapp/terminal_label.h"

namespace rtd {
namespace {
class Busy {
 public:
  explicit Busy(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
  ~Busy() { flag_ = was_; }
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;

 private:
  bool& flag_;
  bool was_;
};
}  // namespace

QuoteServer::QuoteServer(std::function<void()> notify, std::string service, QuoteLinks::Clock clock)
    : notify_(std::move(notify)),
      clock_(clock ? std::move(clock) : QuoteLinks::Clock(&std::chrono::steady_clock::now)) {
  links_[{}] = MakeLinks({}, std::move(service));
}

std::unique_ptr<QuoteLinks> QuoteServer::MakeLinks(const std::string& key, std::string service) {
  return std::make_unique<QuoteLinks>(
      std::move(service),
      QuoteLinks::Events{
          [this, key](const std::string& symbol, const std::string& item, const std::string& text) {
            if (auto field = ParseField(item)) {
              table_.Set(KeyOf(symbol, *field, key), ValueOf(*field, text));
              Changed();
            }
          },
          [this, key](const std::string& symbol, const std::string& item, LinkState state) {
            if (auto field = ParseField(item)) {
              table_.Set(KeyOf(symbol, *field, key), state == LinkState::NoQuote
                                                         ? CellValue::NotAvailable()
                                                         : NotRunningValue());
              Changed();
            }
          }},
      clock_);
}

bool QuoteServer::Start(std::string& error) { return links_.at({})->Start(error); }

QuoteLinks& QuoteServer::LinksFor(const std::string& key, const std::string& label) {
  std::unique_ptr<QuoteLinks>& links = links_[key];
  if (!links) {
    links = MakeLinks(key, tickwell::Mt5ServiceOf(label));
    // The default's instance started, so this one does too; if not, its first retry begins it.
    std::string error;
    links->Start(error);
  }
  return *links;
}

const QuoteLinks* QuoteServer::LinksOf(const std::string& terminal) const {
  auto found = links_.find(KeyOf({}, Field::Bid, terminal).terminal);
  return found == links_.end() ? nullptr : found->second.get();
}

CellValue QuoteServer::Connect(long topic, const std::vector<std::string>& arguments) {
  // An id Excel reuses starts afresh.
  Disconnect(topic);
  TopicRequest request = ParseTopic(arguments);
  // Excel keeps the value it is given here; such a topic never changes, so it is not kept.
  if (!request.valid) return request.error;
  const LinkKey key = KeyOf(request.symbol, request.field, request.terminal);
  // A link made now answers with its first value at once: that value is this call's result,
  // not a change for Excel to fetch.
  Busy busy(busy_);
  connecting_ = true;
  if (table_.Add(topic, key))
    LinksFor(key.terminal, request.terminal).Want(request.symbol, ItemName(request.field));
  table_.Settle(topic);
  connecting_ = false;
  Changed();
  return table_.Value(key);
}

std::vector<std::pair<long, CellValue>> QuoteServer::Refresh() {
  notified_ = false;
  return table_.TakeChanges();
}

void QuoteServer::Disconnect(long topic) {
  Busy busy(busy_);
  LinkKey dropped;
  if (table_.Remove(topic, &dropped))
    links_.at(dropped.terminal)->Drop(dropped.symbol, ItemName(dropped.field));
}

bool QuoteServer::Retry() {
  if (busy_) return !passing_.empty();
  Busy busy(busy_);
  // A terminal no cell uses any more ends its client here, outside any of its transactions.
  std::erase_if(links_, [&](const auto& entry) {
    const bool idle = !entry.first.empty() && entry.second->Idle();
    if (idle) passing_.erase(entry.first);
    return idle;
  });
  // A slice goes on with the unfinished passes only; the timer's call begins one for every
  // terminal. The terminals share the slice's time, and one the time did not reach waits for the
  // next slice.
  std::vector<std::string> keys;
  if (passing_.empty()) {
    for (const auto& entry : links_) keys.push_back(entry.first);
  } else {
    keys.assign(passing_.begin(), passing_.end());
  }
  const auto deadline = clock_() + QuoteLinks::kRetrySlice;
  for (const std::string& key : keys) {
    const auto now = clock_();
    if (key != keys.front() && now >= deadline) {
      passing_.insert(key);
      continue;
    }
    if (links_.at(key)->Retry(deadline - now))
      passing_.insert(key);
    else
      passing_.erase(key);
  }
  return !passing_.empty();
}

void QuoteServer::Changed() {
  if (connecting_ || notified_ || !table_.HasChanges()) return;
  notified_ = true;
  if (notify_) notify_();
}

}  // namespace rtd
