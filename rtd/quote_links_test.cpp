// Links made again when Tickwell comes back, in slices of bounded time, against a Tickwell played
// by a server instance of the DDE model. The clock is the test's: each link started costs 10 ms.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <ostream>
#include <set>
#include <string>

#include "platform/clipboard_format.h"
#include "platform/ddeml_test_party.h"
#include "rtd/quote_server.h"

namespace rtd {

void PrintTo(const CellValue& value, std::ostream* out) {
  *out << "kind " << static_cast<int>(value.kind) << " " << value.number << " \"" << value.text
       << "\"";
}

namespace {

using namespace platform;
using platform::testing::Party;
using platform::testing::Seen;
using std::chrono::milliseconds;

constexpr int kSymbols = 10;
const char* const kFields[] = {"BID", "ASK", "LAST", "TIME", "VOLUME", "QUOTE"};
constexpr milliseconds kLinkCost{10};

std::string SymbolName(int n) { return "SYM" + std::to_string(n); }
long TopicOf(int symbol, int field) { return symbol * 6 + field; }

// Tickwell's service: answers every symbol with the price 1.5 (QUOTE the line, TIME a time),
// and counts the advise starts, each of which moves the clock on.
class Tickwell {
 public:
  explicit Tickwell(std::chrono::steady_clock::time_point& now) : now_(now) { Begin(); }

  void Begin() {
    party_ = std::make_unique<Party>(
        0, [this](Party& self, const Seen& seen) { return Answer(self, seen); });
    DdeNameService(party_->id(), party_->Name("MT5"), kDnsRegister);
  }
  void End() { party_.reset(); }

  std::multiset<std::string> started;  // "SYMBOL/ITEM" for each advise start
  int advise_starts = 0;

 private:
  HddeData Answer(Party& self, const Seen& seen) {
    switch (seen.type) {
      case kXtypConnect:
        return 1;
      case kXtypAdvStart:
        started.insert(seen.name1 + "/" + seen.name2);
        ++advise_starts;
        now_ += kLinkCost;
        return 1;
      case kXtypRequest: {
        const std::string text = seen.name2 == "QUOTE"  ? seen.name1 + ";1.5;1.6;1.55;1700000000;7"
                                 : seen.name2 == "TIME" ? "1700000000"
                                                        : "1.5";
        return DdeCreateDataHandle(self.id(), text.c_str(),
                                   static_cast<std::uint32_t>(text.size() + 1), 0,
                                   DdeCreateStringHandle(self.id(), seen.name2), seen.format, 0);
      }
    }
    return 0;
  }

  std::chrono::steady_clock::time_point& now_;
  std::unique_ptr<Party> party_;
};

class Relink : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(server_.Start(error)) << error;
  }
  // Every topic of the symbols connected while Tickwell is away.
  void ConnectAll() {
    for (int s = 0; s < kSymbols; ++s)
      for (int f = 0; f < 6; ++f)
        EXPECT_EQ(server_.Connect(TopicOf(s, f), {SymbolName(s), kFields[f]}), NotRunningValue());
    server_.Refresh();
  }
  // Calls Retry as the timer does until the pass is done; the number of calls.
  int SlicesToTheEnd(int bound = 1000) {
    int slices = 1;
    for (int starts = tickwell_.advise_starts; server_.Retry(); starts = tickwell_.advise_starts) {
      // The budget is 50 ms; the slice stops at the first link begun after it is spent.
      EXPECT_LE(tickwell_.advise_starts - starts, 6) << "slice " << slices;
      if (++slices > bound) break;
    }
    return slices;
  }
  CellValue Shown(int symbol, int field) const {
    return server_.Table().Value(KeyOf(SymbolName(symbol), ParseField(kFields[field]).value()));
  }
  bool Quoted(int symbol, int field) const {
    const CellValue value = Shown(symbol, field);
    return value.kind == CellKind::Number || value.kind == CellKind::Date ||
           (value.kind == CellKind::Text && value.text.rfind(SymbolName(symbol), 0) == 0);
  }

  std::chrono::steady_clock::time_point now_{};
  Tickwell tickwell_{now_};
  QuoteServer server_{[] {}, "MT5", [this] { return now_; }};
};

