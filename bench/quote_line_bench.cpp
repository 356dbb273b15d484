// One quote line through the running manager, as the bridge publishes it: six item values set,
// each change posted to every advise link and handed to the linked clients. Measured with 1, 4
// and 16 links on each item, all in one process on the DDE model.
#include <benchmark/benchmark.h>

#ifndef _WIN32
#include <memory>
#include <string>
#include <vector>

#include "dde/manager/manager.h"
#include "platform/ddeml.h"
#include "platform/window.h"

namespace {

using namespace tickwell;

constexpr const char* kItems[] = {"BID", "ASK", "LAST", "TIME", "VOLUME", "QUOTE"};

// A client instance holding hot links on the symbol's six items; counts what it is sent.
struct Client {
  explicit Client(std::uint64_t& received) {
    platform::DdeInitialize(
        id,
        [&received](unsigned type, unsigned, platform::Hconv, platform::Hsz, platform::Hsz,
                    platform::HddeData, std::uintptr_t, std::uintptr_t) -> platform::HddeData {
          if (type != platform::kXtypAdvData) return 0;
          ++received;
          return platform::kDdeFAck;
        },
        0);
    service = platform::DdeCreateStringHandle(id, "MT5");
    topic = platform::DdeCreateStringHandle(id, "EURUSD");
    conv = platform::DdeConnect(id, service, topic);
    for (const char* item : kItems) {
      const platform::Hsz name = platform::DdeCreateStringHandle(id, item);
      std::uint32_t status = 0;
      platform::DdeClientTransaction(nullptr, 0, conv, name, 1, platform::kXtypAdvStart, 1000,
                                     &status);
      platform::DdeFreeStringHandle(id, name);
    }
  }
  ~Client() { platform::DdeUninitialize(id); }
  platform::DdeInstance id = 0;
  platform::Hsz service = 0, topic = 0;
  platform::Hconv conv = 0;
};

void BM_QuoteLine(benchmark::State& state) {
  const int links = static_cast<int>(state.range(0));
  std::uint64_t received = 0;
  {
    TDDEMLManager manager;
    manager.SetScope(ddeServerOnly);
    manager.AddService("MT5");
    manager.SetServiceEnabled("MT5", true);
    manager.OnAdviseStartReceived = [](TDDEMLManager&, const std::string&, const std::string&,
                                       const std::string&, std::int32_t, TDDEMLClipFmtType,
                                       std::uint16_t, bool& allow) { allow = true; };
    manager.InitDDEML();
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < links; ++i) clients.push_back(std::make_unique<Client>(received));
    while (platform::PumpMessages() > 0) {
    }
    received = 0;
    int tick = 0;
    for (auto _ : state) {
      ++tick;
      const std::string line = "EURUSD;1." + std::to_string(tick) + ";1." +
                               std::to_string(tick + 2) + ";1." + std::to_string(tick + 1) + ";" +
                               std::to_string(1700000000 + tick) + ";" + std::to_string(tick);
      // The fields of the line, cut at ';' as the bridge cuts them.
      std::vector<std::string> fields;
      for (std::size_t at = 0, next; at <= line.size(); at = next + 1) {
        next = line.find(';', at);
        if (next == std::string::npos) next = line.size();
        fields.push_back(line.substr(at, next - at));
      }
      for (int i = 0; i < 5; ++i) manager.SetItemText("MT5", fields[0], kItems[i], fields[i + 1]);
      manager.SetItemText("MT5", fields[0], "QUOTE", line);
      while (platform::PumpMessages() > 0) {
      }
    }
    if (received != static_cast<std::uint64_t>(state.iterations()) * 6 * links)
      state.SkipWithError("a linked client missed updates");
    state.SetItemsProcessed(state.iterations());
    state.counters["updates_per_line"] = 6.0 * links;
    clients.clear();
  }
}
BENCHMARK(BM_QuoteLine)->Arg(1)->Arg(4)->Arg(16);

}  // namespace
#endif
