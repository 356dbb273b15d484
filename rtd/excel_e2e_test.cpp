// Excel played under Wine: TickwellRtd.dll registered with regsvr32, created by its ProgID,
// started with this test's own IRTDUpdateEvent, and its topics served from a running Tickwell
// fed by tickwell-feed; Tickwell closed and started again; then unregistered. And cells of two
// terminals served at once by one server program under two service names.
#include <gtest/gtest.h>
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <map>
#include <string>
#include <vector>

#include "platform/clipboard_format.h"
#include "platform/ddeml.h"
#include "rtd/quote_server.h"
#include "rtd/win32/rtd_interfaces.h"
#include "rtd/win32/rtd_server.h"
#include "rtd/win32/variant_value.h"
#include "tests/e2e/running_tickwell.h"

namespace {

using namespace rtd;
namespace ids = tickwell::ids;

// What Excel hands the server: counts the notifications.
class UpdateEvent final : public IRTDUpdateEvent {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, kIidRtdUpdateEvent)) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE UpdateNotify() override {
    ++notifications;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_HeartbeatInterval(long* value) override {
    *value = 15000;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_HeartbeatInterval(long) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Disconnect() override { return S_OK; }

  long references = 1;
  int notifications = 0;
};

// A cell's value as text for comparison: "n:1.08501", "d:45244.925925925", "t:...", "#N/A".
std::string Show(const VARIANT& v) {
  switch (v.vt) {
    case VT_R8: {
      char buf[64];
      snprintf(buf, sizeof buf, "n:%.10g", v.dblVal);
      return buf;
    }
    case VT_DATE: {
      char buf[64];
      snprintf(buf, sizeof buf, "d:%.6f", v.date);
      return buf;
    }
    case VT_BSTR: {
      std::string text;
      for (const wchar_t* c = v.bstrVal; c && *c; ++c) text += static_cast<char>(*c);
      return "t:" + text;
    }
    case VT_ERROR:
      return v.scode == kErrorNotAvailable ? "#N/A" : "error";
    default:
      return "vt:" + std::to_string(v.vt);
  }
}

std::wstring Wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

std::string DllPath() { return e2e::BinFolder() + "TickwellRtd.dll"; }

std::string Regsvr32() {
  char dir[MAX_PATH];
  GetSystemDirectoryA(dir, MAX_PATH);
  return std::string(dir) + "\\regsvr32.exe";
}

bool KeyExists(const std::wstring& key, HKEY root = HKEY_CURRENT_USER) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}
const std::wstring kProgIdKey = std::wstring(L"Software\\Classes\\") + kProgId;
const std::wstring kClsidKey = std::wstring(L"Software\\Classes\\CLSID\\") + kClsidText;

const std::string kNotRunning = "t:Tickwell is not running or its DDE is off";

// Excel's side of the calls: topics connected, changes refreshed, what each cell shows.
class Sheet {
 protected:
  HRESULT Connect(long topic, const std::vector<std::string>& args, std::string* shown) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(args.size()));
    for (LONG i = 0; i < static_cast<LONG>(args.size()); ++i) {
      VARIANT v;
      v.vt = VT_BSTR;
      v.bstrVal = SysAllocString(Wide(args[static_cast<std::size_t>(i)]).c_str());
      SafeArrayPutElement(array, &i, &v);
      VariantClear(&v);
    }
    VARIANT_BOOL fresh = VARIANT_FALSE;
    VARIANT value;
    VariantInit(&value);
    const HRESULT r = server_->ConnectData(topic, &array, &fresh, &value);
    SafeArrayDestroy(array);
    EXPECT_EQ(fresh, VARIANT_TRUE);
    *shown = Show(value);
    cells_[topic] = *shown;
    VariantClear(&value);
    return r;
  }
  std::string Connected(long topic, const std::vector<std::string>& args) {
    std::string shown;
    EXPECT_EQ(Connect(topic, args, &shown), S_OK);
    return shown;
  }

  // RefreshData as Excel calls it: the ids and values, checked for the documented shape.
  std::map<long, std::string> Refresh() {
    long count = -1;
    SAFEARRAY* array = nullptr;
    EXPECT_EQ(server_->RefreshData(&count, &array), S_OK);
    std::map<long, std::string> got;
    if (!array) return got;
    EXPECT_EQ(SafeArrayGetDim(array), 2u);
    LONG high0 = -1, high1 = -1;
    SafeArrayGetUBound(array, 1, &high0);
    SafeArrayGetUBound(array, 2, &high1);
    EXPECT_EQ(high0, 1);
    EXPECT_EQ(high1, count - 1);
    for (LONG i = 0; i < count; ++i) {
      VARIANT id, value;
      VariantInit(&id);
      VariantInit(&value);
      LONG at[2] = {0, i};
      SafeArrayGetElement(array, at, &id);
      at[0] = 1;
      SafeArrayGetElement(array, at, &value);
      EXPECT_EQ(id.vt, VT_I4);
      EXPECT_EQ(got.count(id.lVal), 0u) << "topic " << id.lVal << " listed twice";
      got[id.lVal] = Show(value);
      cells_[id.lVal] = got[id.lVal];
      VariantClear(&value);
    }
    SafeArrayDestroy(array);
    return got;
  }
  std::string Cells() const {
    std::string out;
    for (const auto& [topic, value] : cells_) out += std::to_string(topic) + "=" + value + "\n";
    return out;
  }

  UpdateEvent events_;
  IRtdServer* server_ = nullptr;
  std::map<long, std::string> cells_;
  int seen_ = 0;
};

