// The status bar's count of conversations and links follows the clients that come and go: a
// client that leaves without stopping its links (as Excel's RTD server does when it ends) takes
// them with it, however often it happens, and the client that stays goes on being served.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <dde.h>
#include <ddeml.h>

#include <memory>
#include <string>
#include <vector>

#include "app/win32/control_ids.h"
#include "tests/e2e/process.h"
#include "tests/e2e/running_tickwell.h"

namespace {

// A DDE client in the test's own process: one instance, one conversation on a topic, its links
// never stopped; it disconnects when it goes.
class LeavingClient {
 public:
  explicit LeavingClient(const std::string& topic) {
    DdeInitializeA(&id_, &LeavingClient::Callback, APPCLASS_STANDARD | APPCMD_CLIENTONLY, 0);
    HSZ service = DdeCreateStringHandleA(id_, "MT5", CP_WINANSI);
    HSZ t = DdeCreateStringHandleA(id_, topic.c_str(), CP_WINANSI);
    conv_ = DdeConnect(id_, service, t, nullptr);
    DdeFreeStringHandle(id_, service);
    DdeFreeStringHandle(id_, t);
  }
  ~LeavingClient() {
    if (conv_) DdeDisconnect(conv_);
    if (id_) DdeUninitialize(id_);
  }
  bool Link(const std::string& item) {
    if (!conv_) return false;
    HSZ name = DdeCreateStringHandleA(id_, item.c_str(), CP_WINANSI);
    DWORD result = 0;
    const HDDEDATA done =
        DdeClientTransaction(nullptr, 0, conv_, name, CF_TEXT, XTYP_ADVSTART, 5000, &result);
    DdeFreeStringHandle(id_, name);
    return done != nullptr;
  }

 private:
  static HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR,
                                    ULONG_PTR) {
    return type == XTYP_ADVDATA ? reinterpret_cast<HDDEDATA>(DDE_FACK) : nullptr;
  }
  DWORD id_ = 0;
  HCONV conv_ = nullptr;
};

class Links : public e2e::RunningTickwell {
 protected:
  // The status bar's DDE panel, read through a buffer in Tickwell's own memory: the status
  // bar's messages carry no text across processes.
  std::string DdePanel() {
    HWND status = Item(tickwell::ids::kStatusBar);
    DWORD pid = 0;
    GetWindowThreadProcessId(status, &pid);
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return "<no process>";
    char text[512] = {};
    void* remote = VirtualAllocEx(process, nullptr, sizeof text, MEM_COMMIT, PAGE_READWRITE);
    if (remote) {
      SendMessageA(status, SB_GETTEXTA, 2, reinterpret_cast<LPARAM>(remote));
      ReadProcessMemory(process, remote, text, sizeof text - 1, nullptr);
      VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return text;
  }
  // The panel reads text within the time bound (it is counted once a second).
  void ExpectPanel(const std::string& text) {
    EXPECT_TRUE(e2e::WaitUntil([&] { return DdePanel() == text; }, 10000))
        << "the status bar reads \"" << DdePanel() << "\", not \"" << text << "\"";
  }
};

TEST_F(Links, AClientLeavingWithoutStoppingItsLinksIsNoLongerCounted) {
  SwitchOn();
  ExpectPanel("DDE on: 0 conversations, 0 links");
  // The client that stays: tickwell-watch with hot links on EURUSD's bid and quote.
  auto watcher = std::make_unique<e2e::Background>(
      e2e::BinFolder() + "tickwell-watch.exe",
      std::vector<std::string>{"MT5", "EURUSD", "BID", "QUOTE", "-a", "-t", "120"}, true);
  int n = 0;
  const auto watched = [&](const std::string& bid) {
    return e2e::WaitUntil(
        [&] { return watcher->Output().find(" BID " + bid) != std::string::npos; }, 500);
  };
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        const std::string bid = "0.5" + std::to_string(++n);
        Feed({"EURUSD;" + bid + ";1;1;0;1"});
        return watched(bid);
      },
      20000))
      << "the watcher got no value: " << watcher->Output();
  ExpectPanel("DDE on: 1 conversation, 2 links");

  for (int round = 0; round < 3; ++round) {
    {
      LeavingClient leaving("EURUSD");
      for (const char* item : {"BID", "ASK", "QUOTE"}) ASSERT_TRUE(leaving.Link(item)) << item;
      ExpectPanel("DDE on: 2 conversations, 5 links");
    }
    ExpectPanel("DDE on: 1 conversation, 2 links");
  }
  // The watcher is still served.
  const std::string bid = "0.6" + std::to_string(n);
  EXPECT_TRUE(e2e::WaitUntil(
      [&] {
        Feed({"EURUSD;" + bid + ";1;1;0;1"});
        return watched(bid);
      },
      10000))
      << watcher->Output();
}

}  // namespace
