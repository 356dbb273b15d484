#include "dde/model/commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tickwell {
namespace {

class Commands : public ::testing::Test {
 protected:
  void SetUp() override {
    list_.AddCmd("Open", "Ns", true);
    list_.AddCmd("Close", "", false);  // disabled commands parse like any other
  }
  // The parsed commands as "NAME(p1,p2)", or "invalid: ..." when the line is refused.
  std::string Parse(const std::string& line) {
    TObjectContainer parsed;
    const bool ok = list_.ValidCmdLine(line, &parsed);
    std::string out = ok ? "" : "invalid:";
    for (int i = 0; i < parsed.Count(); ++i) {
      const auto* cmd = parsed.ObjectAs<TDDEMLParsedCmd>(i);
      out += " " + cmd->CmdName;
      for (int p = 0; p < cmd->ParamCount(); ++p) out += (p ? "," : "(") + cmd->Param(p);
      if (cmd->ParamCount()) out += ")";
    }
    return out;
  }

  TDDEMLCmdsList list_;
};

TEST_F(Commands, ValidLines) {
  EXPECT_EQ(Parse("[Open(1)]"), " OPEN(1)");
  EXPECT_EQ(Parse("[open(1.5,x)]"), " OPEN(1.5,x)");
  EXPECT_EQ(Parse("[Open]"), " OPEN");
  EXPECT_EQ(Parse("[Close]"), " CLOSE");
  EXPECT_EQ(Parse("[Open(1)][Close]"), " OPEN(1) CLOSE");
  EXPECT_EQ(Parse("[Open(1]"), " OPEN");  // no closing character: no parameter list
  EXPECT_EQ(Parse("[Open(1)x]"), " OPEN(1)");
  EXPECT_EQ(Parse(""), "");
}

TEST_F(Commands, InvalidLinesKeepWhatParsedBefore) {
  for (const char* bad : {"[Open()]", "[Close()]", "[Open(1,x,y)]", "[Open(a)]", "[Open(1,)]",
                          "x[Close]", "[ Close]", "[Quit]", "[Open(1)", "Open"})
    EXPECT_EQ(Parse(bad), "invalid:") << bad;
  EXPECT_EQ(Parse("[Open(1)] [Close]"), "invalid: OPEN(1)");
  EXPECT_EQ(Parse("[Close][Quit][Open]"), "invalid: CLOSE");
  // Too long for the working string: refused, not raised.
  EXPECT_EQ(Parse("[Close]" + std::string(70000, ' ')).rfind("invalid:", 0), 0u);
  EXPECT_FALSE(list_.ValidCmdLine("[Quit]", nullptr));
  EXPECT_TRUE(list_.ValidCmdLine("[Close][Open(2,z)]", nullptr));
}

TEST_F(Commands, ParameterTypesAndCounts) {
  list_.AddCmd("Move", "IIn?s", true);  // two mandatory integers, then optional ones
  const TDDEMLCmd* move = list_.FindCmd("MOVE");
  ASSERT_NE(move, nullptr);
  EXPECT_EQ(move->MinParamCount(), 2);
  EXPECT_EQ(move->MaxParamCount(), 5);
  EXPECT_EQ(move->ParamType(2), ptReal);
  EXPECT_EQ(move->ParamType(3), ptInteger);
  EXPECT_EQ(move->ParamType(4), ptString);
  EXPECT_EQ(move->ParamType(9), ptInteger);
  EXPECT_EQ(Parse("[Move(1)]"), "invalid:");
  EXPECT_EQ(Parse("[Move(1,-2)]"), " MOVE(1,-2)");
  EXPECT_EQ(Parse("[Move(1,2,3.5,4,ok)]"), " MOVE(1,2,3.5,4,ok)");
  EXPECT_EQ(Parse("[Move(1,2,3.5,4.5)]"), "invalid:");
  EXPECT_EQ(Parse("[Move(1,2147483648)]"), "invalid:");

  // Other delimiters.
  list_.CmdFirstCh = '<';
  list_.CmdLastCh = '>';
  list_.CmdParamSep = ';';
  EXPECT_EQ(Parse("<Move(1;2)><close>"), " MOVE(1,2) CLOSE");
}

TEST_F(Commands, ListOperationsAndStoredForm) {
  list_.AddCmd("OPEN", "I", true);  // exists: ignored
  EXPECT_EQ(list_.CmdCount(), 2);
  EXPECT_EQ(list_.GetCmd(0)->Params, "Ns");
  EXPECT_EQ(list_.GetCmd(2), nullptr);
  EXPECT_TRUE(list_.CmdExists("close"));

  TValueWriter writer;
  list_.WriteData(writer);
  const std::vector<std::uint8_t> bytes = writer.Take();
  // Enabled, Params, Title per command.
  const std::vector<std::uint8_t> expected = {
      vaList,  vaTrue,   vaString, 2,        'N', 's', vaString, 4,   'O', 'p', 'e',   'n',
      vaFalse, vaString, 0,        vaString, 5,   'C', 'l',      'o', 's', 'e', vaNull};
  EXPECT_EQ(bytes, expected);
  TDDEMLCmdsList copy;
  copy.AddCmd("Old", "", true);
  TValueReader reader(bytes);
  copy.ReadData(reader);
  ASSERT_EQ(copy.CmdCount(), 2);
  EXPECT_EQ(copy.GetCmd(1)->Title, "Close");
  EXPECT_FALSE(copy.GetCmd(1)->Enabled);
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    TDDEMLCmdsList target;
    target.AddCmd("Kept", "", true);
    TValueReader cut(std::span<const std::uint8_t>(bytes.data(), n));
    EXPECT_THROW(target.ReadData(cut), EStreamError) << n;
    ASSERT_EQ(target.CmdCount(), 1);
  }
  TDDEMLCmdsList assigned;
  assigned.CmdFirstCh = '{';
  assigned.Assign(list_);
  EXPECT_EQ(assigned.CmdCount(), 2);
  EXPECT_EQ(assigned.CmdFirstCh, '{');  // delimiters are not copied
}

}  // namespace
}  // namespace tickwell
