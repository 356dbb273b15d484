// Eight terminals feeding one Tickwell at once under Wine, each sender a process of its own with
// the same symbols, read at the same time by a DDE client process (hot links on every terminal's
// services) and by an RTD server driven through its COM interface as Excel calls it. Every price
// says which terminal and line it came from (terminal_quotes.h), so each value a client gets is
// checked for where it came from. Then one terminal closes.
// TICKWELL_TERMINAL_LINES sets the lines of all terminals together (3000 unless set), and
// TICKWELL_TERMINAL_READ how many of the symbols the clients read in each terminal (7 unless
// set; every symbol is sent): under Wine each conversation costs a connect broadcast to every
// DDE window there is, so reading all 28 of 8 terminals takes a minute to set up.
// script/terminals-run runs it with 100,000 lines and all symbols read, and reads the
// "terminals:" lines it prints.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "interapp/terminal_label.h"
#include "rtd/win32/rtd_interfaces.h"
#include "rtd/win32/rtd_server.h"
#include "tests/e2e/bare_client.h"
#include "tests/e2e/process.h"
#include "tests/e2e/running_tickwell.h"
#include "tests/e2e/terminal_quotes.h"

namespace {

namespace tq = e2e::terminals;
using tq::kSymbolCount;
using tq::kSymbols;
using tq::kTerminals;

// Where every value read came from, per link: misattributed values (another terminal's, another
// symbol's, or a line never sent), values older than one already read, and the last line read.
struct Tally {
  long values = 0;
  long misattributed = 0;
  long unreadable = 0;
  long out_of_order = 0;
  std::map<std::string, int> last;  // link -> line number of its last value
  std::vector<std::string> examples;

  // One value of a link that must come from the terminal's line of the symbol.
  void Take(const std::string& link, int terminal, int symbol, int lines, const tq::Origin& o,
            const std::string& shown) {
    ++values;
    if (!o.ok) {
      ++unreadable;
      Note(link + " read \"" + shown + "\"");
      return;
    }
    if (o.terminal != terminal || o.symbol != symbol || o.n < 1 || o.n > lines ||
        tq::SymbolOfLine(o.n) != symbol) {
      ++misattributed;
      Note(link + " read " + shown + " (terminal " + std::to_string(o.terminal) + ", line " +
           std::to_string(o.n) + ")");
      return;
    }
    int& seen = last[link];
    if (o.n < seen) {
      ++out_of_order;
      Note(link + " read line " + std::to_string(o.n) + " after line " + std::to_string(seen));
      return;
    }
    seen = o.n;
  }
  void Note(const std::string& what) {
    if (examples.size() < 10) examples.push_back(what);
  }
  std::string Examples() const {
    std::string text;
    for (const auto& e : examples) text += "  " + e + "\n";
    return text;
  }
};

// What Excel hands the RTD server: counts the notifications.
class UpdateEvent final : public IRTDUpdateEvent {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, rtd::kIidRtdUpdateEvent)) {
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

std::string Shown(const VARIANT& v) {
  if (v.vt == VT_R8) {
    char text[64];
    std::snprintf(text, sizeof text, "%.8f", v.dblVal);
    return text;
  }
  if (v.vt == VT_BSTR) {
    std::string text;
    for (const wchar_t* c = v.bstrVal; c && *c; ++c) text += static_cast<char>(*c);
    return text;
  }
  return "vt " + std::to_string(v.vt);
}

// A size from the environment, or its default.
int Setting(const char* name, int fallback, int highest) {
  const char* text = std::getenv(name);
  const int value = text ? std::atoi(text) : fallback;
  return value > 0 && value <= highest ? value : fallback;
}

// The symbols the clients read, spread over the list.
std::vector<int> SymbolsRead() {
  const int count = Setting("TICKWELL_TERMINAL_READ", 7, kSymbolCount);
  std::vector<int> read;
  for (int i = 0; i < count; ++i) read.push_back(i * kSymbolCount / count);
  return read;
}

// A terminal's services.
std::string Mt5(int terminal) { return tickwell::Mt5ServiceOf(tq::Label(terminal)); }
std::string Mt4(int terminal) { return tickwell::Mt4ServiceOf(tq::Label(terminal)); }

double Seconds(DWORD ms) { return ms / 1000.0; }

// System!Terminals as rows of fields.
std::vector<std::vector<std::string>> Rows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::vector<std::string> fields;
    std::istringstream line(text.substr(start, end - start));
    std::string field;
    while (std::getline(line, field, '\t')) fields.push_back(field);
    rows.push_back(fields);
    start = end + 2;
  }
  return rows;
}

