#include "interapp/inter_app.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/atoms.h"
#include "platform/window.h"

namespace tickwell {
namespace {

using platform::Hwnd;
using platform::LParam;
using platform::WParam;

// A peer window: records every handshake message sent to it.
class Peer {
 public:
  struct Msg {
    unsigned msg;
    WParam w;
    LParam l;
  };
  Peer() {
    handle = platform::CreateHiddenWindow(
        "peer", [this](Hwnd h, unsigned m, WParam w, LParam l) -> platform::LResult {
          const auto& n = InterAppMessageNumbers();
          if (m == n.Handshake || m == n.HandshakeByName || m == n.HandshakeByNameSilent) {
            got.push_back({m, w, l});
            return 0;
          }
          return platform::DefaultWindowProc(h, m, w, l);
        });
  }
  ~Peer() { platform::DestroyWindow(handle); }
  std::vector<Msg> From(Hwnd receiver) const {
    std::vector<Msg> out;
    for (const auto& m : got) {
      if (m.w == receiver) out.push_back(m);
    }
    return out;
  }
  Hwnd handle;
  std::vector<Msg> got;
};

struct Events {
  std::vector<std::string> log;
  void Attach(TInterAppReceiver& r) {
    r.OnReceiveCall = [this](TInterAppReceiver&, Hwnd from) {
      log.push_back("call " + std::to_string(from));
    };
    r.OnReceiveString = [this](TInterAppReceiver&, Hwnd, const std::string& t) {
      log.push_back("string " + t);
    };
    r.OnReceiveInteger = [this](TInterAppReceiver&, Hwnd, std::int32_t v) {
      log.push_back("int " + std::to_string(v));
    };
    r.OnReceiveReal = [this](TInterAppReceiver&, Hwnd, double v) {
      log.push_back("real " + std::to_string(v));
    };
    r.OnReceiveData = [this](TInterAppReceiver&, Hwnd, const void* d, std::uint32_t n) {
      log.push_back("data " + std::string(static_cast<const char*>(d), n));
    };
  }
};

platform::LResult Handshake(Hwnd to, Hwnd from, LParam code) {
  return platform::Send(to, InterAppMessageNumbers().Handshake, from, code);
}

TEST(InterAppReceiver, AnnouncedCallFiresTheEventThenAnswersWithCode2) {
  Peer peer;
  TInterAppReceiver r;
  Events ev;
  ev.Attach(r);
  ASSERT_NE(r.Handle(), platform::kNoWindow);
  EXPECT_EQ(Handshake(r.Handle(), peer.handle, hcCall), 0);
  EXPECT_EQ(ev.log, std::vector<std::string>{"call " + std::to_string(peer.handle)});
  auto answers = peer.From(r.Handle());
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0].msg, InterAppMessageNumbers().Handshake);
  EXPECT_EQ(answers[0].l, hcAnswer);
}

TEST(InterAppReceiver, SilentCallAnswersWithCode3AndFiresNothing) {
  Peer peer;
  TInterAppReceiver r;
  Events ev;
  ev.Attach(r);
  Handshake(r.Handle(), peer.handle, hcCallSilent);
  EXPECT_TRUE(ev.log.empty());
  auto answers = peer.From(r.Handle());
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0].l, hcAnswerSilent);
}

TEST(InterAppReceiver, OtherCodesAreIgnored) {
  Peer peer;
  TInterAppReceiver r;
  Events ev;
  ev.Attach(r);
  for (LParam code : {2, 3, 4, 5, 6, 7, 8, -1, 1000}) Handshake(r.Handle(), peer.handle, code);
  EXPECT_TRUE(ev.log.empty());
  EXPECT_TRUE(peer.From(r.Handle()).empty());
}

TEST(InterAppReceiver, DisabledReceiverIgnoresHandshakesAndPayloads) {
  Peer peer;
  TInterAppReceiver r;
  Events ev;
  ev.Attach(r);
  r.SetGroupName("TickwellTestGroupD");
  r.SetEnabled(false);
  Handshake(r.Handle(), peer.handle, hcCall);
  Handshake(r.Handle(), peer.handle, hcCallSilent);
  platform::Send(r.Handle(), InterAppMessageNumbers().HandshakeByName, peer.handle, r.GroupAtom());
  platform::SendCopyData(r.Handle(), peer.handle, {pkString, 3, "abc"});
  EXPECT_TRUE(ev.log.empty());
  auto heard = peer.From(r.Handle());
  ASSERT_EQ(heard.size(), 1u);  // only the broadcast that it was disabled
  EXPECT_EQ(heard[0].l, hcDisabled);
  r.SetEnabled(true);
  platform::SendCopyData(r.Handle(), peer.handle, {pkString, 3, "abc"});
  EXPECT_EQ(ev.log, std::vector<std::string>{"string abc"});
}

TEST(InterAppReceiver, LifecycleAndEnabledChangesAreBroadcast) {
  Peer peer;
  Hwnd had;
  {
    TInterAppReceiver r;
    had = r.Handle();
    r.Loaded();
    r.SetEnabled(true);  // unchanged: nothing sent
    r.SetEnabled(false);
    r.SetEnabled(false);
    r.SetEnabled(true);
  }
  std::vector<LParam> codes;
  for (const auto& m : peer.From(had)) codes.push_back(m.l);
  EXPECT_EQ(codes, (std::vector<LParam>{hcLoaded, hcDisabled, hcEnabled, hcDestroyed}));
}

