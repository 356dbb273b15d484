// The sending side of the inter-application protocol, as the terminal's component speaks it:
// find a receiver with the silent handshake, then hand it lines as string payloads.
#pragma once

#include <string>

#include "platform/types.h"

namespace tickwell {

class TQuoteSender {
 public:
  static constexpr size_t kMaxLine = 255;  // the receiver keeps no more of a line

  TQuoteSender();
  ~TQuoteSender();
  TQuoteSender(const TQuoteSender&) = delete;
  TQuoteSender& operator=(const TQuoteSender&) = delete;

  // Broadcasts the silent handshake (code 1) until a receiver answers with code 3 or
  // timeout_ms passes. Returns whether one answered; Receiver() is then its window.
  bool FindReceiver(int timeout_ms);

  // Sends one line as WM_COPYDATA kind 1. False when no receiver was found or its window has gone.
  bool SendLine(const std::string& line);

  platform::Hwnd Receiver() const { return receiver_; }
  platform::Hwnd Window() const { return window_; }

 private:
  platform::Hwnd window_ = platform::kNoWindow;
  platform::Hwnd receiver_ = platform::kNoWindow;
  unsigned handshake_ = 0;
};

}  // namespace tickwell
