#include "support/containers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace tickwell {
namespace {

// A named object that counts its own destruction.
struct Named : TObject {
  Named(std::string n, int* deaths = nullptr) : name(std::move(n)), deaths(deaths) {}
  ~Named() override {
    if (deaths) ++*deaths;
  }
  std::string name;
  int* deaths;
};

int CompareNames(const void* a, const void* b) {
  const auto* x = static_cast<const Named*>(TObjectContainer::SlotObject(a));
  const auto* y = static_cast<const Named*>(TObjectContainer::SlotObject(b));
  return x->name.compare(y->name);
}

std::vector<std::string> Names(const TObjectContainer& c) {
  std::vector<std::string> names;
  for (int i = 0; i < c.Count(); ++i) {
    const auto* n = c.ObjectAs<Named>(i);
    names.push_back(n ? n->name : "<empty>");
  }
  return names;
}

using Strings = std::vector<std::string>;

void MakeSorted(TObjectContainer& c, std::uint8_t order, std::uint8_t duplicates) {
  c.SetOnCompare(CompareNames);
  c.SetDuplicates(duplicates);
  c.SetSortOrder(order);
}

std::string ErrorText(const std::function<void()>& body) {
  try {
    body();
  } catch (const EListError& e) {
    return e.what();
  }
  return "no error";
}

TEST(ContainerGrowth, AutomaticStepsThenFixedDelta) {
  TObjectContainer c;
  std::vector<int> capacities;
  for (int i = 0; i < 64; ++i) {
    c.Append(new Named(std::to_string(i)));
    if (capacities.empty() || capacities.back() != c.Capacity()) capacities.push_back(c.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{4, 8, 16, 32, 48, 64}));

  TObjectContainer fixed;
  fixed.SetDelta(10);
  for (int i = 0; i < 11; ++i) fixed.Append(new Named("x"));
  EXPECT_EQ(fixed.Capacity(), 20);
}

TEST(ContainerSortedAdd, IgnoredDuplicateIsNeitherStoredNorFreed) {
  int deaths = 0;
  {
    TObjectContainer c;
    MakeSorted(c, soAscending, dupIgnore);
    EXPECT_EQ(c.Add(new Named("d", &deaths)), 0);
    EXPECT_EQ(c.Add(new Named("b", &deaths)), 0);
    EXPECT_EQ(c.Add(new Named("f", &deaths)), 2);
    auto* twin = new Named("d", &deaths);
    EXPECT_EQ(c.Add(twin), 3);  // the count, nothing inserted
    EXPECT_EQ(Names(c), (Strings{"b", "d", "f"}));
    EXPECT_EQ(c.IndexOf(twin), -1);
    EXPECT_EQ(deaths, 0);
    delete twin;
  }
  EXPECT_EQ(deaths, 4);
}

TEST(ContainerSortedAdd, AcceptedDuplicateGoesBeforeItsEquals) {
  TObjectContainer c;
  MakeSorted(c, soAscending, dupAccept);
  c.Add(new Named("b"));
  c.Add(new Named("a"));
  auto* first = new Named("b");
  EXPECT_EQ(c.Add(first), 1);
  EXPECT_EQ(Names(c), (Strings{"a", "b", "b"}));
  EXPECT_EQ(c.GetObject(1), first);
}

TEST(ContainerSortedAdd, DuplicateErrorRaisesAndKeepsContents) {
  TObjectContainer c;
  MakeSorted(c, soAscending, dupError);
  c.Add(new Named("a"));
  Named twin("a");
  EXPECT_EQ(ErrorText([&] { c.Add(&twin); }), "Add failed with Duplicate item");
  EXPECT_EQ(c.Count(), 1);
  // Any policy value above 1 raises as well.
  c.SetDuplicates(7);
  EXPECT_THROW(c.Add(&twin), EListError);
}

TEST(ContainerSortedAdd, DescendingOrder) {
  TObjectContainer c;
  MakeSorted(c, soDescending, dupIgnore);
  for (const char* n : {"m", "a", "z", "q"}) c.Add(new Named(n));
  EXPECT_EQ(Names(c), (Strings{"z", "q", "m", "a"}));
  Named key("n");
  const TObject* k = &key;
  int index = -1;
  EXPECT_FALSE(c.Search(&k, index));
  EXPECT_EQ(index, 2);
}

TEST(ContainerSearch, InsertionPointsMatchesAndFirstOfEquals) {
  TObjectContainer c;
  MakeSorted(c, soAscending, dupIgnore);
  int index = -1;
  Named c_key("c");
  const TObject* key = &c_key;
  EXPECT_FALSE(c.Search(&key, index));
  EXPECT_EQ(index, 0);

  c.Add(new Named("b"));
  c.Add(new Named("d"));
  EXPECT_FALSE(c.Search(&key, index));
  EXPECT_EQ(index, 1);
  Named a("a"), d("d"), e("e");
  const TObject* ka = &a;
  const TObject* kd = &d;
  const TObject* ke = &e;
  EXPECT_FALSE(c.Search(&ka, index));
  EXPECT_EQ(index, 0);
  EXPECT_TRUE(c.Search(&kd, index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(c.Search(&ke, index));
  EXPECT_EQ(index, 2);

  TObjectContainer dup;
  MakeSorted(dup, soAscending, dupAccept);
  for (const char* n : {"a", "b", "b", "b", "b", "c"}) dup.Add(new Named(n));
  Named b("b");
  const TObject* kb = &b;
  EXPECT_TRUE(dup.Search(&kb, index));
  EXPECT_EQ(index, 1);
}

TEST(ContainerSearch, AgreesWithLowerBoundOnLargeSets) {
  TObjectContainer c;
  MakeSorted(c, soAscending, dupAccept);
  std::mt19937 random(7);
  std::vector<std::string> keys;
  for (int i = 0; i < 500; ++i) {
    keys.push_back(std::to_string(random() % 200));
    c.Add(new Named(keys.back()));
  }
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(Names(c), keys);
  for (int k = 0; k < 220; ++k) {
    Named probe(std::to_string(k));
    const TObject* p = &probe;
    int index = -1;
    const bool found = c.Search(&p, index);
    const auto it = std::lower_bound(keys.begin(), keys.end(), probe.name);
    EXPECT_EQ(index, it - keys.begin()) << probe.name;
    EXPECT_EQ(found, it != keys.end() && *it == probe.name) << probe.name;
  }
}

TEST(ContainerSort, SortsRandomDataAndReordersOnOrderChange) {
  TObjectContainer c;
  c.SetOnCompare(CompareNames);
  std::mt19937 random(11);
  std::vector<std::string> keys;
  for (int i = 0; i < 1000; ++i) {
    keys.push_back(std::to_string(random() % 300));
    c.Append(new Named(keys.back()));
  }
  c.SetSortOrder(soAscending);
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(Names(c), keys);
  c.SetSortOrder(soDescending);
  std::reverse(keys.begin(), keys.end());
  EXPECT_EQ(Names(c), keys);
}

TEST(ContainerSort, SingleItemOnlyRecordsTheOrder) {
  TObjectContainer c;
  c.SetOnCompare(CompareNames);
  c.Append(new Named("m"));
  c.SetSortOrder(soAscending);
  EXPECT_EQ(c.SortOrder(), soAscending);
  c.Add(new Named("z"));
  c.Add(new Named("a"));
  EXPECT_EQ(Names(c), (Strings{"a", "m", "z"}));
}

TEST(ContainerSort, WithoutCompareFunctionStaysInsideTheBlock) {
  // The default comparison answers 1 for everything; the sort must still end and keep every item.
  TObjectContainer c;
  for (int i = 0; i < 37; ++i) c.Append(new Named(std::to_string(i)));
  c.SetSortOrder(soAscending);
  Strings names = Names(c);
  std::sort(names.begin(), names.end());
  Strings expected;
  for (int i = 0; i < 37; ++i) expected.push_back(std::to_string(i));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);
  c.SetSortOrder(soDescending);
  EXPECT_EQ(c.Count(), 37);
}

int Throwing(const void*, const void*) { throw std::runtime_error("compare failed"); }

TEST(ContainerSort, FailingCompareBecomesListErrors) {
  TObjectContainer c;
  c.Append(new Named("a"));
  c.Append(new Named("b"));
  c.SetOnCompare(Throwing);
  EXPECT_EQ(ErrorText([&] { c.SetSortOrder(soAscending); }), "Unknown Error inside SortInPlace");
  int index = 0;
  Named key("a");
  const TObject* k = &key;
  EXPECT_EQ(ErrorText([&] { c.Search(&k, index); }), "Unknown error inside Search");
  EXPECT_EQ(c.Count(), 2);
}

TEST(ContainerIndexCheck, ErrorsCarryTheIndex) {
  TObjectContainer c;
  c.SetCheckIndex(true);
  c.Append(new Named("a"));
  EXPECT_EQ(ErrorText([&] { c.Delete(-1); }), "Container Index param less than zero : Index = -1");
  EXPECT_EQ(ErrorText([&] { c.GetObject(2); }),
            "Container Index param greater than count : Index = 2");
  EXPECT_TRUE(c.CheckIndex(1));  // the insertion point at the end
  EXPECT_EQ(c.Insert(1, new Named("b")), 1);
  try {
    c.Exchange(0, 5);
    FAIL() << "no error";
  } catch (const EListError& e) {
    EXPECT_EQ(e.Code(), leIndexBeyondCount);
    EXPECT_EQ(e.Index(), 5);
  }
}

TEST(ContainerIndexCheck, IndexAtCountNamesNoItemAndChangesNothing) {
  int deaths = 0;
  TObjectContainer c;
  c.SetCheckIndex(true);
  for (const char* n : {"a", "b", "c"}) c.Append(new Named(n, &deaths));
  c.Delete(3);
  c.Exchange(0, 3);
  c.Exchange(3, 1);
  c.MoveItem(3, 0);
  c.MoveItem(0, 3);
  EXPECT_EQ(c.DeleteObject(3), 3);
  EXPECT_EQ(Names(c), (Strings{"a", "b", "c"}));
  EXPECT_EQ(deaths, 0);
}

TEST(ContainerIndexCheck, OutOfRangeWithoutCheckingDoesNothing) {
  int deaths = 0;
  TObjectContainer c;
  for (const char* n : {"a", "b"}) c.Append(new Named(n, &deaths));
  for (int bad : {-5, -1, 3, 1000}) {
    c.Delete(bad);
    c.Exchange(bad, 0);
    c.MoveItem(0, bad);
    c.MoveItem(bad, 0);
    c.DeleteObject(bad);
    c.InsertBlanks(bad, 3);
    if (bad < 0 || bad >= c.Capacity()) c.FillItem(bad, 0xFF);
    EXPECT_EQ(c.GetObject(bad), nullptr);
    Named stray("x");
    EXPECT_EQ(c.Insert(bad, &stray), -1);
  }
  c.SortInPlace(-3, 40);
  EXPECT_EQ(Names(c), (Strings{"a", "b"}));
  EXPECT_EQ(deaths, 0);
}

TEST(ContainerCapacity, BelowCountFailsAndZeroReleases) {
  TObjectContainer c;
  c.SetCapacity(10);
  EXPECT_EQ(c.Capacity(), 10);
  c.Append(new Named("a"));
  c.Append(new Named("b"));
  EXPECT_EQ(ErrorText([&] { c.SetCapacity(1); }), "New capacity param less than count");
  EXPECT_EQ(c.Capacity(), 10);
  c.SetCapacity(2);
  EXPECT_EQ(Names(c), (Strings{"a", "b"}));
  c.Clear();
  EXPECT_EQ(c.Capacity(), 0);
  EXPECT_EQ(c.Items(), nullptr);
}

TEST(ContainerPutItem, AutoExpandAndFixedCapacity) {
  TBaseContainer c(sizeof(int));
  c.SetDelta(3);
  const int seven = 7;
  c.PutItem(5, &seven);
  EXPECT_EQ(c.Capacity(), 6);  // the larger of 0 + 3 and 5 + 1
  EXPECT_EQ(c.Count(), 1);
  c.PutItem(6, &seven);
  EXPECT_EQ(c.Capacity(), 9);  // 6 + 3
  const int eight = 8;
  c.PutItem(5, &eight);  // an occupied slot is overwritten, not counted again
  EXPECT_EQ(c.Count(), 2);
  int out = 0;
  EXPECT_TRUE(c.GetItem(5, &out));
  EXPECT_EQ(out, 8);
  // Slots filled past the count survive a later enlargement.
  c.PutItem(20, &seven);
  EXPECT_TRUE(c.GetItem(5, &out));
  EXPECT_EQ(out, 8);

  c.SetAutoExpand(false);
  EXPECT_EQ(ErrorText([&] { c.PutItem(21, &seven); }),
            "Index exceeds predefined capacity : Index = 21");
}

TEST(ContainerPutItem, CountNeverPassesTheCapacity) {
  TBaseContainer c(sizeof(int));
  c.InsertBlanks(0, 3);
  const int one = 1;
  for (int i = 0; i < c.Capacity(); ++i) c.PutItem(i, &one);
  EXPECT_LE(c.Count(), c.Capacity());
  c.Delete(0);
  c.Pack();
  EXPECT_LE(c.Count(), c.Capacity());
}

TEST(ContainerBlanks, InsertExpandsAndPackRemoves) {
  TObjectContainer c;
  for (const char* n : {"a", "b", "c"}) c.Append(new Named(n));
  EXPECT_EQ(c.Capacity(), 4);
  c.InsertBlanks(1, 2);
  EXPECT_EQ(c.Capacity(), 6);  // 4 + (2 + 3 - 4 + 1)
  EXPECT_EQ(Names(c), (Strings{"a", "<empty>", "<empty>", "b", "c"}));
  EXPECT_TRUE(c.IsEmptySlot(1));
  // An exchange with a blank moves it without counting it as a new item.
  c.Exchange(0, 1);
  EXPECT_EQ(Names(c), (Strings{"<empty>", "a", "<empty>", "b", "c"}));
  c.Pack();
  EXPECT_EQ(Names(c), (Strings{"a", "b", "c"}));
}

TEST(ContainerMove, ForwardAndBackward) {
  TObjectContainer c;
  for (const char* n : {"a", "b", "c", "d"}) c.Append(new Named(n));
  c.MoveItem(0, 3);
  EXPECT_EQ(Names(c), (Strings{"b", "c", "d", "a"}));
  c.MoveItem(3, 1);
  EXPECT_EQ(Names(c), (Strings{"b", "a", "c", "d"}));
  c.Exchange(0, 3);
  EXPECT_EQ(Names(c), (Strings{"d", "a", "c", "b"}));
  c.InsertFirst(new Named("z"));
  EXPECT_EQ(Names(c), (Strings{"z", "d", "a", "c", "b"}));
}

TEST(ContainerOwnership, DeleteRemoveClearAndDestroy) {
  int deaths = 0;
  {
    TObjectContainer c;
    auto* a = new Named("a", &deaths);
    auto* b = new Named("b", &deaths);
    c.Append(a);
    c.Append(b);
    c.Append(new Named("c", &deaths));
    EXPECT_EQ(c.Remove(b), 1);
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(c.Remove(new Named("stranger", &deaths)), -1);  // freed although absent
    EXPECT_EQ(deaths, 2);
    EXPECT_EQ(c.DeleteObject(0), 1);
    EXPECT_EQ(deaths, 3);
    TObject* last = c.GetObject(0);
    c.Delete(0);  // Delete does not free
    EXPECT_EQ(deaths, 3);
    EXPECT_EQ(c.Count(), 0);
    delete last;
    c.Append(new Named("d", &deaths));
    c.Append(new Named("e", &deaths));
    c.FreeItems();
    EXPECT_EQ(deaths, 6);
    EXPECT_EQ(c.Count(), 0);
    EXPECT_EQ(c.Capacity(), 4);
    EXPECT_TRUE(c.IsEmptySlot(0));  // no stale reference left behind
    c.Append(new Named("f", &deaths));
  }
  EXPECT_EQ(deaths, 7);
}

TEST(ContainerOwnership, ItemsPutPastTheCountAreFreedToo) {
  int deaths = 0;
  {
    TObjectContainer c;
    TObject* five = new Named("five", &deaths);
    c.PutItem(5, &five);
    EXPECT_EQ(c.Count(), 1);  // counted, though it sits in slot 5
    c.Append(new Named("appended", &deaths));
    TObject* nine = new Named("nine", &deaths);
    c.PutItem(9, &nine);
    c.FreeItems();
    EXPECT_EQ(deaths, 3);
    EXPECT_EQ(c.Count(), 0);
    for (int i = 0; i < c.Capacity(); ++i) EXPECT_TRUE(c.IsEmptySlot(i)) << i;
    TObject* three = new Named("three", &deaths);
    c.PutItem(3, &three);
    c.Append(new Named("kept by ResetCount", &deaths));
    c.ResetCount();
    EXPECT_EQ(deaths, 3);
  }
  EXPECT_EQ(deaths, 5) << "destruction frees every occupied slot";
}

TEST(ContainerOwnership, NotOwningFreesNothing) {
  int deaths = 0;
  Named a("a", &deaths), b("b", &deaths);
  {
    TObjectContainer c;
    c.SetOwnsObjects(false);
    c.Append(&a);
    c.Append(&b);
    c.Remove(&a);
    c.DeleteObject(0);
    c.Append(&b);
    c.ResetCount();
    EXPECT_EQ(c.Count(), 0);
  }
  EXPECT_EQ(deaths, 0);
}

struct Quote {
  int key;
  double value;
};

int CompareKeys(const void* a, const void* b) {
  return static_cast<const Quote*>(a)->key - static_cast<const Quote*>(b)->key;
}

TEST(ContainerItems, FixedSizeRecordsByValue) {
  TBaseContainer c(sizeof(Quote));
  c.SetOnCompare(CompareKeys);
  c.SetSortOrder(soAscending);
  for (int k : {5, 1, 3}) {
    Quote q{k, k * 1.5};
    c.AddItem(&q);
  }
  Quote out{};
  ASSERT_TRUE(c.GetItem(1, &out));
  EXPECT_EQ(out.key, 3);
  EXPECT_DOUBLE_EQ(out.value, 4.5);
  Quote probe{4, 0};
  int index = -1;
  EXPECT_FALSE(c.Search(&probe, index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(c.GetItem(99, &out));
  c.FillItem(0, 0);
  EXPECT_TRUE(c.IsEmptySlot(0));
  c.Pack();
  EXPECT_EQ(c.Count(), 2);
  ASSERT_TRUE(c.GetItem(0, &out));
  EXPECT_EQ(out.key, 3);
}

TEST(NamedListContainer, BehavesAsObjectContainer) {
  TNamedListContainer c;
  MakeSorted(c, soAscending, dupIgnore);
  c.Add(new Named("y"));
  c.Add(new Named("x"));
  EXPECT_EQ(Names(c), (Strings{"x", "y"}));
}

}  // namespace
}  // namespace tickwell