TEST_F(Relink, ReturningTickwellIsLinkedInSlicesThatFollowCellsChangedBetweenThem) {
  tickwell_.End();
  ConnectAll();
  tickwell_.Begin();

  // The first slice: five links of 10 ms fill the 50 ms budget; the sixth waits.
  EXPECT_TRUE(server_.Retry());
  EXPECT_EQ(server_.Links().LinksRunning(), 5u);
  EXPECT_EQ(server_.Refresh().size(), 5u) << "Excel hears of the links made";
  int quoted = 0;
  for (int s = 0; s < kSymbols; ++s)
    for (int f = 0; f < 6; ++f) {
      if (Quoted(s, f))
        ++quoted;
      else
        EXPECT_EQ(Shown(s, f), NotRunningValue()) << "a waiting cell keeps what it showed";
    }
  EXPECT_EQ(quoted, 5);

  // Between slices: a waiting cell goes, a cell on a link still waiting and one on a symbol not
  // seen before come.
  server_.Disconnect(TopicOf(3, 0));
  EXPECT_EQ(server_.Connect(100, {"SYM5", "ASK"}), NotRunningValue());
  EXPECT_EQ(server_.Connect(101, {"NEW", "BID"}), CellValue::OfNumber(1.5))
      << "Tickwell answers: a new link is made at once";

  const int slices = SlicesToTheEnd();
  EXPECT_GE(slices, 10) << "60 links of 10 ms in slices of 50 ms";
  EXPECT_LT(slices, 20);
  EXPECT_EQ(tickwell_.started.count("SYM3/BID"), 0u) << "the link no cell uses is not made";
  EXPECT_EQ(tickwell_.started.count("SYM5/ASK"), 1u);
  EXPECT_EQ(server_.Links().LinksRunning(), 60u);
  EXPECT_EQ(server_.Links().Conversations(), 11u);
  for (int s = 0; s < kSymbols; ++s)
    for (int f = 0; f < 6; ++f) {
      if (s == 3 && f == 0) continue;
      EXPECT_TRUE(Quoted(s, f)) << SymbolName(s) << " " << kFields[f];
    }
  for (const auto& [topic, value] : server_.Refresh())
    EXPECT_NE(value, NotRunningValue()) << "topic " << topic;

  // Nothing is left to link: the next pass is one call and starts nothing.
  const int before = tickwell_.advise_starts;
  EXPECT_FALSE(server_.Retry());
  EXPECT_EQ(tickwell_.advise_starts, before);
  for (const std::string& link : tickwell_.started)
    EXPECT_EQ(tickwell_.started.count(link), 1u) << link << " was started twice";
}

TEST_F(Relink, APassEndsWhenTickwellGoesAndStartsAfreshWhenItComesBack) {
  tickwell_.End();
  ConnectAll();
  tickwell_.Begin();
  EXPECT_TRUE(server_.Retry());
  EXPECT_TRUE(server_.Retry());
  EXPECT_EQ(server_.Links().LinksRunning(), 10u);

  // Gone between slices: the pass stops at the first symbol that does not answer; the next
  // finds the links made dead, and their cells say Tickwell is away.
  tickwell_.End();
  EXPECT_FALSE(server_.Retry());
  EXPECT_FALSE(server_.Retry());
  EXPECT_EQ(server_.Links().LinksRunning(), 0u);
  for (int s = 0; s < kSymbols; ++s)
    for (int f = 0; f < 6; ++f) EXPECT_EQ(Shown(s, f), NotRunningValue());
  EXPECT_FALSE(server_.Retry());

  // Back: a new pass makes every link, each once.
  tickwell_.started.clear();
  tickwell_.Begin();
  SlicesToTheEnd();
  EXPECT_EQ(server_.Links().LinksRunning(), 60u);
  EXPECT_EQ(tickwell_.started.size(), 60u);
  for (const std::string& link : tickwell_.started)
    EXPECT_EQ(tickwell_.started.count(link), 1u) << link << " was started twice";
  for (int s = 0; s < kSymbols; ++s)
    for (int f = 0; f < 6; ++f) EXPECT_TRUE(Quoted(s, f)) << SymbolName(s) << " " << kFields[f];
}

}  // namespace
}  // namespace rtd