class Excel : public e2e::RunningTickwell, protected Sheet {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    e2e::RunningTickwell::SetUp();
  }
  void TearDown() override {
    e2e::RunningTickwell::TearDown();
    CoUninitialize();
  }
  void SwitchDde() { SendMessageA(Item(ids::kDdeButton), BM_CLICK, 0, 0); }

  // Pumps until a notification comes, then refreshes; repeats until the cells hold what is
  // wanted (feeding the line again each time when there is one: a symbol's items exist from
  // its first line after DDE was switched on).
  bool CellsBecome(const std::map<long, std::string>& want, const std::string& line = {}) {
    return e2e::WaitUntil(
        [&] {
          if (!line.empty()) {
            EXPECT_EQ(Feed({line}).exit_code, 0u);
          }
          if (e2e::WaitUntil([&] { return events_.notifications > seen_; }, 1500)) {
            seen_ = events_.notifications;
            Refresh();
          }
          for (const auto& [topic, value] : want)
            if (cells_[topic] != value) return false;
          return true;
        },
        30000);
  }
};

TEST_F(Excel, RegistersServesQuotesRecoversAndUnregisters) {
  auto reg = e2e::Run(Regsvr32(), {"/s", DllPath()});
  ASSERT_TRUE(reg.finished);
  ASSERT_EQ(reg.exit_code, 0u) << reg.output;
  EXPECT_TRUE(KeyExists(kProgIdKey + L"\\CLSID"));
  EXPECT_TRUE(KeyExists(kClsidKey + L"\\InprocServer32"));
  // What COM reads: on Windows the user's classes show there, under Wine the DLL copies them.
  EXPECT_TRUE(
      KeyExists(std::wstring(L"CLSID\\") + kClsidText + L"\\InprocServer32", HKEY_CLASSES_ROOT));

  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(kProgId, &clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, kClsidQuotes));
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, kIidRtdServer,
                             reinterpret_cast<void**>(&server_)),
            S_OK);
  long started = 0;
  ASSERT_EQ(server_->ServerStart(&events_, &started), S_OK);
  EXPECT_EQ(started, 1);
  EXPECT_GT(events_.references, 1) << "the server holds the callback";
  long alive = 0;
  EXPECT_EQ(server_->Heartbeat(&alive), S_OK);
  EXPECT_EQ(alive, 1);

  // DDE is still off: valid topics say so; bad ones say what is wrong and never change.
  EXPECT_EQ(Connected(1, {"EURUSD", "BID"}), kNotRunning);
  EXPECT_EQ(Connected(2, {"EURUSD"}), "t:Tickwell: use =RTD(\"Tickwell.Quotes\",,symbol,field)");
  EXPECT_EQ(Connected(3, {"EURUSD", "BID", "icm", "ASK"}),
            "t:Tickwell: use =RTD(\"Tickwell.Quotes\",,symbol,field[,terminal])");
  EXPECT_EQ(
      Connected(4, {"EURUSD", "Spread"}),
      "t:Tickwell: unknown field \"Spread\" (BID, ASK, LAST, TIME, VOLUME, QUOTE, HIGH, LOW)");
  EXPECT_EQ(Connected(5, {"NOSUCH", "BID"}), kNotRunning);
  EXPECT_EQ(Connected(6, {"eurusd", "ask"}), kNotRunning);
  EXPECT_EQ(Connected(7, {"EURUSD", "Time"}), kNotRunning);
  EXPECT_EQ(Connected(8, {"EURUSD", "VOLUME"}), kNotRunning);
  EXPECT_EQ(Connected(9, {"EURUSD", "QUOTE"}), kNotRunning);
  EXPECT_EQ(Connected(10, {"EURUSD", "bid"}), kNotRunning);
  EXPECT_EQ(Connected(11, {"EURUSD", "LAST"}), kNotRunning);

  // DDE on and a line fed: the cells fill by themselves, the unknown symbol turns #N/A.
  SwitchDde();
  const std::string line = "EURUSD;1.08501;1.08503;1.08502;1700000000;15";
  const std::map<long, std::string> first = {
      {1, "n:1.08501"}, {5, "#N/A"},      {6, "n:1.08503"},  {7, "d:45244.925926"},
      {8, "n:15"},      {9, "t:" + line}, {10, "n:1.08501"}, {11, "n:1.08502"}};
  ASSERT_TRUE(CellsBecome(first, line)) << Cells();
  for (long fixed : {2, 3, 4}) {
    EXPECT_EQ(cells_[fixed].substr(0, 11), "t:Tickwell:") << "a bad topic never changes";
  }

  // A batch of lines: one notification until Excel refreshes, then each changed topic once
  // with its latest value.
  EXPECT_TRUE(Refresh().empty()) << "nothing changed since the last refresh";
  const int before = events_.notifications;
  std::vector<std::string> batch;
  for (int n = 1; n <= 5; ++n)
    batch.push_back("EURUSD;1.1" + std::to_string(n) + ";1.2" + std::to_string(n) +
                    ";1.08502;1700000060;15");
  ASSERT_EQ(Feed(batch).exit_code, 0u);
  ASSERT_TRUE(e2e::WaitUntil([&] { return events_.notifications > before; }, 10000));
  EXPECT_FALSE(e2e::WaitUntil([&] { return events_.notifications > before + 1; }, 500))
      << "one notification per batch";
  seen_ = events_.notifications;
  std::map<long, std::string> changed = Refresh();
  EXPECT_EQ(changed[1], "n:1.15");
  EXPECT_EQ(changed[6], "n:1.25");
  EXPECT_EQ(changed[7], "d:45244.926620");
  EXPECT_EQ(changed.count(11), 0u) << "LAST did not change";
  EXPECT_EQ(changed.count(8), 0u) << "VOLUME did not change";
  EXPECT_EQ(changed.count(5), 0u);

  // Tickwell closed: the cells say so. Started again with DDE on: they recover on their own.
  {
    SCOPED_TRACE("Tickwell closed while Excel holds links");
    Stop();
  }
  ASSERT_TRUE(CellsBecome({{1, kNotRunning}, {6, kNotRunning}, {9, kNotRunning}})) << Cells();
  Start();
  SwitchDde();
  const std::string again = "EURUSD;2.5;2.75;2.625;1700086400;99";
  ASSERT_TRUE(CellsBecome({{1, "n:2.5"},
                           {6, "n:2.75"},
                           {7, "d:45245.925926"},
                           {8, "n:99"},
                           {9, "t:" + again},
                           {10, "n:2.5"},
                           {11, "n:2.625"},
                           {5, "#N/A"}},
                          again))
      << Cells();

  // Cells no longer shown leave RefreshData; the topic sharing their link still follows.
  EXPECT_EQ(server_->DisconnectData(1), S_OK);
  EXPECT_EQ(server_->DisconnectData(6), S_OK);
  EXPECT_EQ(server_->DisconnectData(1), S_OK) << "twice is harmless";
  EXPECT_EQ(server_->DisconnectData(12345), S_OK);
  ASSERT_TRUE(CellsBecome({{10, "n:3.5"}}, "EURUSD;3.5;3.75;2.625;1700086400;99")) << Cells();
  cells_.erase(1);
  cells_.erase(6);
  ASSERT_TRUE(CellsBecome({{10, "n:4.5"}}, "EURUSD;4.5;4.75;2.625;1700086400;99")) << Cells();
  EXPECT_EQ(cells_.count(1), 0u);
  EXPECT_EQ(cells_.count(6), 0u);

  EXPECT_EQ(server_->ServerTerminate(), S_OK);
  EXPECT_EQ(events_.references, 1) << "the callback is released";
  EXPECT_EQ(server_->Heartbeat(&alive), S_OK);
  EXPECT_EQ(alive, 0);
  long count = -1;
  SAFEARRAY* array = nullptr;
  EXPECT_EQ(server_->RefreshData(&count, &array), E_UNEXPECTED);
  server_->Release();
  server_ = nullptr;
  CoFreeUnusedLibraries();

  reg = e2e::Run(Regsvr32(), {"/u", "/s", DllPath()});
  ASSERT_EQ(reg.exit_code, 0u) << reg.output;
  EXPECT_FALSE(KeyExists(kProgIdKey));
  EXPECT_FALSE(KeyExists(kClsidKey));
  // Nor the copy made where the system does not show per-user classes (Wine).
  EXPECT_FALSE(KeyExists(kProgId, HKEY_CLASSES_ROOT));
  EXPECT_FALSE(KeyExists(std::wstring(L"CLSID\\") + kClsidText, HKEY_CLASSES_ROOT));
  EXPECT_NE(CLSIDFromProgID(kProgId, &clsid), S_OK);
}

