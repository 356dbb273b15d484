// Scenarios run on both backends: requests, pokes and executes (synchronous and asynchronous),
// data handles, callback filters and exceptions thrown inside the callback.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "platform/clipboard_format.h"
#include "platform/ddeml.h"
#include "platform/ddeml_test_party.h"
#include "platform/exception_report.h"

namespace platform {
namespace {

using testing::Eventually;
using testing::Party;
using testing::Seen;
using testing::Settle;
using testing::Text;

HddeData TextData(Party& self, const std::string& item, const std::string& text,
                  unsigned command = 0) {
  Hsz hsz = DdeCreateStringHandle(self.id(), item);
  return DdeCreateDataHandle(self.id(), text.c_str(), static_cast<std::uint32_t>(text.size() + 1),
                             0, hsz, kCfText, command);
}

// A server on "TwXactSvc" whose answers a test can change, and one connected client.
struct Pair {
  std::function<HddeData(Party&, const Seen&)> answer;
  Party server;
  Party client;
  Hconv conv = 0;
  Hsz item = 0;
  Pair(std::uint32_t server_flags = kAppCmdFilterInits)
      : server(server_flags,
               [this](Party& self, const Seen& seen) -> HddeData {
                 if (seen.type == kXtypConnect) return 1;
                 return answer ? answer(self, seen) : 0;
               }),
        client(kAppCmdClientOnly) {
    Hsz service = server.Name("TwXactSvc");
    server.Do([&] { return DdeNameService(server.id(), service, kDnsRegister); });
    conv = client.Do(
        [&] { return DdeConnect(client.id(), client.Name("TwXactSvc"), client.Name("EURUSD")); });
    item = client.Name("BID");
    Eventually([&] { return !server.Events(kXtypConnectConfirm).empty(); });
    server.Clear();
  }
  struct Result {
    HddeData handle = 0;
    std::uint32_t word = 0;
    unsigned error = 0;
    std::string text;
  };
  Result Transact(unsigned type, const std::string& payload = {}, unsigned format = kCfText,
                  std::uint32_t timeout = 5000) {
    return client.Do([&] {
      Result r;
      const void* data = payload.empty() ? nullptr : payload.c_str();
      std::uint32_t size = payload.empty() ? 0 : static_cast<std::uint32_t>(payload.size() + 1);
      r.handle = DdeClientTransaction(data, size, conv, type == kXtypExecute ? 0 : item, format,
                                      type, timeout, &r.word);
      r.error = DdeGetLastError(client.id());
      if (type == kXtypRequest && r.handle) {
        r.text = Text(DdeDataBytes(r.handle));
        DdeFreeDataHandle(r.handle);
      }
      return r;
    });
  }
};

TEST(DdemlRequest, TheServersDataReachesTheClientAndANullAnswerFails) {
  Pair p;
  ASSERT_NE(p.conv, 0u);
  p.answer = [](Party& self, const Seen& seen) -> HddeData {
    return seen.name2 == "BID" ? TextData(self, seen.name2, "1.0842") : 0;
  };
  Pair::Result got = p.Transact(kXtypRequest);
  EXPECT_NE(got.handle, 0u);
  EXPECT_EQ(got.text, "1.0842");
  EXPECT_EQ(got.error, kDmlErrNoError);
  std::vector<Seen> seen = p.server.Events(kXtypRequest);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].format, kCfText);
  EXPECT_EQ(seen[0].name1, "EURUSD");
  EXPECT_EQ(seen[0].name2, "BID");

  // A conversation serves one request after another.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(p.Transact(kXtypRequest).text, "1.0842") << i;

  p.answer = nullptr;
  got = p.Transact(kXtypRequest);
  EXPECT_EQ(got.handle, 0u);
  EXPECT_EQ(got.error, kDmlErrNotProcessed);
}

// What a server may answer a poke or an execute with, and what a client then sees on Windows.
struct AckCase {
  HddeData ack;
  bool ok;
  unsigned error;
};
const AckCase kAckCases[] = {
    {kDdeFAck, true, kDmlErrNoError},   {kDdeFAck | 0x2A, true, kDmlErrNoError},
    {kDdeFBusy, false, kDmlErrBusy},    {kDdeFNotProcessed, false, kDmlErrNotProcessed},
    {0x2A, false, kDmlErrNotProcessed},
};

