// Tickwell as the user runs it: the real program, fed by tickwell-feed from another process, read
// back from its window.
#include <gtest/gtest.h>
// ddeml.h needs windows.h before it.
#include <windows.h>
#include <commctrl.h>
#include <ddeml.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/win32/control_ids.h"
#include "tests/e2e/process.h"
#include "tests/e2e/running_tickwell.h"

namespace {

namespace ids = tickwell::ids;
using e2e::RunningTickwell;
using e2e::Text;

// The user's settings file, where Tickwell remembers its DDE switch and its place.
std::string SettingsFile() {
  const char* appdata = std::getenv("APPDATA");
  return std::string(appdata ? appdata : "") + "\\Tickwell\\tickwell.ini";
}

// Every test of this program meets Tickwell as on a first start: a DDE switch or a place that
// an earlier test left is not remembered into it, nor into what runs after the tests.
class FirstStart : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { DeleteFileA(SettingsFile().c_str()); }
  void OnTestEnd(const ::testing::TestInfo&) override { DeleteFileA(SettingsFile().c_str()); }
};
const bool first_start = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new FirstStart);
  return true;
}();

TEST_F(RunningTickwell, ShowsTheLayoutAtStart) {
  EXPECT_EQ(Text(main_), "Tickwell");
  RECT client;
  GetClientRect(main_, &client);
  EXPECT_EQ(client.right, 860);
  EXPECT_EQ(client.bottom, 300);
  EXPECT_TRUE(GetWindowLongA(main_, GWL_STYLE) & WS_THICKFRAME) << "the window can be resized";
  EXPECT_EQ(Text(Item(ids::kDdeButton)), "DDE");
  EXPECT_EQ(Text(Item(ids::kLabel)), "");
  EXPECT_EQ(Text(Item(ids::kGrid)), "TIME\t\r\nBID\t\r\nASK\t\r\nLAST\t\r\nVOLUME\t");
  // Empty, it says what to do; the first line brings the list in its place.
  EXPECT_TRUE(IsWindowVisible(Item(ids::kHint)));
  EXPECT_NE(Text(Item(ids::kHint)).find("TickwellService"), std::string::npos);
  EXPECT_NE(Text(Item(ids::kHint)).find("press DDE"), std::string::npos);
  EXPECT_FALSE(IsWindowVisible(Item(ids::kSymbolList)));
  auto fed = Feed({"EURUSD;1;2;3;0;4"});
  EXPECT_EQ(fed.exit_code, 0u) << fed.output;
  EXPECT_TRUE(
      e2e::WaitUntil([&] { return IsWindowVisible(Item(ids::kSymbolList)) != FALSE; }, 5000));
  EXPECT_FALSE(IsWindowVisible(Item(ids::kHint)));
  EXPECT_EQ(SendMessageA(Item(ids::kSymbolList), LVM_GETITEMCOUNT, 0, 0), 1);
}

// Tickwell started with a command line, as a user's shortcut or script starts it.
class StartedTickwell : public RunningTickwell {
 protected:
  void SetUp() override {}
  void StartWith(const std::vector<std::string>& args) {
    app_ = std::make_unique<e2e::Background>(e2e::BinFolder() + "tickwell.exe", args);
    ASSERT_TRUE(app_->Started());
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
          main_ = FindWindowA(ids::kMainWindowClass, "Tickwell");
          return main_ != nullptr && IsWindowVisible(main_);
        },
        20000))
        << "Tickwell's window was not shown";
  }
  // Whether the service answers, waited for until it does as expected (bounded).
  bool Serves(bool expected) {
    return e2e::WaitUntil(
        [&] {
          return (Watch({"System", "SysItems"}).exit_code == 0) == expected;
        },
        20000);
  }
};

