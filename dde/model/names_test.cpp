#include "dde/model/names.h"

#include <gtest/gtest.h>

#include <memory>

#include "dde/model/model_test_instance.h"
#include "dde/model/name_container.h"

namespace tickwell {
namespace {

using testing::ModelInstance;

TEST(Names, NamingRenamingAndReleasing) {
  ModelInstance a, b;
  TDDEMLAtom atom;
  EXPECT_EQ(atom.ReadName(), "");
  atom.SetName(a.id(), "BID");
  ASSERT_NE(atom.Handle(), 0u);
  EXPECT_EQ(atom.ReadName(), "BID");
  EXPECT_EQ(QueryNameLength(a.id(), atom.Handle()), 3);

  // A named atom keeps its instance when renamed with another one.
  atom.SetName(b.id(), "ASK");
  EXPECT_EQ(atom.InstanceId(), a.id());
  EXPECT_EQ(QueryName(a.id(), atom.Handle()), "ASK");

  // The empty name frees the handle and reads back empty.
  atom.SetName(a.id(), "");
  EXPECT_EQ(atom.Handle(), 0u);
  EXPECT_EQ(atom.ReadName(), "");
  EXPECT_EQ(atom.Key(), "");
  EXPECT_EQ(QueryNameLength(a.id(), 0), 0);
  EXPECT_EQ(QueryName(a.id(), 0), "");
}

TEST(Names, ReleaseFreesOnceSoOtherHoldersKeepTheName) {
  ModelInstance inst;
  TDDEMLAtom first, second;
  first.SetName(inst.id(), "EURUSD");
  second.SetName(inst.id(), "EURUSD");
  first.Release();
  first.Release();  // a second free would take the other holder's reference
  EXPECT_EQ(first.Handle(), 0u);
  EXPECT_EQ(first.InstanceId(), 0u);
  EXPECT_EQ(first.ReadName(), "");
  EXPECT_EQ(second.ReadName(), "EURUSD");
  {
    TDDEMLAtom third;
    third.SetName(inst.id(), "EURUSD");
  }  // destruction releases too, again only its own reference
  EXPECT_EQ(second.ReadName(), "EURUSD");
}

TEST(Names, CaseIsIgnoredAndTheTextIsWhatDdemlHolds) {
  ModelInstance inst;
  TDDEMLAtom upper, lower;
  upper.SetName(inst.id(), "BID");
  lower.SetName(inst.id(), "bid");
  EXPECT_TRUE(upper.SameHandle(lower.Handle()));
  EXPECT_EQ(upper.Key(), lower.Key());
  // Whatever case DDEML kept for the shared name is what both read back.
  EXPECT_EQ(lower.ReadName(), QueryName(inst.id(), lower.Handle()));
  EXPECT_TRUE(SameName(lower.ReadName(), "bid"));
  EXPECT_FALSE(upper.SameHandle(0));

  EXPECT_EQ(CompareNames("abc", "ABD"), -1);
  EXPECT_EQ(CompareNames("abc", "AB"), 1);
  EXPECT_EQ(CompareNames("\xe9", "\xc9"), 1);  // only ASCII letters fold
  EXPECT_TRUE(SameName("Mt5", "mT5"));
  // Longer texts are passed over a word at a time: a difference of case in a word, or of a
  // byte in the word or the tail after it, is still seen for what it is.
  EXPECT_TRUE(SameName("eurusd;1.0850;1.0852", "EURUSD;1.0850;1.0852"));
  EXPECT_FALSE(SameName("EURUSD;1.0850;1.0852", "EURUSD;1.0850;1.0853"));
  EXPECT_FALSE(SameName("EURUSD;1.0850;1.0852", "EURUSD;1.0851;1.0852"));
  EXPECT_FALSE(SameName("EURUSD;1", "EURUSD;2"));
  EXPECT_FALSE(SameName("a\351cdefgh", "A\311CDEFGH"));  // only ASCII letters fold
}

TEST(Names, AStoppedInstanceLeavesNamesThatReadEmpty) {
  ModelInstance inst;
  TDDEMLAtom atom;
  atom.SetName(inst.id(), "GBPUSD");
  inst.Stop();
  EXPECT_EQ(atom.ReadName(), "");
  atom.Release();  // freeing with a stopped instance does no harm
  EXPECT_EQ(atom.Handle(), 0u);
  // Without an instance a name has no handle: it is kept unheld, found only by lookups without
  // an instance, until an instance names it again.
  atom.SetName(0, "GbpUsd");
  EXPECT_EQ(atom.Handle(), 0u);
  EXPECT_EQ(atom.Key(), LookupKey(0, "GBPUSD"));
  EXPECT_NE(atom.Key(), LookupKey(1, "GBPUSD"));
  EXPECT_EQ(atom.ReadName(), "GbpUsd");
  ModelInstance next;
  atom.NameAgain(next.id());
  EXPECT_NE(atom.Handle(), 0u);
  EXPECT_EQ(atom.Key(), "GBPUSD");
  EXPECT_EQ(atom.ReadName(), "GbpUsd");
  atom.ReleaseKeepingName();
  EXPECT_EQ(atom.Handle(), 0u);
  EXPECT_EQ(atom.ReadName(), "GbpUsd");
  atom.Release();
  EXPECT_EQ(atom.Key(), "");
  EXPECT_EQ(atom.ReadName(), "");
}

TEST(Names, LookupKeysMatchOnlyWhatCanBeNamed) {
  EXPECT_EQ(LookupKey(1, "eurUsd"), "EURUSD");
  EXPECT_EQ(LookupKey(0, "eurUsd"), std::string(1, '\0') + "EURUSD");
  EXPECT_EQ(LookupKey(0, std::string(256, 'x')), "");
  EXPECT_EQ(LookupKey(1, std::string(256, 'x')), "");
  EXPECT_EQ(LookupKey(1, std::string(255, 'x')), std::string(255, 'X'));
}

TEST(Names, ContainerKeepsNamesSortedAndFindsThem) {
  ModelInstance inst;
  TNameContainer list;
  const char* names[] = {"usdjpy", "EURUSD", "audcad", "Gbpusd", "eurgbp"};
  for (const char* n : names) {
    auto* obj = new TDDEMLBase;
    obj->SetName(inst.id(), n);
    list.AddNamed(obj);
  }
  ASSERT_EQ(list.Count(), 5);
  for (int i = 1; i < list.Count(); ++i) EXPECT_LT(list.Named(i - 1)->Key(), list.Named(i)->Key());
  EXPECT_EQ(list.Named(list.FindKey("GBPUSD"))->ReadName(), "Gbpusd");
  EXPECT_EQ(list.FindKey("GBP"), -1);
  EXPECT_EQ(list.FindKey("ZZZ"), -1);
  EXPECT_EQ(list.FindKey(""), -1);
  // Released names sort first, and are found by name without an instance.
  list.Named(3)->ReleaseHandles();
  list.Sort();
  EXPECT_EQ(list.FindKey(LookupKey(0, "gbpusd")), 0);
  EXPECT_EQ(list.FindKey(LookupKey(0, "eurusd")), -1);
  EXPECT_EQ(list.FindKey(""), -1);
}

}  // namespace
}  // namespace tickwell
