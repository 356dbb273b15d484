// The DDE client of the many-terminals run, in a process of its own: hot links on the items
// named, every value printed as it comes, for the test to check where each came from.
//   tw-terminal-reader STOP_EVENT SERVICE|TOPIC!ITEM[,ITEM...] ...
// Connects each service and topic (trying again for up to 20 s: a terminal's names are
// registered a little after its first line), starts a hot link on each item, prints
// "linked N", then prints "V SERVICE TOPIC ITEM VALUE" for each value that comes until
// STOP_EVENT is set (bounded at 10 minutes), and at the end "received N".
// Exit codes: 0 done, 1 usage, 2 a conversation or link could not be made, 4 the bound passed,
// 5 DDE could not start.
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/clipboard_format.h"
#include "platform/ddeml.h"
#include "platform/window.h"

using namespace platform;

namespace {

struct Link {
  std::string service, topic;
  std::vector<std::string> items;
};

bool ParseLink(const std::string& text, Link& link) {
  const std::size_t bar = text.find('|'), bang = text.find('!');
  if (bar == std::string::npos || bang == std::string::npos || bang < bar) return false;
  link.service = text.substr(0, bar);
  link.topic = text.substr(bar + 1, bang - bar - 1);
  for (std::size_t start = bang + 1;;) {
    const std::size_t comma = text.find(',', start);
    link.items.push_back(text.substr(start, comma == std::string::npos ? comma : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return !link.service.empty() && !link.topic.empty();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: tw-terminal-reader STOP_EVENT SERVICE|TOPIC!ITEM[,ITEM...] ...\n");
    return 1;
  }
  HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, argv[1]);
  std::vector<Link> links(static_cast<std::size_t>(argc - 2));
  for (int i = 2; i < argc; ++i) {
    if (!ParseLink(argv[i], links[static_cast<std::size_t>(i - 2)])) {
      std::fprintf(stderr, "tw-terminal-reader: not SERVICE|TOPIC!ITEM: %s\n", argv[i]);
      return 1;
    }
  }
  // Large output buffer: written out whenever the queue is empty.
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);

  DdeInstance instance = 0;
  std::map<Hconv, std::string> service_of;
  long received = 0;
  if (DdeInitialize(
          instance,
          [&](unsigned type, unsigned, Hconv conv, Hsz topic, Hsz item, HddeData data,
              std::uintptr_t, std::uintptr_t) -> HddeData {
            if (type != kXtypAdvData) return 0;
            const std::vector<std::uint8_t> bytes = DdeDataBytes(data);
            std::string text(bytes.begin(), bytes.end());
            if (const auto end = text.find('\0'); end != std::string::npos) text.resize(end);
            const auto service = service_of.find(conv);
            std::printf("V %s %s %s %s\n",
                        service == service_of.end() ? "?" : service->second.c_str(),
                        DdeQueryString(instance, topic).c_str(),
                        DdeQueryString(instance, item).c_str(), text.c_str());
            ++received;
            return kDdeFAck;
          },
          kAppCmdFilterInits) != 0) {
    std::fprintf(stderr, "tw-terminal-reader: DdeInitialize failed\n");
    return 5;
  }

  long linked = 0;
  for (const Link& link : links) {
    const Hsz service = DdeCreateStringHandle(instance, link.service);
    const Hsz topic = DdeCreateStringHandle(instance, link.topic);
    Hconv conv = 0;
    for (const DWORD start = GetTickCount(); GetTickCount() - start < 20000;) {
      if ((conv = DdeConnect(instance, service, topic)) != 0) break;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
      PumpMessages();
    }
    DdeFreeStringHandle(instance, topic);
    DdeFreeStringHandle(instance, service);
    if (!conv) {
      std::fprintf(stderr, "tw-terminal-reader: no conversation on %s|%s\n", link.service.c_str(),
                   link.topic.c_str());
      return 2;
    }
    service_of[conv] = link.service;
    for (const std::string& name : link.items) {
      const Hsz item = DdeCreateStringHandle(instance, name);
      std::uint32_t result = 0;
      const bool started =
          DdeClientTransaction(nullptr, 0, conv, item, kCfText, kXtypAdvStart, 10000, &result) != 0;
      DdeFreeStringHandle(instance, item);
      if (!started) {
        std::fprintf(stderr, "tw-terminal-reader: no link on %s|%s!%s\n", link.service.c_str(),
                     link.topic.c_str(), name.c_str());
        return 2;
      }
      ++linked;
    }
  }
  std::printf("linked %ld\n", linked);
  std::fflush(stdout);

  const DWORD start = GetTickCount();
  bool stopped = false;
  while (!(stopped = WaitForSingleObject(stop, 0) == WAIT_OBJECT_0) &&
         GetTickCount() - start < 600000) {
    if (MsgWaitForMultipleObjects(1, &stop, FALSE, 50, QS_ALLINPUT) == WAIT_TIMEOUT)
      std::fflush(stdout);
    PumpMessages();
  }
  PumpMessages();
  std::printf("received %ld\n", received);
  std::fflush(stdout);
  DdeUninitialize(instance);
  CloseHandle(stop);
  return stopped ? 0 : 4;
}
