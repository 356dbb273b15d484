// Handle accounting and failing DDEML calls, which only the model can count and steer.
#include <gtest/gtest.h>

#include "dde/model/model_test_instance.h"
#include "dde/model/rw_data.h"
#include "dde/tables/exceptions.h"
#include "dde/tables/format_names.h"
#include "platform/sim/ddeml_sim.h"

namespace tickwell {
namespace {

TEST(RWDataModel, OwnedHandlesAreFreedOnceAndFailuresMakeNone) {
  testing::ModelInstance inst;
  const std::size_t base = platform::sim::DdeDataHandleCount();
  {
    TDDEMLRWData data;
    data.SetText("1");
    data.CreateDataHandle(inst.id(), 0, 0, true);
    EXPECT_EQ(platform::sim::DdeDataHandleCount(), base + 1);
    data.CreateDataHandle(inst.id(), 0, 0, true);  // frees the first
    EXPECT_EQ(platform::sim::DdeDataHandleCount(), base + 1);
    data.SetText("2");
    EXPECT_EQ(platform::sim::DdeDataHandleCount(), base);
    data.CreateDataHandle(inst.id(), 0, 0, true);
    data.SetText("bad;table");
    EXPECT_THROW(data.CreateDataHandle(inst.id(), 0, XlTableFormat, true), ETarvoError);
    EXPECT_EQ(platform::sim::DdeDataHandleCount(), base);

    platform::sim::FailDdeCall("DdeCreateDataHandle", platform::kDmlErrMemoryError);
    EXPECT_EQ(data.CreateDataHandle(inst.id(), 0, 0, true), 0u);
    platform::HddeData got;
    EXPECT_FALSE(data.GetOwnedHandle(got));
    platform::sim::SetDdeFault(nullptr);
    data.CreateDataHandle(inst.id(), 0, 0, true);
  }  // the destructor frees the last
  EXPECT_EQ(platform::sim::DdeDataHandleCount(), base);
}

}  // namespace
}  // namespace tickwell
