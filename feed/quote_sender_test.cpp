// The sender against receivers in this process: real windows, real window messages.
#include "feed/quote_sender.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "interapp/inter_app.h"
#include "interapp/terminal_label.h"

namespace tickwell::feed {
namespace {

struct Heard {
  std::vector<std::string> lines;
  std::vector<platform::Hwnd> senders;
  std::vector<std::string> all;  // raw bytes as "data ...", lines as they are, in order
  explicit Heard(TInterAppReceiver& r) {
    r.OnReceiveString = [this](TInterAppReceiver&, platform::Hwnd from, const std::string& t) {
      lines.push_back(t);
      senders.push_back(from);
      all.push_back(t);
    };
    r.OnReceiveData = [this](TInterAppReceiver&, platform::Hwnd from, const void* d,
                             std::uint32_t n) {
      all.push_back("data " + std::string(static_cast<const char*>(d), n));
      senders.push_back(from);
    };
  }
};

TEST(QuoteSender, FindsAReceiverAndDeliversLinesWholeUpToTheLimit) {
  TInterAppReceiver receiver;
  Heard heard(receiver);
  TQuoteSender sender;
  ASSERT_TRUE(sender.Ready());
  ASSERT_TRUE(sender.FindReceiver(2000));
  EXPECT_EQ(reinterpret_cast<platform::Hwnd>(sender.Receiver()), receiver.Handle());
  const std::string longest(TQuoteSender::kMaxLine, 'q');
  EXPECT_EQ(sender.SendLine("EURUSD;1;2;3;4;5"), TSendResult::kSent);
  EXPECT_EQ(sender.SendLine(""), TSendResult::kSent);
  EXPECT_EQ(sender.SendLine(longest), TSendResult::kSent);
  EXPECT_EQ(sender.SendLine(longest + "q"), TSendResult::kTooLong);
  EXPECT_EQ(heard.lines, (std::vector<std::string>{"EURUSD;1;2;3;4;5", "", longest}));
  EXPECT_EQ(heard.senders[0], reinterpret_cast<platform::Hwnd>(sender.Window()));
}

TEST(QuoteSender, ADisabledReceiverIsNotFoundAndNothingIsSent) {
  TInterAppReceiver receiver;
  Heard heard(receiver);
  receiver.SetEnabled(false);
  TQuoteSender sender;
  EXPECT_FALSE(sender.FindReceiver(100));
  EXPECT_EQ(sender.SendLine("EURUSD;1;2;3;4;5"), TSendResult::kNoReceiver);
  EXPECT_TRUE(heard.lines.empty());
}

TEST(QuoteSender, AReceiverThatWentAwayIsLookedForAgain) {
  TQuoteSender sender;
  {
    TInterAppReceiver first;
    ASSERT_TRUE(sender.FindReceiver(2000));
  }
  EXPECT_EQ(sender.SendLine("EURUSD;1;2;3;4;5"), TSendResult::kNoReceiver);
  TInterAppReceiver second;
  Heard heard(second);
  EXPECT_EQ(sender.SendLine("EURUSD;6;7;8;9;10"), TSendResult::kSent);
  EXPECT_EQ(reinterpret_cast<platform::Hwnd>(sender.Receiver()), second.Handle());
  EXPECT_EQ(heard.lines, std::vector<std::string>{"EURUSD;6;7;8;9;10"});
}

using Log = std::vector<std::string>;

TEST(QuoteSender, ANamedTerminalIsHandedOverOnceAConnectionBeforeItsFirstLine) {
  TQuoteSender sender;
  // Named before any receiver is found: kept for the handshake.
  EXPECT_EQ(sender.SetTerminal("ICM live"), TSendResult::kNoReceiver);
  EXPECT_EQ(sender.Terminal(), "ICM_live");
  {
    TInterAppReceiver first;
    Heard heard(first);
    ASSERT_TRUE(sender.FindReceiver(2000));
    EXPECT_EQ(heard.all, Log{"data Tickwell.Terminal:ICM_live"});
    EXPECT_EQ(sender.SendLine("EURUSD;1;2;3;4;5"), TSendResult::kSent);
    EXPECT_EQ(sender.SendLine("EURUSD;6;2;3;4;5"), TSendResult::kSent);
    // A change while connected goes at once; the same label again sends nothing.
    EXPECT_EQ(sender.SetTerminal("pepper"), TSendResult::kSent);
    EXPECT_EQ(sender.SetTerminal("pepper"), TSendResult::kSent);
    EXPECT_EQ(sender.SendLine("EURUSD;7;2;3;4;5"), TSendResult::kSent);
    EXPECT_EQ(heard.all,
              (Log{"data Tickwell.Terminal:ICM_live", "EURUSD;1;2;3;4;5", "EURUSD;6;2;3;4;5",
                   "data Tickwell.Terminal:pepper", "EURUSD;7;2;3;4;5"}));
    for (platform::Hwnd from : heard.senders)
      EXPECT_EQ(from, reinterpret_cast<platform::Hwnd>(sender.Window()));
    // Looking anew is a new connection, even to the same receiver.
    ASSERT_TRUE(sender.FindReceiver(2000));
    EXPECT_EQ(heard.all.back(), "data Tickwell.Terminal:pepper");
    EXPECT_EQ(heard.all.size(), 6u);
  }
  // The receiver went away and a new one came (Tickwell restarted): the line that finds it goes
  // after the label.
  EXPECT_EQ(sender.SendLine("EURUSD;8;2;3;4;5"), TSendResult::kNoReceiver);
  TInterAppReceiver second;
  Heard heard(second);
  EXPECT_EQ(sender.SendLine("EURUSD;9;2;3;4;5"), TSendResult::kSent);
  EXPECT_EQ(sender.SendLine("EURUSD;10;2;3;4;5"), TSendResult::kSent);
  EXPECT_EQ(heard.all,
            (Log{"data Tickwell.Terminal:pepper", "EURUSD;9;2;3;4;5", "EURUSD;10;2;3;4;5"}));
  // Cleared while connected: the tag alone makes it the default terminal again.
  EXPECT_EQ(sender.SetTerminal(""), TSendResult::kSent);
  EXPECT_EQ(heard.all.back(), "data Tickwell.Terminal:");
  std::string label = "kept";
  EXPECT_TRUE(ReadTerminalMessage(heard.all.back().data() + 5, heard.all.back().size() - 5, label));
  EXPECT_EQ(label, "");
}

TEST(QuoteSender, WithoutALabelOnlyTheLinesAreSentAcrossReconnections) {
  TQuoteSender sender;
  EXPECT_EQ(sender.SetTerminal(""), TSendResult::kNoReceiver);
  {
    TInterAppReceiver first;
    Heard heard(first);
    ASSERT_TRUE(sender.FindReceiver(2000));
    // Nothing to name: nothing is sent, and that is no failure.
    EXPECT_EQ(sender.SetTerminal(""), TSendResult::kSent);
    EXPECT_EQ(sender.SendLine("EURUSD;1;2;3;4;5"), TSendResult::kSent);
    EXPECT_EQ(heard.all, Log{"EURUSD;1;2;3;4;5"});
  }
  TInterAppReceiver second;
  Heard heard(second);
  EXPECT_EQ(sender.SendLine("EURUSD;2;2;3;4;5"), TSendResult::kSent);
  EXPECT_EQ(heard.all, Log{"EURUSD;2;2;3;4;5"});
}

}  // namespace
}  // namespace tickwell::feed
