// rtd-bench: 1,000 topics on 100 symbols. First the work an update and a refresh cost inside the
// DLL (values parsed, topics marked, the changes turned into Excel's array), then the real
// TickwellRtd.dll against a running Tickwell fed by tickwell-feed: the time of each RefreshData
// and the process's private memory over the rounds; then Tickwell closed and started again with
// the 1,000 topics still connected, and how long each message the DLL handles (its timer calls,
// the DDE data) and each RefreshData holds this thread until every topic is linked again. Run
// under Wine from the bin folder:
//   script/lane-env build/win64 wine build/win64/bin/rtd-bench.exe [rounds]
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/win32/control_ids.h"
#include "rtd/topic_table.h"
#include "rtd/win32/rtd_interfaces.h"
#include "rtd/win32/variant_value.h"
#include "tests/e2e/process.h"

namespace {

using namespace rtd;

constexpr int kSymbols = 100;
constexpr int kTopics = 1000;
const char* const kFields[] = {"BID", "ASK", "LAST", "TIME", "VOLUME", "QUOTE"};

std::string Symbol(int n) { return "SYM" + std::to_string(n); }

double Now() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

SIZE_T PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX m{};
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m),
                       sizeof m);
  // Wine leaves PrivateUsage at 0; PagefileUsage is the committed private memory there too.
  return m.PrivateUsage ? m.PrivateUsage : m.PagefileUsage;
}

std::string Line(int symbol, int n) {
  char buf[128];
  snprintf(buf, sizeof buf, "%s;1.%05d;1.%05d;1.%05d;%d;%d", Symbol(symbol).c_str(), n % 99999,
           (n + 3) % 99999, (n + 1) % 99999, 1700000000 + n, n);
  return buf;
}

// The work of one update and of one refresh inside the DLL, without DDE or COM.
void InDll() {
  TopicTable table;
  for (int t = 0; t < kTopics; ++t)
    table.Add(t, KeyOf(Symbol(t % kSymbols), *ParseField(kFields[(t / kSymbols) % 6])));
  const int updates = 200000;
  double start = Now();
  for (int n = 0; n < updates; ++n) {
    const Field field = static_cast<Field>(n % 6);
    char price[32];
    snprintf(price, sizeof price, "1.%05d", 10000 + n % 90000);
    const std::string text = field == Field::Quote  ? Line(n % kSymbols, n)
                             : field == Field::Time ? std::to_string(1700000000 + n)
                                                    : std::string(price);
    table.Set(KeyOf(Symbol(n % kSymbols), field), ValueOf(field, text));
    if (n % 5000 == 4999) table.TakeChanges();
  }
  const double per_update = (Now() - start) / updates;
  // Every topic changed, then the changes as RefreshData hands them over.
  const int refreshes = 200;
  double refresh_total = 0;
  for (int r = 0; r < refreshes; ++r) {
    for (int s = 0; s < kSymbols; ++s)
      for (Field f :
           {Field::Bid, Field::Ask, Field::Last, Field::Time, Field::Volume, Field::Quote})
        table.Set(KeyOf(Symbol(s), f),
                  ValueOf(f, f == Field::Quote ? Line(s, r) : std::to_string(r)));
    start = Now();
    auto changes = table.TakeChanges();
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {static_cast<ULONG>(changes.size()), 0}};
    SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 2, bounds);
    for (std::size_t i = 0; i < changes.size(); ++i) {
      LONG at[2] = {0, static_cast<LONG>(i)};
      VARIANT v;
      VariantInit(&v);
      v.vt = VT_I4;
      v.lVal = changes[i].first;
      SafeArrayPutElement(array, at, &v);
      at[0] = 1;
      ToVariant(changes[i].second, v);
      SafeArrayPutElement(array, at, &v);
      VariantClear(&v);
    }
    SafeArrayDestroy(array);
    refresh_total += Now() - start;
  }
  std::printf("in the DLL: an update %.2f us; a refresh of all %d topics %.1f us\n",
              per_update * 1e6, kTopics, refresh_total / refreshes * 1e6);
}

