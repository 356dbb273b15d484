// The DLL's DDE side: a client of Tickwell's service with one conversation per symbol and one
// hot link per item a cell uses, on the thread that made it (Excel's, which pumps its messages).
// Links that cannot be made yet (Tickwell not running, DDE off, no quote for the symbol so far)
// are made again by Retry(), which the DLL calls on a timer. Each link made costs two
// transactions with Tickwell, and a thousand of them would hold Excel's thread for seconds, so a
// pass over the symbols is cut into slices of bounded time; the DLL calls again soon while a
// pass is unfinished.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/ddeml.h"

namespace rtd {

enum class LinkState {
  NoQuote,     // Tickwell answers but has no such symbol or item yet
  NotRunning,  // Tickwell's service does not answer
};

class QuoteLinks {
 public:
  struct Events {
    // A link's text (at once when it is made, then every change).
    std::function<void(const std::string& symbol, const std::string& item, const std::string&)>
        value;
    // Why a symbol's items (all, or the one named) have no link.
    std::function<void(const std::string& symbol, const std::string& item, LinkState)> state;
  };

  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // The clock times the slices of Retry(); the steady clock unless one is given.
  QuoteLinks(std::string service, Events events, Clock clock = {});
  ~QuoteLinks();
  QuoteLinks(const QuoteLinks&) = delete;
  QuoteLinks& operator=(const QuoteLinks&) = delete;

  // Starts the DDE client instance; false with error set when DDE is unavailable.
  bool Start(std::string& error);

  // A cell needs the item of the symbol: linked now if Tickwell answers, else left for Retry().
  void Want(const std::string& symbol, const std::string& item);
  // No cell needs it any more: the link is stopped, and the conversation ended with its last.
  void Drop(const std::string& symbol, const std::string& item);

  // Makes the links still missing, and checks that Tickwell's end of each conversation is still
  // there, since a conversation whose server went away does not always say so. Stops once the
  // budget is spent (after at least one attempt) and returns true when links the pass has not
  // reached yet remain: the next call goes on where this one stopped. Links still waiting keep
  // what they showed.
  bool Retry(std::chrono::steady_clock::duration budget = kRetrySlice);

  static constexpr std::chrono::steady_clock::duration kRetrySlice = std::chrono::milliseconds(50);

  std::size_t LinksRunning() const;
  std::size_t Conversations() const;
  // No cell needs any item of this service.
  bool Idle() const { return symbols_.empty(); }

 private:
  struct Symbol {
    std::string name;  // as the first cell spelt it
    platform::Hconv conv = 0;
    std::map<std::string, bool> items;  // item -> linked
  };
  // Links the symbol's missing items from the one named on (all when empty), checking the
  // deadline before each but the first; returns the item it stopped before, or empty when done.
  std::string Link(Symbol& symbol, const std::string& from = {},
                   std::chrono::steady_clock::time_point deadline =
                       std::chrono::steady_clock::time_point::max());
  bool StartPass();
  void Unlinked(Symbol& symbol, LinkState state);
  bool ServiceAnswers();
  unsigned Initialize();  // 0 or the DMLERR_ code
  void Renew();
  platform::HddeData OnCallback(unsigned type, platform::Hconv conv, platform::Hsz item,
                                platform::HddeData data);

  std::string service_;
  Events events_;
  Clock clock_;
  platform::DdeInstance instance_ = 0;
  std::map<std::string, Symbol> symbols_;  // by upper-case name
  bool answered_ = true;  // the last attempt found the service: worth trying at once
  // A transaction pumps messages, and with them the retry timer: no retry runs inside another
  // call of this object.
  bool busy_ = false;
  // A conversation ended or its server went away: the instance is begun afresh at the next
  // retry, since Wine's client keeps one conversation per topic and would not connect the
  // topic again while it holds the dead one.
  bool stale_ = false;
  // A pass under way: the symbol (upper-case key) and item it goes on from.
  bool passing_ = false;
  std::string next_symbol_, next_item_;
};

}  // namespace rtd
