#include "interapp/inter_app.h"

#include <algorithm>
#include <cstring>

#include "platform/atoms.h"
#include "platform/window.h"

namespace tickwell {
namespace {

InterAppMessages& Messages() {
  static InterAppMessages messages;
  return messages;
}

constexpr size_t kShortStringMax = 255;

}  // namespace

const InterAppMessages& InterAppMessageNumbers() { return Messages(); }

TInterApp::TInterApp() {
  // Every instance registers the names again; the system hands back the same numbers.
  Messages().Handshake = platform::RegisterMessage("InterAppHandshake");
  Messages().HandshakeByName = platform::RegisterMessage("InterAppHandshakeByName");
  Messages().HandshakeByNameSilent = platform::RegisterMessage("InterAppHandshakeByNameSilent");
}

TInterAppReceiver::TInterAppReceiver(bool designing) : Designing_(designing) {
  if (!Designing_) {
    Handle_ = platform::CreateHiddenWindow(
        "InterAppReceiver",
        [this](platform::Hwnd hwnd, unsigned msg, platform::WParam w, platform::LParam l) {
          // Messages of the window's creation arrive before CreateHiddenWindow has returned.
          if (Handle_ == platform::kNoWindow) Handle_ = hwnd;
          return WndProc(msg, w, l);
        });
  }
  Enabled_ = true;
}

TInterAppReceiver::~TInterAppReceiver() {
  const platform::Hwnd had = Handle_;
  if (!Designing_ && Handle_ != platform::kNoWindow) {
    platform::DestroyWindow(Handle_);
    Handle_ = platform::kNoWindow;
  }
  if (GroupAtom_ != 0) platform::DeleteGlobalAtom(GroupAtom_);
  GroupAtom_ = 0;
  Broadcast(had, hcDestroyed);
}

void TInterAppReceiver::Loaded() { Broadcast(Handle_, hcLoaded); }

void TInterAppReceiver::Broadcast(platform::Hwnd own, HandshakeCode code) {
  platform::Send(platform::kBroadcast, Messages().Handshake, own, code);
}

void TInterAppReceiver::SetEnabled(bool value) {
  if (value == Enabled_) return;
  Enabled_ = value;
  Broadcast(Handle_, value ? hcEnabled : hcDisabled);
}

void TInterAppReceiver::SetGroupName(const std::string& value) {
  const std::string name = value.substr(0, kShortStringMax);
  if (name == GroupName_) return;
  if (GroupAtom_ != 0) platform::DeleteGlobalAtom(GroupAtom_);
  GroupName_ = name;
  GroupAtom_ = platform::AddGlobalAtom(GroupName_);
}

platform::LResult TInterAppReceiver::WndProc(unsigned Msg, platform::WParam W, platform::LParam L) {
  const auto& m = Messages();
  const auto sender = static_cast<platform::Hwnd>(W);
  if (Msg == m.Handshake) {
    if (L == hcCall && Enabled_) {
      DoReceiveCall(sender);
      platform::Send(sender, m.Handshake, Handle_, hcAnswer);
    } else if (L == hcCallSilent && Enabled_) {
      platform::Send(sender, m.Handshake, Handle_, hcAnswerSilent);
    }
    return 0;
  }
  if (Msg == m.HandshakeByName || Msg == m.HandshakeByNameSilent) {
    if (Enabled_ && GroupAtom_ != 0 && static_cast<platform::LParam>(GroupAtom_) == L) {
      if (Msg == m.HandshakeByName) DoReceiveCall(sender);
      platform::Send(sender, Msg, Handle_, GroupAtom_);
    }
    return 0;
  }
  if (Msg == platform::kWmCopyData) {
    if (Enabled_) ReceivePayload(sender, L);
    return 0;
  }
  return platform::DefaultWindowProc(Handle_, Msg, W, L);
}

void TInterAppReceiver::ReceivePayload(platform::Hwnd sender, platform::LParam L) {
  const platform::CopyData record = platform::ReadCopyData(L);
  // Nothing is ever read past the byte count; a missing block counts as an empty one.
  const std::uint32_t size = record.data ? record.size : 0;
  switch (record.kind) {
    case pkData:
      DoReceiveData(sender, record.data, size);
      break;
    case pkString: {
      const size_t n = std::min<size_t>(size, kShortStringMax);
      DoReceiveString(sender, std::string(static_cast<const char*>(record.data), n));
      break;
    }
    case pkInteger:
      // A payload shorter than its value carries no value: nothing fires.
      if (size >= sizeof(std::int32_t)) {
        std::int32_t value;
        std::memcpy(&value, record.data, sizeof value);
        DoReceiveInteger(sender, value);
      }
      break;
    case pkReal:
      if (size >= sizeof(double)) {
        double value;
        std::memcpy(&value, record.data, sizeof value);
        DoReceiveReal(sender, value);
      }
      break;
    default:
      break;
  }
}

void TInterAppReceiver::DoReceiveCall(platform::Hwnd SenderHandle) {
  if (OnReceiveCall) OnReceiveCall(*this, SenderHandle);
}

void TInterAppReceiver::DoReceiveString(platform::Hwnd SenderHandle, const std::string& Text) {
  if (OnReceiveString) OnReceiveString(*this, SenderHandle, Text);
}

void TInterAppReceiver::DoReceiveInteger(platform::Hwnd SenderHandle, std::int32_t Value) {
  if (OnReceiveInteger) OnReceiveInteger(*this, SenderHandle, Value);
}

void TInterAppReceiver::DoReceiveReal(platform::Hwnd SenderHandle, double Value) {
  if (OnReceiveReal) OnReceiveReal(*this, SenderHandle, Value);
}

void TInterAppReceiver::DoReceiveData(platform::Hwnd SenderHandle, const void* Data,
                                      std::uint32_t DataSize) {
  if (OnReceiveData) OnReceiveData(*this, SenderHandle, Data, DataSize);
}

}  // namespace tickwell
