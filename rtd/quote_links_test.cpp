// Links made again when Tickwell comes back, in slices of bounded time, against a Tickwell played
// by a server instance of the DDE model. The clock is the test's: each link started costs 10 ms.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
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

// A terminal's service of Tickwell: answers every symbol but NOSUCH with its price (QUOTE the
// line, TIME a time) until Post() gives an item another, and counts the advise starts, each of
// which moves the clock on.
class Tickwell {
 public:
  explicit Tickwell(std::chrono::steady_clock::time_point& now, std::string service = "MT5",
                    std::string price = "1.5")
      : now_(now), service_(std::move(service)), price_(std::move(price)) {
    Begin();
  }

  void Begin() {
    party_ = std::make_unique<Party>(
        0, [this](Party& self, const Seen& seen) { return Answer(self, seen); });
    DdeNameService(party_->id(), party_->Name(service_), kDnsRegister);
  }
  void End() { party_.reset(); }

  // A new value of the item, sent to the links on it.
  void Post(const std::string& symbol, const std::string& item, const std::string& value) {
    posted_[symbol + "/" + item] = value;
    DdePostAdvise(party_->id(), party_->Name(symbol), party_->Name(item));
  }

  std::multiset<std::string> started;  // "SYMBOL/ITEM" for each advise start
  int advise_starts = 0;

 private:
  HddeData Answer(Party& self, const Seen& seen) {
    switch (seen.type) {
      case kXtypConnect:
        return seen.name1 != "NOSUCH";
      case kXtypAdvStart:
        started.insert(seen.name1 + "/" + seen.name2);
        ++advise_starts;
        now_ += kLinkCost;
        return 1;
      case kXtypRequest:
      case kXtypAdvReq: {
        auto posted = posted_.find(seen.name1 + "/" + seen.name2);
        const std::string text = posted != posted_.end() ? posted->second
                                 : seen.name2 == "QUOTE"
                                     ? seen.name1 + ";" + price_ + ";1.6;1.55;1700000000;7"
                                 : seen.name2 == "TIME" ? "1700000000"
                                                        : price_;
        return DdeCreateDataHandle(self.id(), text.c_str(),
                                   static_cast<std::uint32_t>(text.size() + 1), 0,
                                   DdeCreateStringHandle(self.id(), seen.name2), seen.format, 0);
      }
    }
    return 0;
  }

  std::chrono::steady_clock::time_point& now_;
  std::string service_, price_;
  std::map<std::string, std::string> posted_;
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

// A second terminal's service beside the default's, with prices of its own.
class Terminals : public Relink {
 protected:
  // Every topic of the symbols on both terminals (the icm ones 1000 on), while both are away.
  void ConnectBoth() {
    for (int s = 0; s < kSymbols; ++s)
      for (int f = 0; f < 6; ++f) {
        EXPECT_EQ(server_.Connect(TopicOf(s, f), {SymbolName(s), kFields[f]}), NotRunningValue());
        EXPECT_EQ(server_.Connect(1000 + TopicOf(s, f), {SymbolName(s), kFields[f], "icm"}),
                  NotRunningValue());
      }
    server_.Refresh();
  }

