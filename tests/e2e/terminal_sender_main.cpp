// One terminal of the many-terminals run, in a process of its own: it names its terminal and
// sends lines 1..LINES of it (see terminal_quotes.h) as fast as Tickwell takes them, then stays,
// its sender window alive, until told to end.
//   tw-terminal-sender TERMINAL LINES GO_EVENT STOP_EVENT
// It sends the first round (one line of each symbol), prints "ready", waits for GO_EVENT, sends
// the rest (saying "at N" at every 1000th line), prints "sent N, retried R" and waits for
// STOP_EVENT, each wait bounded at 10 minutes. A line Tickwell did not take within the sender's
// bound is sent again (a late line shows the same value twice, never a wrong one); R counts them.
// STOP_EVENT set before all lines are sent ends it soon (a test that failed halfway).
// Exit codes: 0 done, 1 usage, 2 no Tickwell, 3 Tickwell went away or did not take a line in ten
// tries, 4 a wait passed its bound, 5 stopped before every line was sent.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "feed/quote_sender.h"
#include "tests/e2e/terminal_quotes.h"

namespace {

constexpr DWORD kWaitBoundMs = 600000;

// Waits for one of two events while the sender's window takes its messages: the index of the
// one set, or -1 at the bound.
int AwaitEvent(HANDLE first, HANDLE second) {
  const HANDLE events[2] = {first, second};
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= kWaitBoundMs) return -1;
    const DWORD r =
        MsgWaitForMultipleObjects(2, events, FALSE, kWaitBoundMs - elapsed, QS_ALLINPUT);
    if (r < WAIT_OBJECT_0 + 2) return static_cast<int>(r - WAIT_OBJECT_0);
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  }
}

}  // namespace

int main(int argc, char** argv) {
  using e2e::terminals::kMaxLine;
  using e2e::terminals::kSymbolCount;
  if (argc != 5) {
    std::fprintf(stderr, "usage: tw-terminal-sender TERMINAL LINES GO_EVENT STOP_EVENT\n");
    return 1;
  }
  const int terminal = std::atoi(argv[1]);
  const int lines = std::atoi(argv[2]);
  if (terminal < 1 || terminal > 9 || lines < kSymbolCount || lines > kMaxLine) {
    std::fprintf(stderr, "tw-terminal-sender: terminal 1..9, lines %d..%d\n", kSymbolCount,
                 kMaxLine);
    return 1;
  }
  HANDLE go = CreateEventA(nullptr, TRUE, FALSE, argv[3]);
  HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, argv[4]);

  tickwell::feed::TQuoteSender sender;
  sender.SetTerminal(e2e::terminals::Label(terminal));
  if (!sender.FindReceiver(10000)) {
    std::fprintf(stderr, "tw-terminal-sender: no Tickwell answered\n");
    return 2;
  }
  int retried = 0;
  const auto send = [&](int from, int to) {
    for (int n = from; n <= to; ++n) {
      if (n % 100 == 0 && WaitForSingleObject(stop, 0) == WAIT_OBJECT_0) return false;
      const std::string line = e2e::terminals::Line(terminal, n);
      for (int tries = 1;; ++tries) {
        const auto result = sender.SendLine(line);
        if (result == tickwell::feed::TSendResult::kSent) break;
        if (result != tickwell::feed::TSendResult::kTimedOut || tries == 10) {
          std::fprintf(stderr, "tw-terminal-sender: line %d not taken (%d)\n", n,
                       static_cast<int>(result));
          return false;
        }
        ++retried;
      }
      if (n % 1000 == 0) {
        std::printf("at %d\n", n);
        std::fflush(stdout);
      }
    }
    return true;
  };
  if (!send(1, kSymbolCount)) return 3;
  std::printf("ready\n");
  std::fflush(stdout);
  const int first = AwaitEvent(go, stop);
  if (first < 0) return 4;
  if (first == 1) return 5;
  if (!send(kSymbolCount + 1, lines)) return WaitForSingleObject(stop, 0) == WAIT_OBJECT_0 ? 5 : 3;
  std::printf("sent %d, retried %d\n", lines, retried);
  std::fflush(stdout);
  if (AwaitEvent(stop, stop) < 0) return 4;
  CloseHandle(go);
  CloseHandle(stop);
  return 0;
}