TEST(DdemlPoke, EachAcknowledgementReachesTheClientAsThePlatformGivesIt) {
  Pair p;
  ASSERT_NE(p.conv, 0u);
  for (const AckCase& c : kAckCases) {
    p.answer = [&](Party&, const Seen&) { return c.ack; };
    p.server.Clear();
    Pair::Result got = p.Transact(kXtypPoke, "1.0850");
    if (DdeRunningOnWine()) {
      // Wine departs from Windows: a synchronous poke succeeds whatever the server
      // acknowledged; the result word carries DDE_FACK or DDE_FBUSY without application bits.
      EXPECT_NE(got.handle, 0u);
      EXPECT_EQ(got.word, c.ack & (kDdeFAck | kDdeFBusy));
    } else {
      EXPECT_EQ(got.handle != 0, c.ok) << std::hex << c.ack;
      EXPECT_EQ(got.error, c.error) << std::hex << c.ack;
      EXPECT_EQ(got.word & 0xFFFF, c.ack) << std::hex << c.ack;
    }
    std::vector<Seen> seen = p.server.Events(kXtypPoke);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].name2, "BID");
    EXPECT_EQ(seen[0].format, kCfText);
    EXPECT_EQ(Text(seen[0].data), "1.0850");
  }
}

TEST(DdemlExecute, TheCommandArrivesWholeAndEachAcknowledgementComesBack) {
  Pair p;
  ASSERT_NE(p.conv, 0u);
  for (const AckCase& c : kAckCases) {
    p.answer = [&](Party&, const Seen&) { return c.ack; };
    p.server.Clear();
    Pair::Result got = p.Transact(kXtypExecute, "[Open(x)]");
    EXPECT_EQ(got.handle != 0, c.ok) << std::hex << c.ack;
    // Wine departs from Windows: its client reports a busy server as not processed. (Its
    // server refuses an acknowledgement with application bits; the platform layer drops them.)
    EXPECT_EQ(got.error,
              DdeRunningOnWine() && c.error == kDmlErrBusy ? kDmlErrNotProcessed : c.error)
        << std::hex << c.ack;
    std::vector<Seen> seen = p.server.Events(kXtypExecute);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].name1, "EURUSD");
    EXPECT_EQ(seen[0].name2, "");
    EXPECT_EQ(seen[0].format, 0u);
    EXPECT_EQ(Text(seen[0].data), "[Open(x)]");
  }
}

TEST(DdemlFilters, FailFlagsRefuseServerTransactionsBeforeTheCallback) {
  Pair p(kAppCmdFilterInits | kCbfFailPokes | kCbfFailRequests | kCbfFailExecutes);
  ASSERT_NE(p.conv, 0u);
  p.answer = [](Party&, const Seen&) -> HddeData { return kDdeFAck; };
  // (Under Wine the refused poke still reports success: see DdemlPoke.)
  EXPECT_EQ(p.Transact(kXtypPoke, "1").handle != 0, DdeRunningOnWine());
  EXPECT_EQ(p.Transact(kXtypRequest).handle, 0u);
  EXPECT_EQ(p.Transact(kXtypExecute, "[x]").handle, 0u);
  EXPECT_NE(p.Transact(kXtypAdvStart).handle, 0u);  // advises are not filtered here
  Settle();
  std::vector<unsigned> types = p.server.Types();
  std::erase(types, kXtypRegister);
  EXPECT_EQ(types, std::vector<unsigned>{kXtypAdvStart});
}

// A server that answers after the client's time-out: the client's call fails with the time-out
// error of its type, whatever the server answered.
TEST(DdemlTimeout, AnAnswerAfterTheTimeOutFailsWithTheTypesError) {
  const struct {
    unsigned type;
    unsigned error;
  } cases[] = {{kXtypRequest, kDmlErrDataAckTimeout},
               {kXtypPoke, kDmlErrPokeAckTimeout},
               {kXtypExecute, kDmlErrExecAckTimeout},
               {kXtypAdvStart, kDmlErrAdvAckTimeout}};
  for (const auto& c : cases) {
    Pair p;
    ASSERT_NE(p.conv, 0u);
    p.answer = [](Party& self, const Seen& seen) -> HddeData {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the slow server itself
      if (seen.type == kXtypRequest) return TextData(self, seen.name2, "late");
      return seen.type == kXtypAdvStart ? 1 : kDdeFAck;
    };
    const bool carries = c.type == kXtypPoke || c.type == kXtypExecute;
    Pair::Result got = p.Transact(c.type, carries ? "x" : "", kCfText, 60);
    EXPECT_EQ(got.handle, 0u) << std::hex << c.type;
    EXPECT_EQ(got.error, c.error) << std::hex << c.type;
    ASSERT_TRUE(Eventually([&] { return p.server.Events(c.type).size() == 1; }));
  }
}