TEST_F(StartedTickwell, RemembersTheDdeSwitchAndTakesOneFromTheCommandLine) {
  StartWith({});
  SwitchOn();  // the first start has DDE off; the click is remembered
  RECT moved{30, 40, 730, 440};
  SetWindowPos(main_, nullptr, moved.left, moved.top, 700, 400, SWP_NOZORDER | SWP_NOACTIVATE);
  Stop();
  StartWith({});
  EXPECT_TRUE(Serves(true)) << "DDE was not on as the user left it";
  RECT r;
  GetWindowRect(main_, &r);
  EXPECT_TRUE(EqualRect(&r, &moved)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  // A second start hands its switch to the running Tickwell, which does not remember it.
  auto second = e2e::Run(e2e::BinFolder() + "tickwell.exe", {"/dde", "off"}, 15000);
  EXPECT_EQ(second.exit_code, 0u);
  EXPECT_TRUE(Serves(false)) << "the running Tickwell did not switch DDE off";
  Stop();
  StartWith({"--dde=off"});
  EXPECT_TRUE(Serves(false)) << "the command line's switch was not taken";
  Stop();
  StartWith({});
  EXPECT_TRUE(Serves(true)) << "the remembered switch was lost";
}

// The colour pixels of an icon, as 32-bit rows from the top.
std::vector<DWORD> Pixels(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return {};
  BITMAP bm{};
  GetObjectA(info.hbmColor, sizeof bm, &bm);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = bm.bmWidth;
  bi.bmiHeader.biHeight = -bm.bmHeight;  // rows from the top
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> pixels(static_cast<std::size_t>(bm.bmWidth) * bm.bmHeight);
  HDC dc = GetDC(nullptr);
  if (!GetDIBits(dc, info.hbmColor, 0, bm.bmHeight, pixels.data(), &bi, DIB_RGB_COLORS))
    pixels.clear();
  ReleaseDC(nullptr, dc);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return pixels;
}

// The program's icon as its file carries it, where the shell finds it.
std::vector<DWORD> IconInTheFile(int size) {
  HMODULE file = LoadLibraryExA((e2e::BinFolder() + "tickwell.exe").c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE);
  if (!file) return {};
  auto icon = static_cast<HICON>(
      LoadImageA(file, MAKEINTRESOURCEA(ids::kAppIcon), IMAGE_ICON, size, size, 0));
  std::vector<DWORD> pixels = Pixels(icon);
  if (icon) DestroyIcon(icon);
  FreeLibrary(file);
  return pixels;
}

TEST(TickwellFile, CarriesTheProgramsIcon) {
  for (int size : {16, 32, 48}) {
    const std::vector<DWORD> icon = IconInTheFile(size);
    ASSERT_EQ(icon.size(), static_cast<std::size_t>(size * size)) << size;
    EXPECT_FALSE(icon == Pixels(static_cast<HICON>(LoadImageA(nullptr, MAKEINTRESOURCEA(32512),
                                                              IMAGE_ICON, size, size, LR_SHARED))))
        << "the system's application icon at " << size;
  }
}

// Finds the About box that the running program opened over its window.
HWND FindAboutBox(HWND owner) {
  HWND box = FindWindowA("#32770", "About Tickwell");
  return box && GetWindow(box, GW_OWNER) == owner && IsWindowVisible(box) ? box : nullptr;
}

TEST_F(RunningTickwell, TheAboutBoxShowsItsPartsAndTheFeedGoesOnUnderIt) {
  // Posted, as a click on the toolbar sends it: the box is modal and its loop runs in Tickwell.
  PostMessageA(main_, WM_COMMAND, MAKEWPARAM(ids::kCmdAbout, 0), 0);
  HWND box = nullptr;
  ASSERT_TRUE(e2e::WaitUntil([&] { return (box = FindAboutBox(main_)) != nullptr; }, 10000))
      << "no About box";
  const auto child = [&](int id) { return GetDlgItem(box, id); };
  EXPECT_EQ(Text(child(ids::kAboutVersion)), "Version: 1.0.0.2");
  EXPECT_EQ(Text(child(ids::kAboutDescription)),
            "Tickwell supports you with DDE functionality which is no longer implemented in "
            "Metatrader 5 software.\r\nFurther information and instructions you will find via the "
            "internet link below.");
  EXPECT_EQ(Text(child(ids::kAboutLink)), "Tickwell help (tickwell-help.html)");
  EXPECT_EQ(Text(child(IDOK)), "OK");
  // A picture is there. (Which one cannot be told from here: Wine gives no access to another
  // program's icons; the program's own tests check it is the program's icon.)
  EXPECT_NE(SendMessageA(child(ids::kAboutPicture), STM_GETICON, 0, 0), 0);

  // Quotes keep arriving while the box is open.
  auto fed = Feed({"EURUSD;9;8;7;60;6"});
  EXPECT_EQ(fed.exit_code, 0u) << fed.output;
  EXPECT_EQ(Text(Item(ids::kGrid)),
            "TIME\t1/1/1970 12:01:00 AM\r\nBID\t9\r\nASK\t8\r\nLAST\t7\r\nVOLUME\t6");

  SendMessageA(child(IDOK), BM_CLICK, 0, 0);
  EXPECT_TRUE(e2e::WaitUntil([&] { return !IsWindow(box); }, 10000)) << "OK did not close it";
  EXPECT_TRUE(IsWindowEnabled(main_)) << "the window must be usable again";
}

TEST_F(RunningTickwell, AFedLineFillsLabelAndGrid) {
  auto fed = Feed({"EURUSD;1.08501;1.08503;1.08502;1700000000;15"});
  ASSERT_TRUE(fed.finished);
  EXPECT_EQ(fed.exit_code, 0u) << fed.output;
  EXPECT_EQ(Text(Item(ids::kLabel)), "EURUSD");
  EXPECT_EQ(Text(Item(ids::kGrid)),
            "TIME\t11/14/2023 10:13:20 "
            "PM\r\nBID\t1.08501\r\nASK\t1.08503\r\nLAST\t1.08502\r\nVOLUME\t15");
}

TEST_F(RunningTickwell, ABadLineIsReportedInTheStatusBarAndTheFeedGoesOn) {
  auto fed = Feed({"EURUSD;1;2;3;0;4", "GBPUSD;1.1;;1.2;1700000000;15;",
                   "USDJPY;150;151;150.5;1700000000123;3"});
  EXPECT_EQ(fed.exit_code, 0u) << fed.output;
  // Both bad lines are refused whole: label and grid keep the first line.
  EXPECT_EQ(Text(Item(ids::kLabel)), "EURUSD");
  EXPECT_EQ(Text(Item(ids::kStatusBar)),
            "2 lines refused - the time is not a whole number of seconds since 1970: "
            "USDJPY;150;151;150.5;1700000000123;3 ('1700000000123' is not a valid integer value)");
  EXPECT_EQ(Text(Item(ids::kGrid)), "TIME\t1/1/1970\r\nBID\t1\r\nASK\t2\r\nLAST\t3\r\nVOLUME\t4");
  // The window still answers and takes the next good line, which leaves only the count.
  fed = Feed({"EURUSD;9;8;7;60;6"});
  EXPECT_EQ(Text(Item(ids::kGrid)),
            "TIME\t1/1/1970 12:01:00 AM\r\nBID\t9\r\nASK\t8\r\nLAST\t7\r\nVOLUME\t6");
  EXPECT_EQ(Text(Item(ids::kStatusBar)), "2 lines refused");
}

TEST_F(RunningTickwell, TheFeedRefusesALineTooLongToArriveWholeAndSendsTheRest) {
  const std::string head = "EURUSD;1;2;3;60;";
  auto fed = Feed({head + std::string(256 - head.size(), '5'), "EURUSD;9;8;7;60;6"});
  EXPECT_EQ(fed.exit_code, 5u) << fed.output;
  EXPECT_NE(fed.output.find("line 1 has 256 characters"), std::string::npos) << fed.output;
  EXPECT_NE(fed.output.find("sent 1 line, refused 1"), std::string::npos) << fed.output;
  EXPECT_EQ(Text(Item(ids::kGrid)),
            "TIME\t1/1/1970 12:01:00 AM\r\nBID\t9\r\nASK\t8\r\nLAST\t7\r\nVOLUME\t6");
}

TEST_F(RunningTickwell, TheDdeButtonCanBePressed) {
  HWND button = Item(ids::kDdeButton);
  ASSERT_NE(button, nullptr);
  SendMessageA(button, BM_CLICK, 0, 0);
  SendMessageA(button, BM_CLICK, 0, 0);
  EXPECT_TRUE(IsWindow(main_));
  auto fed = Feed({"EURUSD;1;2;3;0;4"});
  EXPECT_EQ(fed.exit_code, 0u) << fed.output;
}

// Another DDE program on the machine: it hears service names registered and unregistered.
class DdeNeighbour {
 public:
  DdeNeighbour() {
    self_ = this;
    DdeInitializeA(&id_, &DdeNeighbour::Callback, APPCLASS_STANDARD | APPCMD_CLIENTONLY, 0);
  }
  ~DdeNeighbour() {
    if (id_) DdeUninitialize(id_);
    self_ = nullptr;
  }
  bool Ready() const { return id_ != 0; }
  // Waits, taking this thread's messages, until the name was heard (+ registered, - gone)
  // the given number of times.
  bool Hears(const std::string& what, int times = 1) {
    return e2e::WaitUntil(
        [&] {
          MSG m;
          while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
          int n = 0;
          for (const auto& h : heard_) n += h == what;
          return n >= times;
        },
        10000);
  }

 private:
  static HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ hsz1, HSZ, HDDEDATA, ULONG_PTR,
                                    ULONG_PTR) {
    if (!self_ || (type != XTYP_REGISTER && type != XTYP_UNREGISTER)) return nullptr;
    char name[256] = {};
    DdeQueryStringA(self_->id_, hsz1, name, sizeof name, CP_WINANSI);
    std::string heard(type == XTYP_REGISTER ? "+" : "-");
    heard.append(name);
    self_->heard_.push_back(heard);
    return nullptr;
  }
  static inline DdeNeighbour* self_ = nullptr;
  DWORD id_ = 0;
  std::vector<std::string> heard_;
};

