// The window as its stored description makes it.
#include <gtest/gtest.h>

#include <string>

#include "app/main_form.h"

namespace tickwell {
namespace {

TEST(StoredWindow, TheProgramsDescriptionGivesTheConfiguredManagerAndReceiver) {
  TMainForm form;
  EXPECT_EQ(form.Name(), "MainForm");
  EXPECT_EQ(form.Caption(), "Tickwell");
  EXPECT_EQ(form.Left(), 425);
  EXPECT_EQ(form.Top(), 261);
  EXPECT_EQ(form.ClientWidth(), 860);
  EXPECT_EQ(form.ClientHeight(), 300);
  TDDEMLManager& m = form.DdeManager();
  EXPECT_EQ(m.Name(), "DdeManager");
  EXPECT_EQ(m.Owner(), &form);
  EXPECT_FALSE(m.Loading());
  EXPECT_EQ(m.GetScope(), ddeServerOnly);
  EXPECT_EQ(m.InitFlags(), 0x20u);
  EXPECT_TRUE(m.GetCompareServerItemData() && m.StoreServerItemData && m.ExeNameAsService);
  EXPECT_TRUE(m.RetainClientItems && m.RetainClientItemData && m.PokeDataAsHandle);
  EXPECT_FALSE(m.AllowNullPokes || m.DefaultUseBusy || m.OneConvPerTopic || m.AutoInit);
  const std::string delimiters{m.GetCmdFirstCh(), m.GetCmdLastCh(), m.GetCmdParamFirstCh(),
                               m.GetCmdParamLastCh(), m.GetCmdParamSep()};
  EXPECT_EQ(delimiters, "[](),");
  EXPECT_EQ(m.DebugFileName, "C:\\DDEMNGR.LOG");
  EXPECT_EQ(m.TimeOutMs, 5000u);
  EXPECT_EQ(m.FormatConflict, fctException);
  EXPECT_TRUE(m.FailOptions.Empty() && m.SkipOptions.Empty());
  EXPECT_EQ(m.Services().ServiceCount(), 0);
  EXPECT_EQ(m.ExecCmds().CmdCount(), 0);
  EXPECT_FALSE(m.NetworkDDE);
  EXPECT_EQ(m.ShareProcess, sptNone);
  EXPECT_EQ(m.SharesList().ShareCount(), 0);
  EXPECT_EQ(m.NodeName, "");      // not read without network DDE
  EXPECT_FALSE(m.Initialized());  // not started at load
  EXPECT_FALSE(m.AcceptPokes);    // quotes come only from the terminal
  EXPECT_FALSE(m.KeepReleasedTopics);  // DDE off and on makes no second topic per symbol
  EXPECT_TRUE(m.ShareLastAdviseHandle);  // a quote copied into one handle for all its links
  EXPECT_TRUE(m.OnAdviseStartReceived != nullptr);
  EXPECT_TRUE(m.OnTopicClosed != nullptr);  // every symbol keeps its topic
  EXPECT_TRUE(m.OnConnectReceived == nullptr && m.OnPokeReceived == nullptr);
  EXPECT_TRUE(form.Receiver().Enabled());
  EXPECT_EQ(form.Receiver().GroupName(), "");
  EXPECT_TRUE(form.Receiver().OnReceiveString != nullptr);
}

// A description with one line replaced: the program's, or the one given.
std::string Edited(const std::string& from, const std::string& to,
                   std::string text = std::string(TMainForm::StoredDescription())) {
  const auto at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return text.replace(at, from.size(), to);
}

TEST(StoredWindow, StoredValuesAndListsReachTheManager) {
  // A service list holding "MT5" (enabled, no service strings) and a command list holding
  // Open with parameters "Is".
  const std::string services = "{0106034D543509020000}";
  const std::string commands = "{01090602497306044F70656E00}";
  std::string text = Edited("ServicesList = {0100}", "ServicesList = " + services);
  text.replace(text.find("CmdList = {0100}"), 16, "CmdList = " + commands);
  text.replace(text.find("DefaultTimeOut = 5.000000000000000000"), 37, "DefaultTimeOut = 2.5");
  text.replace(text.find("FailOptions = []"), 16, "FailOptions = [cbfFailPokes, cbfFailExecutes]");
  text.replace(text.find("CmdFirstCh = '['"), 16, "CmdFirstCh = '{'");
  TMainForm form(text);
  TDDEMLManager& m = form.DdeManager();
  ASSERT_EQ(m.Services().ServiceCount(), 1);
  EXPECT_TRUE(m.FindService("MT5")->Enabled);
  ASSERT_EQ(m.ExecCmds().CmdCount(), 1);
  EXPECT_EQ(m.ExecCmds().GetCmd(0)->Title, "Open");
  EXPECT_EQ(m.ExecCmds().GetCmd(0)->Params, "Is");
  EXPECT_EQ(m.TimeOutMs, 2500u);
  EXPECT_EQ(m.FailOptions, (TDDEMLFailTypeSet{cbfFailPokes, cbfFailExecutes}));
  EXPECT_EQ(m.GetCmdFirstCh(), '{');
}

TEST(StoredWindow, ABadDescriptionNamesItsLineAndMakesNoWindow) {
  const struct {
    std::string text;
    std::string says;
  } bad[] = {
      {Edited("Scope = ddeServerOnly", "Scope = ddeEverything"),
       "line 8: Property Scope has no value ddeEverything"},
      {Edited("Scope = ddeServerOnly", "Scoop = ddeServerOnly"),
       "line 8: Property Scoop does not exist"},
      {Edited("CmdFirstCh = '['", "CmdFirstCh = '[['"), "needs one quoted character"},
      {Edited("ServicesList = {0100}", "ServicesList = {0106}"), "Property ServicesList: "},
      {Edited("ServicesList = {0100}", "ServicesList = {010000}"), "bytes after the list"},
      {Edited("FList = {01020000}", "FList = {010201}"), "Property FList: "},
      {Edited("ShareProcess = sptNone", "ShareProcess = sptSometimes"),
       "Property ShareProcess has no value sptSometimes"},
      // A share that must match and is not installed stops the window at load.
      {Edited("NetworkDDE = False\n    ShareProcess = sptNone",
              "NetworkDDE = True\n    ShareProcess = sptSharesMustMatch",
              Edited("FList = {01020000}",
                     "FList = {01020106015106014106015406000600020002000600020000}")),
       "do no match shares installed"},
      {Edited("OnAdviseStartReceived = DdeManagerAdviseStartReceived",
              "OnAdviseStartReceived = QuoteLineReceived"),
       "does not fit DdeManager.OnAdviseStartReceived"},
      {Edited("OnReceiveString = QuoteLineReceived", "OnReceiveString = Missing"),
       "the window has no handler Missing"},
      {Edited("object Receiver: TInterAppReceiver", "object DDEMLManager2: TDDEMLManager"),
       "Only one instance of TDDEMLManager is allowed per form"},
  };
  for (const auto& b : bad) {
    try {
      TMainForm form(b.text);
      ADD_FAILURE() << "read: " << b.says;
    } catch (const std::exception& e) {
      EXPECT_NE(std::string(e.what()).find(b.says), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace tickwell
