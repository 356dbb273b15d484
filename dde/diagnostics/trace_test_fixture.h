// A fresh temporary folder per test, and what the application's exception report was handed.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dde/diagnostics/trace.h"
#include "platform/exception_report.h"
#include "platform/files.h"

namespace tickwell::testing {

class TraceTestBase : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           (std::string("tickwell-diag-") + info->test_suite_name() + "-" + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    platform::SetExceptionReport([this](const std::string& text) { reports_.push_back(text); });
  }
  void TearDown() override {
    StoreDebugState(dbNone, "");
    CloseDebugForm();
    platform::SetExceptionReport(nullptr);
    std::filesystem::remove_all(dir_);
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::string Read(const std::string& name) const {
    std::string bytes;
    platform::ReadWholeFile(Path(name), bytes);
    return bytes;
  }
  void Put(const std::string& name, const std::string& bytes) const {
    ASSERT_TRUE(platform::WriteWholeFile(Path(name), bytes).ok);
  }

  std::filesystem::path dir_;
  std::vector<std::string> reports_;
};

}  // namespace tickwell::testing
