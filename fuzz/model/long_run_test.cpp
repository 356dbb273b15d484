// The long run: a million quote lines over 200 symbols through the program's window with DDE on,
// four clients holding hot links on every item of every symbol, one client leaving and a new one
// coming every 100,000 lines, DDE switched off and on half-way. The heap in use is measured (and
// printed) as the run goes: after the first pass over the symbols it must stay flat. At the end
// every client holds every item's last value, and once the program and the clients are gone no
// string handle, data handle, conversation or window is left. TICKWELL_LONG_RUN_LINES shortens it.
#include <gtest/gtest.h>

#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/model_counts.h"
#include "fuzz/session.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's own count of live heap bytes (its malloc keeps no mallinfo).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace tickwell::fuzz {
namespace {

constexpr int kSymbols = 200;
constexpr int kClients = 4;

std::size_t HeapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

std::string Symbol(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "SYM%03d", i);
  return name;
}

std::string Line(long n) {
  const int symbol = static_cast<int>(n % kSymbols);
  const long tick = n / kSymbols;
  char line[128];
  std::snprintf(line, sizeof line, "%s;1.%05ld;1.%05ld;1.%05ld;%ld;%ld", Symbol(symbol).c_str(),
                tick % 100000, (tick + 3) % 100000, (tick + 1) % 100000, 1700000000 + n, n % 1000);
  return line;
}

// A client linked to every item of every symbol.
std::unique_ptr<Client> LinkedClient() {
  auto c = std::make_unique<Client>();
  for (int s = 0; s < kSymbols; ++s) {
    const std::string topic = Symbol(s);
    if (!c->Connect(topic)) return nullptr;
    for (const std::string& item : QuoteItems())
      if (!c->Link(topic, item)) return nullptr;
  }
  return c;
}

TEST(LongRun, MillionLinesLeaveMemoryFlatAndEveryClientCurrent) {
  const char* env = std::getenv("TICKWELL_LONG_RUN_LINES");
  const long lines = env ? std::atol(env) : 1000000;
  ASSERT_GE(lines, 10 * kSymbols);
  const ModelCounts empty = ModelCounts::Now();
  const auto started = std::chrono::steady_clock::now();
  std::size_t settled = 0, highest = 0;
  {
    Tickwell app;
    std::vector<std::unique_ptr<Client>> clients;
    for (long n = 0; n < kSymbols; ++n) app.Feed(Line(n));
    for (int k = 0; k < kClients; ++k) {
      clients.push_back(LinkedClient());
      ASSERT_TRUE(clients.back()) << "client " << k << " could not link";
    }
    const long churn = std::max<long>(lines / 10, kSymbols);
    int leaving = 0;
    for (long n = kSymbols; n < lines; ++n) {
      app.Feed(Line(n));
      if (n == lines / 2) {  // DDE off and on: every client links again
        app.ToggleDde();
        app.ToggleDde();
        for (auto& c : clients) c = LinkedClient();
        for (auto& c : clients) ASSERT_TRUE(c) << "a client could not link after DDE came back";
      } else if (n % churn == 0) {  // one client leaves, a new one comes
        clients[leaving]->DisconnectAll();
        clients[leaving] = LinkedClient();
        ASSERT_TRUE(clients[leaving]) << "a new client could not link at line " << n;
        leaving = (leaving + 1) % kClients;
      }
      if (n % churn == churn / 2) {
        const std::size_t heap = HeapInUse();
        if (settled == 0) settled = heap;
        highest = std::max(highest, heap);
        std::printf("long run: line %7ld, heap in use %zu bytes, %zu string handles, %zu data "
                    "handles, %llu updates to the first client\n",
                    n, heap, platform::sim::DdeStringHandleCount(),
                    platform::sim::DdeDataHandleCount(),
                    static_cast<unsigned long long>(clients[0]->Updates()));
      }
    }
    EXPECT_EQ(app.Reports(), 0) << app.LastReport();
    for (long n = lines - kSymbols; n < lines; ++n) {
      const std::string line = Line(n);
      const std::string topic = line.substr(0, line.find(';'));
      ASSERT_EQ(app.Item(topic, "QUOTE"), line);
      for (int k = 0; k < kClients; ++k)
        for (const std::string& item : QuoteItems())
          ASSERT_EQ(Folded(clients[k]->Value(topic, item)), Folded(app.Item(topic, item)))
              << "client " << k << ", " << topic << " " << item;
    }
  }
  const ModelCounts after = ModelCounts::Now();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("long run: %ld lines in %.1f s; heap in use %zu bytes after the first pass, at most "
              "%zu; left at the end: %s\n",
              lines, seconds, settled, highest, after.Text().c_str());
  EXPECT_EQ(after, empty);
  // Flat: what the run holds after its first pass over the symbols grows by less than 1 MiB.
  EXPECT_LT(highest - settled, std::size_t{1} << 20);
}

}  // namespace
}  // namespace tickwell::fuzz
