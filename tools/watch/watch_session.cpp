#include "tools/watch/watch_session.h"

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/clipboard_format.h"
#include "dde/tables/ddeml_names.h"
#include "platform/ddeml.h"
#include "platform/window.h"
#include "tools/watch/value_text.h"

namespace watch {
namespace {

using namespace platform;

// The manager's names, with the one case a client meets that the manager never traces.
std::string DmlErrorName(unsigned code) {
  return code == kDmlErrNoError ? "DMLERR_NO_ERROR" : tickwell::DdemlErrorCodeName(code);
}

std::string Stamp() {
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay,
                t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
  return text;
}

struct Session {
  const Options& options;
  std::FILE* out;
  std::FILE* err;
  DdeInstance instance = 0;
  unsigned format = kCfText;
  long updates = 0;
  long missing = 0;  // hot-link updates that came without their data
  bool ended = false;

  std::string Render(const std::vector<std::uint8_t>& bytes) const {
    switch (options.format) {
      case Format::kUnicode:
        return UnicodeValue(bytes);
      case Format::kXlTable:
        return XlTableValue(bytes);
      case Format::kText:
        break;
    }
    return TextValue(bytes);
  }

  // Advise values are flushed as they come; a long run of requests is written in blocks.
  void Print(const std::string& topic, const std::string& item, const std::string& value,
             bool flush = true) {
    std::fprintf(out, "%s %s %s %s\n", Stamp().c_str(), topic.c_str(), item.c_str(), value.c_str());
    if (flush) std::fflush(out);
  }

  HddeData OnCallback(unsigned type, Hsz hsz1, Hsz hsz2, HddeData data) {
    if (type == kXtypDisconnect) {
      ended = true;
    } else if (type == kXtypAdvData) {
      ++updates;
      std::string value = "(changed)";
      if (data)
        value = Render(DdeDataBytes(data));
      else if (!options.warm)
        value = "(missing data)", ++missing;
      Print(DdeQueryString(instance, hsz1), DdeQueryString(instance, hsz2), value);
      return kDdeFAck;
    }
    return 0;
  }

  int Fail(int code, const std::string& what) {
    std::fprintf(err, "tickwell-watch: %s\n", what.c_str());
    return code;
  }

  std::string LastError() { return DmlErrorName(DdeGetLastError(instance)); }

  std::vector<std::uint8_t> Payload(const std::string& text) const {
    if (options.format == Format::kUnicode) return UnicodeBytes(text);
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
  }

  int List() {
    Hsz service = options.service.empty() ? 0 : DdeCreateStringHandle(instance, options.service);
    Hsz topic = options.topic.empty() ? 0 : DdeCreateStringHandle(instance, options.topic);
    int found = 0;
    auto show = [&](Hconv conv) {
      ConvInfo info;
      if (!DdeQueryConvInfo(conv, kQidSync, info)) return;
      std::fprintf(out, "%s|%s\n", DdeQueryString(instance, info.service_partner).c_str(),
                   DdeQueryString(instance, info.topic).c_str());
      ++found;
    };
    HconvList list = DdeConnectList(instance, service, topic, 0);
    for (Hconv c = list ? DdeQueryNextServer(list, 0) : 0; c; c = DdeQueryNextServer(list, c))
      show(c);
    if (list) DdeDisconnectList(list);
    if (found == 0) {
      // Some DDE libraries (Wine's) open no conversation list; a wild connect still names the
      // first pair.
      if (Hconv conv = DdeConnect(instance, service, topic)) {
        show(conv);
        DdeDisconnect(conv);
        if (DdeRunningOnWine())
          std::fprintf(err, "tickwell-watch: this DDE library lists only the first pair\n");
      }
    }
    std::fflush(out);
    if (found == 0)
      return Fail(kExitNoService, "no DDE server answers a wild connect (" + LastError() + ")");
    return kExitOk;
  }

  int Transact(Hconv conv, unsigned type, const std::string& item,
               const std::vector<std::uint8_t>& data, HddeData* answer) {
    Hsz hsz = item.empty() ? 0 : DdeCreateStringHandle(instance, item);
    std::uint32_t status = 0;
    HddeData got = DdeClientTransaction(data.empty() ? nullptr : data.data(),
                                        static_cast<std::uint32_t>(data.size()), conv, hsz, format,
                                        type, options.transaction_ms, &status);
    if (answer) *answer = got;
    return got != 0 ? kExitOk : kExitTransactionFailed;
  }

