// Publishing quotes through service, topic and item (lookups and change detection), and the
// spreadsheet table conversion.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "dde/model/service.h"
#include "dde/model/xltable.h"
#include "platform/ddeml.h"

namespace {

using namespace tickwell;

platform::DdeInstance StartInstance() {
  platform::DdeInstance id = 0;
  platform::DdeInitialize(
      id,
      [](unsigned, unsigned, platform::Hconv, platform::Hsz, platform::Hsz, platform::HddeData,
         std::uintptr_t, std::uintptr_t) -> platform::HddeData { return 0; },
      0);
  return id;
}

// One quote line's six items for each symbol in turn; every value changes.
void BM_SetItemText(benchmark::State& state) {
  const int symbols = static_cast<int>(state.range(0));
  const platform::DdeInstance id = StartInstance();
  {
    TDDEMLService service;
    service.Name = "MT5";
    service.SetName(id, "MT5");
    std::vector<std::string> names;
    for (int i = 0; i < symbols; ++i) names.push_back("SYM" + std::to_string(i));
    const char* items[] = {"BID", "ASK", "LAST", "TIME", "VOLUME", "QUOTE"};
    for (const auto& n : names)
      for (const char* item : items) service.AddAdvise(n, item, 1);
    int tick = 0;
    for (auto _ : state) {
      const std::string value = std::to_string(++tick);
      const std::string& symbol = names[tick % symbols];
      for (const char* item : items) service.SetItemText(symbol, item, value);
    }
    state.SetItemsProcessed(state.iterations() * 6);
  }
  platform::DdeUninitialize(id);
}
BENCHMARK(BM_SetItemText)->Arg(1000)->Arg(10000);

void BM_TextToXlTable(benchmark::State& state) {
  std::string text;
  if (state.range(0) == 1) {
    text = "1.08525";
  } else {
    text = "{10,10}F,100";
    for (int i = 0; i < 100; ++i) text += "," + std::to_string(i) + ".25";
  }
  std::vector<std::uint8_t> out;
  for (auto _ : state) {
    WriteXlTable("BID", text, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_TextToXlTable)->Arg(1)->Arg(100);

}  // namespace
