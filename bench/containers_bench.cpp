// What a name lookup costs: Search in a sorted container of 10,000 named objects, as services,
// topics and items are found by name, with the names compared without regard to ASCII case.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "support/containers.h"
#include "support/zstring.h"

namespace {

using tickwell::TObject;
using tickwell::TObjectContainer;

struct NamedObject : TObject {
  explicit NamedObject(std::string n) : name(std::move(n)) {}
  std::string name;
};

int CompareNames(const void* a, const void* b) {
  const auto* x = static_cast<const NamedObject*>(TObjectContainer::SlotObject(a));
  const auto* y = static_cast<const NamedObject*>(TObjectContainer::SlotObject(b));
  return tickwell::StrICompSafe(x->name.c_str(), y->name.c_str());
}

std::string SymbolName(int i) { return "SYMBOL" + std::to_string(i * 7919 % 100003); }

void Fill(TObjectContainer& c, int count) {
  c.SetOnCompare(CompareNames);
  c.SetSortOrder(tickwell::soAscending);
  for (int i = 0; i < count; ++i) c.Add(new NamedObject(SymbolName(i)));
}

void BM_SearchSortedNames(benchmark::State& state) {
  TObjectContainer c;
  Fill(c, 10000);
  // Half the probes are present (in another letter case), half are absent.
  std::vector<NamedObject> probes;
  for (int i = 0; i < 1024; ++i) {
    std::string name = i % 2 ? SymbolName(i * 13 % 10000) : "symbol" + std::to_string(i) + "x";
    if (i % 2) name[0] = 's';
    probes.emplace_back(name);
  }
  std::size_t next = 0;
  int found = 0;
  for (auto _ : state) {
    const TObject* key = &probes[next++ & 1023];
    int index = 0;
    found += c.Search(&key, index);
    benchmark::DoNotOptimize(index);
  }
  state.counters["found"] = found;
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SearchSortedNames);

void BM_BuildSortedContainer(benchmark::State& state) {
  for (auto _ : state) {
    TObjectContainer c;
    Fill(c, static_cast<int>(state.range(0)));
    benchmark::DoNotOptimize(c.Count());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BuildSortedContainer)->Arg(10000);

}  // namespace