  int Run() {
    if (options.format == Format::kUnicode) format = kCfUnicodeText;
    if (options.format == Format::kXlTable) format = RegisterClipboardFormat("XlTable");
    if (options.list) {
      int rc = List();
      if (rc != kExitOk || (!options.request && !options.advise && options.pokes.empty() &&
                            options.executes.empty()))
        return rc;
    }
    Hsz service = DdeCreateStringHandle(instance, options.service);
    Hsz topic = DdeCreateStringHandle(instance, options.topic);
    Hconv conv = DdeConnect(instance, service, topic);
    if (!conv)
      return Fail(kExitNoService, "no DDE server answers service \"" + options.service +
                                      "\" topic \"" + options.topic + "\" (" + LastError() +
                                      "): is Tickwell running, with its DDE switched on?");
    int rc = Actions(conv);
    DdeDisconnect(conv);
    return rc;
  }

  int Actions(Hconv conv) {
    for (const auto& [item, value] : options.pokes) {
      if (options.format == Format::kXlTable)
        return Fail(kExitUsage, "poke sends text or unicode, not xltable");
      if (Transact(conv, kXtypPoke, item, Payload(value), nullptr) != kExitOk)
        return Fail(kExitTransactionFailed, "poke of " + item + " failed (" + LastError() + ")");
    }
    for (const std::string& command : options.executes) {
      std::vector<std::uint8_t> bytes(command.begin(), command.end());
      bytes.push_back(0);
      if (Transact(conv, kXtypExecute, "", bytes, nullptr) != kExitOk)
        return Fail(kExitTransactionFailed,
                    "execute of \"" + command + "\" failed (" + LastError() + ")");
    }
    for (long round = 0; options.request && round < options.repeat; ++round) {
      for (const std::string& item : options.items) {
        HddeData answer = 0;
        if (Transact(conv, kXtypRequest, item, {}, &answer) != kExitOk)
          return Fail(kExitTransactionFailed,
                      "request of " + item + " failed (" + LastError() + ")");
        Print(options.topic, item, Render(DdeDataBytes(answer)), options.repeat == 1);
        DdeFreeDataHandle(answer);
      }
    }
    std::fflush(out);
    if (options.advise) return Advise(conv);
    return kExitOk;
  }

  int Advise(Hconv conv) {
    const unsigned start = kXtypAdvStart | (options.warm ? kXtypfNoData : 0);
    for (const std::string& item : options.items)
      if (Transact(conv, start, item, {}, nullptr) != kExitOk)
        return Fail(kExitTransactionFailed,
                    "advise start on " + item + " failed (" + LastError() + ")");
    using Clock = std::chrono::steady_clock;
    const auto deadline =
        Clock::now() + std::chrono::milliseconds(static_cast<long long>(options.timeout_s * 1000));
    for (;;) {
      PumpMessages();
      if (ended)
        return Fail(kExitNoService, "the server ended the conversation after " +
                                        std::to_string(updates) +
                                        " updates (closed, or its DDE switched off)");
      if (options.count > 0 && updates >= options.count) break;
      DWORD wait = INFINITE;
      if (options.timeout_s > 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        wait = static_cast<DWORD>(left.count());
      }
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
    }
    for (const std::string& item : options.items) Transact(conv, kXtypAdvStop, item, {}, nullptr);
    if (missing > 0)
      return Fail(kExitMissingData,
                  std::to_string(missing) + " of " + std::to_string(updates) +
                      " updates on hot links arrived without their data: the server could not "
                      "send it (under Wine, its DDE memory may be exhausted: restart the server)");
    if (options.count > 0 && updates < options.count)
      return Fail(kExitTimeBound, "time bound passed after " + std::to_string(updates) + " of " +
                                      std::to_string(options.count) + " updates");
    return kExitOk;
  }
};

}  // namespace

int Run(const Options& options, std::FILE* out, std::FILE* err) {
  Session session{options, out, err};
  unsigned error = DdeInitialize(
      session.instance,
      [&session](unsigned type, unsigned, Hconv, Hsz hsz1, Hsz hsz2, HddeData data, std::uintptr_t,
                 std::uintptr_t) { return session.OnCallback(type, hsz1, hsz2, data); },
      kAppCmdClientOnly);
  if (error != kDmlErrNoError)
    return session.Fail(kExitDdeml, "DDE is unavailable (" + DmlErrorName(error) + ")");
  int rc = session.Run();
  DdeUninitialize(session.instance);
  return rc;
}

}  // namespace watch
