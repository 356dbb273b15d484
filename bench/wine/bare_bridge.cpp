// tw-bare-bridge: the least a quote bridge can do, as the floor Tickwell is measured against.
// It takes quote lines the way Tickwell does (a hidden top-level window answering the silent
// "InterAppHandshake" and taking WM_COPYDATA strings), keeps six text items per symbol (BID, ASK,
// LAST, TIME, VOLUME, QUOTE) and posts an advise for each item whose text changed. Requests and
// advise data answer CF_TEXT only. Nothing else: no window to paint, no checks beyond splitting
// the line, no trace.
//
//   tw-bare-bridge SERVICE [--life SECONDS]
//
// It prints "ready" once the service is registered and "lines N" when it ends.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/clipboard_format.h"
#include "platform/ddeml.h"
#include "platform/window.h"

using namespace platform;

namespace {

constexpr int kItems = 6;
const char* const kItemNames[kItems] = {"BID", "ASK", "LAST", "TIME", "VOLUME", "QUOTE"};

struct Symbol {
  Hsz topic = 0;
  std::string values[kItems];
};

struct Bridge {
  DdeInstance instance = 0;
  Hsz items[kItems] = {};
  std::unordered_map<std::string, Symbol> symbols;  // by the name as the line gives it
  long lines = 0;

  Symbol* Find(Hsz topic) {
    // Few symbols: a look through them all is cheaper than keeping a second index.
    for (auto& [name, symbol] : symbols)
      if (DdeCmpStringHandles(symbol.topic, topic) == 0) return &symbol;
    return nullptr;
  }
  int ItemIndex(Hsz item) const {
    for (int i = 0; i < kItems; ++i)
      if (DdeCmpStringHandles(items[i], item) == 0) return i;
    return -1;
  }

  void Take(std::string_view line) {
    std::string_view fields[kItems - 1];
    std::size_t start = 0;
    std::string_view name;
    for (int f = 0; f < kItems; ++f) {
      const std::size_t end = line.find(';', start);
      const std::string_view field =
          line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
      if (f == 0)
        name = field;
      else
        fields[f - 1] = field;
      if (end == std::string_view::npos) {
        if (f < kItems - 1) return;  // too few fields
        break;
      }
      start = end + 1;
    }
    ++lines;
    auto [it, added] = symbols.try_emplace(std::string(name));
    Symbol& symbol = it->second;
    if (added) symbol.topic = DdeCreateStringHandle(instance, std::string(name));
    for (int i = 0; i < kItems; ++i) {
      const std::string_view value = i < kItems - 1 ? fields[i] : line;
      if (symbol.values[i] == value) continue;
      symbol.values[i].assign(value);
      DdePostAdvise(instance, symbol.topic, items[i]);
    }
  }

  HddeData Callback(unsigned type, unsigned format, Hsz topic, Hsz item) {
    switch (type) {
      case kXtypConnect:
        return 1;
      case kXtypAdvStart:
        return format == kCfText && ItemIndex(item) >= 0 ? 1 : 0;
      case kXtypRequest:
      case kXtypAdvReq: {
        const int i = ItemIndex(item);
        Symbol* symbol = Find(topic);
        if (i < 0 || !symbol || format != kCfText) return 0;
        const std::string& value = symbol->values[i];
        return DdeCreateDataHandle(instance, value.c_str(),
                                   static_cast<std::uint32_t>(value.size() + 1), 0, item, format,
                                   0);
      }
    }
    return 0;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: tw-bare-bridge SERVICE [--life SECONDS]\n");
    return 1;
  }
  const std::string service = argv[1];
  double life_s = 600;
  if (argc >= 4 && std::string(argv[2]) == "--life") life_s = std::atof(argv[3]);

  Bridge bridge;
  unsigned error = DdeInitialize(
      bridge.instance,
      [&bridge](unsigned type, unsigned format, Hconv, Hsz hsz1, Hsz hsz2, HddeData,
                std::uintptr_t, std::uintptr_t) { return bridge.Callback(type, format, hsz1, hsz2); },
      kAppCmdFilterInits);
  if (error) {
    std::fprintf(stderr, "tw-bare-bridge: DdeInitialize failed (%u)\n", error);
    return 5;
  }
  for (int i = 0; i < kItems; ++i)
    bridge.items[i] = DdeCreateStringHandle(bridge.instance, kItemNames[i]);
  if (!DdeNameService(bridge.instance, DdeCreateStringHandle(bridge.instance, service),
                      kDnsRegister)) {
    std::fprintf(stderr, "tw-bare-bridge: cannot register %s\n", service.c_str());
    return 5;
  }

  const unsigned handshake = RegisterMessage("InterAppHandshake");
  constexpr LParam kCallSilent = 1, kAnswerSilent = 3;
  constexpr std::uintptr_t kString = 1;
  Hwnd receiver = kNoWindow;
  receiver = CreateHiddenWindow("tw-bare-bridge", [&](Hwnd window, unsigned msg, WParam w,
                                                      LParam l) -> LResult {
    if (msg == handshake && l == kCallSilent) {
      Send(reinterpret_cast<Hwnd>(w), handshake, reinterpret_cast<WParam>(receiver),
           kAnswerSilent);
      return 0;
    }
    if (msg == kWmCopyData) {
      const CopyData payload = ReadCopyData(l);
      if (payload.kind != kString || !payload.data) return 0;
      bridge.Take(std::string_view(static_cast<const char*>(payload.data), payload.size));
      return 1;
    }
    return DefaultWindowProc(window, msg, w, l);
  });
  if (receiver == kNoWindow) {
    std::fprintf(stderr, "tw-bare-bridge: no receiver window\n");
    return 5;
  }
  std::printf("ready\n");
  std::fflush(stdout);

  // The bound keeps a forgotten bridge from outliving its run.
  const DWORD until = ::GetTickCount() + static_cast<DWORD>(life_s * 1000);
  while (static_cast<long>(until - ::GetTickCount()) > 0) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    PumpMessages();
  }
  DestroyWindow(receiver);
  DdeUninitialize(bridge.instance);
  std::printf("lines %ld\n", bridge.lines);
  return 0;
}
