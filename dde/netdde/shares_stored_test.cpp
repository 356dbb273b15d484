#include <gtest/gtest.h>

#include <vector>

#include "dde/netdde/shares_list.h"

namespace tickwell {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A share with every stored field set and two extra items.
TNetDDEShare* AddFullShare(TNetDDESharesList& list, const std::string& name) {
  TNetDDEShare* share = list.AddShare(name);
  share->AppName = "MT5";
  share->TopicName = "EURUSD";
  share->Password1 = "pw1";
  share->Password2 = "pw2";
  share->Access1.Permissions = 7;
  share->Access2.Permissions = 300;
  share->ItemName = "BID";
  share->ExtraItems.Append("ASK", 1);
  share->ExtraItems.Append("LAST", -2);
  return share;
}

Bytes Stored(const TNetDDESharesList& list) {
  TValueWriter writer;
  list.WriteData(writer);
  return writer.Take();
}

void Load(TNetDDESharesList& list, const Bytes& bytes) {
  TValueReader reader(bytes);
  list.ReadData(reader);
}

TEST(NetDDESharesStored, EmptyListIsTheSingleIntegerZero) {
  TNetDDESharesList list;
  EXPECT_EQ(Stored(list), (Bytes{vaList, vaInt8, 0, vaNull}));
}

TEST(NetDDESharesStored, ShareFieldsAreWrittenInOrderAndReadBack) {
  TNetDDESharesList list;
  AddFullShare(list, "Quotes$");
  // Values the stored form leaves out.
  list.GetShare(0)->CmdShow = 5;
  list.GetShare(0)->SharedFlag = 0;

  TValueWriter expected;
  expected.WriteListBegin();
  expected.WriteInteger(1);
  for (const char* s : {"Quotes$", "MT5", "EURUSD", "pw1", "pw2"}) expected.WriteString(s);
  expected.WriteInteger(7);
  expected.WriteInteger(300);
  expected.WriteString("BID");
  expected.WriteInteger(2);
  expected.WriteString("ASK");
  expected.WriteInteger(1);
  expected.WriteString("LAST");
  expected.WriteInteger(-2);
  expected.WriteListEnd();
  const Bytes bytes = Stored(list);
  ASSERT_EQ(bytes, expected.Data());

  TNetDDESharesList back;
  back.AddShare("stale");
  Load(back, bytes);
  ASSERT_EQ(back.ShareCount(), 1);
  const TNetDDEShare* share = back.GetShare(0);
  EXPECT_TRUE(share->SameAs(list.GetShare(0)));
  EXPECT_EQ(share->Password1, "pw1");  // SameAs ignores case, the stored form does not
  EXPECT_EQ(share->ExtraItems.Items(1)->ShareItem, "LAST");
  EXPECT_EQ(share->ExtraItems.Items(1)->Permissions, -2);
  EXPECT_EQ(share->CmdShow, 0);
  EXPECT_EQ(share->SharedFlag, 1);  // a new definition's
}

TEST(NetDDESharesStored, BadInputRaisesAndKeepsTheList) {
  TNetDDESharesList source;
  AddFullShare(source, "One$");
  AddFullShare(source, "Two$");
  const Bytes good = Stored(source);

  TNetDDESharesList kept;
  AddFullShare(kept, "Kept$");
  const Bytes before = Stored(kept);
  for (std::size_t cut = 0; cut < good.size(); ++cut) {
    EXPECT_THROW(Load(kept, Bytes(good.begin(), good.begin() + cut)), EStreamError) << cut;
  }
  // A count that disagrees with the shares that follow, and negative counts.
  Bytes tooFew = good;
  tooFew[2] = 1;
  EXPECT_THROW(Load(kept, tooFew), EStreamError);
  EXPECT_THROW(Load(kept, Bytes{vaList, vaInt8, 0xFF, vaNull}), EStreamError);
  TValueWriter negativeItems;
  negativeItems.WriteListBegin();
  negativeItems.WriteInteger(1);
  for (int i = 0; i < 5; ++i) negativeItems.WriteString("x");
  negativeItems.WriteInteger(0);
  negativeItems.WriteInteger(0);
  negativeItems.WriteString("");
  negativeItems.WriteInteger(-1);
  negativeItems.WriteListEnd();
  EXPECT_THROW(Load(kept, negativeItems.Data()), EStreamError);
  EXPECT_EQ(Stored(kept), before);

  Load(kept, good);
  EXPECT_EQ(kept.ShareCount(), 2);
  EXPECT_EQ(kept.GetShareName(1), "Two$");
}

TEST(NetDDEShareCompare, SameAsIgnoresCaseButNotMasksOrItems) {
  TNetDDESharesList a, b;
  TNetDDEShare* mine = AddFullShare(a, "Quotes$");
  TNetDDEShare* other = AddFullShare(b, "QUOTES$");
  other->AppName = "mt5";
  other->Password2 = "PW2";
  other->ExtraItems.ClearAndFree();
  other->ExtraItems.Append("last", -2);  // the other order
  other->ExtraItems.Append("Ask", 1);
  EXPECT_TRUE(mine->SameAs(other));
  EXPECT_FALSE(mine->SameAs(nullptr));

  other->Access2.Permissions = 301;
  EXPECT_FALSE(mine->SameAs(other));
  other->Access2.Permissions = 300;
  other->ExtraItems.Items(0)->Permissions = 2;
  EXPECT_FALSE(mine->SameAs(other));
  other->ExtraItems.Items(0)->Permissions = -2;
  other->ExtraItems.Append("TIME", 0);
  EXPECT_FALSE(mine->SameAs(other));
  other->ExtraItems.FreeAndDelete(2);
  other->TopicName = "GBPUSD";
  EXPECT_FALSE(mine->SameAs(other));
}

TEST(NetDDESharesList, AssignCopiesDeeplyAndLookupsStayInRange) {
  TNetDDESharesList source;
  AddFullShare(source, "One$");
  AddFullShare(source, "Two$");
  TNetDDESharesList copy;
  copy.AddShare("Old$");
  copy.Assign(&source);
  ASSERT_EQ(copy.ShareCount(), 2);
  EXPECT_TRUE(copy.GetShare(1)->SameAs(source.GetShare(1)));
  copy.GetShare(1)->ExtraItems.Items(0)->Permissions = 99;
  EXPECT_EQ(source.GetShare(1)->ExtraItems.Items(0)->Permissions, 1);

  EXPECT_EQ(copy.FindShare("two$"), copy.GetShare(1));
  EXPECT_EQ(copy.FindShare("Old$"), nullptr);
  EXPECT_EQ(copy.GetShare(2), nullptr);
  EXPECT_EQ(copy.GetShare(-1), nullptr);
  EXPECT_EQ(copy.GetShareName(2), "");

  copy.Assign(&copy);
  EXPECT_EQ(copy.ShareCount(), 2);
  copy.Assign(nullptr);
  EXPECT_EQ(copy.ShareCount(), 0);
}

}  // namespace
}  // namespace tickwell