TEST_F(RunningTickwell, TheDdeButtonRegistersTheServiceWhileOnAndTheFeedGoesOn) {
  DdeNeighbour neighbour;
  ASSERT_TRUE(neighbour.Ready());
  const auto watch = [] {
    return e2e::Run(e2e::BinFolder() + "tickwell-watch.exe", {"MT5", "EURUSD", "BID", "-t", "5"});
  };
  // Off: no server of that name.
  auto read = watch();
  EXPECT_EQ(read.exit_code, 2u) << read.output;

  HWND button = Item(ids::kDdeButton);
  SendMessageA(button, BM_CLICK, 0, 0);
  EXPECT_TRUE(neighbour.Hears("+MT5")) << "MT5 was not registered";
  auto fed = Feed({"EURUSD;1.08501;1.08503;1.08502;1700000000;15"});
  EXPECT_EQ(fed.exit_code, 0u) << fed.output;
  EXPECT_EQ(Text(Item(ids::kLabel)), "EURUSD");
  // On: the service answers with the value just fed.
  read = watch();
  EXPECT_EQ(read.exit_code, 0u) << read.output;
  EXPECT_NE(read.output.find(" EURUSD BID 1.08501"), std::string::npos) << read.output;

  // Off and on again: the name is registered anew under the new instance. (Under Wine 8.0 the
  // neighbour is not told of the unregistration in between; the model's tests check it.)
  SendMessageA(button, BM_CLICK, 0, 0);
  SendMessageA(button, BM_CLICK, 0, 0);
  EXPECT_TRUE(neighbour.Hears("+MT5", 2)) << "MT5 was not registered again";
  fed = Feed({"EURUSD;9;8;7;60;6"});
  EXPECT_EQ(fed.exit_code, 0u) << fed.output;
  EXPECT_EQ(Text(Item(ids::kGrid)),
            "TIME\t1/1/1970 12:01:00 AM\r\nBID\t9\r\nASK\t8\r\nLAST\t7\r\nVOLUME\t6");
}