TEST(InterAppReceiver, ByNameAnswersOnlyItsOwnGroup) {
  Peer peer;
  TInterAppReceiver r;
  Events ev;
  ev.Attach(r);
  const auto& n = InterAppMessageNumbers();
  // No group: nothing answers, not even atom 0.
  platform::Send(r.Handle(), n.HandshakeByName, peer.handle, 0);
  EXPECT_TRUE(peer.From(r.Handle()).empty());

  r.SetGroupName("TickwellTestGroupA");
  ASSERT_NE(r.GroupAtom(), 0);
  const platform::Atom other = platform::AddGlobalAtom("TickwellTestGroupOther");
  platform::Send(r.Handle(), n.HandshakeByName, peer.handle, other);
  platform::Send(r.Handle(), n.HandshakeByNameSilent, peer.handle, other);
  EXPECT_TRUE(peer.From(r.Handle()).empty());
  platform::DeleteGlobalAtom(other);

  platform::Send(r.Handle(), n.HandshakeByName, peer.handle, r.GroupAtom());
  platform::Send(r.Handle(), n.HandshakeByNameSilent, peer.handle, r.GroupAtom());
  auto answers = peer.From(r.Handle());
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(answers[0].msg, n.HandshakeByName);
  EXPECT_EQ(answers[0].l, r.GroupAtom());
  EXPECT_EQ(answers[1].msg, n.HandshakeByNameSilent);
  EXPECT_EQ(ev.log, std::vector<std::string>{"call " + std::to_string(peer.handle)});
}

TEST(InterAppReceiver, GroupAtomFollowsTheNameAndIsDeletedAtTheEnd) {
  {
    TInterAppReceiver r;
    r.SetGroupName("TickwellTestGroupB");
    const platform::Atom first = r.GroupAtom();
    EXPECT_EQ(platform::GlobalAtomName(first), "TickwellTestGroupB");
    r.SetGroupName("TickwellTestGroupB");  // same name keeps the atom and adds no reference
    EXPECT_EQ(r.GroupAtom(), first);
    r.SetGroupName("TickwellTestGroupC");
    EXPECT_EQ(platform::FindGlobalAtom("TickwellTestGroupB"), 0);  // first deleted
    EXPECT_NE(platform::FindGlobalAtom("TickwellTestGroupC"), 0);
    r.SetGroupName("");
    EXPECT_EQ(r.GroupAtom(), 0);
    EXPECT_EQ(platform::FindGlobalAtom("TickwellTestGroupC"), 0);
    r.SetGroupName("TickwellTestGroupE");
  }
  EXPECT_EQ(platform::FindGlobalAtom("TickwellTestGroupE"), 0);
}

TEST(InterAppReceiver, StringPayloadsAreCutAt255Characters) {
  TInterAppReceiver r;
  std::vector<std::string> texts;
  r.OnReceiveString = [&](TInterAppReceiver& sender, Hwnd, const std::string& t) {
    EXPECT_EQ(&sender, &r);
    texts.push_back(t);
  };
  const std::string ten = "0123456789";
  std::string long_text;
  for (int i = 0; i < 300; ++i) long_text += static_cast<char>('a' + i % 26);
  EXPECT_EQ(platform::SendCopyData(r.Handle(), 1, {pkString, 10, ten.data()}), 0);
  platform::SendCopyData(r.Handle(), 1, {pkString, 0, ten.data()});
  platform::SendCopyData(r.Handle(), 1, {pkString, 300, long_text.data()});
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0], ten);
  EXPECT_EQ(texts[1], "");
  EXPECT_EQ(texts[2], long_text.substr(0, 255));
}

TEST(InterAppReceiver, NumbersRawBytesAndUnknownKinds) {
  TInterAppReceiver r;
  Events ev;
  ev.Attach(r);
  const std::int32_t i = -123456;
  const double d = 2.5;
  const char raw[] = {'x', '\0', 'y'};
  platform::SendCopyData(r.Handle(), 1, {pkInteger, 4, &i});
  platform::SendCopyData(r.Handle(), 1, {pkReal, 8, &d});
  platform::SendCopyData(r.Handle(), 1, {pkData, 3, raw});
  EXPECT_EQ(platform::SendCopyData(r.Handle(), 1, {7, 3, raw}), 0);
  ASSERT_EQ(ev.log.size(), 3u);
  EXPECT_EQ(ev.log[0], "int -123456");
  EXPECT_EQ(ev.log[1], "real 2.500000");
  EXPECT_EQ(ev.log[2], std::string("data x\0y", 8));
}

TEST(InterAppReceiver, ShortNumberPayloadsFireNothingAndReadNoFurther) {
  TInterAppReceiver r;
  Events ev;
  ev.Attach(r);
  // Exactly sized heap blocks, so a read past the end would show under the address sanitizer.
  auto three = std::make_unique<char[]>(3);
  auto seven = std::make_unique<char[]>(7);
  platform::SendCopyData(r.Handle(), 1, {pkInteger, 3, three.get()});
  platform::SendCopyData(r.Handle(), 1, {pkInteger, 0, nullptr});
  platform::SendCopyData(r.Handle(), 1, {pkReal, 7, seven.get()});
  platform::SendCopyData(r.Handle(), 1, {pkReal, 0, nullptr});
  EXPECT_TRUE(ev.log.empty());
}

TEST(InterAppReceiver, OtherMessagesGoToTheDefaultProcedure) {
  TInterAppReceiver r;
  EXPECT_EQ(platform::Send(r.Handle(), platform::kWmUser + 55, 0, 0), 0);
}

}  // namespace
}  // namespace tickwell
