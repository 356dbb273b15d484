// A refused name registration, and the trace of registration, which only the model can force.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "dde/diagnostics/trace.h"
#include "dde/model/model_test_instance.h"
#include "dde/model/service_list.h"
#include "platform/sim/ddeml_sim.h"

namespace tickwell {
namespace {

TEST(ServiceModel, RefusedRegistrationStopsTheWalkAndIsTraced) {
  const auto log = std::filesystem::temp_directory_path() / "tickwell-model-service.log";
  std::filesystem::remove(log);
  StoreDebugState(dbFile, log.string());

  testing::ModelInstance inst;
  TDDEMLServicesList list;
  std::vector<int> codes;
  std::string detail;
  list.OnServiceError = [&](TObject&, int code, const std::string& text) {
    codes.push_back(code);
    detail = text;
  };
  list.Add("AAA");
  list.Add("BBB");
  list.SetServiceEnabled("AAA", true);
  list.SetServiceEnabled("BBB", true);
  platform::sim::FailDdeCall("DdeNameService", platform::kDmlErrSysError);
  EXPECT_FALSE(list.RegisterAll(inst.id(), true));
  platform::sim::SetDdeFault(nullptr);
  EXPECT_EQ(codes, std::vector<int>{-9});
  EXPECT_EQ(detail, "AAA");
  EXPECT_FALSE(list.FindService("AAA")->Registered);
  EXPECT_EQ(list.FindService("BBB")->Handle(), 0u);  // the walk stopped before it
  StoreDebugState(dbNone, "");

  std::ifstream in(log);
  std::stringstream text;
  text << in.rdbuf();
  const std::string lines = text.str();
  const auto start = lines.find("TDDEMLService : Register - [AAA] - Start");
  const auto call = lines.find("TDDEMLService : Register - Calling DdeNameService");
  const auto end = lines.find("TDDEMLService : Register - [AAA] - End");
  EXPECT_NE(start, std::string::npos) << lines;
  EXPECT_LT(start, call);
  EXPECT_LT(call, end);
  EXPECT_NE(end, std::string::npos);
  EXPECT_EQ(lines.find("[BBB]"), std::string::npos);
  std::filesystem::remove(log);
}

}  // namespace
}  // namespace tickwell
