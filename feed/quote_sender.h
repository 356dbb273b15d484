// The sending side of the inter-application protocol, as a terminal-side component speaks it:
// finds a receiver with the silent handshake and hands it quote lines as string payloads, never
// waiting on the receiver longer than a fixed bound. A sender given a terminal label names its
// terminal once per connection, before any line. Used by TickwellFeed.dll and tickwell-feed.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tickwell::feed {

enum class TSendResult {
  kSent,        // the receiver took the line
  kNoReceiver,  // no receiver answered the handshake, or it went away and none answered again
  kTooLong,     // more than kMaxLine characters: refused, nothing sent
  kTimedOut,    // the receiver did not take the line within the bound, or is hung
};

class TQuoteSender {
 public:
  static constexpr std::size_t kMaxLine = 255;  // the receiver keeps no more of a line
  static constexpr UINT kSendTimeoutMs = 1000;  // bound on handing over one line
  static constexpr UINT kCallTimeoutMs = 200;   // bound per window on one handshake broadcast

  // Makes the sender's own message-only window on the calling thread; every other call must come
  // from that thread (the receiver's answers are delivered to it).
  TQuoteSender();
  ~TQuoteSender();
  TQuoteSender(const TQuoteSender&) = delete;
  TQuoteSender& operator=(const TQuoteSender&) = delete;

  // False when the window could not be made; nothing else then works.
  bool Ready() const { return window_ != nullptr && handshake_ != 0; }

  // Broadcasts the silent handshake until a receiver answers or timeout_ms passes (0: one
  // broadcast only). Returns whether one answered; Receiver() is then its window. A receiver found
  // starts a new connection: the terminal label, if any, is handed to it at once.
  bool FindReceiver(unsigned timeout_ms);

  // The terminal this sender speaks for, made safe (SafeTerminalLabel); empty, the default: the
  // sender never names one. A label is handed over once per connection, before the first line
  // (again before a line while the receiver has not taken it). A change while connected is
  // handed over at once: kSent (also when there is nothing to hand over), kNoReceiver (none
  // connected; it goes with the next handshake), kTimedOut (not taken; tried again before the
  // next line). Clearing a label the receiver has makes the sender the default terminal again.
  TSendResult SetTerminal(std::string_view label);
  const std::string& Terminal() const { return terminal_; }

  // Sends one line (ANSI text) as a string payload, after the terminal label when the receiver
  // does not have it yet; a label not taken holds the line back (kTimedOut). A receiver that has
  // gone away is looked for again with one broadcast before the line is given up.
  TSendResult SendLine(std::string_view line);

  HWND Receiver() const { return receiver_; }
  HWND Window() const { return window_; }
  DWORD Thread() const { return thread_; }

 private:
  static LRESULT CALLBACK WndProc(HWND window, UINT msg, WPARAM w, LPARAM l);
  void Answered(HWND receiver);
  bool Find(unsigned timeout_ms);
  bool ReceiverAlive() const;
  enum class TDelivery { kTaken, kGone, kNotTaken };
  TDelivery Deliver(std::uintptr_t kind, std::string_view bytes);
  TDelivery Identify();
  TDelivery Handover(std::string_view line);

  HWND window_ = nullptr;
  DWORD thread_ = 0;
  UINT handshake_ = 0;
  HWND receiver_ = nullptr;
  DWORD receiver_thread_ = 0;  // the receiver's thread and process, so that a window handle
  DWORD receiver_process_ = 0;  // reused by another program is not taken for the receiver

  std::string terminal_;   // the label to name, empty for none
  std::string announced_;  // the label the receiver has on this connection (empty: none)
};

}  // namespace tickwell::feed
