// A second process that speaks only the inter-application protocol, for the receiver's
// cross-process tests.
//   interapp-peer RECEIVER call|silent|code N|byname NAME|bynamesilent NAME
//   interapp-peer RECEIVER string TEXT|int N|real X|data TEXT|kind K TEXT
//   interapp-peer 0 hang MS
// RECEIVER is the receiver's window handle in decimal; 0 sends a handshake to every top-level
// window. Prints every handshake answer it gets as "answer <message> <lParam> from <window>".
// "hang" plays a receiver that hangs: it answers the silent handshake, then, handed a string,
// prints "hanging" and stops answering for MS milliseconds; it ends after that, or after 2 * MS
// if no string came.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/atoms.h"
#include "platform/window.h"

namespace {

// What the receiver answered, printed for a failing test's message.
void Sent(platform::LResult answer) {
  std::printf("sent, result %lld\n", static_cast<long long>(answer));
}

int HangingReceiver(int hang_ms) {
  const unsigned hs = platform::RegisterMessage("InterAppHandshake");
  constexpr unsigned kEnd = platform::kWmUser + 1;
  const platform::Hwnd self = platform::CreateHiddenWindow(
      "interapp-peer hang",
      [&](platform::Hwnd h, unsigned m, platform::WParam w,
          platform::LParam l) -> platform::LResult {
        if (m == hs) {
          if (l == 1) platform::Send(w, hs, h, 3);
          return 0;
        }
        if (m == platform::kWmCopyData) {
          std::printf("hanging\n");
          std::fflush(stdout);
          std::this_thread::sleep_for(std::chrono::milliseconds(hang_ms));
          platform::QuitMessageLoop(0);
          return 0;
        }
        if (m == kEnd) {
          platform::QuitMessageLoop(0);
          return 0;
        }
        return platform::DefaultWindowProc(h, m, w, l);
      });
  if (self == platform::kNoWindow) return 1;
  std::thread([self, hang_ms] {
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * hang_ms));
    platform::Post(self, kEnd, 0, 0);
  }).detach();
  const int rc = platform::RunMessageLoop();
  platform::DestroyWindow(self);
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: interapp-peer RECEIVER COMMAND [ARG...]\n");
    return 1;
  }
  const platform::Hwnd receiver = std::strtoull(argv[1], nullptr, 10);
  const std::string command = argv[2];
  const std::string arg = argc > 3 ? argv[3] : "";
  if (command == "hang") return HangingReceiver(std::atoi(arg.c_str()));
  const unsigned hs = platform::RegisterMessage("InterAppHandshake");
  const unsigned by_name = platform::RegisterMessage("InterAppHandshakeByName");
  const unsigned by_name_silent = platform::RegisterMessage("InterAppHandshakeByNameSilent");

  platform::Hwnd self = platform::CreateHiddenWindow(
      "interapp-peer",
      [&](platform::Hwnd h, unsigned m, platform::WParam w,
          platform::LParam l) -> platform::LResult {
        const char* name = m == hs               ? "handshake"
                           : m == by_name        ? "byname"
                           : m == by_name_silent ? "bynamesilent"
                                                 : nullptr;
        if (!name) return platform::DefaultWindowProc(h, m, w, l);
        if (w == h) return 0;  // our own broadcast
        std::string extra;
        if (m != hs) extra = " atom " + platform::GlobalAtomName(static_cast<platform::Atom>(l));
        std::printf("answer %s %lld from %llu%s\n", name, static_cast<long long>(l),
                    static_cast<unsigned long long>(w), extra.c_str());
        return 0;
      });
  const platform::Hwnd to = receiver == 0 ? platform::kBroadcast : receiver;

  int rc = 0;
  if (command == "call" || command == "silent" || command == "code") {
    const long code = command == "call"     ? 0
                      : command == "silent" ? 1
                                            : std::strtol(arg.c_str(), nullptr, 10);
    platform::Send(to, hs, self, code);
  } else if (command == "byname" || command == "bynamesilent") {
    const platform::Atom atom = platform::AddGlobalAtom(arg);
    std::printf("atom %u sent\n", static_cast<unsigned>(atom));
    Sent(platform::Send(to, command == "byname" ? by_name : by_name_silent, self, atom));
    platform::DeleteGlobalAtom(atom);
  } else if (command == "string" || command == "data") {
    Sent(platform::SendCopyData(
        to, self,
        {command == "string" ? 1u : 0u, static_cast<std::uint32_t>(arg.size()), arg.data()}));
  } else if (command == "int") {
    const std::int32_t v = static_cast<std::int32_t>(std::strtol(arg.c_str(), nullptr, 10));
    Sent(platform::SendCopyData(to, self, {2, sizeof v, &v}));
  } else if (command == "real") {
    const double v = std::strtod(arg.c_str(), nullptr);
    Sent(platform::SendCopyData(to, self, {3, sizeof v, &v}));
  } else if (command == "kind" && argc > 4) {
    const std::string text = argv[4];
    Sent(platform::SendCopyData(to, self,
                                {std::strtoul(arg.c_str(), nullptr, 10),
                                 static_cast<std::uint32_t>(text.size()), text.data()}));
  } else {
    std::fprintf(stderr, "interapp-peer: unknown command %s\n", command.c_str());
    rc = 1;
  }
  platform::PumpMessages();
  std::fflush(stdout);
  platform::DestroyWindow(self);
  return rc;
}