TEST(DdemlAsync, TransactionsCompleteLaterWithTheirIds) {
  Pair p;
  ASSERT_NE(p.conv, 0u);
  p.answer = [](Party& self, const Seen& seen) -> HddeData {
    if (seen.type == kXtypRequest && seen.name2 == "BID")
      return TextData(self, seen.name2, "1.0901");
    return seen.type == kXtypRequest ? 0 : kDdeFAck;
  };
  auto completions = [&](std::uint32_t id) {
    std::vector<Seen> of;
    for (const Seen& s : p.client.Events(kXtypXactComplete))
      if (s.data1 == id) of.push_back(s);
    return of;
  };
  std::uint32_t request_id = 0;
  ConvInfo pending;
  bool queried = p.client.Do([&] {
    DdeClientTransaction(nullptr, 0, p.conv, p.item, kCfText, kXtypRequest, kTimeoutAsync,
                         &request_id);
    return DdeQueryConvInfo(p.conv, request_id, pending);
  });
  EXPECT_NE(request_id, 0u);
  ASSERT_TRUE(queried);
  EXPECT_EQ(p.client.Read(pending.item), "BID");
  // Wine departs from Windows: the record of a pending transaction has no type and no state.
  EXPECT_EQ(pending.type, DdeRunningOnWine() ? 0u : kXtypRequest);
  EXPECT_EQ(pending.state, DdeRunningOnWine() ? kXstConnected : kXstReqSent);
  ASSERT_TRUE(Eventually([&] { return !completions(request_id).empty(); }));
  Seen done = completions(request_id).front();
  EXPECT_EQ(done.name1, "EURUSD");
  EXPECT_EQ(done.name2, "BID");
  EXPECT_EQ(done.format, kCfText);
  EXPECT_EQ(Text(done.data), "1.0901");
  Settle();
  ConvInfo gone;
  if (DdeRunningOnWine()) {
    // Wine departs from Windows: an asynchronous request may complete a second time, without
    // data, and stays queryable afterwards.
    ASSERT_LE(completions(request_id).size(), 2u);
    if (completions(request_id).size() == 2) {
      EXPECT_EQ(completions(request_id)[1].raw_data, 0u);
    }
  } else {
    EXPECT_EQ(completions(request_id).size(), 1u);
    EXPECT_FALSE(p.client.Do([&] { return DdeQueryConvInfo(p.conv, request_id, gone); }));
  }

  // An execute completes with success and no data; a pending advise start says what it waits
  // for; a refused request leaves its error on the conversation.
  std::uint32_t execute_id = 0, advise_id = 0, refused_id = 0;
  ConvInfo advising;
  p.client.Do([&] {
    DdeClientTransaction("[Go]", 5, p.conv, 0, kCfText, kXtypExecute, kTimeoutAsync, &execute_id);
    DdeClientTransaction(nullptr, 0, p.conv, p.item, kCfText, kXtypAdvStart, kTimeoutAsync,
                         &advise_id);
    return DdeQueryConvInfo(p.conv, advise_id, advising);
  });
  EXPECT_NE(execute_id, 0u);
  EXPECT_EQ(advising.state, DdeRunningOnWine() ? kXstConnected : kXstAdvSent);
  if (DdeRunningOnWine()) {
    // Wine departs from Windows: later transactions on the conversation complete under the id
    // of its first one, without data. What follows is Windows behaviour only.
    ASSERT_TRUE(Eventually([&] { return p.client.Events(kXtypXactComplete).size() >= 3; }));
    for (const Seen& done : p.client.Events(kXtypXactComplete)) EXPECT_EQ(done.data1, request_id);
    return;
  }
  ASSERT_TRUE(Eventually([&] { return !completions(execute_id).empty(); }));
  EXPECT_EQ(completions(execute_id).front().raw_data, 1u);
  ASSERT_TRUE(Eventually([&] { return !completions(advise_id).empty(); }));
  EXPECT_EQ(completions(advise_id).front().raw_data, 1u);
  Settle();
  EXPECT_EQ(completions(execute_id).size(), 1u);

  p.client.Do([&] {
    Hsz nothing = DdeCreateStringHandle(p.client.id(), "TwNoSuchItem");
    return DdeClientTransaction(nullptr, 0, p.conv, nothing, kCfText, kXtypRequest, kTimeoutAsync,
                                &refused_id);
  });
  ASSERT_TRUE(Eventually([&] { return !completions(refused_id).empty(); }));
  EXPECT_EQ(completions(refused_id).front().raw_data, 0u);
  ConvInfo after;
  ASSERT_TRUE(p.client.Do([&] { return DdeQueryConvInfo(p.conv, kQidSync, after); }));
  EXPECT_EQ(after.last_error, kDmlErrNotProcessed);
}

