#include "rtd/quote_links.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/clipboard_format.h"
#include "rtd/partner_window.h"
#include "rtd/topic_table.h"

namespace rtd {

using namespace platform;

namespace {
// Bound of each transaction: a Tickwell that does not answer holds Excel no longer.
constexpr std::uint32_t kTransactionMs = 2000;

std::string Upper(const std::string& text) { return KeyOf(text, Field::Bid).symbol; }

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

QuoteLinks::QuoteLinks(std::string service, Events events, Clock clock)
    : service_(std::move(service)),
      events_(std::move(events)),
      clock_(clock ? std::move(clock) : Clock(&std::chrono::steady_clock::now)) {}

QuoteLinks::~QuoteLinks() {
  if (instance_ == 0) return;
  for (auto& [key, symbol] : symbols_)
    if (symbol.conv) DdeDisconnect(symbol.conv);
  DdeUninitialize(instance_);
}

bool QuoteLinks::Start(std::string& error) {
  const unsigned code = Initialize();
  if (code == kDmlErrNoError) return true;
  error = "DDE is unavailable (error " + std::to_string(code) + ")";
  return false;
}

void QuoteLinks::Renew() {
  stale_ = false;
  for (auto& entry : symbols_) {
    if (entry.second.conv) DdeDisconnect(entry.second.conv);
    entry.second.conv = 0;
    for (auto& link : entry.second.items) link.second = false;
  }
  if (instance_) DdeUninitialize(instance_);
  instance_ = 0;
  Initialize();
}

unsigned QuoteLinks::Initialize() {
  unsigned code = DdeInitialize(
      instance_,
      [this](unsigned type, unsigned, Hconv conv, Hsz, Hsz item, HddeData data, std::uintptr_t,
             std::uintptr_t) { return OnCallback(type, conv, item, data); },
      kAppCmdClientOnly);
  if (code != kDmlErrNoError) instance_ = 0;
  return code;
}

void QuoteLinks::Want(const std::string& name, const std::string& item) {
  Busy busy(busy_);
  Symbol& symbol = symbols_[Upper(name)];
  if (symbol.name.empty()) symbol.name = name;
  if (symbol.items.count(item)) return;
  symbol.items[item] = false;
  // With Tickwell known to be away, each new cell would broadcast a connect in vain: the timer
  // tries again for all of them.
  if (answered_)
    Link(symbol);
  else
    events_.state(symbol.name, item, LinkState::NotRunning);
}

void QuoteLinks::Drop(const std::string& name, const std::string& item) {
  Busy busy(busy_);
  auto found = symbols_.find(Upper(name));
  if (found == symbols_.end()) return;
  Symbol& symbol = found->second;
  auto link = symbol.items.find(item);
  if (link == symbol.items.end()) return;
  if (link->second && symbol.conv) {
    Hsz hsz = DdeCreateStringHandle(instance_, item);
    DdeClientTransaction(nullptr, 0, symbol.conv, hsz, kCfText, kXtypAdvStop, kTransactionMs,
                         nullptr);
    DdeFreeStringHandle(instance_, hsz);
  }
  symbol.items.erase(link);
  if (!symbol.items.empty()) return;
  if (symbol.conv) DdeDisconnect(symbol.conv);
  symbols_.erase(found);
}

bool QuoteLinks::Retry(std::chrono::steady_clock::duration budget) {
  if (busy_) return passing_;
  Busy busy(busy_);
  const auto deadline = clock_() + budget;
  // A pass begins with the checks; a conversation that ended since the last slice begins one
  // afresh, since every link is then made again.
  if (!passing_ || stale_ || instance_ == 0) {
    if (!StartPass()) return false;
  }
  bool first = true;
  auto at = symbols_.lower_bound(next_symbol_);
  if (at == symbols_.end() || at->first != next_symbol_) next_item_.clear();
  while (at != symbols_.end()) {
    const std::string key = at->first;
    Symbol& symbol = at->second;
    const bool missing = std::any_of(symbol.items.begin(), symbol.items.end(),
                                     [](const auto& link) { return !link.second; });
    if (missing) {
      if (!first && clock_() >= deadline) {
        next_symbol_ = key;
        next_item_.clear();
        return true;
      }
      first = false;
      const std::string stopped = Link(symbol, next_item_, deadline);
      // Tickwell is away: the other symbols would only broadcast in vain too.
      if (!answered_) break;
      if (!stopped.empty()) {
        next_symbol_ = key;
        next_item_ = stopped;
        return true;
      }
    }
    next_item_.clear();
    // The symbol may have gone with a cell dropped meanwhile: go on from its key.
    at = symbols_.upper_bound(key);
  }
  passing_ = false;
  return false;
}

bool QuoteLinks::StartPass() {
  passing_ = false;
  next_symbol_.clear();
  next_item_.clear();
  if (stale_ || instance_ == 0) Renew();
  if (instance_ == 0) return false;
  // A server that went away without ending its conversations leaves them dead: their links
  // are made again from a fresh instance.
  bool lost = false;
  for (auto& entry : symbols_) {
    Symbol& symbol = entry.second;
    if (!symbol.conv || PartnerWindowAlive(symbol.conv)) continue;
    lost = true;
    symbol.conv = 0;
    Unlinked(symbol, LinkState::NotRunning);
  }
  if (lost) {
    Renew();
    if (instance_ == 0) return false;
  }
  passing_ = true;
  return true;
}

std::string QuoteLinks::Link(Symbol& symbol, const std::string& from,
                             std::chrono::steady_clock::time_point deadline) {
  if (instance_ == 0) return {};
  if (!symbol.conv) {
    Hsz service = DdeCreateStringHandle(instance_, service_);
    Hsz topic = DdeCreateStringHandle(instance_, symbol.name);
    symbol.conv = DdeConnect(instance_, service, topic);
    DdeFreeStringHandle(instance_, topic);
    DdeFreeStringHandle(instance_, service);
    if (!symbol.conv) {
      // Tickwell makes a symbol's topic at its first quote: tell that apart from no Tickwell.
      answered_ = ServiceAnswers();
      Unlinked(symbol, answered_ ? LinkState::NoQuote : LinkState::NotRunning);
      return {};
    }
  }
  answered_ = true;
  const Hconv conv = symbol.conv;
  bool linked_any = false;
  std::vector<std::string> names;
  for (auto link = symbol.items.lower_bound(from); link != symbol.items.end(); ++link)
    if (!link->second) names.push_back(link->first);
  for (const std::string& item : names) {
    if (item != names.front() && clock_() >= deadline) return item;
    Hsz hsz = DdeCreateStringHandle(instance_, item);
    std::uint32_t status = 0;
    const bool started = DdeClientTransaction(nullptr, 0, conv, hsz, kCfText, kXtypAdvStart,
                                              kTransactionMs, &status) != 0;
    HddeData value = 0;
    if (started)
      value = DdeClientTransaction(nullptr, 0, conv, hsz, kCfText, kXtypRequest, kTransactionMs,
                                   &status);
    DdeFreeStringHandle(instance_, hsz);
    // A callback during the transactions may have ended the conversation, or a cell's drop
    // removed the item: look both up again.
    auto link = symbol.items.find(item);
    if (symbol.conv != conv || link == symbol.items.end()) {
      if (value) DdeFreeDataHandle(value);
      if (symbol.conv != conv) return {};
      continue;
    }
    link->second = started;
    linked_any = linked_any || started;
    if (value) {
      std::vector<std::uint8_t> bytes = DdeDataBytes(value);
      DdeFreeDataHandle(value);
      events_.value(symbol.name, item, std::string(bytes.begin(), bytes.end()));
    } else {
      // Tickwell takes a link on a symbol it has no quote for yet, and fills it at the first.
      events_.state(symbol.name, item, LinkState::NoQuote);
    }
  }
  // A conversation on which no link can be made may be one whose server has gone; the next try
  // starts from a fresh connect.
  for (const auto& entry : symbol.items) linked_any = linked_any || entry.second;
  if (!linked_any && symbol.conv == conv) {
    DdeDisconnect(conv);
    symbol.conv = 0;
  }
  return {};
}

void QuoteLinks::Unlinked(Symbol& symbol, LinkState state) {
  for (auto& [item, linked] : symbol.items) {
    linked = false;
    events_.state(symbol.name, item, state);
  }
}

bool QuoteLinks::ServiceAnswers() {
  Hsz service = DdeCreateStringHandle(instance_, service_);
  Hsz topic = DdeCreateStringHandle(instance_, "System");
  Hconv probe = DdeConnect(instance_, service, topic);
  DdeFreeStringHandle(instance_, topic);
  DdeFreeStringHandle(instance_, service);
  if (!probe) return false;
  DdeDisconnect(probe);
  return true;
}

std::size_t QuoteLinks::LinksRunning() const {
  std::size_t n = 0;
  for (const auto& entry : symbols_)
    for (const auto& link : entry.second.items) n += link.second ? 1 : 0;
  return n;
}

std::size_t QuoteLinks::Conversations() const {
  std::size_t n = 0;
  for (const auto& entry : symbols_) n += entry.second.conv ? 1 : 0;
  return n;
}

HddeData QuoteLinks::OnCallback(unsigned type, Hconv conv, Hsz item, HddeData data) {
  if (conv == 0) return 0;
  auto found = std::find_if(symbols_.begin(), symbols_.end(),
                            [&](const auto& entry) { return entry.second.conv == conv; });
  if (found == symbols_.end()) return 0;
  Symbol& symbol = found->second;
  if (type == kXtypDisconnect) {
    stale_ = true;
    symbol.conv = 0;
    Unlinked(symbol, LinkState::NotRunning);
    return 0;
  }
  if (type == kXtypAdvData) {
    const std::string name = Upper(DdeQueryString(instance_, item));
    if (data && symbol.items.count(name)) {
      std::vector<std::uint8_t> bytes = DdeDataBytes(data);
      events_.value(symbol.name, name, std::string(bytes.begin(), bytes.end()));
    }
    return kDdeFAck;
  }
  return 0;
}

}  // namespace rtd