class ManyTerminals : public e2e::RunningTickwell {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    // A settings folder of this test's own, empty: the first terminal that sends becomes the
    // default, whatever another run remembered.
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    appdata_ = std::string(temp) + "tickwell-terminals-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(appdata_.c_str(), nullptr);
    CreateDirectoryA((appdata_ + "\\Tickwell").c_str(), nullptr);
    DeleteFileA(SettingsFile().c_str());
    char old[MAX_PATH] = {};
    had_appdata_ = GetEnvironmentVariableA("APPDATA", old, MAX_PATH) > 0;
    old_appdata_ = old;
    SetEnvironmentVariableA("APPDATA", appdata_.c_str());
    const std::string tag = std::to_string(GetCurrentProcessId());
    go_name_ = "tickwell-terminals-go-" + tag;
    go_ = CreateEventA(nullptr, TRUE, FALSE, go_name_.c_str());
    for (int t = 0; t <= kTerminals; ++t) {
      stop_names_.push_back("tickwell-terminals-stop-" + tag + "-" + std::to_string(t));
      stops_.push_back(CreateEventA(nullptr, TRUE, FALSE, stop_names_.back().c_str()));
    }
    e2e::RunningTickwell::SetUp();
  }
  void TearDown() override {
    if (server_) {
      server_->ServerTerminate();
      server_->Release();
    }
    for (HANDLE stop : stops_) SetEvent(stop);
    for (auto& sender : senders_)
      if (sender) {
        EXPECT_TRUE(sender->WaitForExit(10000)) << sender->Output();
      }
    if (reader_) {
      EXPECT_TRUE(reader_->WaitForExit(10000));
    }
    senders_.clear();
    reader_.reset();
    e2e::RunningTickwell::TearDown();
    for (HANDLE stop : stops_) CloseHandle(stop);
    CloseHandle(go_);
    SetEnvironmentVariableA("APPDATA", had_appdata_ ? old_appdata_.c_str() : nullptr);
    DeleteFileA(SettingsFile().c_str());
    RemoveDirectoryA((appdata_ + "\\Tickwell").c_str());
    RemoveDirectoryA(appdata_.c_str());
    CoUninitialize();
  }
  std::string SettingsFile() const { return appdata_ + "\\Tickwell\\tickwell.ini"; }

  // The status bar's counts panel, read through a buffer in Tickwell's own memory.
  std::string CountsPanel() {
    HWND status = Item(tickwell::ids::kStatusBar);
    DWORD pid = 0;
    GetWindowThreadProcessId(status, &pid);
    HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return "<no process>";
    char text[512] = {};
    void* remote = VirtualAllocEx(process, nullptr, sizeof text, MEM_COMMIT, PAGE_READWRITE);
    if (remote) {
      SendMessageA(status, SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(remote));
      ReadProcessMemory(process, remote, text, sizeof text - 1, nullptr);
      VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return text;
  }

  // The terminal and symbol a reader's link is of; the default terminal's services are T1's.
  static bool LinkOf(const std::string& service, const std::string& topic, const std::string& item,
                     int& terminal, int& symbol) {
    const bool mt4 = service.rfind("MT4", 0) == 0;
    terminal = service.size() > 5 ? std::atoi(service.c_str() + 5) : 1;
    const std::string& name = mt4 ? item : topic;
    for (symbol = 0; symbol < kSymbolCount; ++symbol)
      if (name == kSymbols[static_cast<std::size_t>(symbol)]) return true;
    return false;
  }

  // The reader's values printed since the last call, each checked.
  void TakeReader() {
    const std::string more = reader_->OutputFrom(read_);
    const std::size_t complete = more.rfind('\n');
    if (complete == std::string::npos) return;
    read_ += complete + 1;
    std::istringstream lines(more.substr(0, complete + 1));
    std::string line;
    while (std::getline(lines, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.rfind("V ", 0) != 0) {
        reader_notes_ += line + "\n";
        continue;
      }
      std::istringstream fields(line.substr(2));
      std::string service, topic, item, value;
      fields >> service >> topic >> item;
      fields.get();
      std::getline(fields, value);
      int terminal = 0, symbol = 0;
      const std::string link = service + "|" + topic + "!" + item;
      if (!LinkOf(service, topic, item, terminal, symbol)) {
        ++dde_.values;
        ++dde_.misattributed;
        dde_.Note("a value on a link never made: " + line);
        continue;
      }
      std::string bid = value;
      if (item == "QUOTE" && service.rfind("MT5", 0) == 0) {
        // The whole line: its symbol must be the topic's, its bid the terminal's.
        const std::size_t semi = value.find(';');
        const std::size_t next = value.find(';', semi + 1);
        bid = semi == std::string::npos || value.substr(0, semi) != topic
                  ? "<" + value + ">"
                  : value.substr(semi + 1, next - semi - 1);
      }
      dde_.Take(link, terminal, symbol, per_terminal_, tq::OriginOf(bid), value);
    }
  }

  // The RTD cells changed since the last refresh, each checked.
  void TakeRtd() {
    if (events_.notifications == rtd_seen_) return;
    rtd_seen_ = events_.notifications;
    long count = 0;
    SAFEARRAY* array = nullptr;
    ASSERT_EQ(server_->RefreshData(&count, &array), S_OK);
    if (!array) return;
    for (LONG i = 0; i < count; ++i) {
      VARIANT id, value;
      VariantInit(&id);
      VariantInit(&value);
      LONG at[2] = {0, i};  // row 0 the topic ids, row 1 their values
      SafeArrayGetElement(array, at, &id);
      at[0] = 1;
      SafeArrayGetElement(array, at, &value);
      TakeCell(id.lVal, value);
      VariantClear(&value);
    }
    SafeArrayDestroy(array);
  }
  // Cell id: terminal * 100 + symbol; terminal 0 is the default terminal's (T1).
  void TakeCell(long id, const VARIANT& value) {
    const int terminal = static_cast<int>(id / 100), symbol = static_cast<int>(id % 100);
    const std::string cell = "cell " + std::to_string(id);
    cells_[id] = Shown(value);
    rtd_.Take(cell, terminal == 0 ? 1 : terminal, symbol, per_terminal_,
              value.vt == VT_R8 ? tq::OriginOf(value.dblVal) : tq::Origin{}, Shown(value));
  }
  HRESULT ConnectCell(long id, const std::vector<std::string>& args) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(args.size()));
    for (LONG i = 0; i < static_cast<LONG>(args.size()); ++i) {
      const std::string& arg = args[static_cast<std::size_t>(i)];
      VARIANT v;
      v.vt = VT_BSTR;
      v.bstrVal = SysAllocString(std::wstring(arg.begin(), arg.end()).c_str());
      SafeArrayPutElement(array, &i, &v);
      VariantClear(&v);
    }
    VARIANT_BOOL fresh = VARIANT_FALSE;
    VARIANT value;
    VariantInit(&value);
    const HRESULT r = server_->ConnectData(id, &array, &fresh, &value);
    SafeArrayDestroy(array);
    // The first value is the warm-up line, or not there yet (the link is still being made).
    if (value.vt == VT_R8) TakeCell(id, value);
    VariantClear(&value);
    return r;
  }

  // The lines the senders say they have sent, to the last thousand.
  int LinesSent() const {
    int lines = 0;
    for (std::size_t t = 1; t < senders_.size(); ++t) {
      const std::string out = senders_[t]->Output();
      const std::size_t sent = out.find("sent "), at = out.rfind("at ");
      lines += sent != std::string::npos ? std::atoi(out.c_str() + sent + 5)
               : at != std::string::npos ? std::atoi(out.c_str() + at + 3)
                                         : kSymbolCount;
    }
    return lines;
  }

  // Where each sender and client has come to, for a run that did not finish.
  std::string Progress() const {
    std::string text;
    for (std::size_t t = 1; t < senders_.size(); ++t) {
      std::string out = senders_[t]->Output();
      while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
      text +=
          "terminal " + std::to_string(t) + ": " + out.substr(out.find_last_of('\n') + 1) + "\n";
    }
    return text + "DDE client: " + std::to_string(dde_.values) +
           " values, RTD client: " + std::to_string(rtd_.values) + " values\n";
  }

  // The links and cells that still miss their terminal's last line of their symbol.
  int MissingLast(const Tally& tally, const std::vector<std::string>& links) const {
    int missing = 0;
    for (const std::string& link : links) {
      const auto got = tally.last.find(link);
      if (got == tally.last.end() || got->second != expected_last_.at(link)) ++missing;
    }
    return missing;
  }

  std::string appdata_, old_appdata_;
  bool had_appdata_ = false;
  std::string go_name_;
  HANDLE go_ = nullptr;
  std::vector<std::string> stop_names_;  // [0] the reader's, [t] terminal t's sender
  std::vector<HANDLE> stops_;
  std::vector<std::unique_ptr<e2e::Background>> senders_;
  std::unique_ptr<e2e::Background> reader_;
  std::size_t read_ = 0;
  std::string reader_notes_;
  int per_terminal_ = 0;
  Tally dde_, rtd_;
  std::map<std::string, int> expected_last_;  // link or cell -> the last line of its symbol
  UpdateEvent events_;
  IRtdServer* server_ = nullptr;
  int rtd_seen_ = 0;
  std::map<long, std::string> cells_;
};

