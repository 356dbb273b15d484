#include "platform/files.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace platform {
namespace {

namespace fs = std::filesystem;

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tickwell-files-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  fs::path dir_;
};

TEST_F(FilesTest, AppendCreatesThenAddsBytesUntranslated) {
  const std::string log = Path("a.log");
  EXPECT_FALSE(FileExists(log));
  ASSERT_TRUE(AppendToFile(log, "one\r\n").ok);
  ASSERT_TRUE(AppendToFile(log, "two\n").ok);
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(log, bytes));
  EXPECT_EQ(bytes, "one\r\ntwo\n");

  ASSERT_TRUE(WriteWholeFile(log, "new").ok);
  ASSERT_TRUE(ReadWholeFile(log, bytes));
  EXPECT_EQ(bytes, "new");
}

TEST_F(FilesTest, RenameNeverReplacesAnExistingFile) {
  const std::string from = Path("x.log"), to = Path("x.001");
  EXPECT_FALSE(RenameFile(from, to)) << "missing source";
  ASSERT_TRUE(WriteWholeFile(from, "old").ok);
  ASSERT_TRUE(WriteWholeFile(to, "taken").ok);
  EXPECT_FALSE(RenameFile(from, to));
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(to, bytes));
  EXPECT_EQ(bytes, "taken");

  ASSERT_TRUE(RemoveFile(to));
  EXPECT_TRUE(RenameFile(from, to));
  EXPECT_FALSE(FileExists(from));
  ASSERT_TRUE(ReadWholeFile(to, bytes));
  EXPECT_EQ(bytes, "old");
}

TEST_F(FilesTest, FailuresNameThePathAndLeaveNothing) {
  const std::string nowhere = Path("missing-folder") + "/x.log";
  IoResult append = AppendToFile(nowhere, "x");
  EXPECT_FALSE(append.ok);
  EXPECT_NE(append.error.find("x.log"), std::string::npos) << append.error;
  EXPECT_FALSE(WriteWholeFile(nowhere, "x").ok);
  EXPECT_FALSE(FileExists(nowhere));
  std::string bytes = "kept";
  EXPECT_FALSE(ReadWholeFile(nowhere, bytes));
  EXPECT_EQ(bytes, "kept");

  // A folder is not a file, and cannot be written as one.
  EXPECT_FALSE(FileExists(dir_.string()));
  EXPECT_FALSE(AppendToFile(dir_.string(), "x").ok);
}

TEST(ExecutablePathTest, NamesThisProgram) {
  std::string path = ExecutablePath();
  EXPECT_NE(path.find("platform_tests"), std::string::npos) << path;
  EXPECT_TRUE(FileExists(path));
}

}  // namespace
}  // namespace platform
