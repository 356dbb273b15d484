// The manager's network DDE shares against the model's share database: what loading does with
// them, the scope test of the share list, and the library released with the manager.
#include <gtest/gtest.h>

#include "dde/diagnostics/trace_test_fixture.h"
#include "dde/manager/manager.h"
#include "dde/tables/error_codes.h"
#include "dde/tables/exceptions.h"
#include "platform/computer_name.h"
#include "platform/netdde.h"
#include "platform/sim/sim_computer_name.h"
#include "platform/sim/sim_netdde.h"

namespace tickwell {
namespace {

class ManagerShares : public testing::TraceTestBase {
 protected:
  void SetUp() override {
    TraceTestBase::SetUp();
    m.DebugFileName = Path("m.log");  // loading sets the trace up from these
    m.SetDebugState(dbFile);
    platform::sim::ResetNetDde();
    m.SetScope(ddeServerOnly);
    m.NetworkDDE = true;
  }
  void TearDown() override {
    platform::sim::ResetNetDde();
    platform::sim::ResetComputerName();
    TraceTestBase::TearDown();
  }
  // Loads the manager as a window's stored description would.
  void Load() {
    m.ComponentState |= csLoading;
    m.Loaded();
  }
  static TNetDDEShare* Define(TNetDDESharesList& list, const std::string& name,
                              const std::string& topic) {
    TNetDDEShare* share = list.AddShare(name);
    share->AppName = "MT5";
    share->TopicName = topic;
    return share;
  }
  static void Install(const std::string& name, const std::string& pair) {
    platform::NetDdeShareInfo info;
    info.share_name = name;
    info.static_pair = pair;
    ASSERT_EQ(platform::NetDdeShareAdd(info), platform::kNddeNoError);
  }
  static bool Installed(const std::string& name, platform::NetDdeShareInfo& info) {
    return platform::NetDdeShareGetInfo(name, info) == platform::kNddeNoError;
  }
  // The message of what loading raised, or "" when it raised nothing.
  template <typename E>
  std::string LoadRaises() {
    try {
      Load();
    } catch (const E& e) {
      return e.what();
    }
    return "";
  }

