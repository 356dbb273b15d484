// tw-bench-client: a DDE client holding hot links on quote items of several symbols, for the
// end-to-end measures. It links every item, prints "linked N", then takes advise data until the
// end mark is reached, and prints every item's last value as "SYMBOL ITEM VALUE" and "updates N".
//
//   tw-bench-client SERVICE SYMBOLS END_VOLUME [--life SECONDS] [--items ITEM,...]
//
// SYMBOLS is a comma-separated list, or "SYM*N" for SYM0 to SYM<N-1>. The items are BID, ASK,
// LAST, TIME, VOLUME and QUOTE unless --items names others. The end mark is reached when the
// VOLUME of every symbol reads END_VOLUME and its QUOTE ends with it (the feed's last line of each
// symbol carries it); when neither VOLUME nor QUOTE is linked, END_VOLUME is the number of updates
// to wait for after linking.
//
// Exit codes: 0 the end was reached, 2 a link could not be made, 4 the time bound passed first.
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

std::vector<std::string> Symbols(const std::string& text) {
  const std::size_t star = text.find('*');
  if (star == std::string::npos) return Split(text);
  std::vector<std::string> names;
  const int count = std::atoi(text.c_str() + star + 1);
  for (int i = 0; i < count; ++i) names.push_back(text.substr(0, star) + std::to_string(i));
  return names;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr,
                 "usage: tw-bench-client SERVICE SYMBOLS END_VOLUME [--life SECONDS] "
                 "[--items ITEM,...]\n");
    return 1;
  }
  const std::string service = argv[1];
  const std::vector<std::string> symbols = Symbols(argv[2]);
  const std::string end_mark = argv[3];
  double life_s = 600;
  std::vector<std::string> items = {"BID", "ASK", "LAST", "TIME", "VOLUME", "QUOTE"};
  for (int i = 4; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--life") life_s = std::atof(argv[i + 1]);
    if (option == "--items") items = Split(argv[i + 1]);
  }
  bool volume_linked = false, quote_linked = false;
  for (const std::string& item : items) {
    volume_linked = volume_linked || item == "VOLUME";
    quote_linked = quote_linked || item == "QUOTE";
  }

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
  std::vector<Hsz> item_hsz;
  for (const std::string& item : items)
    item_hsz.push_back(DdeCreateStringHandle(client.instance, item));
  long links = 0;
  for (const std::string& symbol : symbols) {
    const Hconv conv =
        DdeConnect(client.instance, service_hsz, DdeCreateStringHandle(client.instance, symbol));
    if (!conv) {
      std::fprintf(stderr, "tw-bench-client: no conversation on %s\n", symbol.c_str());
      return 2;
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
      std::uint32_t result = 0;
      if (!DdeClientTransaction(nullptr, 0, conv, item_hsz[i], kCfText, kXtypAdvStart, 10000,
                                &result)) {
        std::fprintf(stderr, "tw-bench-client: no link on %s %s\n", symbol.c_str(),
                     items[i].c_str());
        return 2;
      }
      ++links;
    }
  }
  std::printf("linked %ld\n", links);
  std::fflush(stdout);
  const long updates_at_link = client.updates;

  auto done = [&] {
    if (!volume_linked && !quote_linked)
      return client.updates - updates_at_link >= std::atol(end_mark.c_str());
    for (const std::string& symbol : symbols) {
      auto topic = client.values.find(symbol);
      if (topic == client.values.end()) return false;
      const auto& got = topic->second;
      if (volume_linked && (got.count("VOLUME") == 0 || got.at("VOLUME") != end_mark))
        return false;
      if (quote_linked && (got.count("QUOTE") == 0 || !EndsWith(got.at("QUOTE"), end_mark)))
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
  for (const auto& [topic, values] : client.values)
    for (const auto& [item, text] : values)
      std::printf("%s %s %s\n", topic.c_str(), item.c_str(), text.c_str());
  std::printf("updates %ld\n", client.updates);
  std::fflush(stdout);
  DdeUninitialize(client.instance);
  return reached ? 0 : 4;
}
