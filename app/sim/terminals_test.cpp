// Several terminals in one Tickwell, as a spreadsheet in the same process meets them under the
// model: each terminal's quotes under its own services, the default one also as MT5 and MT4.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "interapp/terminal_label.h"
#include "platform/clipboard_format.h"
#include "platform/ddeml.h"
#include "platform/ini_file.h"
#include "platform/sim/ddeml_sim.h"
#include "platform/window.h"

namespace tickwell {
namespace {

class TerminalsTest : public ::testing::Test {
 protected:
  TerminalsTest() {
    std::filesystem::create_directories(dir_);
    platform::DdeInitialize(
        client_,
        [](unsigned, unsigned, platform::Hconv, platform::Hsz, platform::Hsz, platform::HddeData,
           std::uintptr_t, std::uintptr_t) -> platform::HddeData { return 0; },
        platform::kAppCmdClientOnly);
  }
  ~TerminalsTest() override {
    platform::DdeUninitialize(client_);
    for (platform::Hwnd sender : senders_) platform::DestroyWindow(sender);
    std::filesystem::remove_all(dir_);
  }
  void Start() {
    form.SettingsFile = file_;
    form.FormCreate();
    form.DdeButtonClick();  // on
  }
  static void Pump() {
    while (platform::PumpMessages() > 0) {
    }
  }
  // A sender's window, as a terminal's feed has one.
  platform::Hwnd Sender() {
    senders_.push_back(platform::CreateHiddenWindow(
        "sender", [](platform::Hwnd w, unsigned m, platform::WParam wp, platform::LParam lp) {
          return platform::DefaultWindowProc(w, m, wp, lp);
        }));
    return senders_.back();
  }
  // The sender names its terminal; the window then runs what waits (a posted message).
  void Name(platform::Hwnd sender, const std::string& label) {
    const std::string message = TerminalMessage(label);
    platform::SendCopyData(form.Receiver().Handle(), sender,
                           {pkData, static_cast<std::uint32_t>(message.size()), message.data()});
    form.DoWork();
  }
  void Feed(platform::Hwnd sender, const std::string& line) {
    platform::SendCopyData(form.Receiver().Handle(), sender,
                           {pkString, static_cast<std::uint32_t>(line.size()), line.data()});
  }
  // What a client's request reads, "<none>" when there is no answer (no such service or topic).
  std::string Ask(const std::string& service, const std::string& topic, const std::string& item) {
    const platform::Hconv conv =
        platform::DdeConnect(client_, platform::DdeCreateStringHandle(client_, service),
                             platform::DdeCreateStringHandle(client_, topic));
    Pump();
    if (conv == 0) return "<none>";
    std::uint32_t status = 0;
    const platform::HddeData data = platform::DdeClientTransaction(
        nullptr, 0, conv, platform::DdeCreateStringHandle(client_, item), platform::kCfText,
        platform::kXtypRequest, 1000, &status);
    std::string text = "<none>";
    if (data != 0) {
      const std::vector<std::uint8_t> bytes = platform::DdeDataBytes(data);
      text.assign(bytes.begin(), std::find(bytes.begin(), bytes.end(), 0));
      platform::DdeFreeDataHandle(data);
    }
    platform::DdeDisconnect(conv);
    Pump();
    return text;
  }