TEST(DdemlAsync, AnAbandonedTransactionNeverCompletes) {
  Pair p;
  ASSERT_NE(p.conv, 0u);
  std::uint32_t id = 0;
  p.client.Do([&] {
    DdeClientTransaction(nullptr, 0, p.conv, p.item, kCfText, kXtypRequest, kTimeoutAsync, &id);
    return DdeAbandonTransaction(p.client.id(), p.conv, id);
  });
  Settle();
  std::vector<Seen> done = p.client.Events(kXtypXactComplete);
  if (DdeRunningOnWine()) {
    // Wine departs from Windows: the abandoned transaction still completes, without data.
    for (const Seen& d : done) EXPECT_EQ(d.raw_data, 0u);
    return;
  }
  EXPECT_TRUE(done.empty());
}

TEST(DdemlCallbackGuard, AnExceptionInTheCallbackIsReportedAndAnsweredWithZero) {
  std::mutex lock;
  std::vector<std::string> reports;
  SetExceptionReport([&](const std::string& text) {
    std::lock_guard<std::mutex> hold(lock);
    reports.push_back(text);
  });
  {
    Pair p;
    ASSERT_NE(p.conv, 0u);
    p.answer = [](Party&, const Seen& seen) -> HddeData {
      if (seen.type == kXtypPoke || seen.type == kXtypRequest)
        throw std::runtime_error("feed broke");
      return 0;
    };
    Pair::Result got = p.Transact(kXtypPoke, "1");
    EXPECT_EQ(got.handle != 0, DdeRunningOnWine());  // see DdemlPoke
    EXPECT_EQ(p.Transact(kXtypRequest).handle, 0u);
  }
  SetExceptionReport(nullptr);
  std::lock_guard<std::mutex> hold(lock);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0], "feed broke");
}

TEST(DdemlData, HandlesCarryBytesAtTheirOffsetAndOwnedOnesLiveUntilFreed) {
  Party a(kAppCmdClientOnly);
  a.Do([&] {
    // The offset says where in the source the copied bytes begin.
    const char text[] = "xxQUOTE";
    HddeData h = DdeCreateDataHandle(a.id(), text, 6, 2, 0, kCfText, 0);
    EXPECT_NE(h, 0u);
    std::uint32_t size = 0;
    std::uint8_t* bytes = DdeAccessData(h, &size);
    EXPECT_NE(bytes, nullptr);
    EXPECT_GE(size, 6u);  // the library may round the object up
    if (bytes && size >= 6) {
      EXPECT_EQ(std::memcmp(bytes, "QUOTE", 6), 0);
    }
    EXPECT_TRUE(DdeUnaccessData(h));
    char part[4] = {};
    EXPECT_EQ(DdeGetData(h, part, 3, 2), 3u);
    EXPECT_EQ(std::string(part), "OTE");
    EXPECT_TRUE(DdeFreeDataHandle(h));
    return 0;
  });
}

TEST(DdemlData, AnApplicationOwnedAnswerSurvivesTheTransactionAndAnUnownedOneDoesNot) {
  Pair p;
  ASSERT_NE(p.conv, 0u);
  HddeData owned = 0, unowned = 0;
  p.answer = [&](Party& self, const Seen& seen) -> HddeData {
    if (seen.name2 == "BID") return owned = TextData(self, "BID", "1.1", kHdataAppOwned);
    return unowned = TextData(self, "ASK", "1.2");
  };
  EXPECT_EQ(p.Transact(kXtypRequest).text, "1.1");
  EXPECT_EQ(p.Transact(kXtypRequest).text, "1.1");  // hands out a new owned one each time
  p.client.Do([&] { return p.item = DdeCreateStringHandle(p.client.id(), "ASK"); });
  EXPECT_EQ(p.Transact(kXtypRequest).text, "1.2");
  p.server.Do([&] {
    EXPECT_EQ(testing::Text(DdeDataBytes(owned)), "1.1");
    EXPECT_TRUE(DdeFreeDataHandle(owned));
    // The library released the unowned answer once the transaction was over.
    EXPECT_NE(unowned, 0u);
    EXPECT_EQ(DdeGetData(unowned, nullptr, 0, 0), 0u);
    EXPECT_FALSE(DdeFreeDataHandle(unowned));
    return 0;
  });
}

}  // namespace
}  // namespace platform
