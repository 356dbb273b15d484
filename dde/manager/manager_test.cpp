#include "dde/manager/manager.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "dde/diagnostics/trace_test_fixture.h"
#include "dde/tables/error_codes.h"
#include "dde/tables/exceptions.h"
#include "platform/ddeml_test_party.h"

namespace tickwell {
namespace {

using platform::testing::Eventually;
using platform::testing::Party;

// The service names another DDE program on the machine hears registered and unregistered.
std::vector<std::string> Heard(Party& other) {
  std::vector<std::string> heard;
  for (const auto& seen : other.Events()) {
    if (seen.type == platform::kXtypRegister) heard.push_back("+" + seen.name1);
    if (seen.type == platform::kXtypUnregister) heard.push_back("-" + seen.name1);
  }
  return heard;
}

class ManagerTest : public testing::TraceTestBase {
 protected:
  void TearDown() override {
    SetDataCompareDisabled(false);
    testing::TraceTestBase::TearDown();
  }
  void TraceToFile() { ApplyDebugState(platform::kNoWindow, dbFile, true, Path("m.log")); }
  std::string Log() { return Read("m.log"); }
};

TEST_F(ManagerTest, StartsWithItsDefaultsAndBecomesTheThreadsManager) {
  TDDEMLManager m;
  EXPECT_EQ(CurrentManager(), &m);
  EXPECT_EQ(m.About().Version(), "Version 3.41");
  EXPECT_EQ(m.GetScope(), ddeNone);
  EXPECT_EQ(m.GetDebugState(), dbNone);
  EXPECT_EQ(m.DebugFileName, "C:\\DDEMNGR.LOG");
  EXPECT_EQ(m.TimeOutMs, 5000u);
  EXPECT_TRUE(m.GetCompareServerItemData());
  EXPECT_FALSE(DataCompareDisabled);
  EXPECT_TRUE(m.ExeNameAsService && m.StoreServerItemData && m.PokeDataAsHandle);
  EXPECT_TRUE(m.RetainClientItems && m.RetainClientItemData && m.DebugStayOnTop);
  EXPECT_FALSE(m.AutoInit || m.AllowNullPokes || m.DefaultUseBusy || m.OneConvPerTopic);
  EXPECT_EQ(m.FormatConflict, fctException);
  EXPECT_EQ(m.DefaultComm, dcSync);
  EXPECT_EQ(m.DefaultClipFmt, cfText);
  EXPECT_EQ(m.GetCmdFirstCh(), '[');
  EXPECT_EQ(m.GetCmdParamSep(), ',');
  EXPECT_NE(m.LinkFormat, 0u);
  EXPECT_FALSE(m.Initialized());

  m.SetCompareServerItemData(false);
  EXPECT_TRUE(DataCompareDisabled);
}

TEST_F(ManagerTest, StartStopAndRestartRegisterTheServiceOnceEachTime) {
  Party other(0);
  TDDEMLManager m;
  m.SetScope(ddeServerOnly);
  EXPECT_EQ(m.InitFlags(), 0x20u);
  m.AddService("MT5");
  m.AddService("mt5");
  m.SetServiceEnabled("MT5", true);
  ASSERT_TRUE(m.InitDDEML());
  EXPECT_TRUE(m.Initialized());
  EXPECT_EQ(m.Services().ServiceCount(), 1);
  EXPECT_TRUE(m.TerminateDDEML());
  EXPECT_FALSE(m.Initialized());
  EXPECT_FALSE(m.TerminateDDEML());  // not running: nothing to stop
  ASSERT_TRUE(m.InitDDEML());
  const std::vector<std::string> expected{"+MT5", "-MT5", "+MT5"};
  EXPECT_TRUE(Eventually([&] { return Heard(other).size() >= 3; }));
  std::vector<std::string> heard = Heard(other);
  // Wine departs from Windows: the name's atom is sometimes freed before another program reads
  // a register or unregister notice, which then names no service.
  if (platform::DdeRunningOnWine())
    for (std::string& notice : heard)
      if (notice == "+" || notice == "-") notice += "MT5";
  EXPECT_EQ(heard, expected);
  EXPECT_EQ(m.Services().ServiceCount(), 1);
  EXPECT_EQ(m.ServiceName(0), "MT5");
}

TEST_F(ManagerTest, RefusedStartsTraceTheirErrorAndChangeNothing) {
  TraceToFile();
  TDDEMLManager m;
  EXPECT_FALSE(m.InitDDEML());  // scope ddeNone
  EXPECT_FALSE(m.Initialized());
  m.SetScope(ddeServerOnly);
  m.AddService("MT5");
  m.SetServiceEnabled("MT5", true);
  ASSERT_TRUE(m.InitDDEML());
  const platform::DdeInstance id = m.InstanceId;
  EXPECT_FALSE(m.InitDDEML());  // already running
  EXPECT_EQ(m.InstanceId, id);
  const std::string log = Log();
  EXPECT_NE(log.find("TDDEMLManager : InitDDEML : start  ....\r\n"
                     "TDDEMLManager :    SetError : \r\n"
                     "TDDEMLManager :          Mngr Error  = " +
                     ManagerErrorText(-5) + "\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Mngr Error  = " + ManagerErrorText(-8)), std::string::npos);
  EXPECT_NE(log.find("TDDEMLManager :          DDEML Error = "), std::string::npos);
  EXPECT_NE(log.find("TDDEMLManager :          Message     = \r\n"
                     "TDDEMLManager : InitDDEML : End"),
            std::string::npos);
  EXPECT_NE(log.find("SetupServices - start"), std::string::npos);
}

TEST_F(ManagerTest, SetErrorIsTrueOnlyForOneAndSilentWhileTracingIsOff) {
  TDDEMLManager m;
  EXPECT_TRUE(m.SetError(1, "fine"));
  EXPECT_FALSE(m.SetError(-5, "x"));
  EXPECT_FALSE(platform::FileExists(Path("m.log")));
}

TEST_F(ManagerTest, ScopeDecidesFlagsAndServerOperations) {
  TDDEMLManager m;
  m.SetScope(ddeClientOnly);
  m.FailOptions = {cbfFailPokes, cbfFailExecutes};
  m.SkipOptions = {cbfSkipRegistrations};
  EXPECT_EQ(m.InitFlags(), 0x10u | 0x10000u | 0x8000u | 0x80000u);
  try {
    m.AddService("MT5");
    FAIL() << "no scope error";
  } catch (const ETarvoScopeError& e) {
    EXPECT_STREQ(e.what(), ManagerErrorText(-38).c_str());
  }
  EXPECT_THROW(m.SetItemText("MT5", "A", "B", "1"), ETarvoScopeError);
  EXPECT_THROW(m.SetServiceEnabled("MT5", true), ETarvoScopeError);
  EXPECT_THROW(m.AddWildConnect("MT5", "A"), ETarvoScopeError);
  EXPECT_THROW(m.AddExeNameService(), ETarvoScopeError);
  EXPECT_EQ(m.AddItem("MT5", "A", "B"), nullptr);  // no scope test, no service
  EXPECT_EQ(m.FindItem("MT5", "A", "B"), nullptr);
  // A client-only instance starts without registering anything.
  m.FailOptions = {};
  m.SkipOptions = {};
  ASSERT_TRUE(m.InitDDEML());
  EXPECT_EQ(m.Services().ServiceCount(), 0);
  m.TerminateDDEML();

  m.SetScope(ddeClientAndServer);
  EXPECT_EQ(m.InitFlags(), 0u);
  m.SetScope(ddeServerOnly);
  m.SkipOptions = {cbfSkipAllNotifications};
  m.FailOptions = {cbfFailAllSvrXActions, cbfFailSelfConnections};
  EXPECT_EQ(m.InitFlags(), 0x20u | 0x3C0000u | 0x3F000u);
}

TEST_F(ManagerTest, AnEmptyServiceListGetsTheExecutablesName) {
  TDDEMLManager m;
  m.SetScope(ddeClientAndServer);
  ASSERT_TRUE(m.InitDDEML());
  ASSERT_EQ(m.Services().ServiceCount(), 1);
  EXPECT_EQ(m.ServiceName(0), TDDEMLManager::ExeServiceName());
  EXPECT_TRUE(m.FindService(TDDEMLManager::ExeServiceName())->Registered);

  EXPECT_EQ(TDDEMLManager::ExeServiceNameOf("C:\\Apps\\quote.bridge.exe"), "quote");
  EXPECT_EQ(TDDEMLManager::ExeServiceNameOf("D:tick.exe"), "tick");
  EXPECT_EQ(TDDEMLManager::ExeServiceNameOf("plain"), "plain");
  EXPECT_EQ(TDDEMLManager::ExeServiceNameOf("C:\\Apps\\"), "");
  EXPECT_EQ(TDDEMLManager::ExeServiceNameOf("C:\\a:b\\c.d.e"), "c");
}

TEST_F(ManagerTest, AStartWithoutEnabledServicesFails) {
  TDDEMLManager m;
  m.SetScope(ddeServerOnly);
  m.AddService("MT5");  // never enabled
  EXPECT_FALSE(m.InitDDEML());
  EXPECT_TRUE(m.Initialized());  // the instance is up; only the registration failed
}

TEST_F(ManagerTest, TimeOutIsKeptInWholeMillisecondsRoundedHalfToEven) {
  TDDEMLManager m;
  m.SetDefaultTimeOut(2.5);
  EXPECT_EQ(m.TimeOutMs, 2500u);
  EXPECT_DOUBLE_EQ(m.GetDefaultTimeOut(), 2.5);
  m.SetDefaultTimeOut(0.0014);
  EXPECT_EQ(m.TimeOutMs, 1u);
  EXPECT_DOUBLE_EQ(m.GetDefaultTimeOut(), 0.001);
  m.SetDefaultTimeOut(0.0025);  // 2.5 ms
  EXPECT_EQ(m.TimeOutMs, 2u);
  m.SetDefaultTimeOut(0.0035);
  EXPECT_EQ(m.TimeOutMs, 4u);
  m.SetDefaultTimeOut(-1);
  EXPECT_EQ(m.TimeOutMs, 0u);
}

TEST_F(ManagerTest, ConversationIdsFollowTheHighestAndDisconnectAllEmptiesTheList) {
  TDDEMLManager m;
  EXPECT_EQ(m.NextConversationId(), 1);
  for (std::uint32_t id : {1u, 5u, 3u}) {
    auto* conv = new TDDEMLConversation;
    conv->ConversationId = id;
    m.Conversations->Add(conv);
  }
  EXPECT_EQ(m.ConversationCount(), 3);
  EXPECT_EQ(m.NextConversationId(), 6);
  m.DisconnectAll();
  EXPECT_EQ(m.ConversationCount(), 0);
  EXPECT_EQ(m.NextConversationId(), 1);
}

TEST_F(ManagerTest, DebugStateGoesToTheSinkOnlyWhenItChanges) {
  TDDEMLManager m;
  m.DebugFileName = Path("m.log");
  m.SetDebugState(dbFile);
  EXPECT_EQ(DebugState(), dbFile);
  EXPECT_EQ(DebugFileName(), Path("m.log"));
  StoreDebugState(dbNone, "");
  m.SetDebugState(dbFile);  // unchanged: the sink is not told again
  EXPECT_EQ(DebugState(), dbNone);
  m.SetDebugState(dbNone);
  EXPECT_EQ(DebugState(), dbNone);
}

TEST_F(ManagerTest, TheCallbackReachesTheThreadsLatestManager) {
  auto first = std::make_unique<TDDEMLManager>();
  EXPECT_EQ(TDDEMLManager::CallBackTrampoline(platform::kXtypConnect, 0, 0, 0, 0, 0, 0, 0),
            platform::kDmlErrDllNotInitialized);
  first->SetScope(ddeServerOnly);
  first->AddService("MT5");
  first->SetServiceEnabled("MT5", true);
  ASSERT_TRUE(first->InitDDEML());
  // Running: a connect without a service name is refused (null names are not allowed).
  EXPECT_EQ(TDDEMLManager::CallBackTrampoline(platform::kXtypConnect, 0, 0, 0, 0, 0, 0, 0), 0u);
#ifndef _WIN32
  // A client's connect reaches the service and is served. (Under the model every party shares
  // the test's thread; on Windows this is the end-to-end tests' business.)
  Party client(0);
  EXPECT_NE(client.Do([&] {
    return platform::DdeConnect(client.id(), client.Name("MT5"), client.Name("EURUSD"));
  }),
            0u);
  EXPECT_EQ(first->ConversationCount(), 1);
#endif

  auto second = std::make_unique<TDDEMLManager>();
  EXPECT_EQ(CurrentManager(), second.get());
  EXPECT_EQ(TDDEMLManager::CallBackTrampoline(platform::kXtypConnect, 0, 0, 0, 0, 0, 0, 0),
            platform::kDmlErrDllNotInitialized);
  second.reset();
  EXPECT_EQ(CurrentManager(), nullptr);
  first.reset();
  EXPECT_EQ(CurrentManager(), nullptr);
}

TEST_F(ManagerTest, AFormHoldsOneManagerAndARefusedOneLeavesTheFirstServing) {
  TComponent form;
  TDDEMLManager* first = form.CreateComponent<TDDEMLManager>();
  form.CreateComponent<TComponent>();  // other components are welcome
  try {
    form.CreateComponent<TDDEMLManager>();
    FAIL() << "a second manager was taken";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Only one instance of TDDEMLManager is allowed per form");
  }
  EXPECT_EQ(form.ComponentCount(), 2);
  EXPECT_EQ(CurrentManager(), first);
}

TEST_F(ManagerTest, LoadedStartsTheInstanceOnceWhenAskedTo) {
  TraceToFile();
  TDDEMLManager m;
  m.ComponentState |= csLoading;
  m.AutoInit = true;
  m.SetScope(ddeServerOnly);
  m.AddService("MT5");
  m.SetServiceEnabled("MT5", true);
  ASSERT_TRUE(m.InitDDEML());
  m.DebugFileName = Path("m.log");
  m.Loaded();
  EXPECT_FALSE(m.Loading());
  EXPECT_TRUE(m.Initialized());
  // The instance was up before: Loaded did not try again (no "already initialized" error).
  EXPECT_EQ(Log().find(ManagerErrorText(-8)), std::string::npos);

  TDDEMLManager fresh;
  fresh.AutoInit = true;
  fresh.SetScope(ddeServerOnly);
  fresh.AddService("B");
  fresh.SetServiceEnabled("B", true);
  fresh.DebugFileName = Path("m.log");
  fresh.SetDebugState(dbFile);
  fresh.Loaded();
  EXPECT_TRUE(fresh.Initialized());
}

TEST_F(ManagerTest, AssignCopiesTheConfigurationItNames) {
  TDDEMLManager a;
  a.AutoInit = true;
  a.DebugStayOnTop = false;
  a.DebugFileName = "x.log";
  a.SetScope(ddeClientAndServer);
  a.FailOptions = {cbfFailPokes};
  a.SkipOptions = {cbfSkipDisconnects};
  a.ExecCmds().AddCmd("Open", "I", true);
  a.AddService("MT5");
  a.OneConvPerTopic = true;  // not copied
  TDDEMLManager b;
  b.Assign(a);
  EXPECT_TRUE(b.AutoInit);
  EXPECT_FALSE(b.DebugStayOnTop);
  EXPECT_EQ(b.DebugFileName, "x.log");
  EXPECT_EQ(b.GetScope(), ddeClientAndServer);
  EXPECT_EQ(b.FailOptions, (TDDEMLFailTypeSet{cbfFailPokes}));
  EXPECT_EQ(b.SkipOptions, (TDDEMLSkipTypeSet{cbfSkipDisconnects}));
  EXPECT_TRUE(b.ExecCmds().CmdExists("Open"));
  EXPECT_NE(b.FindService("MT5"), nullptr);
  EXPECT_FALSE(b.OneConvPerTopic);
  TComponent other;
  EXPECT_THROW(b.Assign(other), std::invalid_argument);
}

}  // namespace
}  // namespace tickwell
