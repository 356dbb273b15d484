// A client of Wine's DDEML with nothing of Tickwell's in it, in the test's own process: the bytes
// as they arrive.
#pragma once

#include <windows.h>
// ddeml.h needs windows.h before it.
#include <ddeml.h>

#include <algorithm>
#include <string>
#include <vector>

namespace e2e {

class BareClient {
 public:
  BareClient() {
    DdeInitializeA(&id_, &BareClient::Callback, APPCLASS_STANDARD | APPCMD_CLIENTONLY, 0);
  }
  ~BareClient() {
    for (HCONV c : convs_) DdeDisconnect(c);
    if (id_) DdeUninitialize(id_);
  }
  BareClient(const BareClient&) = delete;
  BareClient& operator=(const BareClient&) = delete;

  HCONV Connect(const char* service, const char* topic) {
    HSZ s = DdeCreateStringHandleA(id_, service, CP_WINANSI);
    HSZ t = DdeCreateStringHandleA(id_, topic, CP_WINANSI);
    HCONV conv = DdeConnect(id_, s, t, nullptr);
    DdeFreeStringHandle(id_, s);
    DdeFreeStringHandle(id_, t);
    if (conv) convs_.push_back(conv);
    return conv;
  }
  void Disconnect(HCONV conv) {
    const auto held = std::find(convs_.begin(), convs_.end(), conv);
    if (held == convs_.end()) return;
    convs_.erase(held);
    DdeDisconnect(conv);
  }
  // The answer's bytes; "<none>" when no data came.
  std::string Request(HCONV conv, const char* item, UINT format) {
    HSZ name = DdeCreateStringHandleA(id_, item, CP_WINANSI);
    DWORD result = 0;
    HDDEDATA data =
        DdeClientTransaction(nullptr, 0, conv, name, format, XTYP_REQUEST, 5000, &result);
    DdeFreeStringHandle(id_, name);
    if (!data) return "<none>";
    std::string bytes(DdeGetData(data, nullptr, 0, 0), '\0');
    DdeGetData(data, reinterpret_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), 0);
    DdeFreeDataHandle(data);
    return bytes;
  }
  // One request in a conversation of its own, as text up to its zero byte; "<no conversation>"
  // when the service did not answer on the topic.
  std::string Ask(const char* service, const char* topic, const char* item) {
    const HCONV conv = Connect(service, topic);
    if (!conv) return "<no conversation>";
    const std::string bytes = Request(conv, item, CF_TEXT);
    Disconnect(conv);
    return bytes.substr(0, bytes.find('\0'));
  }

 private:
  static HDDEDATA CALLBACK Callback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
  }
  DWORD id_ = 0;
  std::vector<HCONV> convs_;
};

}  // namespace e2e
