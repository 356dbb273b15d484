// A running manager serving "MT5" and DDE clients of it, all on the test's thread under the
// model; the trace goes to a file the test can read.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "dde/diagnostics/trace_test_fixture.h"
#include "dde/manager/manager.h"
#include "platform/ddeml_test_party.h"

namespace tickwell::testing {

using platform::testing::Party;
using platform::testing::Text;

class ServerTest : public TraceTestBase {
 protected:
  void SetUp() override {
    TraceTestBase::SetUp();
    ApplyDebugState(platform::kNoWindow, dbFile, true, Path("m.log"));
    m = std::make_unique<TDDEMLManager>();
    m->SetScope(ddeServerOnly);
    m->AddService("MT5");
    m->SetServiceEnabled("MT5", true);
    ASSERT_TRUE(m->InitDDEML());
  }
  void TearDown() override {
    client.reset();
    m.reset();
    SetDataCompareDisabled(false);
    TraceTestBase::TearDown();
  }
  std::string Log() { return Read("m.log"); }
  bool Logged(const std::string& text) { return Log().find(text) != std::string::npos; }

  Party& Client() {
    if (!client) client = std::make_unique<Party>(0);
    return *client;
  }
  platform::Hconv Connect(const std::string& topic, const std::string& service = "MT5") {
    return Connect(Client(), topic, service);
  }
  static platform::Hconv Connect(Party& p, const std::string& topic,
                                 const std::string& service = "MT5") {
    const platform::Hconv conv = platform::DdeConnect(p.id(), p.Name(service), p.Name(topic));
    Pump();  // the confirm arrives through the message queue
    return conv;
  }
  static void Pump() {
    while (platform::PumpMessages() > 0) {
    }
  }
  // The answer's text, or "<none>" when the request failed.
  std::string Request(platform::Hconv conv, const std::string& item, unsigned format = 1) {
    std::uint32_t status = 0;
    const platform::HddeData data = platform::DdeClientTransaction(
        nullptr, 0, conv, Client().Name(item), format, platform::kXtypRequest, 1000, &status);
    if (data == 0) return "<none>";
    const std::string text = Text(platform::DdeDataBytes(data));
    platform::DdeFreeDataHandle(data);
    return text;
  }
  // The acknowledgement word the transaction ended with (0 when it failed outright).
  std::uint32_t Send(platform::Hconv conv, unsigned type, const std::string& item,
                     const std::string& data, unsigned format = 1) {
    std::uint32_t status = 0;
    platform::DdeClientTransaction(data.c_str(), static_cast<std::uint32_t>(data.size() + 1), conv,
                                   item.empty() ? 0 : Client().Name(item), format, type, 1000,
                                   &status);
    return status;
  }
  bool Advise(Party& p, platform::Hconv conv, const std::string& item, unsigned format = 1) {
    std::uint32_t status = 0;
    return platform::DdeClientTransaction(nullptr, 0, conv, p.Name(item), format,
                                          platform::kXtypAdvStart, 1000, &status) != 0;
  }
  // What a manager's callback answers when DDEML calls it directly with these arguments.
  platform::HddeData Call(unsigned type, platform::Hconv conv, const std::string& name1,
                          const std::string& name2, std::uintptr_t data1 = 0, unsigned format = 1,
                          platform::HddeData data = 0) {
    const platform::Hsz h1 =
        name1.empty() ? 0 : platform::DdeCreateStringHandle(m->InstanceId, name1);
    const platform::Hsz h2 =
        name2.empty() ? 0 : platform::DdeCreateStringHandle(m->InstanceId, name2);
    const platform::HddeData result = m->CallBack(type, format, conv, h1, h2, data, data1, 0);
    if (h1) platform::DdeFreeStringHandle(m->InstanceId, h1);
    if (h2) platform::DdeFreeStringHandle(m->InstanceId, h2);
    return result;
  }

  std::unique_ptr<TDDEMLManager> m;
  std::unique_ptr<Party> client;
};

}  // namespace tickwell::testing