// The DDE side below COM, for what COM does not show: links and conversations come and go with
// the cells that use them.
TEST_F(Excel, LinksAndConversationsFollowTheCellsThatUseThem) {
  int notified = 0;
  QuoteServer server([&] { ++notified; });
  std::string error;
  ASSERT_TRUE(server.Start(error)) << error;
  SwitchDde();
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        EXPECT_EQ(Feed({"GBPUSD;1.25;1.26;1.255;1700000000;1"}).exit_code, 0u);
        return server.Connect(1, {"GBPUSD", "BID"}) == CellValue::OfNumber(1.25);
      },
      20000));
  EXPECT_EQ(server.Connect(2, {"gbpusd", "Bid"}), CellValue::OfNumber(1.25));
  EXPECT_EQ(server.Connect(3, {"GBPUSD", "ASK"}), CellValue::OfNumber(1.26));
  EXPECT_EQ(notified, 0) << "first values are ConnectData's answers, not changes";
  EXPECT_EQ(server.Links().LinksRunning(), 2u);
  EXPECT_EQ(server.Links().Conversations(), 1u);

  server.Disconnect(1);
  EXPECT_EQ(server.Links().LinksRunning(), 2u) << "topic 2 still shows BID";
  server.Disconnect(2);
  EXPECT_EQ(server.Links().LinksRunning(), 1u);
  ASSERT_EQ(Feed({"GBPUSD;1.5;1.6;1.255;1700000000;1"}).exit_code, 0u);
  ASSERT_TRUE(e2e::WaitUntil([&] { return notified == 1; }, 10000));
  EXPECT_EQ(server.Refresh(),
            (std::vector<std::pair<long, CellValue>>{{3, CellValue::OfNumber(1.6)}}));
  server.Disconnect(3);
  EXPECT_EQ(server.Links().LinksRunning(), 0u);
  EXPECT_EQ(server.Links().Conversations(), 0u);
  EXPECT_EQ(server.Table().Topics(), 0u);
}

