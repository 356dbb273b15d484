// The share database as this program uses it. Under Wine 8.0 the library loads with every entry
// point, and each call answers NDDE_NOT_IMPLEMENTED, as the documentation says Windows does from
// Vista on; the model keeps the working share database of the NT systems before it.
#include "platform/netdde.h"

#include <gtest/gtest.h>

#include "platform/ddeml.h"

#ifndef _WIN32
#include "platform/sim/sim_netdde.h"
#endif

namespace platform {
namespace {

// Each test starts with the model's database empty and its library present.
class NetDde : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef _WIN32
    sim::ResetNetDde();
#endif
  }
};

NetDdeShareInfo Share(const std::string& name, const std::string& pair) {
  NetDdeShareInfo info;
  info.share_name = name;
  info.static_pair = pair;
  info.cmd_show = 1;
  return info;
}

TEST_F(NetDde, TheLibraryBindsWithEveryEntryPoint) {
  const bool wine = DdeRunningOnWine();
  std::vector<std::string> names{"unchanged"};
  const unsigned r = NetDdeShareEnum(names);
  EXPECT_EQ(NetDdeBindError(), "");
  if (wine) {
    EXPECT_EQ(r, kNddeNotImplemented);
    EXPECT_EQ(names, std::vector<std::string>{"unchanged"});
  } else {
    EXPECT_EQ(r, kNddeNoError);
    EXPECT_TRUE(names.empty());
  }
  NetDdeUnbind();
  EXPECT_EQ(NetDdeShareEnum(names), r);
}

TEST_F(NetDde, SharesAreAddedReadChangedAndDeleted) {
  const bool wine = DdeRunningOnWine();
  NetDdeShareInfo got = Share("before", "");
  const unsigned add = NetDdeShareAdd(Share("Tickwell$", "MT5|EURUSD"));
  const unsigned get = NetDdeShareGetInfo("TICKWELL$", got);
  const unsigned set = NetDdeShareSetInfo("tickwell$", Share("other", "MT5|GBPUSD"));
  NetDdeShareInfo changed;
  const unsigned getChanged = NetDdeShareGetInfo("Tickwell$", changed);
  std::vector<std::string> names;
  const unsigned listed = NetDdeShareEnum(names);
  const unsigned del = NetDdeShareDel("Tickwell$");
  const unsigned delAgain = NetDdeShareDel("Tickwell$");
  const unsigned getGone = NetDdeShareGetInfo("Tickwell$", got);
  if (wine) {
    for (unsigned r : {add, get, set, getChanged, listed, del, delAgain, getGone}) {
      EXPECT_EQ(r, kNddeNotImplemented);
    }
    EXPECT_EQ(got.share_name, "before");
    return;
  }
  EXPECT_EQ(add, kNddeNoError);
  EXPECT_EQ(get, kNddeNoError);
  EXPECT_EQ(got.share_name, "Tickwell$");
  EXPECT_EQ(got.static_pair, "MT5|EURUSD");
  EXPECT_EQ(got.share_type, kShareTypeStatic);
  EXPECT_EQ(got.cmd_show, 1);
  EXPECT_EQ(set, kNddeNoError);
  EXPECT_EQ(getChanged, kNddeNoError);
  EXPECT_EQ(changed.share_name, "Tickwell$");  // the name is the share's, not the record's
  EXPECT_EQ(changed.static_pair, "MT5|GBPUSD");
  EXPECT_GT(changed.modify_id[0], got.modify_id[0]);
  EXPECT_EQ(listed, kNddeNoError);
  EXPECT_EQ(names, std::vector<std::string>{"Tickwell$"});
  EXPECT_EQ(del, kNddeNoError);
  EXPECT_EQ(delAgain, kNddeShareNotExist);
  EXPECT_EQ(getGone, kNddeShareNotExist);
  EXPECT_EQ(got.share_name, "Tickwell$");  // kept by the failed read
}

}  // namespace
}  // namespace platform