TEST_F(ManyTerminals, EveryValueReadIsItsOwnTerminalsAndAClosedTerminalStaysReadable) {
  const DWORD run_start = GetTickCount();
  const int total = Setting("TICKWELL_TERMINAL_LINES", 3000, tq::kMaxLine * kTerminals);
  per_terminal_ = std::max(kSymbolCount, (total + kTerminals - 1) / kTerminals);
  const std::vector<int> read = SymbolsRead();
  ASSERT_LE(per_terminal_, tq::kMaxLine);
  SwitchOn();

  // The senders, one at a time (two programs started at the same instant may miss each other's
  // broadcast), each with its first round of lines.
  senders_.emplace_back();  // terminals count from 1
  for (int t = 1; t <= kTerminals; ++t) {
    senders_.push_back(std::make_unique<e2e::Background>(
        e2e::BinFolder() + "tw-terminal-sender.exe",
        std::vector<std::string>{std::to_string(t), std::to_string(per_terminal_), go_name_,
                                 stop_names_[static_cast<std::size_t>(t)]},
        true));
    e2e::Background& sender = *senders_.back();
    ASSERT_TRUE(sender.Started());
    DWORD code = 0;
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return sender.Ended(&code) || sender.Output().find("ready") != std::string::npos; },
        20000))
        << "terminal " << t << ": " << sender.Output();
    ASSERT_FALSE(sender.Ended(&code)) << "terminal " << t << " exit " << code << sender.Output();
  }
  // Each terminal's services serve its first round.
  e2e::BareClient asker;
  for (int t = 1; t <= kTerminals; ++t) {
    const std::string service = Mt5(t);
    const std::string want = tq::Bid(t, kSymbolCount - 1, kSymbolCount);
    ASSERT_TRUE(e2e::WaitUntil(
        [&] { return asker.Ask(service.c_str(), kSymbols.back(), "BID") == want; }, 20000))
        << service << " does not serve its first lines";
  }

  // The DDE client: BID and QUOTE of each symbol read in every terminal, its BID in MetaTrader
  // 4's layout of every terminal, and its BID under MT5 (the default terminal, T1).
  std::vector<std::string> args = {stop_names_[0]};
  std::vector<std::string> dde_links;
  const auto link = [&](const std::string& name, int s) {
    dde_links.push_back(name);
    expected_last_[name] = tq::LastLineOf(s, per_terminal_);
  };
  for (int t = 1; t <= kTerminals; ++t) {
    const std::string mt5 = Mt5(t), mt4 = Mt4(t);
    std::string all;
    for (int s : read) {
      const std::string symbol = kSymbols[static_cast<std::size_t>(s)];
      args.push_back(mt5 + "|" + symbol + "!BID,QUOTE");
      link(mt5 + "|" + symbol + "!BID", s);
      link(mt5 + "|" + symbol + "!QUOTE", s);
      all += (all.empty() ? "" : ",") + symbol;
      link(mt4 + "|BID!" + symbol, s);
    }
    args.push_back(mt4 + "|BID!" + all);
  }
  for (int s : read) {
    const std::string symbol = kSymbols[static_cast<std::size_t>(s)];
    args.push_back("MT5|" + symbol + "!BID");
    link("MT5|" + symbol + "!BID", s);
  }
  reader_ =
      std::make_unique<e2e::Background>(e2e::BinFolder() + "tw-terminal-reader.exe", args, true);
  ASSERT_TRUE(reader_->Started());
  const std::string linked = "linked " + std::to_string(dde_links.size());
  DWORD code = 0;
  ASSERT_TRUE(e2e::WaitUntil(
      [&] { return reader_->Ended(&code) || reader_->Output().find(linked) != std::string::npos; },
      60000))
      << reader_->Output().substr(0, 2000);
  ASSERT_FALSE(reader_->Ended(&code)) << "exit " << code << ": " << reader_->Output();

  // The RTD client: =RTD("Tickwell.Quotes",,symbol,"BID","T<t>") for every terminal and symbol
  // read, and =RTD("Tickwell.Quotes",,symbol,"BID") for the default terminal's.
  server_ = new rtd::RtdServer();
  long started = 0;
  ASSERT_EQ(server_->ServerStart(&events_, &started), S_OK);
  ASSERT_EQ(started, 1);
  std::vector<std::string> rtd_cells;
  for (int t = 0; t <= kTerminals; ++t) {
    for (int s : read) {
      const long id = t * 100 + s;
      std::vector<std::string> cell = {kSymbols[static_cast<std::size_t>(s)], "BID"};
      if (t > 0) cell.push_back(tq::Label(t));
      ASSERT_EQ(ConnectCell(id, cell), S_OK);
      rtd_cells.push_back("cell " + std::to_string(id));
      expected_last_[rtd_cells.back()] = tq::LastLineOf(s, per_terminal_);
    }
  }

  // All senders at once; both clients read while they send.
  const DWORD send_start = GetTickCount();
  ASSERT_TRUE(SetEvent(go_));
  // About 400 lines a second go through with every symbol read, on a loaded machine less.
  const DWORD send_bound = 60000 + static_cast<DWORD>(per_terminal_) * kTerminals * 6;
  DWORD reported_at = send_start;
  std::vector<bool> done(kTerminals + 1, false);
  int sent = 0, retried = 0;
  ASSERT_TRUE(e2e::WaitUntil(
      [&] {
        TakeReader();
        TakeRtd();
        if (GetTickCount() - reported_at >= 20000) {
          reported_at = GetTickCount();
          std::printf("progress: %.0f s: %d lines sent, DDE client %ld values, RTD client %ld\n",
                      Seconds(reported_at - send_start), LinesSent(), dde_.values, rtd_.values);
          std::fflush(stdout);
        }
        for (int t = 1; t <= kTerminals; ++t) {
          if (done[static_cast<std::size_t>(t)]) continue;
          e2e::Background& sender = *senders_[static_cast<std::size_t>(t)];
          const std::string out = sender.Output();
          const std::size_t at = out.find("sent ");
          if (at == std::string::npos) {
            EXPECT_FALSE(sender.Ended(&code)) << "terminal " << t << " exit " << code << out;
            if (sender.Ended(&code)) return true;
            continue;
          }
          int lines = 0, again = 0;
          std::sscanf(out.c_str() + at, "sent %d, retried %d", &lines, &again);
          sent += lines;
          retried += again;
          done[static_cast<std::size_t>(t)] = true;
        }
        for (int t = 1; t <= kTerminals; ++t)
          if (!done[static_cast<std::size_t>(t)]) return false;
        return true;
      },
      send_bound))
      << "the senders did not finish within " << send_bound / 1000 << " s\n"
      << Progress();
  ASSERT_FALSE(HasFailure());
  const DWORD sent_ms = GetTickCount() - send_start;
  EXPECT_EQ(sent, per_terminal_ * kTerminals);

  // Both clients come to each terminal's last line of each symbol.
  const bool caught_up = e2e::WaitUntil(
      [&] {
        TakeReader();
        TakeRtd();
        return MissingLast(dde_, dde_links) == 0 && MissingLast(rtd_, rtd_cells) == 0;
      },
      60000);
  const DWORD caught_up_ms = GetTickCount() - send_start;
  EXPECT_TRUE(caught_up) << MissingLast(dde_, dde_links) << " DDE links and "
                         << MissingLast(rtd_, rtd_cells) << " RTD cells without their last value\n"
                         << reader_notes_;
  EXPECT_EQ(dde_.misattributed, 0) << dde_.Examples();
  EXPECT_EQ(dde_.unreadable, 0) << dde_.Examples();
  EXPECT_EQ(dde_.out_of_order, 0) << dde_.Examples();
  EXPECT_EQ(rtd_.misattributed, 0) << rtd_.Examples();
  EXPECT_EQ(rtd_.unreadable, 0) << rtd_.Examples();
  EXPECT_EQ(rtd_.out_of_order, 0) << rtd_.Examples();

  // System!Terminals, on any of Tickwell's services: eight terminals, all sending.
  const auto terminals = [&](const char* service) {
    return Rows(asker.Ask(service, "System", "Terminals"));
  };
  const auto state_of = [](const std::vector<std::vector<std::string>>& rows, int t) {
    for (const auto& row : rows)
      if (row.size() >= 3 && row[0] == tq::Label(t)) return row[2];
    return std::string("<not listed>");
  };
  {
    const auto rows = terminals("MT5_T5");
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kTerminals));
    for (int t = 1; t <= kTerminals; ++t) {
      const auto& row = rows[static_cast<std::size_t>(t - 1)];
      ASSERT_GE(row.size(), 4u);
      EXPECT_EQ(row[0], tq::Label(t));
      EXPECT_EQ(row[1], (t == 1 ? "MT5 MT5_T1 MT4 MT4_T1" : Mt5(t) + " " + Mt4(t)));
      EXPECT_EQ(row[2], "sending");
      // Seconds since its last line: a number, and a small one.
      EXPECT_TRUE(!row[3].empty() && row[3].find_first_not_of("0123456789") == std::string::npos &&
                  std::atoi(row[3].c_str()) < 600)
          << row[3];
    }
  }

  // Terminal 8 closes: its sender's window goes with its process.
  const int closing = kTerminals;
  ASSERT_TRUE(SetEvent(stops_[closing]));
  ASSERT_TRUE(senders_[closing]->WaitForExit(10000, &code));
  EXPECT_EQ(code, 0u) << senders_[closing]->Output();
  const DWORD closed_at = GetTickCount();
  EXPECT_TRUE(
      e2e::WaitUntil([&] { return state_of(terminals("MT5"), closing) == "not sending"; }, 5000))
      << asker.Ask("MT5", "System", "Terminals");
  const DWORD shown_gone_ms = GetTickCount() - closed_at;
  {
    const auto rows = terminals(Mt5(closing).c_str());
    for (int t = 1; t <= kTerminals; ++t)
      EXPECT_EQ(state_of(rows, t), t == closing ? "not sending" : "sending") << t;
  }
  // The window names it in its counts.
  const std::string counts = "8 terminals (" + tq::Label(closing) + " not sending), ";
  EXPECT_TRUE(e2e::WaitUntil([&] { return CountsPanel().rfind(counts, 0) == 0; }, 5000))
      << CountsPanel();
  // Its values stay readable, by request and in the clients.
  const HCONV mt4_bids = asker.Connect(Mt4(closing).c_str(), "BID");
  ASSERT_TRUE(mt4_bids);
  for (int s = 0; s < kSymbolCount; ++s) {
    const char* symbol = kSymbols[static_cast<std::size_t>(s)];
    const std::string last = tq::Bid(closing, s, tq::LastLineOf(s, per_terminal_));
    EXPECT_EQ(asker.Request(mt4_bids, symbol, CF_TEXT), last + '\0') << symbol;
  }
  asker.Disconnect(mt4_bids);
  for (int s : read) {
    const char* symbol = kSymbols[static_cast<std::size_t>(s)];
    const std::string last = tq::Bid(closing, s, tq::LastLineOf(s, per_terminal_));
    EXPECT_EQ(asker.Ask(Mt5(closing).c_str(), symbol, "BID"), last) << symbol;
  }
  TakeReader();
  TakeRtd();
  EXPECT_EQ(MissingLast(dde_, dde_links), 0);
  EXPECT_EQ(MissingLast(rtd_, rtd_cells), 0);
  for (int s : read) {
    const long id = closing * 100 + s;
    EXPECT_EQ(cells_[id], tq::Bid(closing, s, tq::LastLineOf(s, per_terminal_))) << id;
  }

  // The reader ends and says how many values it took; every one of them was checked.
  ASSERT_TRUE(SetEvent(stops_[0]));
  ASSERT_TRUE(reader_->WaitForExit(20000, &code));
  EXPECT_EQ(code, 0u) << reader_notes_;
  TakeReader();
  long reported = -1;
  const std::size_t at = reader_notes_.find("received ");
  if (at != std::string::npos) reported = std::atol(reader_notes_.c_str() + at + 9);
  EXPECT_EQ(reported, dde_.values) << reader_notes_;
  EXPECT_EQ(dde_.misattributed + rtd_.misattributed, 0);

  std::printf(
      "terminals: %d senders, %d symbols each: %d lines sent (%d per terminal), %d sent again\n",
      kTerminals, kSymbolCount, sent, per_terminal_, retried);
  std::printf(
      "terminals: DDE client: %ld values on %zu links, misattributed %ld, unreadable %ld, older "
      "than one read %ld, links at their last value %zu of %zu\n",
      dde_.values, dde_links.size(), dde_.misattributed, dde_.unreadable, dde_.out_of_order,
      dde_links.size() - static_cast<std::size_t>(MissingLast(dde_, dde_links)), dde_links.size());
  std::printf(
      "terminals: RTD client: %ld values in %zu cells, misattributed %ld, unreadable %ld, older "
      "than one read %ld, cells at their last value %zu of %zu\n",
      rtd_.values, rtd_cells.size(), rtd_.misattributed, rtd_.unreadable, rtd_.out_of_order,
      rtd_cells.size() - static_cast<std::size_t>(MissingLast(rtd_, rtd_cells)), rtd_cells.size());
  std::printf(
      "terminals: T%d shown \"not sending\" %.1f s after its sender ended; its values "
      "still read\n",
      closing, Seconds(shown_gone_ms));
  std::printf("terminals: senders done in %.1f s, clients caught up at %.1f s, whole run %.1f s\n",
              Seconds(sent_ms), Seconds(caught_up_ms), Seconds(GetTickCount() - run_start));
  std::fflush(stdout);
}

}  // namespace