// One server program answering for two terminals, under MT5 and MT5_icm, and an RTD server made
// in this process as Excel's thread holds it; the values are set in the server program by this
// test, each terminal's in turn.
class Terminals : public ::testing::Test, protected Sheet {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    quotes_ = std::make_unique<e2e::Background>(
        e2e::BinFolder() + "tw-raw-server.exe",
        std::vector<std::string>{"MT5", "--also", "MT5_icm", "--life", "120"}, true);
    ASSERT_TRUE(quotes_->Started());
    ASSERT_TRUE(
        e2e::WaitUntil([&] { return quotes_->Output().find("ready") != std::string::npos; }, 20000))
        << quotes_->Output();
    ASSERT_EQ(platform::DdeInitialize(
                  setter_,
                  [](unsigned, unsigned, platform::Hconv, platform::Hsz, platform::Hsz,
                     platform::HddeData, std::uintptr_t, std::uintptr_t) { return 0; },
                  platform::kAppCmdClientOnly),
              0u);
    server_ = new RtdServer();
    long started = 0;
    ASSERT_EQ(server_->ServerStart(&events_, &started), S_OK);
    ASSERT_EQ(started, 1);
  }
  void TearDown() override {
    if (server_) {
      EXPECT_EQ(server_->ServerTerminate(), S_OK);
      server_->Release();
    }
    if (quotes_) {
      Execute("MT5", "[quit]");
      DWORD code = 1;
      EXPECT_TRUE(quotes_->WaitForExit(10000, &code)) << quotes_->Output();
    }
    for (const auto& [service, conv] : setters_) platform::DdeDisconnect(conv);
    if (setter_) platform::DdeUninitialize(setter_);
    CoUninitialize();
  }

  // A command to the server program under one of its names.
  bool Execute(const std::string& service, const std::string& command) {
    platform::Hconv& conv = setters_[service];
    if (!conv) {
      platform::Hsz name = platform::DdeCreateStringHandle(setter_, service);
      platform::Hsz topic = platform::DdeCreateStringHandle(setter_, "System");
      conv = platform::DdeConnect(setter_, name, topic);
      platform::DdeFreeStringHandle(setter_, topic);
      platform::DdeFreeStringHandle(setter_, name);
      if (!conv) return false;
    }
    return platform::DdeClientTransaction(
               command.c_str(), static_cast<std::uint32_t>(command.size() + 1), conv, 0,
               platform::kCfText, platform::kXtypExecute, 5000, nullptr) != 0;
  }
  bool Set(const std::string& service, const std::string& item, int value) {
    return Execute(service, "[set(SYM0," + item + "," + std::to_string(value) + ")]");
  }

  // Takes the changes notified so far; each value must be one its own terminal's service sent:
  // the BID values of MT5 are 101.., of MT5_icm 201.., the ASK values of MT5_icm 301...
  void TakeChanges() {
    if (events_.notifications == seen_) return;
    seen_ = events_.notifications;
    for (const auto& [topic, value] : Refresh()) {
      auto found = owner_.find(topic);
      ASSERT_NE(found, owner_.end()) << "topic " << topic << " changed to " << value;
      const int hundreds = value.rfind("n:", 0) == 0 ? std::atoi(value.c_str() + 2) / 100 : 0;
      EXPECT_EQ(hundreds, found->second) << "topic " << topic << " shows " << value;
    }
  }

  std::unique_ptr<e2e::Background> quotes_;
  platform::DdeInstance setter_ = 0;
  std::map<std::string, platform::Hconv> setters_;
  std::map<long, int> owner_ = {{1, 1}, {2, 2}, {3, 2}, {4, 3}};
};