  TDDEMLManager m;
};

TEST_F(ManagerShares, LoadingChecksTheSharesWhenTheyMustMatch) {
  platform::sim::SetComputerName("TRADER-PC");
  Install("QUOTES$", "MT5|EURUSD");
  Define(m.SharesList(), "Quotes$", "eurusd");  // names compare without regard to case
  m.ShareProcess = sptSharesMustMatch;
  EXPECT_EQ(LoadRaises<ETarvoShareDefError>(), "");
  EXPECT_EQ(m.NodeName, "TRADER-PC");

  Define(m.SharesList(), "Other$", "GBPUSD");  // not installed
  EXPECT_EQ(LoadRaises<ETarvoShareDefError>(), ManagerErrorText(-42));
  m.SharesList().Clear();
  Define(m.SharesList(), "Quotes$", "GBPUSD");  // installed with another topic
  EXPECT_EQ(LoadRaises<ETarvoShareDefError>(), ManagerErrorText(-42));
  // The share database does not hold passwords: a share stored with one never matches.
  m.SharesList().Clear();
  Define(m.SharesList(), "Quotes$", "EURUSD")->Password1 = "secret";
  EXPECT_EQ(LoadRaises<ETarvoShareDefError>(), ManagerErrorText(-42));
  // Checking changes nothing installed.
  platform::NetDdeShareInfo info;
  ASSERT_TRUE(Installed("Quotes$", info));
  EXPECT_EQ(info.static_pair, "MT5|EURUSD");
}

TEST_F(ManagerShares, LoadingCreatesTheSharesOfAServingManager) {
  Define(m.SharesList(), "Quotes$", "EURUSD");
  Define(m.SharesList(), "Gold$", "XAUUSD");
  Install("GOLD$", "OLD|TOPIC");
  m.ShareProcess = sptAutoCreateShares;
  EXPECT_EQ(LoadRaises<ETarvoScopeError>(), "");
  platform::NetDdeShareInfo info;
  ASSERT_TRUE(Installed("quotes$", info));
  EXPECT_EQ(info.static_pair, "MT5|EURUSD");
  EXPECT_EQ(info.shared_flag, 1);  // reachable from other computers
  ASSERT_TRUE(Installed("Gold$", info));
  EXPECT_EQ(info.static_pair, "MT5|XAUUSD");  // the installed one brought up to date
  // A share the computer will not take leaves loading to go on, with the reason in the trace.
  Define(m.SharesList(), "New$", "USDJPY");
  platform::sim::SetNetDdeFault("NDdeShareAddA", platform::kNddeAccessDenied);
  EXPECT_EQ(LoadRaises<ETarvoScopeError>(), "");
  const std::string log = Read("m.log");
  EXPECT_NE(log.find(ManagerErrorText(-43)), std::string::npos) << log;
  EXPECT_NE(log.find("1 of 3 shares not created"), std::string::npos) << log;

  // A manager that does not serve may not create shares, and creates none.
  platform::sim::ResetNetDde();
  m.SetScope(ddeClientOnly);
  EXPECT_EQ(LoadRaises<ETarvoScopeError>(), ManagerErrorText(-44));
  EXPECT_FALSE(Installed("Quotes$", info));
}

TEST_F(ManagerShares, WithoutNetworkDdeLoadingLeavesTheDatabaseAlone) {
  Define(m.SharesList(), "Quotes$", "EURUSD");
  m.NetworkDDE = false;
  for (TShareProcessType how : {sptAutoCreateShares, sptSharesMustMatch}) {
    m.ShareProcess = how;
    EXPECT_NO_THROW(Load());
  }
  EXPECT_EQ(platform::sim::NetDdeCallCount(), 0);
  EXPECT_EQ(m.NodeName, "");
  // sptNone with network DDE on reads the name and nothing else.
  m.NetworkDDE = true;
  m.ShareProcess = sptNone;
  Load();
  EXPECT_EQ(platform::sim::NetDdeCallCount(), 0);
  EXPECT_EQ(m.NodeName, platform::ComputerName());
  EXPECT_FALSE(m.NodeName.empty());
}

TEST_F(ManagerShares, TheShareListIsHandedOnlyToAServingManagerWithNetworkDde) {
  TNetDDESharesList given;
  Define(given, "Quotes$", "EURUSD");
  m.SetSharesList(given);
  ASSERT_EQ(m.SharesList().ShareCount(), 1);
  EXPECT_NE(m.SharesList().GetShare(0), given.GetShare(0));  // a copy
  EXPECT_TRUE(m.SharesList().GetShare(0)->SameAs(given.GetShare(0)));

  TNetDDESharesList other;
  Define(other, "Gold$", "XAUUSD");
  for (auto [network, scope] : {std::pair{false, ddeServerOnly}, std::pair{true, ddeClientOnly},
                                std::pair{true, ddeNone}}) {
    m.NetworkDDE = network;
    m.SetScope(scope);
    try {
      m.SetSharesList(other);
      ADD_FAILURE() << "taken with NetworkDDE " << network << ", scope " << int(scope);
    } catch (const ETarvoScopeError& e) {
      EXPECT_EQ(std::string(e.what()), ManagerErrorText(-44));
    }
    EXPECT_EQ(m.SharesList().GetShareName(0), "Quotes$");
  }
  // While designing the window every list is taken.
  m.ComponentState |= csDesigning;
  m.SetSharesList(other);
  EXPECT_EQ(m.SharesList().GetShareName(0), "Gold$");
}

TEST_F(ManagerShares, AManagerReleasesTheLibraryWhenItGoes) {
  auto other = std::make_unique<TDDEMLManager>();
  std::vector<std::string> names;
  ASSERT_EQ(platform::NetDdeShareEnum(names), platform::kNddeNoError);  // bound now
  platform::sim::SetNetDdeLibraryMissing(true);
  EXPECT_EQ(platform::NetDdeShareEnum(names), platform::kNddeNoError);  // still bound
  other.reset();
  EXPECT_EQ(platform::NetDdeShareEnum(names), platform::kNetDdeUnavailable);
  EXPECT_EQ(platform::NetDdeBindError(), "Unable to load NDDEAPI.DLL");
}

}  // namespace
}  // namespace tickwell
