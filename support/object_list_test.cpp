#include "support/object_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/list_error.h"

namespace tickwell {
namespace {

struct Logged : TObject {
  Logged(std::string n, std::vector<std::string>* log) : name(std::move(n)), log(log) {}
  ~Logged() override { log->push_back(name); }
  std::string name;
  std::vector<std::string>* log;
};

TEST(DDEMLObjectList, FreeAndDeleteIgnoresBadIndexes) {
  std::vector<std::string> freed;
  TDDEMLObjectList list;
  list.Add(new Logged("a", &freed));
  list.Add(nullptr);
  list.Add(new Logged("c", &freed));
  list.FreeAndDelete(-1);
  list.FreeAndDelete(3);
  EXPECT_EQ(list.Count(), 3);
  list.FreeAndDelete(1);  // a nil entry is just removed
  EXPECT_EQ(list.Count(), 2);
  list.FreeAndDelete(0);
  EXPECT_EQ(freed, (std::vector<std::string>{"a"}));
  EXPECT_EQ(list.ItemAs<Logged>(0)->name, "c");
}

TEST(DDEMLObjectList, ClearAndFreeGoesFromLastToFirst) {
  std::vector<std::string> freed;
  {
    TDDEMLObjectList list;
    for (const char* n : {"a", "b", "c"}) list.Add(new Logged(n, &freed));
    list.ClearAndFree();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(freed, (std::vector<std::string>{"c", "b", "a"}));
    list.Add(new Logged("d", &freed));
    list.Add(new Logged("e", &freed));
  }
  EXPECT_EQ(freed, (std::vector<std::string>{"c", "b", "a", "e", "d"}));
}

TEST(DDEMLObjectList, RemoveAndFreeOnlyFreesMembers) {
  std::vector<std::string> freed;
  TDDEMLObjectList list;
  auto* member = new Logged("member", &freed);
  list.Add(member);
  Logged stranger("stranger", &freed);
  list.RemoveAndFree(&stranger);
  list.RemoveAndFree(nullptr);
  EXPECT_TRUE(freed.empty());
  list.RemoveAndFree(member);
  EXPECT_EQ(freed, (std::vector<std::string>{"member"}));
  EXPECT_EQ(list.Count(), 0);
}

TEST(DDEMLObjectList, PlainListOperationsDoNotFree) {
  std::vector<std::string> freed;
  TDDEMLObjectList list;
  Logged a("a", &freed), b("b", &freed);
  list.Add(&a);
  list.Insert(0, &b);
  EXPECT_EQ(list.IndexOf(&a), 1);
  EXPECT_EQ(list.Remove(&b), 0);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(freed.empty());
  try {
    list.Get(3);
    FAIL() << "no error";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (3)");
  }
  EXPECT_THROW(list.Delete(0), EListError);
  EXPECT_THROW(list.Insert(2, &a), EListError);
}

}  // namespace
}  // namespace tickwell
