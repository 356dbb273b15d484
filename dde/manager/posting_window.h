// The hidden window through which advise posts are deferred: a poster queues a record naming the
// service and the topic and item handles, and the window hands it to OnPostAdvise when the
// message loop delivers it, after the transaction that changed the item has returned.
#pragma once

#include <cstdint>
#include <functional>
#include <set>

#include "platform/ddeml.h"
#include "platform/types.h"

namespace tickwell {

class TDDEMLService;
class TDDEMLPostingWindow;

// The payload of one deferred posting, in the platform's pointer and handle widths.
struct TPostAdviseRecord {
  TDDEMLService* service;
  platform::Hsz topic;
  platform::Hsz item;
};

constexpr unsigned kWmUser = 0x0400;
constexpr unsigned WM_POSTADVISE = kWmUser + 102;

class TDDEMLPostingWindow {
 public:
  TDDEMLPostingWindow();
  ~TDDEMLPostingWindow();
  TDDEMLPostingWindow(const TDDEMLPostingWindow&) = delete;
  TDDEMLPostingWindow& operator=(const TDDEMLPostingWindow&) = delete;

  // The window, made on first use.
  platform::Hwnd Handle();
  // Posts a record to the window; false when the post fails (nothing is then queued).
  bool Queue(TDDEMLService* service, platform::Hsz topic, platform::Hsz item);

  std::function<void(TDDEMLPostingWindow& sender, TDDEMLService* service, platform::Hsz topic,
                     platform::Hsz item)>
      OnPostAdvise;

 private:
  platform::LResult WndProc(platform::Hwnd window, unsigned msg, platform::WParam w,
                            platform::LParam l);

  platform::Hwnd handle_ = platform::kNoWindow;
  std::set<TPostAdviseRecord*> pending_;  // queued, not yet delivered; owned
};

// The posting window made last and not yet destroyed, or null.
TDDEMLPostingWindow* ActivePostingWindow();

// Queues an advise post on the active posting window; nothing without one.
void queuePostAdvise(TDDEMLService* service, platform::Hsz topic, platform::Hsz item);

}  // namespace tickwell
