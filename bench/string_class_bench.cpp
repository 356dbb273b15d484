// What cutting an execute parameter list costs: Split of a 200-character list at ',' into new
// string objects, and the building of one trace line from an argument list.
#include <benchmark/benchmark.h>

#include <string>

#include "support/string_class.h"

namespace {

using tickwell::TObjectContainer;
using tickwell::TStringClass;

std::string ParameterList() {
  std::string text;
  for (int i = 0; text.size() < 200; ++i) {
    if (!text.empty()) text += ',';
    text += i % 3 == 0 ? "\"EURUSD\"" : std::to_string(1.0 + i * 0.0625);
  }
  return text.substr(0, 200);
}

void BM_SplitParameterList(benchmark::State& state) {
  TStringClass params;
  params.SetText(ParameterList());
  TObjectContainer pieces;
  std::uint16_t count = 0;
  for (auto _ : state) {
    pieces.Clear();
    count = params.Split(',', 0, pieces);
    benchmark::DoNotOptimize(count);
  }
  state.counters["pieces"] = count;
  state.SetBytesProcessed(state.iterations() * params.Length());
}
BENCHMARK(BM_SplitParameterList);

void BM_BuildTraceLine(benchmark::State& state) {
  TStringClass line;
  for (auto _ : state) {
    line.SetTo("TDDEMLManager", " : ", "XTypAdvReq", " Topic = ", "EURUSD", " Item = ", "BID",
               " Count = ", 3, " Ok = ", true, " Value = ", 1.08125);
    benchmark::DoNotOptimize(line.Text());
  }
}
BENCHMARK(BM_BuildTraceLine);

}  // namespace