// Tickwell announces its start and its end to every top-level window. A window of another
// program that has stopped answering must not hold either up.
class TickwellBesideAHungWindow : public RunningTickwell {
 protected:
  void SetUp() override {}
};

TEST_F(TickwellBesideAHungWindow, StartsAndClosesWithinItsBounds) {
  // A receiver that answers the handshake, then stops answering once handed a line.
  e2e::Background peer(e2e::BinFolder() + "interapp-peer.exe", {"0", "hang", "40000"}, true);
  ASSERT_TRUE(peer.Started());
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        e2e::Run(e2e::BinFolder() + "tickwell-feed.exe", {"--timeout", "500", "EURUSD;1;2;3;0;4"});
        return peer.Output().rfind("hanging", 0) == 0;
      },
      20000))
      << "the peer never took a line: " << peer.Output();
  Start();  // shown within its 20 s bound, well before the peer answers again
  ASSERT_NE(main_, nullptr);
  auto fed = Feed({"GBPUSD;1.25;1.26;1.255;1700000000;3"});
  EXPECT_EQ(fed.exit_code, 0u) << fed.output;
  EXPECT_TRUE(e2e::WaitUntil([&] { return Text(Item(ids::kLabel)) == "GBPUSD"; }, 5000));
  Stop();  // ended within its 10 s bound
}

