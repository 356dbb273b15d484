// Hot paths of the in-process DDEML model: string-handle create and compare, and a post advise
// served to 1 and 10 hot links (XTYP_ADVREQ at the server, XTYP_ADVDATA at each client).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/clipboard_format.h"
#include "platform/ddeml.h"
#include "platform/window.h"

namespace {

using namespace platform;

struct Instance {
  DdeInstance id = 0;
  DdeCallback callback;
  explicit Instance(std::uint32_t flags, DdeCallback cb = nullptr) {
    if (!cb)
      cb = [](unsigned type, unsigned, Hconv, Hsz, Hsz, HddeData, std::uintptr_t,
              std::uintptr_t) -> HddeData {
        return type == kXtypConnect || type == kXtypAdvStart ? 1
               : type == kXtypAdvData                        ? kDdeFAck
                                                             : 0;
      };
    DdeInitialize(id, cb, flags);
  }
  ~Instance() { DdeUninitialize(id); }
};

void BM_CreateAndFreeStringHandle(benchmark::State& state) {
  Instance a(kAppCmdClientOnly);
  // A populated table, as a server with ten symbols and six items has.
  for (int i = 0; i < 80; ++i) DdeCreateStringHandle(a.id, "NAME" + std::to_string(i));
  const std::string name = "EURUSD";
  for (auto _ : state) {
    Hsz h = DdeCreateStringHandle(a.id, name);
    benchmark::DoNotOptimize(h);
    DdeFreeStringHandle(a.id, h);
  }
}
BENCHMARK(BM_CreateAndFreeStringHandle);

void BM_CmpStringHandles(benchmark::State& state) {
  Instance a(kAppCmdClientOnly);
  Hsz x = DdeCreateStringHandle(a.id, "BID");
  Hsz y = DdeCreateStringHandle(a.id, "ASK");
  for (auto _ : state) benchmark::DoNotOptimize(DdeCmpStringHandles(x, y));
}
BENCHMARK(BM_CmpStringHandles);

void BM_PostAdvise(benchmark::State& state) {
  const int links = static_cast<int>(state.range(0));
  std::unique_ptr<Instance> server;
  server = std::make_unique<Instance>(
      kAppCmdFilterInits,
      [&server](unsigned type, unsigned, Hconv, Hsz, Hsz item, HddeData, std::uintptr_t,
                std::uintptr_t) -> HddeData {
        if (type == kXtypAdvReq)
          return DdeCreateDataHandle(server->id, "1.08425", 8, 0, item, kCfText, 0);
        return type == kXtypConnect || type == kXtypAdvStart ? 1 : 0;
      });
  Hsz service = DdeCreateStringHandle(server->id, "BenchSvc");
  DdeNameService(server->id, service, kDnsRegister);
  std::vector<std::unique_ptr<Instance>> clients;
  for (int i = 0; i < links; ++i) {
    clients.push_back(std::make_unique<Instance>(kAppCmdClientOnly));
    DdeInstance c = clients.back()->id;
    Hconv conv =
        DdeConnect(c, DdeCreateStringHandle(c, "BenchSvc"), DdeCreateStringHandle(c, "EURUSD"));
    DdeClientTransaction(nullptr, 0, conv, DdeCreateStringHandle(c, "BID"), kCfText, kXtypAdvStart,
                         1000, nullptr);
  }
  PumpMessages();
  Hsz topic = DdeCreateStringHandle(server->id, "EURUSD");
  Hsz item = DdeCreateStringHandle(server->id, "BID");
  for (auto _ : state) {
    DdePostAdvise(server->id, topic, item);
    PumpMessages();
  }
  state.SetItemsProcessed(state.iterations() * links);
  clients.clear();
  server.reset();
  PumpMessages();
}
BENCHMARK(BM_PostAdvise)->Arg(1)->Arg(10);

}  // namespace