class Events final : public IRTDUpdateEvent {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = this;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
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
    ++notified;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_HeartbeatInterval(long* v) override {
    *v = 15000;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_HeartbeatInterval(long) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Disconnect() override { return S_OK; }
  int notified = 0;
};

// Tickwell started with DDE off; its main window, or null when it did not show within 20 s.
HWND StartTickwell(std::unique_ptr<e2e::Background>& app) {
  app = std::make_unique<e2e::Background>(e2e::BinFolder() + "tickwell.exe",
                                          std::vector<std::string>{"/dde", "off"});
  HWND main = nullptr;
  e2e::WaitUntil(
      [&] {
        return (main = FindWindowA(tickwell::ids::kMainWindowClass, "Tickwell")) &&
               IsWindowVisible(main);
      },
      20000);
  return main;
}

// The topics' cells as RefreshData last gave them: whether each shows a quote.
class Cells {
 public:
  // Takes the changes; returns the time RefreshData held the thread.
  double Refresh(IRtdServer* server) {
    long count = 0;
    SAFEARRAY* array = nullptr;
    const double start = Now();
    server->RefreshData(&count, &array);
    const double held = Now() - start;
    for (LONG i = 0; array && i < count; ++i) {
      VARIANT id, value;
      VariantInit(&id);
      VariantInit(&value);
      LONG at[2] = {0, i};
      SafeArrayGetElement(array, at, &id);
      at[0] = 1;
      SafeArrayGetElement(array, at, &value);
      // A quote is a number, a date or the QUOTE line; the other texts say why there is none.
      quoted_[id.lVal] = value.vt == VT_R8 || value.vt == VT_DATE ||
                         (value.vt == VT_BSTR && value.bstrVal && value.bstrVal[0] == L'S');
      VariantClear(&value);
    }
    if (array) SafeArrayDestroy(array);
    return held;
  }
  int Known() const { return static_cast<int>(quoted_.size()); }
  int Quoted() const {
    return static_cast<int>(std::count_if(quoted_.begin(), quoted_.end(),
                                          [](const auto& cell) { return cell.second; }));
  }

