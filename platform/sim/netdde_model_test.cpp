// The model's share database: its checks, its faults and its binding.
#include <gtest/gtest.h>

#include "platform/netdde.h"
#include "platform/sim/sim_netdde.h"

namespace platform {
namespace {

class NetDdeModel : public ::testing::Test {
 protected:
  void SetUp() override { sim::ResetNetDde(); }
  void TearDown() override { sim::ResetNetDde(); }
};

NetDdeShareInfo Share(const std::string& name, const std::string& pair) {
  NetDdeShareInfo info;
  info.share_name = name;
  info.static_pair = pair;
  return info;
}

TEST_F(NetDdeModel, AddChecksTheNameThePairsAndTheItems) {
  EXPECT_EQ(NetDdeShareAdd(Share("", "A|T")), kNddeInvalidShare);
  EXPECT_EQ(NetDdeShareAdd(Share(std::string(kMaxShareName + 1, 'S'), "A|T")), kNddeInvalidShare);
  EXPECT_EQ(NetDdeShareAdd(Share(std::string(kMaxShareName, 'S'), "A|T")), kNddeNoError);
  EXPECT_EQ(NetDdeShareAdd(Share("S", "")), kNddeInvalidAppName);
  EXPECT_EQ(NetDdeShareAdd(Share("S", "|T")), kNddeInvalidAppName);
  EXPECT_EQ(NetDdeShareAdd(Share("S", "A")), kNddeInvalidTopic);
  EXPECT_EQ(NetDdeShareAdd(Share("S", "A|")), kNddeInvalidTopic);
  NetDdeShareInfo old = Share("S", "");
  old.share_type = kShareTypeOld;
  old.old_pair = "A|T";
  EXPECT_EQ(NetDdeShareAdd(old), kNddeNoError);
  NetDdeShareInfo items = Share("Items", "A|T");
  items.items = {"BID", ""};
  EXPECT_EQ(NetDdeShareAdd(items), kNddeInvalidItemList);
  EXPECT_EQ(NetDdeShareAdd(Share("s", "A|T")), kNddeShareAlreadyExist);
  EXPECT_EQ(NetDdeShareSetInfo("S", Share("S", "A")), kNddeInvalidTopic);
  EXPECT_EQ(NetDdeShareSetInfo("Nowhere", Share("Nowhere", "A|T")), kNddeShareNotExist);
}

TEST_F(NetDdeModel, AFaultAnswersItsCodeAndChangesNothing) {
  ASSERT_EQ(NetDdeShareAdd(Share("S", "A|T")), kNddeNoError);
  sim::SetNetDdeFault("NDdeShareDelA", kNddeAccessDenied);
  EXPECT_EQ(NetDdeShareDel("S"), kNddeAccessDenied);
  NetDdeShareInfo got;
  EXPECT_EQ(NetDdeShareGetInfo("S", got), kNddeNoError);
  sim::SetNetDdeFault("NDdeShareDelA", kNddeNoError);
  EXPECT_EQ(NetDdeShareDel("S"), kNddeNoError);
  EXPECT_EQ(sim::NetDdeCallCount(), 4);
}

TEST_F(NetDdeModel, AMissingLibraryOrEntryPointFailsEveryCallUntilRebound) {
  ASSERT_EQ(NetDdeShareAdd(Share("S", "A|T")), kNddeNoError);
  sim::SetNetDdeLibraryMissing(true);
  EXPECT_EQ(NetDdeShareDel("S"), kNddeNoError);  // bound before the library went
  NetDdeUnbind();
  std::vector<std::string> names{"kept"};
  EXPECT_EQ(NetDdeShareEnum(names), kNetDdeUnavailable);
  EXPECT_EQ(names, std::vector<std::string>{"kept"});
  EXPECT_EQ(NetDdeBindError(), "Unable to load NDDEAPI.DLL");

  sim::SetNetDdeLibraryMissing(false);
  sim::SetNetDdeEntryPointMissing("NDdeIsValidAppTopicListW");
  EXPECT_EQ(NetDdeShareAdd(Share("S", "A|T")), kNetDdeUnavailable);  // still the failed binding
  NetDdeUnbind();
  EXPECT_EQ(NetDdeShareAdd(Share("S", "A|T")), kNetDdeUnavailable);
  EXPECT_EQ(NetDdeBindError(), "Unable to dynamically link to NDdeIsValidAppTopicListW");
  const int calls = sim::NetDdeCallCount();

  sim::SetNetDdeEntryPointMissing("");
  NetDdeUnbind();
  EXPECT_EQ(NetDdeShareAdd(Share("S", "A|T")), kNddeNoError);
  EXPECT_EQ(NetDdeBindError(), "");
  EXPECT_EQ(sim::NetDdeCallCount(), calls + 1);
}

}  // namespace
}  // namespace platform
