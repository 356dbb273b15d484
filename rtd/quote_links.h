// The DLL's DDE side: a client of Tickwell's service with one conversation per symbol and one
// hot link per item a cell uses, on the thread that made it (Excel's, which pumps its messages).
// Links that cannot be made yet (Tickwell not running, DDE off, no quote for the symbol so far)
// are made again by Retry(), which the DLL calls on a timer.
#pragma once

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

  QuoteLinks(std::string service, Events events);
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
  // there, since a conversation whose server went away does not always say so.
  void Retry();

  std::size_t LinksRunning() const;
  std::size_t Conversations() const;

 private:
  struct Symbol {
    std::string name;  // as the first cell spelt it
    platform::Hconv conv = 0;
    std::map<std::string, bool> items;  // item -> linked
  };
  void Link(Symbol& symbol);
  void Unlinked(Symbol& symbol, LinkState state);
  bool ServiceAnswers();
  unsigned Initialize();  // 0 or the DMLERR_ code
  void Renew();
  platform::HddeData OnCallback(unsigned type, platform::Hconv conv, platform::Hsz item,
                                platform::HddeData data);

  std::string service_;
  Events events_;
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
};

}  // namespace rtd
