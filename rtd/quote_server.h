// What the RTD server does, apart from COM: topics connected by Excel, served from hot links on
// Tickwell's service, with one notification per batch of changes until Excel takes them.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "rtd/quote_links.h"
#include "rtd/topic_table.h"

namespace rtd {

class QuoteServer {
 public:
  // notify is called once when the first change after the last Refresh() arrives.
  explicit QuoteServer(std::function<void()> notify, std::string service = "MT5",
                       QuoteLinks::Clock clock = {});

  // Starts the DDE side; false with error set when DDE is unavailable.
  bool Start(std::string& error);
  // A cell's topic with its arguments after the ProgID; returns what the cell shows now.
  CellValue Connect(long topic, const std::vector<std::string>& arguments);
  // The topics changed since the last call, each once with its latest value.
  std::vector<std::pair<long, CellValue>> Refresh();
  // A topic no cell shows any more; its link goes with the last topic on it.
  void Disconnect(long topic);
  // Called on a timer: makes the links still missing and checks Tickwell is still there, for
  // about QuoteLinks::kRetrySlice; true when it should be called again soon to go on.
  bool Retry();

  const TopicTable& Table() const { return table_; }
  const QuoteLinks& Links() const { return links_; }

 private:
  void Changed();

  std::function<void()> notify_;
  TopicTable table_;
  QuoteLinks links_;
  bool notified_ = false;
  bool connecting_ = false;
};

}  // namespace rtd
