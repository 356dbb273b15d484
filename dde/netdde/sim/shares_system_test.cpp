// Share definitions against the model's share database.
#include <gtest/gtest.h>

#include "dde/netdde/shares_list.h"
#include "dde/tables/error_codes.h"
#include "dde/tables/exceptions.h"
#include "platform/sim/sim_netdde.h"

namespace tickwell {
namespace {

using platform::NetDdeShareInfo;

class NetDDESystem : public ::testing::Test {
 protected:
  void SetUp() override { platform::sim::ResetNetDde(); }
  void TearDown() override { platform::sim::ResetNetDde(); }

  static void Install(const std::string& name, const std::string& pair) {
    NetDdeShareInfo info;
    info.share_name = name;
    info.static_pair = pair;
    ASSERT_EQ(platform::NetDdeShareAdd(info), platform::kNddeNoError);
  }
  static NetDdeShareInfo Installed(const std::string& name) {
    NetDdeShareInfo info;
    EXPECT_EQ(platform::NetDdeShareGetInfo(name, info), platform::kNddeNoError) << name;
    return info;
  }
  static TNetDDEShare* Define(TNetDDESharesList& list, const std::string& name,
                              const std::string& topic) {
    TNetDDEShare* share = list.AddShare(name);
    share->AppName = "MT5";
    share->TopicName = topic;
    return share;
  }
};

TEST_F(NetDDESystem, WriteAddsThenChangesAndReadFillsTheFields) {
  TNetDDESharesList list;
  TNetDDEShare* share = Define(list, "Quotes$", "EURUSD");
  share->CmdShow = 3;
  ASSERT_TRUE(share->WriteToSystem());
  EXPECT_EQ(Installed("QUOTES$").static_pair, "MT5|EURUSD");
  const std::int32_t firstId = Installed("Quotes$").modify_id[0];

  share->TopicName = "GBPUSD";
  ASSERT_TRUE(share->WriteToSystem());
  EXPECT_EQ(Installed("Quotes$").static_pair, "MT5|GBPUSD");
  EXPECT_NE(Installed("Quotes$").modify_id[0], firstId);

  TNetDDEShare read("quotes$");
  read.ExtraItems.Append("stale", 1);
  ASSERT_TRUE(read.ReadFromSystem());
  EXPECT_EQ(read.ShareName, "Quotes$");
  EXPECT_EQ(read.AppName, "MT5");
  EXPECT_EQ(read.TopicName, "GBPUSD");
  EXPECT_EQ(read.CmdShow, 3);
  EXPECT_EQ(read.ModifyId[0], Installed("Quotes$").modify_id[0]);
  EXPECT_EQ(read.ExtraItems.Count(), 0);
  EXPECT_TRUE(read.ExistsOnSystem());

  ASSERT_TRUE(read.DeleteFromSystem());
  EXPECT_FALSE(read.ExistsOnSystem());
  EXPECT_FALSE(read.DeleteFromSystem());
  EXPECT_EQ(read.LastError(), platform::kNddeShareNotExist);
}

TEST_F(NetDDESystem, ReadTakesTheStaticPairAndTheItemList) {
  NetDdeShareInfo info;
  info.share_name = "Mixed$";
  info.share_type = platform::kShareTypeOld | platform::kShareTypeStatic;
  info.old_pair = "Old|Topic";
  info.static_pair = "MT5|EURUSD";
  info.items = {"BID", "ASK"};
  ASSERT_EQ(platform::NetDdeShareAdd(info), platform::kNddeNoError);

  TNetDDEShare read("Mixed$");
  ASSERT_TRUE(read.ReadFromSystem());
  EXPECT_EQ(read.AppName, "MT5");
  EXPECT_EQ(read.TopicName, "EURUSD");
  ASSERT_EQ(read.ExtraItems.Count(), 2);
  EXPECT_EQ(read.ExtraItems.Items(1)->ShareItem, "ASK");
  EXPECT_EQ(read.ExtraItems.Items(1)->Permissions, 0);
}

TEST_F(NetDDESystem, BadShareNamesFailWithTheirReason) {
  TNetDDEShare unnamed;
  unnamed.AppName = "MT5";
  unnamed.TopicName = "EURUSD";
  EXPECT_FALSE(unnamed.WriteToSystem());
  EXPECT_FALSE(unnamed.ReadFromSystem());
  EXPECT_EQ(unnamed.LastError(), platform::kNddeInvalidShare);
  EXPECT_EQ(platform::sim::NetDdeCallCount(), 0);

  TNetDDEShare tooLong(std::string(platform::kMaxShareName + 1, 'S'));
  tooLong.AppName = "MT5";
  tooLong.TopicName = "EURUSD";
  EXPECT_FALSE(tooLong.WriteToSystem());
  EXPECT_EQ(tooLong.LastError(), platform::kNddeInvalidShare);

  TNetDDEShare noTopic("NoTopic$");
  noTopic.AppName = "MT5";
  EXPECT_FALSE(noTopic.WriteToSystem());
  EXPECT_EQ(noTopic.LastError(), platform::kNddeInvalidTopic);
  EXPECT_EQ(TNetDDESharesList::EnumShareNames(nullptr), 0);
}

TEST_F(NetDDESystem, AnInstalledShareThatCannotBeReadIsNotReplaced) {
  Install("Quotes$", "MT5|EURUSD");
  platform::sim::SetNetDdeFault("NDdeShareGetInfoA", platform::kNddeAccessDenied);
  TNetDDESharesList list;
  TNetDDEShare* share = Define(list, "Quotes$", "GBPUSD");
  EXPECT_FALSE(share->WriteToSystem());
  EXPECT_EQ(share->LastError(), platform::kNddeShareAlreadyExist);
  platform::sim::SetNetDdeFault("NDdeShareGetInfoA", platform::kNddeNoError);
  EXPECT_EQ(Installed("Quotes$").static_pair, "MT5|EURUSD");
}

TEST_F(NetDDESystem, LoadFromSystemReplacesTheTargetOnlyWhenSharesAreInstalled) {
  TNetDDESharesList target;
  Define(target, "Mine$", "EURUSD");
  TStringList names;
  names.Add("left over");
  EXPECT_EQ(TNetDDESharesList::EnumShareNames(&names), 0);
  EXPECT_EQ(names.Count(), 0);
  EXPECT_EQ(TNetDDESharesList::LoadFromSystem(target), 0);
  ASSERT_EQ(target.ShareCount(), 1);
  EXPECT_EQ(target.GetShareName(0), "Mine$");

  Install("b$", "MT5|B");
  Install("A$", "MT5|A");
  EXPECT_EQ(TNetDDESharesList::EnumShareNames(&names), 2);
  ASSERT_EQ(TNetDDESharesList::LoadFromSystem(target), 2);
  EXPECT_EQ(target.GetShareName(0), "A$");
  EXPECT_EQ(target.GetShare(1)->TopicName, "B");
}

TEST_F(NetDDESystem, MatchingIgnoresNameCaseButPasswordsNeverMatch) {
  TNetDDESharesList empty;
  EXPECT_TRUE(empty.SharesMatch());
  EXPECT_EQ(empty.CreateAll(), 0);
  EXPECT_EQ(platform::sim::NetDdeCallCount(), 0);

  Install("QUOTES$", "mt5|eurusd");
  TNetDDESharesList list;
  Define(list, "Quotes$", "EURUSD");
  EXPECT_TRUE(list.SharesMatch());

  // The installed information has no passwords, masks or item name.
  list.GetShare(0)->Password1 = "secret";
  EXPECT_FALSE(list.SharesMatch());
  list.GetShare(0)->Password1.clear();
  list.GetShare(0)->Access1.Permissions = 1;
  EXPECT_FALSE(list.SharesMatch());
  list.GetShare(0)->Access1.Permissions = 0;

  Define(list, "Missing$", "GBPUSD");
  EXPECT_FALSE(list.SharesMatch());
  EXPECT_EQ(list.CreateAll(), 0);
  EXPECT_TRUE(list.SharesMatch());
}

TEST_F(NetDDESystem, ProcessingAtLoadMatchesRaisesOrCreates) {
  TNetDDESharesList list;
  Define(list, "Quotes$", "EURUSD");
  list.ProcessShares(sptNone, false);
  EXPECT_EQ(platform::sim::NetDdeCallCount(), 0);

  try {
    list.ProcessShares(sptSharesMustMatch, true);
    ADD_FAILURE() << "a missing share matched";
  } catch (const ETarvoShareDefError& e) {
    EXPECT_EQ(std::string(e.what()), ManagerErrorText(-42));
  }
  try {
    list.ProcessShares(sptAutoCreateShares, false);
    ADD_FAILURE() << "created without leave";
  } catch (const ETarvoScopeError& e) {
    EXPECT_EQ(std::string(e.what()), ManagerErrorText(-44));
  }
  EXPECT_FALSE(list.GetShare(0)->ExistsOnSystem());

  list.ProcessShares(sptAutoCreateShares, true);
  EXPECT_EQ(Installed("Quotes$").static_pair, "MT5|EURUSD");
  EXPECT_NO_THROW(list.ProcessShares(sptSharesMustMatch, false));

  list.GetShare(0)->TopicName = "GBPUSD";
  EXPECT_THROW(list.ProcessShares(sptSharesMustMatch, true), ETarvoShareDefError);
}

TEST_F(NetDDESystem, WithoutTheLibraryEveryOperationFails) {
  Install("Quotes$", "MT5|EURUSD");
  platform::NetDdeUnbind();
  platform::sim::SetNetDdeEntryPointMissing("NDdeGetErrorStringW");
  TNetDDESharesList list;
  TNetDDEShare* share = Define(list, "Quotes$", "EURUSD");
  EXPECT_FALSE(share->ExistsOnSystem());
  EXPECT_FALSE(share->ReadFromSystem());
  EXPECT_FALSE(share->WriteToSystem());
  EXPECT_FALSE(share->DeleteFromSystem());
  EXPECT_EQ(share->LastError(), platform::kNetDdeUnavailable);
  EXPECT_EQ(platform::NetDdeBindError(), "Unable to dynamically link to NDdeGetErrorStringW");
  EXPECT_EQ(TNetDDESharesList::LoadFromSystem(list), 0);
  EXPECT_EQ(list.ShareCount(), 1);
  EXPECT_FALSE(list.SharesMatch());
  EXPECT_EQ(list.CreateAll(), 1);
  EXPECT_THROW(list.ProcessShares(sptSharesMustMatch, true), ETarvoShareDefError);

  platform::sim::SetNetDdeEntryPointMissing("");
  platform::NetDdeUnbind();
  EXPECT_TRUE(list.SharesMatch());
}

}  // namespace
}  // namespace tickwell
