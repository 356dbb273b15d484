// tw-raw-server: a plain DDEML quote server on the platform layer, with none of Tickwell's
// machinery. The multi-process tests use it as the peer of tickwell-watch, and the Wine
// throughput measure as the floor the real server is compared against.
//
//   tw-raw-server SERVICE [--also SERVICE2] [--symbols N] [--feed-on-advise N] [--links L]
//                 [--life SECONDS]
//
// With --also the server answers under a second service name too (as one program serving two
// terminals does), each name with values of its own. Topics are symbols "SYM0".."SYM<N-1>" plus
// any topic a client asks for; items BID, ASK, LAST, TIME, VOLUME and QUOTE. Requests and advise
// data answer the item's value in CF_TEXT or CF_UNICODETEXT; pokes set it. Executes: "[quit]"
// ends the server, "[feed(N)]" posts N quote updates round-robin over the symbols (six items
// each), "[set(TOPIC,ITEM,VALUE)]" sets the item's value under the service the conversation is
// on and posts it, any other bracketed command is acknowledged and anything else is refused. With
// --feed-on-advise N the L-th advise start (the first by default) triggers such a feed. When a feed
// ends the server prints "posted N in MS ms" and the state of the Wine DDE fix. TW_RAW_TRACE=1 in
// the environment writes each callback to standard error.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/clipboard_format.h"
#include "platform/ddeml.h"
#include "platform/ddeml_wine_fix.h"
#include "platform/window.h"

using namespace platform;

namespace {

const char* const kItems[] = {"BID", "ASK", "LAST", "TIME", "VOLUME", "QUOTE"};

struct Server {
  DdeInstance instance = 0;
  std::string service;
  std::string also;  // a second service name, or empty
  int symbols = 10;
  long feed_on_advise = 0;
  long feed_pending = 0;
  long links_wanted = 1;
  long links = 0;
  bool quit = false;
  bool trace = std::getenv("TW_RAW_TRACE") != nullptr;
  std::map<std::string, std::string> values;   // "SERVICE/TOPIC/ITEM" (upper case) -> value
  std::map<Hconv, std::string> conversations;  // -> the service name the client asked for
  std::vector<std::string> sets;               // "[set(...)]" commands not yet posted

  static std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
  }
  std::string Key(Hconv conv, const std::string& topic, const std::string& item) const {
    auto found = conversations.find(conv);
    return Upper(found != conversations.end() ? found->second : service) + "/" + Upper(topic) +
           "/" + Upper(item);
  }
  static bool KnownItem(const std::string& item) {
    for (const char* known : kItems)
      if (_stricmp(known, item.c_str()) == 0) return true;
    return false;
  }

