// One quote line through Tickwell's real path on the DDE model: the receiver's WM_COPYDATA, the
// window's line handler (split, check, the item publishes of both layouts with change detection,
// advise posts) and the linked clients' advise data, with 1,000 and 10,000 symbols published,
// MetaTrader 4's layout on or off.
// Beside it the same posts made by a bare server on the model (a data handle per change, one
// DdePostAdvise per item, the same answer to every request), so that what Tickwell adds per line
// and per further link can be told from what the model itself costs. Lines go round the
// symbols, so each finds its items among all the others. Also: the memory one more symbol costs.
#include <benchmark/benchmark.h>

#ifndef _WIN32
#include <malloc.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "interapp/inter_app.h"
#include "interapp/terminal_label.h"
#include "platform/clipboard_format.h"
#include "platform/ddeml.h"
#include "platform/window.h"

namespace {

using namespace tickwell;

// What a line changes: six items of the symbol's topic under MT5, and, with MetaTrader 4's layout
// on, the symbol's item in four topics of that layout (its HIGH and LOW come only with a day's
// range).
constexpr std::array<const char*, 6> kItems = {"BID", "ASK", "LAST", "TIME", "VOLUME", "QUOTE"};
constexpr std::array<const char*, 4> kMt4Topics = {"BID", "ASK", "TIME", "QUOTE"};

// MetaTrader 4's layout in a figure: off; on, with every client linking its items too; on, with
// the clients linking MT5's items only (the layout published beside, but not read); or on, with
// the clients linking its items only (a workbook made for MetaTrader 4, MT5's items unread).
enum Mt4 { kMt4Off = 0, kMt4Linked = 1, kMt4Unlinked = 2, kMt4Only = 3 };
Mt4 Mt4Of(const benchmark::State& state) { return static_cast<Mt4>(state.range(2)); }
bool LinksMt5(Mt4 mt4) { return mt4 != kMt4Only; }
bool LinksMt4(Mt4 mt4) { return mt4 == kMt4Linked || mt4 == kMt4Only; }
// The changes a line posts to each linking client.
int LinkedPostsPerLine(Mt4 mt4) {
  return (LinksMt5(mt4) ? kItems.size() : 0) + (LinksMt4(mt4) ? kMt4Topics.size() : 0);
}

std::string Symbol(int i) { return "SYM" + std::to_string(i); }

// Every tick moves the time by a minute, so MetaTrader 4's minute-exact time changes too.
std::string Line(int symbol, int tick) {
  const std::string t = std::to_string(tick);
  return Symbol(symbol) + ";1." + t + ";2." + t + ";3." + t + ";" +
         std::to_string(1700000000 + 60 * tick) + ";" + t;
}

void Deliver(TMainForm& form, const std::string& line, platform::Hwnd sender = 1) {
  platform::SendCopyData(form.Receiver().Handle(), sender,
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

// A client instance holding a hot link on everything a line changes, for every symbol, in the
// layouts it reads (Mt4); counts what it is sent.
struct Client {
  Client(int symbols, Mt4 mt4, std::uint64_t& received) {
    platform::DdeInitialize(
        id,
        [&received](unsigned type, unsigned, platform::Hconv, platform::Hsz, platform::Hsz,
                    platform::HddeData, std::uintptr_t, std::uintptr_t) -> platform::HddeData {
          if (type != platform::kXtypAdvData) return 0;
          ++received;
          return platform::kDdeFAck;
        },
        0);
    const auto name = [this](const std::string& text) {
      return platform::DdeCreateStringHandle(id, text);
    };
    const auto link = [this](platform::Hconv conv, platform::Hsz item) {
      std::uint32_t status = 0;
      if (!conv || !platform::DdeClientTransaction(nullptr, 0, conv, item, 1,
                                                   platform::kXtypAdvStart, 1000, &status))
        ++failed;
    };
    const platform::Hsz mt5 = name("MT5"), mt4Service = name("MT4");
    std::vector<platform::Hsz> items, symbolNames;
    for (const char* item : kItems) items.push_back(name(item));
    for (int s = 0; s < symbols; ++s) {
      symbolNames.push_back(name(Symbol(s)));
      if (!LinksMt5(mt4)) continue;
      const platform::Hconv conv = platform::DdeConnect(id, mt5, symbolNames.back());
      for (platform::Hsz item : items) link(conv, item);
    }
    if (LinksMt4(mt4))
      for (const char* topic : kMt4Topics) {
        const platform::Hconv conv = platform::DdeConnect(id, mt4Service, name(topic));
        for (platform::Hsz symbol : symbolNames) link(conv, symbol);
      }
  }
  ~Client() { platform::DdeUninitialize(id); }
  platform::DdeInstance id = 0;
  int failed = 0;
};

// Tickwell's window logic with DDE on (MetaTrader 4's layout on or off) and every symbol
// published once.
std::unique_ptr<TMainForm> Published(int symbols, Mt4 mt4 = kMt4Linked) {
  auto form = std::make_unique<TMainForm>();
  form->FormCreate();
  if (!form->ChangeMt4Settings(mt4 != kMt4Off, "MT4").empty()) return nullptr;
  form->DdeButtonClick();  // DDE on
  for (int s = 0; s < symbols; ++s) Deliver(*form, Line(s, 0));
  Drain();
  return form;
}

// The lines are made before the clock runs: making them is the terminal's work.
std::vector<std::string> Lines(int symbols) {
  std::vector<std::string> lines;
  for (int tick = 1; tick <= 4; ++tick)
    for (int s = 0; s < symbols; ++s) lines.push_back(Line(s, tick));
  return lines;
}

// Every line changes every linked value; a line sent again after a full round still differs
// from the one before it for its symbol.
void CheckReceived(benchmark::State& state, std::uint64_t received, int clients, Mt4 mt4) {
  const auto expected =
      static_cast<std::uint64_t>(state.iterations()) * LinkedPostsPerLine(mt4) * clients;
  if (received != expected) state.SkipWithError("a client missed updates");
}

// range(0) symbols, range(1) clients each linking everything, range(2) MetaTrader 4's layout
// (Mt4).
void BM_QuotePath(benchmark::State& state) {
  const int symbols = static_cast<int>(state.range(0));
  const int clients = static_cast<int>(state.range(1));
  const Mt4 mt4 = Mt4Of(state);
  std::uint64_t received = 0;
  auto form = Published(symbols, mt4);
  if (!form) {
    state.SkipWithError("the layout could not be set");
    return;
  }
  std::vector<std::unique_ptr<Client>> linked;
  for (int c = 0; c < clients; ++c) {
    linked.push_back(std::make_unique<Client>(symbols, mt4, received));
    if (linked.back()->failed) state.SkipWithError("a link could not be made");
  }
  Drain();
  received = 0;
  const std::vector<std::string> lines = Lines(symbols);
  std::size_t next = 0;
  for (auto _ : state) {
    OneLine(*form, lines[next]);
    if (++next == lines.size()) next = 0;
  }
  CheckReceived(state, received, clients, mt4);
  state.SetItemsProcessed(state.iterations());
  linked.clear();
  form.reset();
}
// symbols, links per item, MetaTrader 4's layout: both layouts linked throughout, and the linked
// line with MT5's alone, with MetaTrader 4's on but not linked, and with only MetaTrader 4's
// linked.
void PathArgs(benchmark::internal::Benchmark* b) {
  for (int symbols : {1000, 10000})
    for (int links : {0, 1}) b->Args({symbols, links, kMt4Linked});
  for (int links : {2, 4, 8}) b->Args({1000, links, kMt4Linked});
  for (int symbols : {1000, 10000})
    for (Mt4 mt4 : {kMt4Off, kMt4Unlinked, kMt4Only}) b->Args({symbols, 1, mt4});
  b->ArgNames({"symbols", "links", "mt4"});
}
BENCHMARK(BM_QuotePath)->Apply(PathArgs);

// range(0) terminals, each named by its sender and quoting range(2) symbols; one client
// links the six items of every symbol in every terminal's own service (MT5_T0, MT5_T1, ...), so
// each line is linked alike whatever the number of terminals. Lines go round the symbols and,
// for each, round the terminals. MetaTrader 4's layout is on and not read.
void BM_QuotePathTerminals(benchmark::State& state) {
  const int terminals = static_cast<int>(state.range(0));
  const bool sameNames = state.range(1) != 0;
  // Each terminal's symbols: the same names in every one (DDEML then offers each change to the
  // links of every terminal's item of that name), or names of their own.
  const auto name = [&](int t, int s) {
    return sameNames ? Symbol(s) : "T" + std::to_string(t) + Symbol(s);
  };
  const auto line = [&](int t, int s, int tick) {
    return sameNames ? Line(s, tick) : "T" + std::to_string(t) + Line(s, tick);
  };
  const int kSymbols = static_cast<int>(state.range(2));
  auto form = std::make_unique<TMainForm>();
  form->FormCreate();
  form->DdeButtonClick();  // DDE on
  const auto sender = [](int t) { return static_cast<platform::Hwnd>(100 + t); };
  for (int t = 0; t < terminals; ++t) {
    const std::string message = TerminalMessage("T" + std::to_string(t));
    platform::SendCopyData(form->Receiver().Handle(), sender(t),
                           {pkData, static_cast<std::uint32_t>(message.size()), message.data()});
  }
  form->DoWork();
  for (int t = 0; t < terminals; ++t)
    for (int s = 0; s < kSymbols; ++s) Deliver(*form, line(t, s, 0), sender(t));
  Drain();
  std::uint64_t received = 0;
  platform::DdeInstance client = 0;
  platform::DdeInitialize(
      client,
      [&received](unsigned type, unsigned, platform::Hconv, platform::Hsz, platform::Hsz,
                  platform::HddeData, std::uintptr_t, std::uintptr_t) -> platform::HddeData {
        if (type != platform::kXtypAdvData) return 0;
        ++received;
        return platform::kDdeFAck;
      },
      0);
  for (int t = 0; t < terminals; ++t) {
    const platform::Hsz service =
        platform::DdeCreateStringHandle(client, "MT5_T" + std::to_string(t));
    for (int s = 0; s < kSymbols; ++s) {
      const platform::Hconv conv = platform::DdeConnect(
          client, service, platform::DdeCreateStringHandle(client, name(t, s)));
      for (const char* item : kItems) {
        std::uint32_t status = 0;
        if (!conv || !platform::DdeClientTransaction(nullptr, 0, conv,
                                                     platform::DdeCreateStringHandle(client, item),
                                                     1, platform::kXtypAdvStart, 1000, &status))
          state.SkipWithError("a link could not be made");
      }
    }
  }
  Drain();
  received = 0;
  std::vector<std::pair<platform::Hwnd, std::string>> lines;
  for (int tick = 1; tick <= 4; ++tick)
    for (int s = 0; s < kSymbols; ++s)
      for (int t = 0; t < terminals; ++t) lines.emplace_back(sender(t), line(t, s, tick));
  std::size_t next = 0;
  for (auto _ : state) {
    Deliver(*form, lines[next].second, lines[next].first);
    Drain();
    if (++next == lines.size()) next = 0;
  }
  if (received != static_cast<std::uint64_t>(state.iterations()) * kItems.size())
    state.SkipWithError(("the client missed updates: " + std::to_string(received) + " of " +
                         std::to_string(state.iterations() * kItems.size()))
                            .c_str());
  state.SetItemsProcessed(state.iterations());
  platform::DdeUninitialize(client);
  form.reset();
}
BENCHMARK(BM_QuotePathTerminals)
    ->Args({1, 1, 1000})
    ->Args({1, 1, 8000})
    ->Args({8, 1, 1000})
    ->Args({8, 0, 1000})
    ->ArgNames({"terminals", "same_names", "symbols"});

// A bare server on the model serving the same names: it accepts every connection and link and
// answers every advise request with the handle made for the change being posted.
struct BareServer {
  BareServer() {
    platform::DdeInitialize(
        id,
        [this](unsigned type, unsigned, platform::Hconv, platform::Hsz, platform::Hsz,
               platform::HddeData, std::uintptr_t, std::uintptr_t) -> platform::HddeData {
          if (type == platform::kXtypConnect || type == platform::kXtypAdvStart) return 1;
          if (type == platform::kXtypAdvReq) return current;
          return 0;
        },
        0);
    for (const char* service : {"MT5", "MT4"})
      platform::DdeNameService(id, platform::DdeCreateStringHandle(id, service),
                               platform::kDnsRegister);
  }
  ~BareServer() { platform::DdeUninitialize(id); }
  // One change: its value made into a handle the server keeps, posted, and freed.
  void Post(platform::Hsz topic, platform::Hsz item, const std::string& value) {
    current = platform::DdeCreateDataHandle(id, value.c_str(),
                                            static_cast<std::uint32_t>(value.size() + 1), 0, item,
                                            1, platform::kHdataAppOwned);
    platform::DdePostAdvise(id, topic, item);
    platform::DdeFreeDataHandle(current);
    current = 0;
  }
  platform::DdeInstance id = 0;
  platform::HddeData current = 0;
};

// The bare server's posts for one line: the symbol's six MT5 items and, with MetaTrader 4's
// layout (linked or not), its item in four MT4 topics.
[[gnu::noinline]] void BareLine(BareServer& server, platform::Hsz symbol,
                                const std::array<platform::Hsz, kItems.size()>& items,
                                const std::array<platform::Hsz, kMt4Topics.size()>& mt4Topics,
                                bool mt4, const std::string& value) {
  for (platform::Hsz item : items) server.Post(symbol, item, value);
  if (mt4)
    for (platform::Hsz topic : mt4Topics) server.Post(topic, symbol, value);
  Drain();
}

void BM_BarePath(benchmark::State& state) {
  const int symbols = static_cast<int>(state.range(0));
  const int clients = static_cast<int>(state.range(1));
  const Mt4 mt4 = Mt4Of(state);
  std::uint64_t received = 0;
  BareServer server;
  std::vector<std::unique_ptr<Client>> linked;
  for (int c = 0; c < clients; ++c) {
    linked.push_back(std::make_unique<Client>(symbols, mt4, received));
    if (linked.back()->failed) state.SkipWithError("a link could not be made");
  }
  Drain();
  received = 0;
  std::vector<platform::Hsz> symbolNames;
  for (int s = 0; s < symbols; ++s)
    symbolNames.push_back(platform::DdeCreateStringHandle(server.id, Symbol(s)));
  std::array<platform::Hsz, kItems.size()> items{};
  for (std::size_t i = 0; i < kItems.size(); ++i)
    items[i] = platform::DdeCreateStringHandle(server.id, kItems[i]);
  std::array<platform::Hsz, kMt4Topics.size()> mt4Topics{};
  for (std::size_t i = 0; i < kMt4Topics.size(); ++i)
    mt4Topics[i] = platform::DdeCreateStringHandle(server.id, kMt4Topics[i]);
  const std::string value = "1.23456";
  int next = 0;
  for (auto _ : state) {
    BareLine(server, symbolNames[next], items, mt4Topics, mt4 != kMt4Off, value);
    if (++next == symbols) next = 0;
  }
  CheckReceived(state, received, clients, mt4);
  state.SetItemsProcessed(state.iterations());
  linked.clear();
}
BENCHMARK(BM_BarePath)->Apply(PathArgs);

// Heap bytes held per published symbol (its topic and items, their values, the kept line), with
// range(0) symbols: the heap in use after publishing them, less the heap with one symbol. With
// range(1), a client has read each symbol in MetaTrader 4's layout too (its items there made),
// otherwise only MT5's layout was read.
void BM_MemoryPerSymbol(benchmark::State& state) {
  const int symbols = static_cast<int>(state.range(0));
  const bool mt4Read = state.range(1) != 0;
  double per_symbol = 0;
  for (auto _ : state) {
    auto form = Published(1);
    TDDEMLManager& dde = form->DdeManager();
    const auto read = [&](int s) {
      bool valid = true;
      if (mt4Read)
        dde.OnRequestReceived(dde, "MT4", "BID", Symbol(s), 0, TDDEMLClipFmtType{},
                              platform::kCfText, valid);
    };
    read(0);
    const std::size_t before = mallinfo2().uordblks;
    for (int s = 1; s < symbols; ++s) {
      Deliver(*form, Line(s, 0));
      read(s);
    }
    Drain();
    const std::size_t after = mallinfo2().uordblks;
    per_symbol = static_cast<double>(after - before) / (symbols - 1);
  }
  state.counters["bytes_per_symbol"] = per_symbol;
}
BENCHMARK(BM_MemoryPerSymbol)
    ->Args({10000, 0})
    ->Args({10000, 1})
    ->ArgNames({"symbols", "mt4read"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
#endif
