#include "platform/window.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "platform/atoms.h"
#include "platform/exception_report.h"

namespace platform {
namespace {

struct Seen {
  Hwnd window;
  unsigned msg;
  WParam w;
  LParam l;
};

class Recorder {
 public:
  explicit Recorder(LResult answer = 0) {
    handle = CreateHiddenWindow(
        "recorder", [this, answer](Hwnd h, unsigned msg, WParam w, LParam l) -> LResult {
          if (msg >= 0xC000 || msg == kWmUser + 7) {
            seen.push_back({h, msg, w, l});
            return answer;
          }
          return DefaultWindowProc(h, msg, w, l);
        });
  }
  ~Recorder() { DestroyWindow(handle); }
  Hwnd handle;
  std::vector<Seen> seen;
};

TEST(Window, RegisteredMessagesAreSharedWithoutRegardToCase) {
  const unsigned a = RegisterMessage("TickwellWindowTestMessage");
  EXPECT_GE(a, 0xC000u);
  EXPECT_EQ(RegisterMessage("TICKWELLWINDOWTESTMESSAGE"), a);
  EXPECT_NE(RegisterMessage("TickwellWindowTestOther"), a);
}

TEST(Window, SendReachesTheWindowAndReturnsItsResult) {
  Recorder r(1234);
  ASSERT_NE(r.handle, kNoWindow);
  EXPECT_TRUE(IsWindow(r.handle));
  const unsigned msg = RegisterMessage("TickwellWindowTestSend");
  EXPECT_EQ(Send(r.handle, msg, 5, 6), 1234);
  ASSERT_EQ(r.seen.size(), 1u);
  EXPECT_EQ(r.seen[0].window, r.handle);
  EXPECT_EQ(r.seen[0].w, 5u);
  EXPECT_EQ(r.seen[0].l, 6);
}

TEST(Window, BroadcastReachesEveryHiddenTopLevelWindow) {
  Recorder a, b;
  const unsigned msg = RegisterMessage("TickwellWindowTestBroadcast");
  Send(kBroadcast, msg, 9, 4);  // the result of a broadcast carries no answer
  ASSERT_EQ(a.seen.size(), 1u);
  ASSERT_EQ(b.seen.size(), 1u);
  EXPECT_EQ(b.seen[0].w, 9u);
}

TEST(Window, DestroyedWindowsGetNothing) {
  const unsigned msg = RegisterMessage("TickwellWindowTestGone");
  Hwnd gone;
  {
    Recorder r;
    gone = r.handle;
  }
  EXPECT_FALSE(IsWindow(gone));
  EXPECT_EQ(Send(gone, msg, 0, 0), 0);
  EXPECT_FALSE(Post(gone, msg, 0, 0));
}

TEST(Window, PostsArriveInOrderOnlyWhenPumped) {
  Recorder r;
  const unsigned msg = kWmUser + 7;
  ASSERT_TRUE(Post(r.handle, msg, 1, 0));
  ASSERT_TRUE(Post(r.handle, msg, 2, 0));
  EXPECT_TRUE(r.seen.empty());
  PumpMessages();
  ASSERT_EQ(r.seen.size(), 2u);
  EXPECT_EQ(r.seen[0].w, 1u);
  EXPECT_EQ(r.seen[1].w, 2u);
}

TEST(Window, AnExceptionInTheWindowProcedureIsReportedNotPropagated) {
  std::vector<std::string> reports;
  SetExceptionReport([&](const std::string& text) { reports.push_back(text); });
  const unsigned msg = RegisterMessage("TickwellWindowTestThrow");
  Hwnd h =
      CreateHiddenWindow("thrower", [msg](Hwnd w, unsigned m, WParam wp, LParam lp) -> LResult {
        if (m == msg) throw std::runtime_error("handler failed");
        return DefaultWindowProc(w, m, wp, lp);
      });
  ASSERT_NE(h, kNoWindow);
  EXPECT_EQ(Send(h, msg, 0, 0), 0);
  DestroyWindow(h);
  SetExceptionReport(nullptr);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], "handler failed");
}

TEST(Window, CopyDataCarriesKindSizeAndBytes) {
  CopyData got;
  std::string bytes;
  Hwnd h = CreateHiddenWindow("copy", [&](Hwnd w, unsigned m, WParam wp, LParam lp) -> LResult {
    if (m != kWmCopyData) return DefaultWindowProc(w, m, wp, lp);
    got = ReadCopyData(lp);
    bytes.assign(static_cast<const char*>(got.data), got.size);
    return 0;
  });
  const char text[] = "EURUSD;1";
  SendCopyData(h, h, CopyData{1, 8, text});
  DestroyWindow(h);
  EXPECT_EQ(got.kind, 1u);
  EXPECT_EQ(got.size, 8u);
  EXPECT_EQ(bytes, "EURUSD;1");
}

TEST(GlobalAtoms, CountedAndComparedWithoutRegardToCase) {
  const Atom a = AddGlobalAtom("TickwellAtomTest");
  ASSERT_NE(a, 0);
  EXPECT_EQ(AddGlobalAtom("TICKWELLATOMTEST"), a);
  EXPECT_EQ(GlobalAtomName(a), "TickwellAtomTest");
  EXPECT_TRUE(DeleteGlobalAtom(a));
  EXPECT_EQ(FindGlobalAtom("tickwellatomtest"), a);  // one reference left
  EXPECT_TRUE(DeleteGlobalAtom(a));
  EXPECT_EQ(FindGlobalAtom("TickwellAtomTest"), 0);
  EXPECT_EQ(AddGlobalAtom(""), 0);
  EXPECT_EQ(AddGlobalAtom(std::string(256, 'x')), 0);
}

}  // namespace
}  // namespace platform
