#include "rtd/quote_server.h"

namespace rtd {

QuoteServer::QuoteServer(std::function<void()> notify, std::string service, QuoteLinks::Clock clock)
    : notify_(std::move(notify)),
      links_(std::move(service),
             {[this](const std::string& symbol, const std::string& item, const std::string& text) {
                if (auto field = ParseField(item)) {
                  table_.Set(KeyOf(symbol, *field), ValueOf(*field, text));
                  Changed();
                }
              },
              [this](const std::string& symbol, const std::string& item, LinkState state) {
                if (auto field = ParseField(item)) {
                  table_.Set(KeyOf(symbol, *field), state == LinkState::NoQuote
                                                        ? CellValue::NotAvailable()
                                                        : NotRunningValue());
                  Changed();
                }
              }},
             std::move(clock)) {}

bool QuoteServer::Start(std::string& error) { return links_.Start(error); }

CellValue QuoteServer::Connect(long topic, const std::vector<std::string>& arguments) {
  // An id Excel reuses starts afresh.
  Disconnect(topic);
  TopicRequest request = ParseTopic(arguments);
  // Excel keeps the value it is given here; such a topic never changes, so it is not kept.
  if (!request.valid) return request.error;
  const LinkKey key = KeyOf(request.symbol, request.field);
  // A link made now answers with its first value at once: that value is this call's result,
  // not a change for Excel to fetch.
  connecting_ = true;
  if (table_.Add(topic, key)) links_.Want(request.symbol, ItemName(request.field));
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
  LinkKey dropped;
  if (table_.Remove(topic, &dropped)) links_.Drop(dropped.symbol, ItemName(dropped.field));
}

bool QuoteServer::Retry() { return links_.Retry(); }

void QuoteServer::Changed() {
  if (connecting_ || notified_ || !table_.HasChanges()) return;
  notified_ = true;
  if (notify_) notify_();
}

}  // namespace rtd
