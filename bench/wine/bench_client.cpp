// tw-bench-client: a DDE client holding hot links on the six quote items of several symbols, for
// the end-to-end throughput measure. It links every item, prints "linked N", then takes advise
// data until the VOLUME of every symbol reads the given end mark (the feed's last line of each
// symbol carries it), and prints every item's last value as "SYMBOL ITEM VALUE" and "updates N".
//
//   tw-bench-client SERVICE SYMBOL[,SYMBOL...] END_VOLUME [--life SECONDS]
//
// Exit codes: 0 every symbol reached the end mark, 2 a link could not be made, 4 the time bound
// passed first.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/clipboard_format.h"
#include "platform/ddeml.h"
#include "platform/window.h"

using namespace platform;

namespace {

const char* const kItems[] = {"BID", "ASK", "LAST", "TIME", "VOLUME", "QUOTE"};

struct Client {
  DdeInstance instance = 0;
  std::map<std::string, std::map<std::string, std::string>> values;  // topic -> item -> text
  long updates = 0;

  HddeData Callback(unsigned type, Hsz topic, Hsz item, HddeData data) {
    if (type != kXtypAdvData) return 0;
    std::vector<std::uint8_t> bytes = DdeDataBytes(data);
    std::string text(bytes.begin(), bytes.end());
    const auto end = text.find('\0');
    if (end != std::string::npos) text.resize(end);
    values[DdeQueryString(instance, topic)][DdeQueryString(instance, item)] = text;
    ++updates;
    return kDdeFAck;
  }
};

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    parts.push_back(text.substr(start, comma == std::string::npos ? comma : comma - start));
    if (comma == std::string::npos) return parts;
    start = comma + 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr,
                 "usage: tw-bench-client SERVICE SYMBOL[,SYMBOL...] END_VOLUME [--life SECONDS]\n");
    return 1;
  }
  const std::string service = argv[1];
  const std::vector<std::string> symbols = Split(argv[2]);
  const std::string end_mark = argv[3];
  double life_s = 600;
  if (argc >= 6 && std::string(argv[4]) == "--life") life_s = std::atof(argv[5]);

  Client client;
  if (DdeInitialize(
          client.instance,
          [&client](unsigned type, unsigned, Hconv, Hsz hsz1, Hsz hsz2, HddeData data,
                    std::uintptr_t, std::uintptr_t) {
            return client.Callback(type, hsz1, hsz2, data);
          },
          kAppCmdFilterInits) != 0) {
    std::fprintf(stderr, "tw-bench-client: DdeInitialize failed\n");
    return 5;
  }
  const Hsz service_hsz = DdeCreateStringHandle(client.instance, service);
  long links = 0;
  for (const std::string& symbol : symbols) {
    const Hconv conv =
        DdeConnect(client.instance, service_hsz, DdeCreateStringHandle(client.instance, symbol));
    if (!conv) {
      std::fprintf(stderr, "tw-bench-client: no conversation on %s\n", symbol.c_str());
      return 2;
    }
    for (const char* item : kItems) {
      std::uint32_t result = 0;
      if (!DdeClientTransaction(nullptr, 0, conv, DdeCreateStringHandle(client.instance, item),
                                kCfText, kXtypAdvStart, 10000, &result)) {
        std::fprintf(stderr, "tw-bench-client: no link on %s %s\n", symbol.c_str(), item);
        return 2;
      }
      ++links;
    }
  }
  std::printf("linked %ld\n", links);
  std::fflush(stdout);

  auto done = [&] {
    for (const std::string& symbol : symbols) {
      auto topic = client.values.find(symbol);
      if (topic == client.values.end()) return false;
      auto volume = topic->second.find("VOLUME");
      auto quote = topic->second.find("QUOTE");
      if (volume == topic->second.end() || volume->second != end_mark) return false;
      if (quote == topic->second.end() || quote->second.size() < end_mark.size() ||
          quote->second.compare(quote->second.size() - end_mark.size(), end_mark.size(),
                                end_mark) != 0)
        return false;
    }
    return true;
  };
  const DWORD until = ::GetTickCount() + static_cast<DWORD>(life_s * 1000);
  bool reached = false;
  while (!(reached = done()) && static_cast<long>(until - ::GetTickCount()) > 0) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    PumpMessages();
  }
  for (const auto& [topic, items] : client.values)
    for (const auto& [item, text] : items)
      std::printf("%s %s %s\n", topic.c_str(), item.c_str(), text.c_str());
  std::printf("updates %ld\n", client.updates);
  std::fflush(stdout);
  DdeUninitialize(client.instance);
  return reached ? 0 : 4;
}
