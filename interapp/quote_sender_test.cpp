#include "interapp/quote_sender.h"

#include <gtest/gtest.h>

#include <vector>

#include "interapp/inter_app.h"

namespace tickwell {
namespace {

TEST(QuoteSender, FindsAnEnabledReceiverAndDeliversLinesWhole) {
  TInterAppReceiver receiver;
  std::vector<std::string> lines;
  std::vector<platform::Hwnd> senders;
  receiver.OnReceiveString = [&](TInterAppReceiver&, platform::Hwnd from, const std::string& t) {
    lines.push_back(t);
    senders.push_back(from);
  };
  TQuoteSender sender;
  ASSERT_TRUE(sender.FindReceiver(2000));
  EXPECT_EQ(sender.Receiver(), receiver.Handle());
  EXPECT_TRUE(sender.SendLine("EURUSD;1;2;3;4;5"));
  EXPECT_TRUE(sender.SendLine(""));
  EXPECT_EQ(lines, (std::vector<std::string>{"EURUSD;1;2;3;4;5", ""}));
  EXPECT_EQ(senders[0], sender.Window());
}

TEST(QuoteSender, ADisabledReceiverIsNotFoundAndNothingIsSent) {
  TInterAppReceiver receiver;
  receiver.SetEnabled(false);
  TQuoteSender sender;
  EXPECT_FALSE(sender.FindReceiver(100));
  EXPECT_FALSE(sender.SendLine("EURUSD;1;2;3;4;5"));
}

TEST(QuoteSender, AReceiverThatWentAwayIsReportedNotCrashedInto) {
  TQuoteSender sender;
  {
    TInterAppReceiver receiver;
    ASSERT_TRUE(sender.FindReceiver(2000));
  }
  EXPECT_FALSE(sender.SendLine("EURUSD;1;2;3;4;5"));
}

}  // namespace
}  // namespace tickwell
