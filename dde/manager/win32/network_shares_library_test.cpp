// Loading a manager with network DDE against the system's own library, which under Wine (as on
// Windows from Vista on) answers every call NDDE_NOT_IMPLEMENTED: creating reports nothing,
// checking finds no share installed.
#include <gtest/gtest.h>

#include "dde/manager/manager.h"
#include "dde/tables/error_codes.h"
#include "dde/tables/exceptions.h"

namespace tickwell {
namespace {

TEST(ManagerSharesLibrary, LoadingNamesTheComputerAndFindsTheSharesMissing) {
  TDDEMLManager m;
  m.SetScope(ddeServerOnly);
  m.NetworkDDE = true;
  TNetDDEShare* share = m.SharesList().AddShare("Tickwell$");
  share->AppName = "MT5";
  share->TopicName = "EURUSD";
  m.ShareProcess = sptAutoCreateShares;
  m.ComponentState |= csLoading;
  EXPECT_NO_THROW(m.Loaded());
  EXPECT_FALSE(m.NodeName.empty());
  EXPECT_EQ(share->LastError(), platform::kNddeNotImplemented);
  m.ShareProcess = sptSharesMustMatch;
  try {
    m.Loaded();
    ADD_FAILURE() << "a share the library cannot hold matched";
  } catch (const ETarvoShareDefError& e) {
    EXPECT_EQ(std::string(e.what()), ManagerErrorText(-42));
  }
}

}  // namespace
}  // namespace tickwell
