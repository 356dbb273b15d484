// Share definitions against the real network DDE library. Under Wine 8.0 (as on Windows from
// Vista on) every call answers NDDE_NOT_IMPLEMENTED, so each operation must fail cleanly.
#include <gtest/gtest.h>

#include "dde/netdde/shares_list.h"
#include "dde/tables/exceptions.h"

namespace tickwell {
namespace {

TEST(NetDDELibrary, AnUnimplementedLibraryFailsEveryOperationCleanly) {
  TNetDDESharesList list;
  TNetDDEShare* share = list.AddShare("Tickwell$");
  share->AppName = "MT5";
  share->TopicName = "EURUSD";
  EXPECT_FALSE(share->WriteToSystem());
  EXPECT_EQ(share->LastError(), platform::kNddeNotImplemented);
  EXPECT_FALSE(share->ExistsOnSystem());
  EXPECT_FALSE(share->ReadFromSystem());
  EXPECT_EQ(share->AppName, "MT5");
  EXPECT_FALSE(share->DeleteFromSystem());
  EXPECT_EQ(TNetDDESharesList::EnumShareNames(nullptr), 0);
  EXPECT_EQ(TNetDDESharesList::LoadFromSystem(list), 0);
  EXPECT_EQ(list.ShareCount(), 1);
  EXPECT_EQ(list.CreateAll(), 1);
  EXPECT_FALSE(list.SharesMatch());
  EXPECT_THROW(list.ProcessShares(sptSharesMustMatch, true), ETarvoShareDefError);
  EXPECT_NO_THROW(list.ProcessShares(sptAutoCreateShares, true));
}

}  // namespace
}  // namespace tickwell
