#include "interapp/quote_sender.h"

#include <chrono>
#include <thread>

#include "interapp/inter_app.h"
#include "platform/window.h"

namespace tickwell {

TQuoteSender::TQuoteSender() {
  handshake_ = platform::RegisterMessage("InterAppHandshake");
  window_ = platform::CreateHiddenWindow(
      "TickwellFeed",
      [this](platform::Hwnd h, unsigned msg, platform::WParam w, platform::LParam l) {
        if (msg == handshake_) {
          // The first receiver to answer is the one lines go to.
          if (l == hcAnswerSilent && receiver_ == platform::kNoWindow)
            receiver_ = static_cast<platform::Hwnd>(w);
          return platform::LResult{0};
        }
        return platform::DefaultWindowProc(h, msg, w, l);
      });
}

TQuoteSender::~TQuoteSender() { platform::DestroyWindow(window_); }

bool TQuoteSender::FindReceiver(int timeout_ms) {
  if (window_ == platform::kNoWindow || handshake_ == 0) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  receiver_ = platform::kNoWindow;
  for (;;) {
    // Receivers answer while the broadcast is being delivered; later answers come by the pump.
    platform::Send(platform::kBroadcast, handshake_, window_, hcCallSilent);
    platform::PumpMessages();
    if (receiver_ != platform::kNoWindow) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

bool TQuoteSender::SendLine(const std::string& line) {
  if (receiver_ == platform::kNoWindow || !platform::IsWindow(receiver_)) return false;
  platform::SendCopyData(receiver_, window_,
                         {pkString, static_cast<std::uint32_t>(line.size()), line.data()});
  return true;
}

}  // namespace tickwell