TEST(TickwellFeed, SaysSoWhenNoReceiverAnswers) {
  ASSERT_EQ(FindWindowA(ids::kMainWindowClass, nullptr), nullptr);
  auto fed =
      e2e::Run(e2e::BinFolder() + "tickwell-feed.exe", {"--timeout", "300", "EURUSD;1;2;3;0;4"});
  ASSERT_TRUE(fed.finished);
  EXPECT_EQ(fed.exit_code, 2u);
  EXPECT_NE(fed.output.find("no Tickwell receiver answered within 300 ms"), std::string::npos)
      << fed.output;
}

TEST(TickwellFeed, RejectsBadArguments) {
  auto fed = e2e::Run(e2e::BinFolder() + "tickwell-feed.exe", {"--timeout", "soon"});
  EXPECT_EQ(fed.exit_code, 1u);
  EXPECT_NE(fed.output.find("--timeout needs a number of milliseconds"), std::string::npos)
      << fed.output;
  // A mistyped option is refused, not sent to a receiver as a quote line.
  fed = e2e::Run(e2e::BinFolder() + "tickwell-feed.exe", {"--tiemout", "300"});
  EXPECT_EQ(fed.exit_code, 1u);
  EXPECT_NE(fed.output.find("unknown option --tiemout"), std::string::npos) << fed.output;
  // A mistake names itself and the way to the help, not the whole help.
  EXPECT_NE(fed.output.find("Run \"tickwell-feed --help\""), std::string::npos) << fed.output;
  EXPECT_EQ(fed.output.find("Exit codes"), std::string::npos) << fed.output;
  fed = e2e::Run(e2e::BinFolder() + "tickwell-feed.exe", {"--help"});
  EXPECT_EQ(fed.exit_code, 0u);
  EXPECT_NE(fed.output.find("Exit codes: 0 every line sent"), std::string::npos) << fed.output;
}

}  // namespace
