// What splitting one quote line costs, and the whole line handler without the DDE publishing.
#include <benchmark/benchmark.h>

#include "app/main_form.h"
#include "support/tokenizer.h"

namespace {

const std::string kLine = "EURUSD;1.08501;1.08503;1.08502;1700000000;15";

void BM_TokenizeQuoteLine(benchmark::State& state) {
  const tickwell::TCharSet seps{';'};
  tickwell::TStringList list;
  for (auto _ : state) {
    list.Clear();
    tickwell::StringManager().Tokenize(kLine, list, seps);
    benchmark::DoNotOptimize(list.Count());
  }
}
BENCHMARK(BM_TokenizeQuoteLine);

void BM_TokenizeLongLineWithEmptyFields(benchmark::State& state) {
  std::string line;
  for (int i = 0; i < 40; ++i) line += "field" + std::to_string(i) + ";;";
  const tickwell::TCharSet seps{';'};
  tickwell::TStringList list;
  for (auto _ : state) {
    list.Clear();
    tickwell::StringManager().Tokenize(line, list, seps);
    benchmark::DoNotOptimize(list.Count());
  }
}
BENCHMARK(BM_TokenizeLongLineWithEmptyFields);

void BM_HandleQuoteLine(benchmark::State& state) {
  tickwell::TMainForm form;
  form.FormCreate();
  for (auto _ : state) form.QuoteLineReceived(form.Receiver(), 0, kLine);
}
BENCHMARK(BM_HandleQuoteLine);

}  // namespace
