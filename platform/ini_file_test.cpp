#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           (std::string("tickwell-ini-") +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    file_ = (dir_ / "prog.DFP").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
  std::string file_;
};

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault) {
  EXPECT_EQ(IniReadInteger(file_, "Position", "Left", 17), 17);
  EXPECT_EQ(IniReadString(file_, "Position", "Left", "dflt"), "dflt");
  ASSERT_TRUE(IniWriteInteger(file_, "Other", "Left", 5));
  EXPECT_EQ(IniReadInteger(file_, "Position", "Left", 17), 17);
  ASSERT_TRUE(IniWriteInteger(file_, "Position", "Top", 5));
  EXPECT_EQ(IniReadInteger(file_, "Position", "Left", 17), 17);
}

TEST_F(IniFileTest, WritesReadBackWithoutRegardToCase) {
  ASSERT_TRUE(IniWriteInteger(file_, "Position", "Left", -12));
  ASSERT_TRUE(IniWriteInteger(file_, "Position", "Top", 40));
  EXPECT_EQ(IniReadInteger(file_, "position", "LEFT", 0), -12);
  EXPECT_EQ(IniReadInteger(file_, "Position", "Top", 0), 40);

  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(file_, bytes));
  EXPECT_NE(bytes.find("[Position]"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("Left=-12"), std::string::npos) << bytes;
}

TEST_F(IniFileTest, RewritingAKeyKeepsEverythingElse) {
  ASSERT_TRUE(WriteWholeFile(
                  file_, "[First]\r\nA=1\r\n\r\n[Position]\r\nLeft=1\r\nTop=2\r\n[Last]\r\nB=3\r\n")
                  .ok);
  ASSERT_TRUE(IniWriteInteger(file_, "POSITION", "left", 99));
  ASSERT_TRUE(IniWriteInteger(file_, "Position", "Width", 414));
  EXPECT_EQ(IniReadInteger(file_, "Position", "Left", 0), 99);
  EXPECT_EQ(IniReadInteger(file_, "Position", "Top", 0), 2);
  EXPECT_EQ(IniReadInteger(file_, "Position", "Width", 0), 414);
  EXPECT_EQ(IniReadString(file_, "First", "A", ""), "1");
  EXPECT_EQ(IniReadString(file_, "Last", "B", ""), "3");
  EXPECT_EQ(IniReadInteger(file_, "Last", "Width", -1), -1) << "new key went to another section";
}

TEST_F(IniFileTest, BadNumbersAndUnwritableFilesAreRefused) {
  ASSERT_TRUE(WriteWholeFile(file_, "[Position]\r\nLeft=12px\r\nTop=\r\nWidth=99999999999\r\n").ok);
  EXPECT_EQ(IniReadInteger(file_, "Position", "Left", 7), 7);
  EXPECT_EQ(IniReadInteger(file_, "Position", "Top", 8), 8);
  EXPECT_EQ(IniReadInteger(file_, "Position", "Width", 9), 9);

  const std::string nowhere = (dir_ / "no-such-folder" / "x.DFP").string();
  EXPECT_FALSE(IniWriteInteger(nowhere, "Position", "Left", 1));
  EXPECT_FALSE(FileExists(nowhere));
}

}  // namespace
}  // namespace platform
