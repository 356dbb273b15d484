#include "interapp/terminal_label.h"

#include <gtest/gtest.h>

#include <string>

namespace tickwell {
namespace {

TEST(TerminalLabel, LabelsAreMadeSafeForServiceNames) {
  EXPECT_EQ(SafeTerminalLabel("ICMarkets-Demo 5123"), "ICMarkets_Demo_5123");
  EXPECT_EQ(SafeTerminalLabel("icm_1"), "icm_1");
  EXPECT_EQ(SafeTerminalLabel(""), "");
  EXPECT_EQ(SafeTerminalLabel(std::string(100, 'a')).size(), kMaxTerminalLabel);
  EXPECT_EQ(SafeTerminalLabel("a|b!c\xC3\xA9"), "a_b_c__");
  EXPECT_TRUE(IsTerminalLabel("icm_1"));
  EXPECT_FALSE(IsTerminalLabel(""));
  EXPECT_FALSE(IsTerminalLabel("a b"));
  EXPECT_FALSE(IsTerminalLabel(std::string(kMaxTerminalLabel + 1, 'a')));
}

TEST(TerminalLabel, TheMessageCarriesTheLabelAndNothingElseIsTakenForIt) {
  std::string label;
  const std::string message = TerminalMessage("icm live");
  ASSERT_TRUE(ReadTerminalMessage(message.data(), message.size(), label));
  EXPECT_EQ(label, "icm_live");
  // With its C string end, as a sender written in C may pass it.
  const char with_nul[] = "Tickwell.Terminal:pepper";
  ASSERT_TRUE(ReadTerminalMessage(with_nul, sizeof with_nul, label));
  EXPECT_EQ(label, "pepper");
  // Short, foreign or missing bytes.
  label = "kept";
  EXPECT_FALSE(ReadTerminalMessage("Tickwell.Term", 13, label));
  EXPECT_FALSE(ReadTerminalMessage("EURUSD;1;2;3;4;5", 16, label));
  EXPECT_FALSE(ReadTerminalMessage(nullptr, 40, label));
  EXPECT_EQ(label, "kept");
  // The tag alone names no terminal: the sender speaks for the default one.
  ASSERT_TRUE(ReadTerminalMessage(kTerminalTag.data(), kTerminalTag.size(), label));
  EXPECT_EQ(label, "");
}

}  // namespace
}  // namespace tickwell