  Tickwell icm_{now_, "MT5_icm", "2.5"};
};

TEST_F(Terminals, OneSymbolAndFieldOfTwoTerminalsAreKeptApart) {
  EXPECT_EQ(server_.LinksOf("icm"), nullptr) << "no client before a cell names the terminal";
  EXPECT_EQ(server_.Connect(1, {"EURUSD", "BID"}), CellValue::OfNumber(1.5));
  EXPECT_EQ(server_.Connect(2, {"EURUSD", "BID", "icm"}), CellValue::OfNumber(2.5));
  EXPECT_EQ(server_.Connect(3, {"eurusd", "Bid", "ICM"}), CellValue::OfNumber(2.5));
  EXPECT_EQ(server_.Connect(4, {"EURUSD", "BID", ""}), CellValue::OfNumber(1.5));
  EXPECT_EQ(server_.Connect(5, {"EURUSD", "QUOTE", "icm"}),
            CellValue::OfText("EURUSD;2.5;1.6;1.55;1700000000;7"));
  EXPECT_EQ(server_.Connect(6, {"EURUSD", "BID", "other"}), NotRunningValue())
      << "no service MT5_other";
  EXPECT_EQ(server_.Connect(7, {"NOSUCH", "BID", "icm"}), CellValue::NotAvailable());
  EXPECT_EQ(server_.Connect(8, {"EURUSD", "BID", "a b"}),
            CellValue::OfText("Tickwell: bad terminal \"a b\" (1 to 64 letters, digits and _)"));
  EXPECT_EQ(tickwell_.started, (std::multiset<std::string>{"EURUSD/BID"}));
  EXPECT_EQ(icm_.started, (std::multiset<std::string>{"EURUSD/BID", "EURUSD/QUOTE"}))
      << "cells spelling the terminal in another case share its link";
  ASSERT_NE(server_.LinksOf("Icm"), nullptr);
  EXPECT_EQ(server_.LinksOf("Icm")->LinksRunning(), 2u);
  EXPECT_EQ(server_.Links().LinksRunning(), 1u);
  server_.Refresh();

  // Each service's updates, one after the other: a cell only ever sees its own terminal's.
  std::map<long, CellValue> last;
  for (int n = 1; n <= 20; ++n) {
    tickwell_.Post("EURUSD", "BID", "1." + std::to_string(n));
    icm_.Post("EURUSD", "BID", "2." + std::to_string(n));
    PumpMessages();
    for (const auto& [topic, value] : server_.Refresh()) {
      ASSERT_EQ(value.kind, CellKind::Number) << "topic " << topic;
      EXPECT_EQ(static_cast<int>(value.number), topic == 2 || topic == 3 ? 2 : 1)
          << "topic " << topic << " shows " << value.number;
      last[topic] = value;
    }
  }
  EXPECT_EQ(last, (std::map<long, CellValue>{{1, CellValue::OfNumber(1.20)},
                                             {2, CellValue::OfNumber(2.20)},
                                             {3, CellValue::OfNumber(2.20)},
                                             {4, CellValue::OfNumber(1.20)}}));

  // One terminal gone: only its cells say so.
  icm_.End();
  EXPECT_FALSE(server_.Retry());
  const auto changes = server_.Refresh();
  EXPECT_EQ(changes.size(), 3u);
  for (const auto& [topic, value] : changes) {
    EXPECT_TRUE(topic == 2 || topic == 3 || topic == 5) << topic;
    EXPECT_EQ(value, NotRunningValue()) << topic;
  }
  EXPECT_EQ(server_.Table().Value(KeyOf("EURUSD", Field::Bid)), CellValue::OfNumber(1.20));

  // The unknown terminal's client goes with its last cell, at the next retry.
  server_.Disconnect(6);
  EXPECT_NE(server_.LinksOf("other"), nullptr);
  server_.Retry();
  EXPECT_EQ(server_.LinksOf("other"), nullptr);
  EXPECT_NE(server_.LinksOf("icm"), nullptr) << "still used";
}

TEST_F(Terminals, ReturningTerminalsShareEachSlice) {
  tickwell_.End();
  icm_.End();
  ConnectBoth();
  tickwell_.Begin();
  icm_.Begin();

  // SlicesToTheEnd bounds the links each slice starts across both terminals.
  int slices = 1;
  for (int starts = tickwell_.advise_starts + icm_.advise_starts; server_.Retry();
       starts = tickwell_.advise_starts + icm_.advise_starts) {
    EXPECT_LE(tickwell_.advise_starts + icm_.advise_starts - starts, 6) << "slice " << slices;
    if (++slices > 1000) break;
  }
  EXPECT_GE(slices, 20) << "120 links of 10 ms in slices of 50 ms";
  EXPECT_LT(slices, 40);
  EXPECT_EQ(tickwell_.started.size(), 60u);
  EXPECT_EQ(icm_.started.size(), 60u);
  EXPECT_EQ(server_.LinksOf("ICM")->LinksRunning(), 60u);
  EXPECT_EQ(server_.Links().LinksRunning(), 60u);
  for (int s = 0; s < kSymbols; ++s) {
    EXPECT_EQ(Shown(s, 0), CellValue::OfNumber(1.5));
    EXPECT_EQ(server_.Table().Value(KeyOf(SymbolName(s), Field::Bid, "icm")),
              CellValue::OfNumber(2.5));
  }
  for (const auto& [topic, value] : server_.Refresh())
    EXPECT_NE(value, NotRunningValue()) << "topic " << topic;
}

}  // namespace
}  // namespace rtd
