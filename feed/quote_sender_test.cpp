// The sender against receivers in this process: real windows, real window messages.
#include "feed/quote_sender.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "interapp/inter_app.h"

namespace tickwell::feed {
namespace {

struct Heard {
  std::vector<std::string> lines;
  std::vector<platform::Hwnd> senders;
  explicit Heard(TInterAppReceiver& r) {
    r.OnReceiveString = [this](TInterAppReceiver&, platform::Hwnd from, const std::string& t) {
      lines.push_back(t);
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

}  // namespace
}  // namespace tickwell::feed
