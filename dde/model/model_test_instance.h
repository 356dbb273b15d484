// A DDEML instance for the object model's tests: started on the test's thread, answering nothing,
// ended when the test ends (or earlier, to test what a stopped instance does to names).
#pragma once

#include <gtest/gtest.h>

#include <utility>

#include "platform/ddeml.h"

namespace tickwell::testing {

class ModelInstance {
 public:
  ModelInstance() { Start(); }
  explicit ModelInstance(platform::DdeCallback callback) : callback_(std::move(callback)) {
    Start();
  }
  ~ModelInstance() { Stop(); }
  ModelInstance(const ModelInstance&) = delete;
  ModelInstance& operator=(const ModelInstance&) = delete;

  void Start() {
    id_ = 0;
    platform::DdeCallback quiet = [](unsigned, unsigned, platform::Hconv, platform::Hsz,
                                     platform::Hsz, platform::HddeData, std::uintptr_t,
                                     std::uintptr_t) -> platform::HddeData { return 0; };
    const unsigned error = platform::DdeInitialize(id_, callback_ ? callback_ : quiet, 0);
    EXPECT_EQ(error, 0u);
  }
  void Stop() {
    if (id_ != 0) platform::DdeUninitialize(id_);
    id_ = 0;
  }
  platform::DdeInstance id() const { return id_; }

 private:
  platform::DdeCallback callback_;
  platform::DdeInstance id_ = 0;
};

}  // namespace tickwell::testing
