// Without libFuzzer a target is a test program: every file of its seed corpus (the folders named
// on the command line) is one test case that hands the file to the target. A broken check aborts
// the program, which fails the run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"

namespace {

class Replay : public ::testing::Test {
 public:
  explicit Replay(std::filesystem::path file) : file_(std::move(file)) {}
  void TestBody() override {
    std::ifstream in(file_, std::ios::binary);
    ASSERT_TRUE(in) << "cannot read " << file_;
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }

 private:
  std::filesystem::path file_;
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::vector<std::filesystem::path> files;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path dir(argv[i]);
    if (!std::filesystem::is_directory(dir)) {
      std::fprintf(stderr, "replay: %s is not a folder\n", argv[i]);
      return 2;
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir))
      if (entry.is_regular_file()) files.push_back(std::filesystem::absolute(entry.path()));
  }
  if (files.empty()) {
    std::fprintf(stderr, "replay: no corpus files\n");
    return 2;
  }
  std::sort(files.begin(), files.end());
  const std::string suite = files.front().parent_path().filename().string();
  for (const auto& file : files)
    ::testing::RegisterTest(suite.c_str(), file.filename().string().c_str(), nullptr, nullptr,
                            __FILE__, __LINE__, [file]() -> ::testing::Test* {
                              return new Replay(file);
                            });
  return RUN_ALL_TESTS();
}