 private:
  std::map<long, bool> quoted_;
};

// Pumps this thread's messages as Excel does, timing each one handled and each RefreshData
// after a notification, until done() or timeout_s.
struct Holds {
  double longest = 0, total = 0, first_hold = -1, last_hold = 0;
  int count = 0, over_100ms = 0;
  std::vector<double> each;
  void Add(double start, double held, double since) {
    longest = std::max(longest, held);
    total += held;
    ++count;
    over_100ms += held > 0.1 ? 1 : 0;
    each.push_back(held);
    if (first_hold < 0) first_hold = start - since;
    last_hold = start + held - since;
  }
};
template <typename Done>
bool Pump(IRtdServer* server, Events& events, Cells& cells, Holds& holds, Done done,
          double timeout_s) {
  const double since = Now();
  int seen = events.notified;
  while (Now() - since < timeout_s) {
    MSG m;
    bool any = false;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      any = true;
      const double start = Now();
      TranslateMessage(&m);
      DispatchMessageA(&m);
      const double held = Now() - start;
      // Only what took a measurable time: the rest is the pump's own traffic.
      if (held > 0.001) holds.Add(start, held, since);
    }
    if (events.notified != seen) {
      seen = events.notified;
      const double start = Now();
      holds.Add(start, cells.Refresh(server), since);
    }
    if (done()) return true;
    if (!any) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  return false;
}

int WithTickwell(int rounds) {
  const std::string bin = e2e::BinFolder();
  std::unique_ptr<e2e::Background> app;
  HWND main = StartTickwell(app);
  if (!main) {
    std::fprintf(stderr, "rtd-bench: Tickwell did not start\n");
    return 1;
  }
  SendMessageA(GetDlgItem(main, tickwell::ids::kDdeButton), BM_CLICK, 0, 0);
  const std::string lines = bin + "rtd-bench-lines.txt";
  auto feed = [&](int round) {
    std::ofstream out(lines, std::ios::trunc);
    for (int s = 0; s < kSymbols; ++s) out << Line(s, round * kSymbols + s) << "\n";
    out.close();
    return e2e::Run(bin + "tickwell-feed.exe", {"--timeout", "10000", "-f", lines}).exit_code == 0;
  };

  HMODULE dll = LoadLibraryA((bin + "TickwellRtd.dll").c_str());
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto get = dll ? reinterpret_cast<GetClassObject>(
                       reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")))
                 : nullptr;
  IClassFactory* factory = nullptr;
  IRtdServer* server = nullptr;
  if (!get || FAILED(get(kClsidQuotes, IID_IClassFactory, reinterpret_cast<void**>(&factory))) ||
      FAILED(factory->CreateInstance(nullptr, kIidRtdServer, reinterpret_cast<void**>(&server)))) {
    std::fprintf(stderr, "rtd-bench: TickwellRtd.dll did not load\n");
    return 1;
  }
  Events events;
  long ok = 0;
  server->ServerStart(&events, &ok);
  feed(0);
  const double connect_start = Now();
  for (int t = 0; t < kTopics; ++t) {
    SAFEARRAY* args = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    std::wstring symbol(Symbol(t % kSymbols).begin(), Symbol(t % kSymbols).end());
    const std::string f = kFields[(t / kSymbols) % 6];
    std::wstring field(f.begin(), f.end());
    for (LONG i = 0; i < 2; ++i) {
      VARIANT v;
      v.vt = VT_BSTR;
      v.bstrVal = SysAllocString(i == 0 ? symbol.c_str() : field.c_str());
      SafeArrayPutElement(args, &i, &v);
      VariantClear(&v);
    }
    VARIANT_BOOL fresh = VARIANT_TRUE;
    VARIANT value;
    server->ConnectData(t, &args, &fresh, &value);
    VariantClear(&value);
    SafeArrayDestroy(args);
  }
  std::printf("with Tickwell: %d topics connected in %.1f s\n", kTopics, Now() - connect_start);
  std::fflush(stdout);
  std::vector<double> times;
  std::vector<SIZE_T> memory;
  long listed = 0;
  for (int round = 1; round <= rounds; ++round) {
    feed(round);
    const int before = events.notified;
    e2e::WaitUntil([&] { return events.notified > before; }, 5000);
    long count = 0;
    SAFEARRAY* array = nullptr;
    const double start = Now();
    server->RefreshData(&count, &array);
    times.push_back(Now() - start);
    listed += count;
    if (array) SafeArrayDestroy(array);
    memory.push_back(PrivateBytes());
  }
  std::sort(times.begin(), times.end());
  std::printf(
      "with Tickwell: %d rounds of %d lines, %.0f topics per refresh; RefreshData median "
      "%.1f us, max %.1f us\n",
      rounds, kSymbols, static_cast<double>(listed) / rounds, times[times.size() / 2] * 1e6,
      times.back() * 1e6);
  std::printf(
      "private memory: after round 1 %zu KiB, after round %d %zu KiB, after the last %zu KiB\n",
      memory.front() / 1024, rounds / 2, memory[memory.size() / 2] / 1024, memory.back() / 1024);
  std::fflush(stdout);

  // Tickwell closed under the connected topics, then started again: the quotes fed while its
  // DDE is still off, so that switching it on is the moment every link can be made again.
  Cells cells;
  Holds down;
  PostMessageA(main, WM_CLOSE, 0, 0);
  app->WaitForExit(10000);
  cells.Refresh(server);
  if (!Pump(
          server, events, cells, down,
          [&] { return cells.Known() == kTopics && cells.Quoted() == 0; }, 30)) {
    std::fprintf(stderr, "rtd-bench: the cells did not show Tickwell gone\n");
    return 1;
  }
  main = StartTickwell(app);
  if (!main || !feed(rounds + 1)) {
    std::fprintf(stderr, "rtd-bench: Tickwell did not start again\n");
    return 1;
  }
  Holds back;
  SendMessageA(GetDlgItem(main, tickwell::ids::kDdeButton), BM_CLICK, 0, 0);
  const double on = Now();
  const bool relinked = Pump(
      server, events, cells, back, [&] { return cells.Quoted() == kTopics; }, 120);
  std::sort(back.each.begin(), back.each.end());
  std::printf(
      "Tickwell back: %d of %d topics quoted %.2f s after DDE on; %d holds of the thread "
      "(timer calls, DDE data, RefreshData) from %.2f s to %.2f s, median %.1f ms, longest "
      "%.1f ms, %d over 100 ms, together %.2f s\n",
      cells.Quoted(), kTopics, Now() - on, back.count, back.first_hold, back.last_hold,
      back.each.empty() ? 0.0 : back.each[back.each.size() / 2] * 1e3, back.longest * 1e3,
      back.over_100ms, back.total);
  if (!relinked) std::fprintf(stderr, "rtd-bench: not every topic was linked again\n");
  server->ServerTerminate();
  server->Release();
  factory->Release();
  DeleteFileA(lines.c_str());
  PostMessageA(main, WM_CLOSE, 0, 0);
  app->WaitForExit(10000);
  return relinked ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  InDll();
  const int rounds = argc > 1 ? std::max(2, std::atoi(argv[1])) : 200;
  const int code = WithTickwell(rounds);
  CoUninitialize();
  return code;
}