  HddeData Data(Hsz item, unsigned format, const std::string& text) {
    if (format == kCfUnicodeText) {
      std::vector<wchar_t> wide(text.size() + 1);
      int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(),
                                    static_cast<int>(wide.size()));
      return DdeCreateDataHandle(instance, wide.data(), static_cast<std::uint32_t>(n * 2), 0, item,
                                 format, 0);
    }
    if (format != kCfText) return 0;
    return DdeCreateDataHandle(instance, text.c_str(), static_cast<std::uint32_t>(text.size() + 1),
                               0, item, format, 0);
  }

  HddeData Callback(unsigned type, unsigned format, Hconv conv, Hsz hsz1, Hsz hsz2, HddeData data) {
    const std::string topic = DdeQueryString(instance, hsz1);
    const std::string item = DdeQueryString(instance, hsz2);
    if (trace)
      std::fprintf(stderr, "raw: %04x fmt %u %s|%s\n", type, format, topic.c_str(), item.c_str());
    switch (type) {
      case kXtypConnect:
        return 1;
      case kXtypConnectConfirm:
        conversations[conv] = item;  // the second name of a connect is the service's
        return 0;
      case kXtypDisconnect:
        conversations.erase(conv);
        return 0;
      case kXtypWildConnect: {
        std::vector<HszPair> pairs;
        for (const std::string& name : {service, also}) {
          if (name.empty()) continue;
          Hsz svc = DdeCreateStringHandle(instance, name);
          pairs.push_back({svc, DdeCreateStringHandle(instance, "System")});
          for (int s = 0; s < symbols && s < 3; ++s)
            pairs.push_back({svc, DdeCreateStringHandle(instance, "SYM" + std::to_string(s))});
        }
        return DdeCreateHszPairData(instance, pairs);
      }
      case kXtypAdvStart:
        if (!KnownItem(item)) return 0;
        std::printf("links %ld\n", ++links);
        std::fflush(stdout);
        if (feed_on_advise > 0 && links >= links_wanted)
          feed_pending = feed_on_advise, feed_on_advise = 0;
        return 1;
      case kXtypRequest:
      case kXtypAdvReq: {
        if (!KnownItem(item)) return 0;
        auto found = values.find(Key(conv, topic, item));
        return Data(DdeCreateStringHandle(instance, item), format,
                    found != values.end() ? found->second : topic + "." + item);
      }
      case kXtypPoke: {
        if (!KnownItem(item) || (format != kCfText && format != kCfUnicodeText))
          return kDdeFNotProcessed;
        std::vector<std::uint8_t> bytes = DdeDataBytes(data);
        std::string text;
        if (format == kCfUnicodeText) {
          bytes.resize(bytes.size() + 2);  // a terminator even if the client sent none
          std::vector<char> narrow(bytes.size() * 2 + 1);
          ::WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(bytes.data()), -1,
                                narrow.data(), static_cast<int>(narrow.size()), nullptr, nullptr);
          text = narrow.data();
        } else {
          text.assign(bytes.begin(), bytes.end());
          text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
        }
        values[Key(conv, topic, item)] = text;
        return kDdeFAck;
      }
      case kXtypExecute: {
        std::vector<std::uint8_t> bytes = DdeDataBytes(data);
        std::string command(bytes.begin(), bytes.end());
        command.resize(command.find('\0') == std::string::npos ? command.size()
                                                               : command.find('\0'));
        if (command == "[quit]") {
          quit = true;
          return kDdeFAck;
        }
        if (command.rfind("[feed(", 0) == 0) {
          feed_pending = std::atol(command.c_str() + 6);
          return kDdeFAck;
        }
        if (command.rfind("[set(", 0) == 0) {
          const std::string args = command.substr(5, command.size() - 5 - 2);
          if (command.size() < 7 || command.substr(command.size() - 2) != ")]" ||
              std::count(args.begin(), args.end(), ',') < 2)
            return kDdeFNotProcessed;
          // Posted from the loop, as a feed is, once this transaction has ended.
          auto found = conversations.find(conv);
          sets.push_back((found != conversations.end() ? found->second : service) + "," + args);
          return kDdeFAck;
        }
        return !command.empty() && command.front() == '[' && command.back() == ']'
                   ? kDdeFAck
                   : kDdeFNotProcessed;
      }
    }
    return 0;
  }

  // Sets and posts the values of the "[set(...)]" commands received, in their order.
  void PostSets() {
    std::vector<std::string> pending;
    pending.swap(sets);
    for (const std::string& set : pending) {
      // SERVICE,TOPIC,ITEM,VALUE
      const std::size_t a = set.find(','), b = set.find(',', a + 1), c = set.find(',', b + 1);
      const std::string topic = set.substr(a + 1, b - a - 1), item = set.substr(b + 1, c - b - 1);
      values[Upper(set.substr(0, a)) + "/" + Upper(topic) + "/" + Upper(item)] = set.substr(c + 1);
      // Every link on the topic and item is asked again, under either name: each answers its own
      // service's value.
      DdePostAdvise(instance, DdeCreateStringHandle(instance, topic),
                    DdeCreateStringHandle(instance, item));
    }
  }

  // Posts count updates round-robin over the symbols, six items per quote line.
  void Feed(long count) {
    auto start = std::chrono::steady_clock::now();
    std::vector<Hsz> topics, items;
    for (int s = 0; s < symbols; ++s)
      topics.push_back(DdeCreateStringHandle(instance, "SYM" + std::to_string(s)));
    for (const char* item : kItems) items.push_back(DdeCreateStringHandle(instance, item));
    for (long k = 0; k < count; ++k) {
      const int s = static_cast<int>(k % symbols);
      const std::string topic = "SYM" + std::to_string(s);
      const std::string v = std::to_string(k);
      const std::string line = topic + ";" + v + ";" + v + ";" + v + ";" + v + ";" + v;
      for (std::size_t i = 0; i < items.size(); ++i) {
        values[Upper(service) + "/" + topic + "/" + kItems[i]] = i + 1 == items.size() ? line : v;
        DdePostAdvise(instance, topics[s], items[i]);
      }
      PumpMessages();
    }
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - start)
                  .count();
    std::printf("posted %ld in %lld ms\n%s\n", count, static_cast<long long>(ms),
                DdeWineFixReport().c_str());
    std::fflush(stdout);
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: tw-raw-server SERVICE [--also SERVICE2] [--symbols N] "
                 "[--feed-on-advise N] [--links L] [--life SECONDS]\n");
    return 1;
  }
  Server server;
  server.service = argv[1];
  double life_s = 60;
  for (int i = 2; i + 1 < argc; i += 2) {
    std::string option = argv[i];
    if (option == "--also")
      server.also = argv[i + 1];
    else if (option == "--symbols")
      server.symbols = std::max(1, std::atoi(argv[i + 1]));
    else if (option == "--feed-on-advise")
      server.feed_on_advise = std::atol(argv[i + 1]);
    else if (option == "--links")
      server.links_wanted = std::atol(argv[i + 1]);
    else if (option == "--life")
      life_s = std::atof(argv[i + 1]);
  }
  unsigned error = DdeInitialize(
      server.instance,
      [&server](unsigned type, unsigned format, Hconv conv, Hsz hsz1, Hsz hsz2, HddeData data,
                std::uintptr_t,
                std::uintptr_t) { return server.Callback(type, format, conv, hsz1, hsz2, data); },
      kAppCmdFilterInits);
  if (error) {
    std::fprintf(stderr, "tw-raw-server: DdeInitialize failed (%u)\n", error);
    return 5;
  }
  for (const std::string& name : {server.service, server.also}) {
    if (name.empty()) continue;
    if (!DdeNameService(server.instance, DdeCreateStringHandle(server.instance, name),
                        kDnsRegister)) {
      std::fprintf(stderr, "tw-raw-server: cannot register %s\n", name.c_str());
      return 5;
    }
  }
  std::printf("ready\n%s\n", DdeWineFixReport().c_str());
  std::fflush(stdout);
  // The bound keeps a forgotten server from outliving its test.
  const DWORD until = ::GetTickCount() + static_cast<DWORD>(life_s * 1000);
  while (!server.quit && static_cast<long>(until - ::GetTickCount()) > 0) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    PumpMessages();
    server.PostSets();
    if (server.feed_pending > 0) {
      long count = server.feed_pending;
      server.feed_pending = 0;
      server.Feed(count);
    }
  }
  DdeNameService(server.instance, 0, kDnsUnregister);
  DdeUninitialize(server.instance);
  std::printf("%s\n", DdeWineFixReport().c_str());
  return 0;
}
