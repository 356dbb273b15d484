// A live Tickwell on the platform model: the program's own window (made from its stored
// description, DDE switched on with its button) fed quote lines the way the terminal sends them,
// and DDE clients of it that connect, link, request, poke and execute, keeping the last value
// each of their links was sent. Everything runs on the calling thread; Pump delivers what the
// model queued.
#pragma once

#include <cctype>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "dde/model/rw_data.h"
#include "platform/clipboard_format.h"
#include "platform/ddeml.h"
#include "platform/exception_report.h"
#include "platform/window.h"

namespace tickwell::fuzz {

inline std::string Folded(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

inline void Pump() {
  while (platform::PumpMessages() > 0) {
  }
}

// The six items of a symbol, in the order the line's fields fill them.
inline const std::vector<std::string>& QuoteItems() {
  static const std::vector<std::string> items{"BID", "ASK", "LAST", "TIME", "VOLUME", "QUOTE"};
  return items;
}

class Client {
 public:
  explicit Client(std::uint32_t flags = platform::kAppCmdClientOnly) {
    init_error_ = platform::DdeInitialize(
        id_,
        [this](unsigned type, unsigned format, platform::Hconv conv, platform::Hsz, platform::Hsz item,
               platform::HddeData data, std::uintptr_t, std::uintptr_t) -> platform::HddeData {
          if (type == platform::kXtypDisconnect) {
            for (auto it = convs_.begin(); it != convs_.end(); ++it)
              if (it->second == conv) {
                convs_.erase(it);
                break;
              }
            names_.erase(conv);
            return 0;
          }
          if (type != platform::kXtypAdvData) return 0;
          ++updates_;
          auto named = names_.find(conv);
          if (named == names_.end()) return platform::kDdeFNotProcessed;
          const std::string key =
              named->second.topic + "|" + Folded(platform::DdeQueryString(id_, item));
          values_[key] = data ? Decode(platform::DdeDataBytes(data), format) : std::string();
          return platform::kDdeFAck;
        },
        flags);
  }
  ~Client() {
    if (id_) platform::DdeUninitialize(id_);
  }
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  bool Started() const { return init_error_ == 0 && id_ != 0; }
  platform::DdeInstance Id() const { return id_; }

  // The conversation with topic, made when there is none yet; 0 when the server refused.
  platform::Hconv Connect(const std::string& topic, const std::string& service = "MT5") {
    auto known = convs_.find(Folded(topic));
    if (known != convs_.end()) return known->second;
    const platform::Hsz s = platform::DdeCreateStringHandle(id_, service);
    const platform::Hsz t = platform::DdeCreateStringHandle(id_, topic);
    const platform::Hconv conv = (s && t) ? platform::DdeConnect(id_, s, t) : 0;
    if (s) platform::DdeFreeStringHandle(id_, s);
    if (t) platform::DdeFreeStringHandle(id_, t);
    Pump();
    if (conv) {
      convs_[Folded(topic)] = conv;
      names_[conv] = {Folded(topic), service};
    }
    return conv;
  }
  // The service the topic's conversation was made with, or an empty text without one.
  std::string Service(const std::string& topic) const {
    auto known = convs_.find(Folded(topic));
    if (known == convs_.end()) return {};
    auto named = names_.find(known->second);
    return named == names_.end() ? std::string() : named->second.service;
  }
  void Disconnect(const std::string& topic) {
    auto known = convs_.find(Folded(topic));
    if (known == convs_.end()) return;
    platform::DdeDisconnect(known->second);
    names_.erase(known->second);
    convs_.erase(known);
    Pump();
  }
  void DisconnectAll() {
    while (!convs_.empty()) Disconnect(convs_.begin()->first);
  }
  // Forgets conversations the server ended (DDE switched off).
  void Forget() {
    convs_.clear();
    names_.clear();
  }

  // One transaction on the topic's conversation; the answer's data (for a request) and status.
  struct Outcome {
    bool ok = false;
    std::uint32_t status = 0;
    std::vector<std::uint8_t> data;
  };
  // The client waits a minute: the model times a transaction by the wall clock, and a run that
  // is starved or paused for a while must not read as a server that did not answer.
  static constexpr std::uint32_t kTimeout = 60000;
  Outcome Transact(const std::string& topic, const std::string& item, unsigned type,
                   unsigned format, const std::vector<std::uint8_t>& bytes = {}) {
    Outcome out;
    auto known = convs_.find(Folded(topic));
    if (known == convs_.end()) return out;
    const platform::Hsz h = item.empty() ? 0 : platform::DdeCreateStringHandle(id_, item);
    const platform::HddeData answer = platform::DdeClientTransaction(
        bytes.empty() ? nullptr : bytes.data(), static_cast<std::uint32_t>(bytes.size()),
        known->second, h, format, type, kTimeout, &out.status);
    if (h) platform::DdeFreeStringHandle(id_, h);
    out.ok = answer != 0;
    if (answer && type == platform::kXtypRequest) {
      out.data = platform::DdeDataBytes(answer);
      platform::DdeFreeDataHandle(answer);
    }
    Pump();
    return out;
  }

  // A hot link on the item, its value first read by a request; false when either is refused.
  bool Link(const std::string& topic, const std::string& item, unsigned format = platform::kCfText) {
    if (!Transact(topic, item, platform::kXtypAdvStart, format).ok) return false;
    const Outcome now = Transact(topic, item, platform::kXtypRequest, format);
    if (now.ok) values_[Folded(topic) + "|" + Folded(item)] = Decode(now.data, format);
    return true;
  }

  // The last value this client has for topic and item: "<none>" when it never had one.
  std::string Value(const std::string& topic, const std::string& item) const {
    auto found = values_.find(Folded(topic) + "|" + Folded(item));
    return found == values_.end() ? "<none>" : found->second;
  }
  std::uint64_t Updates() const { return updates_; }
  std::size_t Conversations() const { return convs_.size(); }

  static std::string Decode(const std::vector<std::uint8_t>& bytes, unsigned format) {
    std::string text;
    if (format == platform::kCfUnicodeText) {
      for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned ch = bytes[i] | (bytes[i + 1] << 8);
        if (ch == 0) break;
        text.push_back(static_cast<char>(ch < 0x100 ? ch : '?'));
      }
      return text;
    }
    for (std::uint8_t b : bytes) {
      if (b == 0) break;
      text.push_back(static_cast<char>(b));
    }
    return text;
  }

 private:
  platform::DdeInstance id_ = 0;
  unsigned init_error_ = 0;
  std::map<std::string, platform::Hconv> convs_;  // by folded topic
  // Each conversation's folded topic and its service as the client named it.
  struct Names {
    std::string topic, service;
  };
  std::map<platform::Hconv, Names> names_;
  std::map<std::string, std::string> values_;     // "TOPIC|ITEM" folded
  std::uint64_t updates_ = 0;
};

// The program with DDE switched on; what its error report was handed is kept.
class Tickwell {
 public:
  // before_on runs once the window is made, before DDE is switched on.
  explicit Tickwell(const std::function<void()>& before_on = nullptr) {
    platform::SetExceptionReport([this](const std::string& text) {
      ++reports_;
      last_report_ = text;
      form_->ShowError(text);
    });
    form_ = std::make_unique<TMainForm>();
    form_->FormCreate();
    if (before_on) before_on();
    form_->DdeButtonClick();
    Pump();
  }
  ~Tickwell() {
    form_.reset();
    Pump();
    platform::SetExceptionReport(nullptr);
    SetDataCompareDisabled(false);
  }
  Tickwell(const Tickwell&) = delete;
  Tickwell& operator=(const Tickwell&) = delete;

  TMainForm& Form() { return *form_; }
  TDDEMLManager& Manager() { return form_->DdeManager(); }
  bool DdeOn() const { return form_->DdeTag() == 1; }
  void ToggleDde() {
    form_->DdeButtonClick();
    Pump();
  }

  // A line the way the terminal sends it: WM_COPYDATA kind 1 to the receiver's window.
  void Feed(const std::string& line) {
    platform::SendCopyData(form_->Receiver().Handle(), 1,
                           {1, static_cast<std::uint32_t>(line.size()), line.data()});
    Pump();
  }

  // The item's text, or "<none>" when the item does not exist.
  std::string Item(const std::string& topic, const std::string& item) const {
    const TDDEMLItem* found = form_->DdeManager().FindItem("MT5", topic, item);
    return found ? found->Text() : "<none>";
  }

  int Reports() const { return reports_; }
  const std::string& LastReport() const { return last_report_; }

 private:
  std::unique_ptr<TMainForm> form_;
  int reports_ = 0;
  std::string last_report_;
};

}  // namespace tickwell::fuzz
