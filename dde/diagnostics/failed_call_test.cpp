#include "dde/diagnostics/failed_call.h"

#include <gtest/gtest.h>

#include <string>

#include "dde/diagnostics/trace_test_fixture.h"

namespace tickwell {
namespace {

class FailedCallTest : public testing::TraceTestBase {
 protected:
  void SetUp() override {
    TraceTestBase::SetUp();
    const unsigned error = platform::DdeInitialize(
        id_,
        [](unsigned, unsigned, platform::Hconv, platform::Hsz, platform::Hsz, platform::HddeData,
           std::uintptr_t, std::uintptr_t) -> platform::HddeData { return 0; },
        platform::kAppCmdClientOnly);
    ASSERT_EQ(error, 0u);
  }
  void TearDown() override {
    SetThreadInstance(0);
    TakeLastFailure();
    if (id_ != 0) platform::DdeUninitialize(id_);
    TraceTestBase::TearDown();
  }
  // A connect nobody answers: the instance's pending error is DMLERR_NO_CONV_ESTABLISHED.
  void FailAConnect() {
    const platform::Hsz service = platform::DdeCreateStringHandle(id_, "TickwellNobodyServes");
    EXPECT_EQ(platform::DdeConnect(id_, service, 0), 0u);
    platform::DdeFreeStringHandle(id_, service);
  }

  platform::DdeInstance id_ = 0;
};

TEST_F(FailedCallTest, TracesTheCallWithItsErrorsNameAndNumber) {
  ApplyDebugState(platform::kNoWindow, dbFile, true, Path("t.log"));
  // An error handed back by the call itself.
  TraceFailedCall("DdeInitialize", platform::kDmlErrDllUsage);
  EXPECT_EQ(TakeLastFailure(), platform::kDmlErrDllUsage);
  EXPECT_EQ(TakeLastFailure(), 0u) << "the last failure is taken once";
  // An error pending on the instance named, then on the thread's instance for a call naming none.
  FailAConnect();
  EXPECT_EQ(TraceFailedDdeCall("DdeConnect", id_), platform::kDmlErrNoConvEstablished);
  EXPECT_EQ(platform::DdeGetLastError(id_), 0u) << "the trace read the pending error";
  EXPECT_EQ(TakeLastFailure(), platform::kDmlErrNoConvEstablished);
  SetThreadInstance(id_);
  FailAConnect();
  EXPECT_EQ(TraceFailedDdeCall("DdeAccessData"), platform::kDmlErrNoConvEstablished);
  // A code outside the table keeps its number.
  TraceFailedCall("PostMessage", 0x1234);
  const std::string log = Read("t.log");
  EXPECT_NE(log.find("\r\nCall failed : DdeInitialize : DMLERR_DLL_USAGE (0x4004)\r\n"
                     "Call failed : DdeConnect : DMLERR_NO_CONV_ESTABLISHED (0x400A)\r\n"
                     "Call failed : DdeAccessData : DMLERR_NO_CONV_ESTABLISHED (0x400A)\r\n"
                     "Call failed : PostMessage : Unknown (4660) (0x1234)\r\n"),
            std::string::npos)
      << log;
}

TEST_F(FailedCallTest, WithTracingOffThePendingErrorIsLeftForTheCaller) {
  FailAConnect();
  EXPECT_EQ(TraceFailedDdeCall("DdeConnect", id_), 0u);
  EXPECT_EQ(platform::DdeGetLastError(id_), platform::kDmlErrNoConvEstablished);
  // The error a call hands back is still kept for the error report that follows.
  TraceFailedCall("DdeInitialize", platform::kDmlErrSysError);
  EXPECT_EQ(TakeLastFailure(), platform::kDmlErrSysError);
}

}  // namespace
}  // namespace tickwell
