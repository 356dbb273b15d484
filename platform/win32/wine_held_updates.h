// Under Wine, keeps advise updates from ending a synchronous client transaction early.
//
// Wine's client ends a synchronous transaction at the first DDE message that reaches the
// conversation's window while it waits, whatever that message is. An update of another link of
// the same conversation (WM_DDE_DATA without fResponse) then ends an advise start, a request or
// an execute with DMLERR_NOTPROCESSED, and the real answer that follows is lost. While a
// synchronous transaction waits, a thread-local WH_GETMESSAGE hook takes such updates out of the
// messages Wine's wait retrieves; they are delivered in their order once the transaction is over.
#pragma once

#include <cstdint>
#include <vector>

#include <windows.h>

namespace platform::win32 {

class WineHeldUpdates {
 public:
  // conv 0 (an asynchronous transaction) or Windows: holds nothing.
  explicit WineHeldUpdates(std::uintptr_t conv);
  ~WineHeldUpdates();  // stops holding and delivers what was held
  WineHeldUpdates(const WineHeldUpdates&) = delete;
  WineHeldUpdates& operator=(const WineHeldUpdates&) = delete;

 private:
  bool holding_ = false;
  HWND outer_window_ = nullptr;       // the transaction this one is nested in, if any
  std::vector<MSG>* outer_held_ = nullptr;
  std::vector<MSG> held_;
};

// How many updates have been held back and delivered after their transaction.
std::uint64_t WineHeldUpdateCount();

}  // namespace platform::win32
