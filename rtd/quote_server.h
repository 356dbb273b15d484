// What the RTD server does, apart from COM: topics connected by Excel, served from hot links on
// Tickwell's services (the default terminal's, and MT5_<label> for each terminal a cell names),
// with one notification per batch of changes until Excel takes them.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "rtd/quote_links.h"
#include "rtd/topic_table.h"

namespace rtd {

class QuoteServer {
 public:
  // notify is called once when the first change after the last Refresh() arrives. service is the
  // default terminal's.
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
  // Called on a timer: makes the links still missing and checks each terminal's Tickwell service
  // is still there, for about QuoteLinks::kRetrySlice in all; true when it should be called again
  // soon to go on.
  bool Retry();

  const TopicTable& Table() const { return table_; }
  // The default terminal's links.
  const QuoteLinks& Links() const { return *links_.at({}); }
  // A terminal's links, by its label in any case: null while no cell uses the terminal.
  const QuoteLinks* LinksOf(const std::string& terminal) const;

 private:
  std::unique_ptr<QuoteLinks> MakeLinks(const std::string& key, std::string service);
  QuoteLinks& LinksFor(const std::string& key, const std::string& label);
  void Changed();

  std::function<void()> notify_;
  QuoteLinks::Clock clock_;
  TopicTable table_;
  // One client per service in use, by the terminal's upper-case label; the default's is "".
  std::map<std::string, std::unique_ptr<QuoteLinks>> links_;
  // Terminals whose pass over their links is unfinished: the next slice goes on with them only.
  std::set<std::string> passing_;
  bool notified_ = false;
  bool connecting_ = false;
  // A transaction pumps messages, and with them the retry timer: no retry runs inside a call of
  // this object, whichever terminal's links it is busy with.
  bool busy_ = false;
};

}  // namespace rtd