TEST_F(Terminals, CellsOfTwoTerminalsAtOnceEachEndWithTheirOwnServicesLastValue) {
  // Before the first value is set the server answers "topic.item" under either name.
  EXPECT_EQ(Connected(1, {"SYM0", "BID"}), "t:SYM0.BID");
  EXPECT_EQ(Connected(2, {"SYM0", "BID", "icm"}), "t:SYM0.BID");
  EXPECT_EQ(Connected(3, {"sym0", "bid", "ICM"}), "t:SYM0.BID") << "shares the link of topic 2";
  EXPECT_EQ(Connected(4, {"SYM0", "ASK", "icm"}), "t:SYM0.ASK");
  EXPECT_EQ(Connected(5, {"SYM0", "BID", "nobody"}), kNotRunning);
  EXPECT_EQ(Connected(6, {"SYM0", "BID", "a|b"}),
            "t:Tickwell: bad terminal \"a|b\" (1 to 64 letters, digits and _)");

  // Each terminal's values in turn, the cells taken as they change.
  for (int n = 1; n <= 20; ++n) {
    ASSERT_TRUE(Set("MT5", "BID", 100 + n)) << quotes_->Output();
    ASSERT_TRUE(Set("MT5_icm", "BID", 200 + n)) << quotes_->Output();
    ASSERT_TRUE(Set("MT5_icm", "ASK", 300 + n)) << quotes_->Output();
    TakeChanges();
  }
  const std::map<long, std::string> last = {
      {1, "n:120"}, {2, "n:220"}, {3, "n:220"}, {4, "n:320"}, {5, kNotRunning}};
  EXPECT_TRUE(e2e::WaitUntil(
      [&] {
        TakeChanges();
        for (const auto& [topic, value] : last)
          if (cells_[topic] != value) return false;
        return true;
      },
      20000))
      << Cells();
  EXPECT_FALSE(HasFailure()) << Cells();
}

}  // namespace
