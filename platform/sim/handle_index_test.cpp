// The model's handle index against an ordered map: removals in the middle of a run of entries
// that share or wrap around their home slots must leave every other entry reachable.
#include "platform/sim/handle_index.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <vector>

namespace platform::sim {
namespace {

template <unsigned Shift>
void ExpectSame(const HandleIndex<int, Shift>& index, const std::map<std::uintptr_t, int*>& model,
                const std::vector<std::uintptr_t>& asked) {
  ASSERT_EQ(index.size(), model.size());
  for (std::uintptr_t handle : asked) {
    const auto found = model.find(handle);
    ASSERT_EQ(index.Find(handle), found == model.end() ? nullptr : found->second)
        << "handle " << handle;
  }
}

// Random inserts and removals over handles made by `next`, checking every handle ever used.
template <unsigned Shift, typename Next>
void Churn(Next next, unsigned seed, int steps) {
  HandleIndex<int, Shift> index;
  std::map<std::uintptr_t, int*> model;
  std::vector<int> objects(4096);
  std::vector<std::uintptr_t> used;
  std::mt19937 random(seed);
  for (int step = 0; step < steps; ++step) {
    if (model.empty() || random() % 3 != 0) {
      const std::uintptr_t handle = next();
      int* object = &objects[used.size() % objects.size()];
      index.Insert(handle, object);
      model[handle] = object;
      used.push_back(handle);
    } else {
      auto victim = model.begin();
      std::advance(victim, random() % model.size());
      index.Erase(victim->first);
      model.erase(victim);
    }
    if (step % 97 == 0) ExpectSame(index, model, used);
  }
  ExpectSame(index, model, used);
  for (const auto& [handle, object] : std::map<std::uintptr_t, int*>(model)) {
    index.Erase(handle);
    model.erase(handle);
  }
  ExpectSame(index, model, used);
}

TEST(HandleIndex, FindsWhatIsLiveAfterAnyOrderOfInsertsAndRemovals) {
  std::uintptr_t counter = 0xC000;
  Churn<0>([&] { return counter++; }, 1, 4000);  // string handles: one after another
  std::uintptr_t data = 0x100010;
  Churn<4>([&] { return data += 0x10; }, 2, 4000);  // data handles: steps of 0x10
  // Handles whose homes are the last three slots of any table size, so that every entry is in
  // one run that wraps around the end and removals shift entries back across it.
  std::uintptr_t clash = 0;
  Churn<0>(
      [&] {
        ++clash;
        return (clash / 3 + 1) * 65536 - 1 - clash % 3;
      },
      3, 1500);
}

TEST(HandleIndex, UnknownAndZeroHandlesFindNothingAndChangeNothing) {
  HandleIndex<int> index;
  int a = 0, b = 0;
  EXPECT_EQ(index.Find(5), nullptr);  // empty
  index.Erase(5);
  index.Insert(0, &a);  // 0 marks an empty slot: refused
  EXPECT_EQ(index.size(), 0u);
  index.Insert(5, &a);
  index.Insert(21, &b);  // the same home slot as 5
  index.Erase(37);       // the same home slot again, never inserted
  index.Erase(0);
  EXPECT_EQ(index.Find(0), nullptr);
  EXPECT_EQ(index.Find(5), &a);
  EXPECT_EQ(index.Find(21), &b);
  index.Erase(5);
  EXPECT_EQ(index.Find(5), nullptr);
  EXPECT_EQ(index.Find(21), &b);  // moved back to its home, still found
  EXPECT_EQ(index.size(), 1u);
}

}  // namespace
}  // namespace platform::sim