  std::filesystem::path dir_ =
      std::filesystem::temp_directory_path() /
      ("tickwell-terminals-" +
       std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  std::string file_ = (dir_ / "tickwell.ini").string();
  TMainForm form;
  platform::DdeInstance client_ = 0;
  std::vector<platform::Hwnd> senders_;
};

// Three terminals quote the same symbol at once: each value stays with its terminal in both
// layouts, the first terminal with a label is the default, remembered, and a sender that never
// named its terminal speaks for the default one.
TEST_F(TerminalsTest, EachTerminalsQuotesStayUnderItsOwnServices) {
  Start();
  const platform::Hwnd icm = Sender(), pep = Sender(), old = Sender();
  Name(icm, "icm");
  Name(pep, "pepper live");  // made safe
  Feed(icm, "EURUSD;1.1;1.2;1.15;1700000000;15");
  Feed(pep, "EURUSD;2.1;2.2;2.15;1700000001;25;2.3;2.0");
  Feed(old, "USDJPY;149.5;149.6;149.55;1700000002;7");
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(Ask("MT5_icm", "EURUSD", "BID"), "1.1");
    EXPECT_EQ(Ask("MT5_pepper_live", "EURUSD", "BID"), "2.1");
    EXPECT_EQ(Ask("MT5_pepper_live", "EURUSD", "HIGH"), "2.3");
    EXPECT_EQ(Ask("MT5", "EURUSD", "ASK"), "1.2");
    EXPECT_EQ(Ask("MT5", "USDJPY", "BID"), "149.5");
    EXPECT_EQ(Ask("MT5_icm", "USDJPY", "BID"), "149.5");
    EXPECT_EQ(Ask("MT5_pepper_live", "USDJPY", "BID"), "<none>");
    EXPECT_EQ(Ask("MT4_icm", "BID", "EURUSD"), "1.1");
    EXPECT_EQ(Ask("MT4_pepper_live", "BID", "EURUSD"), "2.1");
    EXPECT_EQ(Ask("MT4", "ASK", "EURUSD"), "1.2");
    EXPECT_EQ(Ask("MT4_pepper_live", "BID", "USDJPY"), "N/A");
    // The next lines, whichever layout was read before.
    Feed(icm, "EURUSD;1.1;1.2;1.15;1700000003;16");
    Feed(pep, "EURUSD;2.1;2.2;2.15;1700000004;26;2.3;2.0");
  }
  EXPECT_EQ(form.LastLine("pepper_live", "EURUSD"), "EURUSD;2.1;2.2;2.15;1700000004;26;2.3;2.0");
  EXPECT_EQ(form.Settings().DefaultTerminal, "icm");
  EXPECT_EQ(platform::IniReadString(file_, "Terminals", "Default", ""), "icm");
  // The list: a row per terminal and symbol, terminals by label.
  ASSERT_EQ(form.RowCount(), 3);
  EXPECT_EQ(form.ListCell(0, TMainForm::kColTerminal), "icm");
  EXPECT_EQ(form.ListCell(1, TMainForm::kColTerminal), "icm");
  EXPECT_EQ(form.ListCell(1, TMainForm::kColSymbol), "USDJPY");
  EXPECT_EQ(form.ListCell(2, TMainForm::kColTerminal), "pepper_live");
  EXPECT_EQ(form.ListCell(2, TMainForm::kColBid), "2.1");
  EXPECT_EQ(form.ListCell(2, TMainForm::kColLow), "2.0");
  EXPECT_EQ(form.CountsText(), "2 terminals, 7 lines received, 0 refused");
  const std::string topics = Ask("MT5_pepper_live", "System", "Topics");
  EXPECT_EQ(topics, "EURUSD\tSystem");
}

// The default is the user's: a terminal chosen in the settings serves MT5 and MT4 from the
// start, whichever terminal sends first; choosing another moves them at once, and what the new
// default has no quote for is left without a value rather than showing another terminal's.
TEST_F(TerminalsTest, TheChosenDefaultServesMt5AndMovesAtOnce) {
  ASSERT_TRUE(TSettings::WriteDefaultTerminal(file_, "pep"));
  Start();
  const platform::Hwnd icm = Sender(), pep = Sender();
  Name(icm, "icm");
  Feed(icm, "EURUSD;1.1;1.2;1.15;1700000000;15");
  Feed(icm, "GBPUSD;1.3;1.4;1.35;1700000000;15");
  EXPECT_EQ(Ask("MT5", "EURUSD", "BID"), "<none>");
  Name(pep, "pep");
  Feed(pep, "EURUSD;2.1;2.2;2.15;1700000001;25");
  EXPECT_EQ(Ask("MT5", "EURUSD", "BID"), "2.1");
  EXPECT_EQ(Ask("MT4", "BID", "EURUSD"), "2.1");
  EXPECT_EQ(platform::IniReadString(file_, "Terminals", "Default", ""), "pep");

  EXPECT_EQ(form.ChangeDefaultTerminal("icm"), "");
  form.DoWork();
  EXPECT_EQ(Ask("MT5", "EURUSD", "BID"), "1.1");
  EXPECT_EQ(Ask("MT5", "GBPUSD", "BID"), "1.3");
  EXPECT_EQ(Ask("MT4", "BID", "EURUSD"), "1.1");
  EXPECT_EQ(Ask("MT5_pep", "EURUSD", "BID"), "2.1");
  EXPECT_EQ(form.ChangeDefaultTerminal("pep"), "");
  form.DoWork();
  EXPECT_EQ(Ask("MT5", "EURUSD", "BID"), "2.1");
  EXPECT_EQ(Ask("MT5", "GBPUSD", "BID"), "");  // pep has none: not icm's
  EXPECT_EQ(Ask("MT4", "BID", "GBPUSD"), "N/A");
  EXPECT_EQ(Ask("MT5_icm", "GBPUSD", "BID"), "1.3");
  EXPECT_EQ(form.ChangeDefaultTerminal("no such|name"),
            "A terminal's label is letters, digits and _.");
  EXPECT_EQ(platform::IniReadString(file_, "Terminals", "Default", ""), "pep");
}

// A terminal whose feed closes is shown as gone, in the window and to clients, and its values
// stay readable.
TEST_F(TerminalsTest, ATerminalThatClosesIsShownAsGoneAndItsValuesStay) {
  Start();
  std::int64_t now = 1700000000;
  form.Clock = [&] { return now; };
  const platform::Hwnd icm = Sender(), pep = Sender();
  Name(icm, "icm");
  Name(pep, "pep");
  Feed(icm, "EURUSD;1.1;1.2;1.15;1700000000;15");
  Feed(pep, "EURUSD;2.1;2.2;2.15;1700000000;25");
  now += 5;
  form.Tick();
  EXPECT_EQ(Ask("MT5_pep", "System", "Terminals"),
            "icm\tMT5 MT5_icm MT4 MT4_icm\tsending\t5\r\npep\tMT5_pep MT4_pep\tsending\t5");
  platform::DestroyWindow(pep);
  senders_.pop_back();
  now += 3;
  form.Tick();
  EXPECT_EQ(Ask("MT5", "System", "Terminals"),
            "icm\tMT5 MT5_icm MT4 MT4_icm\tsending\t8\r\npep\tMT5_pep MT4_pep\tnot sending\t8");
  EXPECT_EQ(form.CountsText(), "2 terminals (pep not sending), 2 lines received, 0 refused");
  EXPECT_EQ(Ask("MT5_pep", "EURUSD", "BID"), "2.1");
  // The same sender back (the terminal started again): sending once more.
  const platform::Hwnd again = Sender();
  Name(again, "pep");
  EXPECT_EQ(form.CountsText(), "2 terminals, 2 lines received, 0 refused");
}

// Brokers name symbols their own way: a terminal's rule lets a workbook ask for the plain name
// in that terminal's services, and the broker's own name keeps answering.
TEST_F(TerminalsTest, ASymbolRuleAnswersThePlainName) {
  Start();
  const platform::Hwnd icm = Sender();
  Name(icm, "icm");
  EXPECT_EQ(form.ChangeSymbolRule("icm", {"", ".m"}), "");
  Feed(icm, "EURUSD.m;1.1;1.2;1.15;1700000000;15");
  Feed(icm, "GBPUSD;1.3;1.4;1.35;1700000000;15");  // no suffix: its own name only
  Feed(icm, "USDJPY.m;149.5;149.6;149.55;1700000000;7");
  Feed(icm, "USDJPY;150.5;150.6;150.55;1700000000;7");  // the broker has both: its own answers
  EXPECT_EQ(Ask("MT5_icm", "EURUSD", "BID"), "1.1");
  EXPECT_EQ(Ask("MT5_icm", "EURUSD.m", "BID"), "1.1");
  EXPECT_EQ(Ask("MT5", "eurusd", "ASK"), "1.2");
  EXPECT_EQ(Ask("MT4_icm", "BID", "EURUSD"), "1.1");
  EXPECT_EQ(Ask("MT4", "BID", "EURUSD.M"), "1.1");
  EXPECT_EQ(Ask("MT5_icm", "USDJPY", "BID"), "150.5");
  EXPECT_EQ(Ask("MT5_icm", "USDJPY.m", "BID"), "149.5");
  Feed(icm, "EURUSD.m;1.11;1.21;1.15;1700000001;16");
  EXPECT_EQ(Ask("MT5_icm", "EURUSD", "BID"), "1.11");
  EXPECT_EQ(Ask("MT4", "BID", "EURUSD"), "1.11");
  EXPECT_EQ(TSettings::ReadRule(file_, "icm"), (TSymbolRule{"", ".m"}));
  EXPECT_NE(form.ChangeSymbolRule("icm", {"", "a|b"}), "");
}

// A terminal's names are registered outside the sender's call; lines that come meanwhile, and
// while the names are registered, are served as soon as they are.
TEST_F(TerminalsTest, LinesBeforeAndWhileATerminalsNamesAreRegisteredAreServed) {
  Start();
  const platform::Hwnd icm = Sender(), pep = Sender();
  Name(icm, "icm");
  const std::string message = TerminalMessage("pep");
  platform::SendCopyData(form.Receiver().Handle(), pep,
                         {pkData, static_cast<std::uint32_t>(message.size()), message.data()});
  Feed(pep, "EURUSD;2.1;2.2;2.15;1700000000;25");  // before its names are registered
  int named = 0;
  platform::sim::SetDdeFault([&](const char* call) -> unsigned {
    if (std::string_view(call) == "DdeNameService" && named++ == 0) {
      Feed(pep, "GBPUSD;2.3;2.4;2.35;1700000000;25");
      Feed(icm, "GBPUSD;1.3;1.4;1.35;1700000000;15");
    }
    return 0;
  });
  form.DoWork();
  platform::sim::SetDdeFault(nullptr);
  ASSERT_GE(named, 1);
  EXPECT_EQ(Ask("MT5_pep", "EURUSD", "BID"), "2.1");
  EXPECT_EQ(Ask("MT5_pep", "GBPUSD", "BID"), "2.3");
  EXPECT_EQ(Ask("MT5_icm", "GBPUSD", "BID"), "1.3");
  EXPECT_EQ(Ask("MT5", "GBPUSD", "BID"), "1.3");
  // DDE off and on: every terminal's names come back, with their values.
  form.DdeButtonClick();
  EXPECT_EQ(Ask("MT5_pep", "EURUSD", "BID"), "<none>");
  form.DdeButtonClick();
  EXPECT_EQ(Ask("MT5_pep", "EURUSD", "BID"), "2.1");
  EXPECT_EQ(Ask("MT4_pep", "BID", "GBPUSD"), "2.3");
}

// Terminals that start together are named before their names are registered in one go.
TEST_F(TerminalsTest, TerminalsNamedTogetherEachGetTheirOwnNames) {
  Start();
  std::vector<platform::Hwnd> senders;
  for (int t = 0; t < 4; ++t) {
    senders.push_back(Sender());
    const std::string message = TerminalMessage("T" + std::to_string(t));
    platform::SendCopyData(form.Receiver().Handle(), senders.back(),
                           {pkData, static_cast<std::uint32_t>(message.size()), message.data()});
  }
  form.DoWork();
  for (int t = 0; t < 4; ++t)
    Feed(senders[t], "SYM0;" + std::to_string(t) + ".5;9;9;1700000000;1");
  for (int t = 0; t < 4; ++t)
    EXPECT_EQ(Ask("MT5_T" + std::to_string(t), "SYM0", "BID"), std::to_string(t) + ".5");
  EXPECT_EQ(Ask("MT5", "SYM0", "BID"), "0.5");
}

}  // namespace
}  // namespace tickwell
