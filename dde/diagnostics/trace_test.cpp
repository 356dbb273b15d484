#include "dde/diagnostics/trace.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "dde/diagnostics/log_file.h"
#include "dde/diagnostics/trace_named.h"
#include "dde/diagnostics/trace_test_fixture.h"

namespace tickwell {
namespace {

constexpr char kCrLf[] = "\r\n";

class TraceTest : public testing::TraceTestBase {
 protected:
  // The log without its five header lines, which an existing-log check has already covered.
  std::string Body(const std::string& name) const {
    std::string log = Read(name);
    std::size_t end = 0;
    for (int i = 0; i < 5 && end != std::string::npos; ++i) end = log.find(kCrLf, end) + 2;
    return log.substr(end);
  }
};

TEST_F(TraceTest, NewLogGetsTheHeaderOnceThenOneLinePerTrace) {
  ApplyDebugState(platform::kNoWindow, dbFile, true, Path("t.log"));
  Trace("first");
  Trace("second");
  const std::string log = Read("t.log");
  const std::string head =
      "Velmar Software\r\nBrenna DDEML Manager Component - Debug File Output\r\nAs at ";
  ASSERT_EQ(log.substr(0, head.size()), head) << log;
  const std::size_t stamp_end = log.find(kCrLf, head.size());
  EXPECT_GT(stamp_end, head.size()) << "no date and time after 'As at '";
  EXPECT_EQ(log.substr(stamp_end), "\r\n\r\n\r\nfirst\r\nsecond\r\n");
}

TEST_F(TraceTest, BothRenderingsOfBooleansAndReals) {
  ApplyDebugState(platform::kNoWindow, dbFile, true, Path("t.log"));
  int object = 0;
  Trace('x', true, 2.5);
  Trace(-12, false, -3.14159, " ", 1234567.891, &object, "|", std::string("end"),
        18446744073709551615ull);
  TraceNamed("TDDEMLManager", "XTypConnect - start", true);
  TraceNamed("TDDEMLService", 7, ' ', false, ' ', 1.5, ' ', 2.0, ' ', -0.125);
  EXPECT_EQ(Body("t.log"),
            "xTRUE      2.50\r\n"
            "-12FALSE     -3.14 1234567.89|end18446744073709551615\r\n"
            "TDDEMLManager : XTypConnect - startTrue\r\n"
            "TDDEMLService : 7 False 1.5 2 -0.125\r\n");
}

TEST_F(TraceTest, NothingIsRenderedOrWrittenWhileTracingIsOff) {
  StoreDebugState(dbNone, Path("t.log"));
  EXPECT_FALSE(DebugActive());
  // Building this line would fail in the string class; it must not even be attempted.
  const std::string oversized(70000, 'x');
  Trace("dropped");
  TraceNamed("TDDEMLManager", oversized);
  EXPECT_FALSE(platform::FileExists(Path("t.log")));
  EXPECT_TRUE(reports_.empty());

  // The same line with tracing on is reported, not thrown into the caller.
  StoreDebugState(dbFile, Path("t.log"));
  EXPECT_NO_THROW(TraceNamed("TDDEMLManager", oversized));
  EXPECT_EQ(reports_.size(), 1u);
}

TEST_F(TraceTest, SwitchingToFileMovesTheOldLogToTheFirstFreeNumber) {
  Put("DDEMNGR.LOG", "old log\r\n");
  Put("DDEMNGR.001", "older\r\n");
  Put("DDEMNGR.003", "oldest\r\n");
  ApplyDebugState(platform::kNoWindow, dbFile, true, Path("DDEMNGR.LOG"));
  EXPECT_EQ(Read("DDEMNGR.002"), "old log\r\n");
  EXPECT_EQ(Read("DDEMNGR.001"), "older\r\n");
  EXPECT_FALSE(platform::FileExists(Path("DDEMNGR.LOG")));

  Trace("fresh");
  EXPECT_EQ(Read("DDEMNGR.LOG").rfind("Velmar Software\r\n", 0), 0u);
  EXPECT_EQ(Body("DDEMNGR.LOG"), "fresh\r\n");

  // Without an old log nothing moves.
  ApplyDebugState(platform::kNoWindow, dbFile, true, Path("other.log"));
  EXPECT_FALSE(platform::FileExists(Path("other.001")));
}

TEST_F(TraceTest, WithAllNumbersTakenTheOldLogIsAppendedTo) {
  Put("d.log", "kept\r\n");
  for (int n = 1; n <= 999; ++n) {
    char ext[8];
    std::snprintf(ext, sizeof ext, ".%03d", n);
    Put(std::string("d").append(ext), "");
  }
  ApplyDebugState(platform::kNoWindow, dbFile, true, Path("d.log"));
  Trace("more");
  EXPECT_EQ(Read("d.log"), "kept\r\nmore\r\n");
}

TEST_F(TraceTest, EmptyFileNameMeansTheDefaultLog) {
  ApplyDebugState(platform::kNoWindow, dbFile, true, "");
  EXPECT_EQ(DebugFileName(), "C:\\DDEMNGR.LOG");
  EXPECT_TRUE(DebugActive());
  // Storing alone keeps the name as given.
  StoreDebugState(dbFile, "");
  EXPECT_EQ(DebugFileName(), "");
}

TEST_F(TraceTest, UnwritableLogIsReportedOnceAndNeverThrows) {
  // A log in a folder that does not exist cannot be created, on every platform.
  const std::string log = Path("gone") + "/t.log";
  ApplyDebugState(platform::kNoWindow, dbFile, true, log);
  EXPECT_NO_THROW(Trace("one"));
  EXPECT_NO_THROW(TraceNamed("TDDEMLManager", "two", 2));
  EXPECT_NO_THROW(Trace("three"));
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_NE(reports_[0].find("t.log"), std::string::npos) << reports_[0];

  // Once the log can be written again, lines arrive, and a later failure is reported anew.
  std::filesystem::create_directories(dir_ / "gone");
  Trace("four");
  EXPECT_NE(Read("gone/t.log").find("four\r\n"), std::string::npos);
  std::filesystem::remove_all(dir_ / "gone");
  Trace("five");
  EXPECT_EQ(reports_.size(), 2u);
}

TEST_F(TraceTest, EachThreadHasItsOwnState) {
  ApplyDebugState(platform::kNoWindow, dbFile, true, Path("main.log"));
  std::string other_file;
  bool other_active_before = true;
  std::thread other([&] {
    other_active_before = DebugActive();
    Trace("not written");  // this thread traces nothing yet
    ApplyDebugState(platform::kNoWindow, dbFile, true, Path("other.log"));
    Trace("from other");
    other_file = DebugFileName();
    StoreDebugState(dbNone, "");
  });
  Trace("from main");
  other.join();
  Trace("main again");

  EXPECT_FALSE(other_active_before);
  EXPECT_EQ(other_file, Path("other.log"));
  EXPECT_EQ(Body("other.log"), "from other\r\n");
  EXPECT_EQ(Body("main.log"), "from main\r\nmain again\r\n");
  EXPECT_EQ(DebugFileName(), Path("main.log"));
}

TEST(ChangeFileExtTest, ReplacesOnlyTheLastNamesExtension) {
  EXPECT_EQ(ChangeFileExt("C:\\DDEMNGR.LOG", ".001"), "C:\\DDEMNGR.001");
  EXPECT_EQ(ChangeFileExt("C:\\Apps\\quote.bridge.exe", ".DFP"), "C:\\Apps\\quote.bridge.DFP");
  EXPECT_EQ(ChangeFileExt("C:\\dir.x\\log", ".001"), "C:\\dir.x\\log.001");
  EXPECT_EQ(ChangeFileExt("/tmp/dir.x/log", ".001"), "/tmp/dir.x/log.001");
  EXPECT_EQ(ChangeFileExt("prog", ".DFP"), "prog.DFP");
}

}  // namespace
}  // namespace tickwell
