// The exports of TickwellFeed.dll: the C functions of tickwell_feed.h around one quote sender.
#include "feed/tickwell_feed.h"

#include <windows.h>

#include <memory>
#include <string>

#include "feed/quote_sender.h"
#include "feed/quote_text.h"

namespace {

using tickwell::feed::TQuoteSender;
using tickwell::feed::TSendResult;

SRWLOCK lock = SRWLOCK_INIT;
TQuoteSender* sender = nullptr;  // open while not null

class Locked {
 public:
  Locked() { AcquireSRWLockExclusive(&lock); }
  ~Locked() { ReleaseSRWLockExclusive(&lock); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
};

// Runs an export's body; nothing thrown gets out into the caller.
template <typename F>
int Guarded(F body) {
  try {
    return body();
  } catch (...) {
    return TWF_SYSTEM_ERROR;
  }
}

// The sender's window belongs to one thread, which alone is given the receiver's answers; a
// call from another thread makes the sender anew there. Null when no window could be made.
TQuoteSender* SenderOnThisThread() {
  if (sender->Thread() == GetCurrentThreadId()) return sender;
  auto moved = std::make_unique<TQuoteSender>();
  if (!moved->Ready()) return nullptr;
  moved->SetTerminal(sender->Terminal());  // not connected yet: it goes with the next handshake
  delete sender;
  sender = moved.release();
  return sender;
}

int Code(TSendResult result) {
  switch (result) {
    case TSendResult::kSent: return TWF_OK;
    case TSendResult::kNoReceiver: return TWF_NO_RECEIVER;
    case TSendResult::kTooLong: return TWF_TOO_LONG;
    case TSendResult::kTimedOut: return TWF_TIMED_OUT;
  }
  return TWF_SYSTEM_ERROR;
}

int Send(const std::wstring& line) {
  std::string ansi;
  if (!tickwell::feed::ToCodePage(line, tickwell::feed::AnsiCodePage(), ansi)) return TWF_BAD_TEXT;
  if (ansi.size() > TQuoteSender::kMaxLine) return TWF_TOO_LONG;
  Locked hold;
  if (!sender) return TWF_NOT_OPEN;
  TQuoteSender* on_thread = SenderOnThisThread();
  return on_thread ? Code(on_thread->SendLine(ansi)) : TWF_SYSTEM_ERROR;
}

}  // namespace

extern "C" {

int TWF_CALL TwfOpen(int timeout_ms) {
  return Guarded([&] {
    if (timeout_ms < 0 || timeout_ms > 60000) return TWF_BAD_ARGUMENT;
    Locked hold;
    if (!sender) {
      auto made = std::make_unique<TQuoteSender>();
      if (!made->Ready()) return TWF_SYSTEM_ERROR;
      sender = made.release();
    }
    TQuoteSender* on_thread = SenderOnThisThread();
    if (!on_thread) return TWF_SYSTEM_ERROR;
    return on_thread->FindReceiver(static_cast<unsigned>(timeout_ms)) ? TWF_OK : TWF_NO_RECEIVER;
  });
}

int TWF_CALL TwfSetTerminal(const wchar_t* label) {
  return Guarded([&] {
    if (!label) return TWF_BAD_ARGUMENT;
    const std::string text = tickwell::feed::LabelText(label);
    Locked hold;
    if (!sender) return TWF_NOT_OPEN;
    TQuoteSender* on_thread = SenderOnThisThread();
    if (!on_thread) return TWF_SYSTEM_ERROR;
    return on_thread->SetTerminal(text) == TSendResult::kTimedOut ? TWF_TIMED_OUT : TWF_OK;
  });
}

int TWF_CALL TwfSendQuote(const wchar_t* symbol, const wchar_t* bid, const wchar_t* ask,
                          const wchar_t* last, const wchar_t* time, const wchar_t* volume) {
  return Guarded([&] {
    const wchar_t* const fields[tickwell::feed::kQuoteFields] = {symbol, bid,  ask,
                                                                 last,   time, volume};
    std::wstring line;
    if (!tickwell::feed::JoinQuoteFields(fields, line)) return TWF_BAD_ARGUMENT;
    return Send(line);
  });
}

int TWF_CALL TwfSendQuoteEx(const wchar_t* symbol, const wchar_t* bid, const wchar_t* ask,
                            const wchar_t* last, const wchar_t* time, const wchar_t* volume,
                            const wchar_t* high, const wchar_t* low) {
  return Guarded([&] {
    const wchar_t* const fields[tickwell::feed::kQuoteFieldsWithRange] = {
        symbol, bid, ask, last, time, volume, high, low};
    std::wstring line;
    if (!tickwell::feed::JoinQuoteFieldsWithRange(fields, line)) return TWF_BAD_ARGUMENT;
    return Send(line);
  });
}

int TWF_CALL TwfSendLine(const wchar_t* line) {
  return Guarded([&] { return line ? Send(line) : TWF_BAD_ARGUMENT; });
}

int TWF_CALL TwfClose(void) {
  return Guarded([&] {
    Locked hold;
    if (!sender) return TWF_NOT_OPEN;
    delete sender;
    sender = nullptr;
    return TWF_OK;
  });
}

}  // extern "C"

// Unloaded without TwfClose (the host freed the library): the sender's window must not outlive
// the code of its window procedure.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    delete sender;
    sender = nullptr;
  }
  return TRUE;
}
