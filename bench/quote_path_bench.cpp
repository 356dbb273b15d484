// One quote line through Tickwell's real path on the DDE model: the receiver's WM_COPYDATA, the
// window's line handler (split, check, six publishes with change detection, advise posts) and the
// linked client's advise data, with 1,000 and 10,000 symbols published. Lines go round the
// symbols, so each finds its items among all the others. Also: the memory one more symbol costs.
#include <benchmark/benchmark.h>

#ifndef _WIN32
#include <malloc.h>

#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "interapp/inter_app.h"
#include "platform/ddeml.h"
#include "platform/window.h"

namespace {

using namespace tickwell;

constexpr const char* kItems[] = {"BID", "ASK", "LAST", "TIME", "VOLUME", "QUOTE"};

std::string Symbol(int i) { return "SYM" + std::to_string(i); }

std::string Line(int symbol, int tick) {
  const std::string t = std::to_string(tick);
  return Symbol(symbol) + ";1." + t + ";2." + t + ";3." + t + ";" +
         std::to_string(1700000000 + tick) + ";" + t;
}

void Deliver(TMainForm& form, const std::string& line) {
  platform::SendCopyData(form.Receiver().Handle(), 1,
                         {pkString, static_cast<std::uint32_t>(line.size()), line.data()});
}

void Drain() {
  while (platform::PumpMessages() > 0) {
  }
}

// One timed line and everything it sets off; kept a function of its own so a profiler can count
// just this (valgrind --tool=callgrind --toggle-collect='*OneLine*').
[[gnu::noinline]] void OneLine(TMainForm& form, const std::string& line) {
  Deliver(form, line);
  Drain();
}

// A client holding one hot link on every item of every symbol; counts what it is sent.
struct Client {
  Client(int symbols, std::uint64_t& received) {
    platform::DdeInitialize(
        id,
        [&received](unsigned type, unsigned, platform::Hconv, platform::Hsz, platform::Hsz,
                    platform::HddeData, std::uintptr_t, std::uintptr_t) -> platform::HddeData {
          if (type != platform::kXtypAdvData) return 0;
          ++received;
          return platform::kDdeFAck;
        },
        0);
    const platform::Hsz service = platform::DdeCreateStringHandle(id, "MT5");
    std::vector<platform::Hsz> items;
    for (const char* item : kItems) items.push_back(platform::DdeCreateStringHandle(id, item));
    for (int s = 0; s < symbols; ++s) {
      const platform::Hsz topic = platform::DdeCreateStringHandle(id, Symbol(s));
      const platform::Hconv conv = platform::DdeConnect(id, service, topic);
      for (platform::Hsz item : items) {
        std::uint32_t status = 0;
        if (!platform::DdeClientTransaction(nullptr, 0, conv, item, 1, platform::kXtypAdvStart,
                                            1000, &status))
          ++failed;
      }
    }
  }
  ~Client() { platform::DdeUninitialize(id); }
  platform::DdeInstance id = 0;
  int failed = 0;
};

// Tickwell's window logic with DDE on and every symbol published once.
std::unique_ptr<TMainForm> Published(int symbols) {
  auto form = std::make_unique<TMainForm>();
  form->FormCreate();
  form->DdeButtonClick();  // DDE on
  for (int s = 0; s < symbols; ++s) Deliver(*form, Line(s, 0));
  Drain();
  return form;
}

void BM_QuotePath(benchmark::State& state) {
  const int symbols = static_cast<int>(state.range(0));
  const bool linked = state.range(1) != 0;
  std::uint64_t received = 0;
  auto form = Published(symbols);
  std::unique_ptr<Client> client;
  if (linked) {
    client = std::make_unique<Client>(symbols, received);
    if (client->failed) state.SkipWithError("a link could not be made");
    Drain();
  }
  received = 0;
  // The lines are made before the clock runs: making them is the terminal's work.
  std::vector<std::string> lines;
  for (int tick = 1; tick <= 4; ++tick)
    for (int s = 0; s < symbols; ++s) lines.push_back(Line(s, tick));
  std::size_t next = 0;
  for (auto _ : state) {
    OneLine(*form, lines[next]);
    if (++next == lines.size()) next = 0;
  }
  // Every line changes all six items; a line sent again after a full round still differs from
  // the one before it for its symbol.
  if (linked && received != static_cast<std::uint64_t>(state.iterations()) * 6)
    state.SkipWithError("the client missed updates");
  state.SetItemsProcessed(state.iterations());
  client.reset();
  form.reset();
}
BENCHMARK(BM_QuotePath)
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->ArgNames({"symbols", "linked"});

// Heap bytes held per published symbol (its topic, six items and their values, the kept line),
// with 10,000 symbols: the heap in use after publishing them, less the heap with one symbol.
void BM_MemoryPerSymbol(benchmark::State& state) {
  const int symbols = static_cast<int>(state.range(0));
  double per_symbol = 0;
  for (auto _ : state) {
    auto form = Published(1);
    const std::size_t before = mallinfo2().uordblks;
    for (int s = 1; s < symbols; ++s) Deliver(*form, Line(s, 0));
    Drain();
    const std::size_t after = mallinfo2().uordblks;
    per_symbol = static_cast<double>(after - before) / (symbols - 1);
  }
  state.counters["bytes_per_symbol"] = per_symbol;
}
BENCHMARK(BM_MemoryPerSymbol)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
#endif
