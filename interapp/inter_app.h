// The receiving end of the inter-application protocol: a hidden top-level window that other
// processes find by handshake messages and hand strings, integers, reals or raw bytes to with
// WM_COPYDATA.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/types.h"

namespace tickwell {

// Handshake codes carried in lParam of "InterAppHandshake".
enum HandshakeCode : std::intptr_t {
  hcCall = 0,        // are you there (announced): OnReceiveCall, then code 2 back
  hcCallSilent = 1,  // are you there (silent): code 3 back
  hcAnswer = 2,
  hcAnswerSilent = 3,
  hcLoaded = 4,     // broadcast: receiver loaded and ready
  hcDestroyed = 5,  // broadcast: receiver going away
  hcDisabled = 6,   // broadcast
  hcEnabled = 7,    // broadcast
};

// Payload kinds of WM_COPYDATA (dwData).
enum PayloadKind : std::uintptr_t { pkData = 0, pkString = 1, pkInteger = 2, pkReal = 3 };

// The three registered message numbers, shared by every instance.
struct InterAppMessages {
  unsigned Handshake = 0;
  unsigned HandshakeByName = 0;
  unsigned HandshakeByNameSilent = 0;
};
const InterAppMessages& InterAppMessageNumbers();

class TInterApp {
 public:
  TInterApp();
  virtual ~TInterApp() = default;
  TInterApp(const TInterApp&) = delete;
  TInterApp& operator=(const TInterApp&) = delete;

  platform::Hwnd Handle() const { return Handle_; }

 protected:
  platform::Hwnd Handle_ = platform::kNoWindow;
};

class TInterAppReceiver : public TInterApp {
 public:
  using TOnReceiveCall =
      std::function<void(TInterAppReceiver& Sender, platform::Hwnd SenderHandle)>;
  using TOnReceiveString = std::function<void(
      TInterAppReceiver& Sender, platform::Hwnd SenderHandle, const std::string& Text)>;
  using TOnReceiveInteger = std::function<void(TInterAppReceiver& Sender,
                                               platform::Hwnd SenderHandle, std::int32_t Value)>;
  using TOnReceiveReal =
      std::function<void(TInterAppReceiver& Sender, platform::Hwnd SenderHandle, double Value)>;
  using TOnReceiveData = std::function<void(TInterAppReceiver& Sender, platform::Hwnd SenderHandle,
                                            const void* Data, std::uint32_t DataSize)>;

  // Designing: used inside a form designer, where no window is made.
  explicit TInterAppReceiver(bool designing = false);
  ~TInterAppReceiver() override;

  // After the stored properties were read: tells every top-level window the receiver is ready.
  void Loaded();

  bool Enabled() const { return Enabled_; }
  void SetEnabled(bool value);

  const std::string& GroupName() const { return GroupName_; }
  void SetGroupName(const std::string& value);
  platform::Atom GroupAtom() const { return GroupAtom_; }

  TOnReceiveCall OnReceiveCall;
  TOnReceiveString OnReceiveString;
  TOnReceiveInteger OnReceiveInteger;
  TOnReceiveReal OnReceiveReal;
  TOnReceiveData OnReceiveData;

  virtual platform::LResult WndProc(unsigned Msg, platform::WParam W, platform::LParam L);

 protected:
  virtual void DoReceiveCall(platform::Hwnd SenderHandle);
  virtual void DoReceiveString(platform::Hwnd SenderHandle, const std::string& Text);
  virtual void DoReceiveInteger(platform::Hwnd SenderHandle, std::int32_t Value);
  virtual void DoReceiveReal(platform::Hwnd SenderHandle, double Value);
  virtual void DoReceiveData(platform::Hwnd SenderHandle, const void* Data, std::uint32_t DataSize);

 private:
  void Broadcast(platform::Hwnd own, HandshakeCode code);
  void ReceivePayload(platform::Hwnd sender, platform::LParam L);

  bool Designing_;
  bool Enabled_ = true;
  std::string GroupName_;
  platform::Atom GroupAtom_ = 0;
};

}  // namespace tickwell
