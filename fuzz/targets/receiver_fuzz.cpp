// The receiver's window messages in any order: handshakes of every code, handshakes by group
// name with any atom, WM_COPYDATA of any kind, size and bytes, switching Enabled and GroupName.
// Each payload fires exactly the event of its kind, with exactly its bytes (a string cut at 255,
// an integer or real only when the payload holds one); a disabled receiver fires and answers
// nothing; handshakes are answered to the sender as the protocol says; the group name's atom is
// held once and given back with the receiver.
#include <cstring>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "interapp/inter_app.h"
#include "platform/atoms.h"
#include "platform/window.h"

namespace {

using namespace tickwell;
using tickwell::fuzz::Input;

struct Answer {
  unsigned msg;
  platform::WParam w;
  platform::LParam l;
};

struct Fired {
  int calls = 0, strings = 0, integers = 0, reals = 0, datas = 0;
  std::string text;
  std::int32_t integer = 0;
  double real = 0;
  const void* data = nullptr;
  std::uint32_t data_size = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  std::vector<Answer> answers;
  const platform::Hwnd peer = platform::CreateHiddenWindow(
      "peer", [&](platform::Hwnd, unsigned msg, platform::WParam w, platform::LParam l) {
        answers.push_back({msg, w, l});
        return platform::LResult{0};
      });
  FUZZ_CHECK(peer != platform::kNoWindow, "no peer window");
  const InterAppMessages& m = InterAppMessageNumbers();
  std::string group;
  {
    TInterAppReceiver receiver;
    receiver.Loaded();
    Fired fired;
    receiver.OnReceiveCall = [&](TInterAppReceiver&, platform::Hwnd from) {
      FUZZ_CHECK(from == peer, "call names another sender");
      ++fired.calls;
    };
    receiver.OnReceiveString = [&](TInterAppReceiver&, platform::Hwnd, const std::string& t) {
      ++fired.strings;
      fired.text = t;
    };
    receiver.OnReceiveInteger = [&](TInterAppReceiver&, platform::Hwnd, std::int32_t v) {
      ++fired.integers;
      fired.integer = v;
    };
    receiver.OnReceiveReal = [&](TInterAppReceiver&, platform::Hwnd, double v) {
      ++fired.reals;
      fired.real = v;
    };
    receiver.OnReceiveData = [&](TInterAppReceiver&, platform::Hwnd, const void* d,
                                 std::uint32_t n) {
      ++fired.datas;
      fired.data = d;
      fired.data_size = n;
    };
    const platform::Hwnd own = receiver.Handle();
    FUZZ_CHECK(own != platform::kNoWindow, "the receiver has no window");

    for (int step = 0; step < 64 && !in.Empty(); ++step) {
      fired = Fired{};
      answers.clear();
      const bool enabled = receiver.Enabled();
      switch (in.Byte() % 6) {
        case 0: {  // handshake with any code
          const platform::LParam code = static_cast<std::int8_t>(in.Byte());
          platform::Send(own, m.Handshake, peer, code);
          const bool answers_code = enabled && (code == hcCall || code == hcCallSilent);
          FUZZ_CHECK(fired.calls == (enabled && code == hcCall ? 1 : 0), "wrong call events");
          FUZZ_CHECK(answers.size() == (answers_code ? 1u : 0u), "wrong number of answers");
          if (answers_code)
            FUZZ_CHECK(answers[0].msg == m.Handshake && answers[0].w == own &&
                           answers[0].l == (code == hcCall ? hcAnswer : hcAnswerSilent),
                       "wrong handshake answer");
          break;
        }
        case 1:
        case 2: {  // handshake by name, announced or silent, with the group's atom or any
          const bool silent = in.Byte() & 1;
          const platform::Atom atom = (in.Byte() & 1) ? receiver.GroupAtom() : in.Word();
          const unsigned msg = silent ? m.HandshakeByNameSilent : m.HandshakeByName;
          platform::Send(own, msg, peer, atom);
          const bool ours = enabled && receiver.GroupAtom() != 0 && atom == receiver.GroupAtom();
          FUZZ_CHECK(fired.calls == (ours && !silent ? 1 : 0), "wrong call events by name");
          FUZZ_CHECK(answers.size() == (ours ? 1u : 0u), "wrong answers by name");
          if (ours)
            FUZZ_CHECK(answers[0].msg == msg && answers[0].w == own &&
                           answers[0].l == receiver.GroupAtom(),
                       "wrong answer by name");
          break;
        }
        case 3: {  // a payload of any kind and size, in a block of exactly its size
          const std::uintptr_t kind = in.Byte() % 5;
          std::uint32_t n = in.Word() % 1024;
          if (n > in.Left()) n = static_cast<std::uint32_t>(in.Left());
          std::vector<std::uint8_t> block(n);
          for (auto& b : block) b = in.Byte();
          const std::uint8_t* bytes = n ? block.data() : nullptr;
          const platform::LResult r = platform::SendCopyData(own, peer, {kind, n, bytes});
          FUZZ_CHECK(r == 0, "WM_COPYDATA answered other than 0");
          const int events = fired.strings + fired.integers + fired.reals + fired.datas;
          if (!enabled) {
            FUZZ_CHECK(events == 0, "a disabled receiver fired");
            break;
          }
          switch (kind) {
            case pkData:
              FUZZ_CHECK(fired.datas == 1 && events == 1 && fired.data_size == n &&
                             (n == 0 || fired.data == bytes),
                         "raw data not handed on as sent");
              break;
            case pkString:
              FUZZ_CHECK(fired.strings == 1 && events == 1, "no string event");
              FUZZ_CHECK(fired.text == std::string(block.begin(), block.begin() + std::min(n, 255u)),
                         "the string is not the first 255 bytes");
              break;
            case pkInteger:
              FUZZ_CHECK(events == (n >= 4 ? 1 : 0) && fired.integers == events, "integer events");
              if (n >= 4) FUZZ_CHECK(std::memcmp(&fired.integer, bytes, 4) == 0, "wrong integer");
              break;
            case pkReal:
              FUZZ_CHECK(events == (n >= 8 ? 1 : 0) && fired.reals == events, "real events");
              if (n >= 8) FUZZ_CHECK(std::memcmp(&fired.real, bytes, 8) == 0, "wrong real");
              break;
            default:
              FUZZ_CHECK(events == 0, "an unknown kind fired an event");
          }
          break;
        }
        case 4:
          receiver.SetEnabled(in.Byte() & 1);
          break;
        case 5: {
          group = in.Text(300);
          receiver.SetGroupName(group);
          const platform::Atom atom = receiver.GroupAtom();
          if (atom != 0)
            FUZZ_CHECK(platform::GlobalAtomName(atom).size() == group.size(), "atom of another name");
          break;
        }
      }
    }
  }
  if (!group.empty() && group.size() <= 255)
    FUZZ_CHECK(platform::FindGlobalAtom(group) == 0, "the group's atom outlived the receiver");
  platform::DestroyWindow(peer);
  while (platform::PumpMessages() > 0) {
  }
  return 0;
}
