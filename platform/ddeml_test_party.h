// Test helper for the DDEML scenarios: a Party is one DDEML instance with a recording callback.
// Under the model every party lives on the test's thread and the pump delivers what the library
// posts; on Windows each party owns a thread with a message loop, so a client's synchronous
// transaction really waits for a server on another thread.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <deque>
#endif

#include "platform/ddeml.h"
#include "platform/window.h"

namespace platform::testing {

// One callback as the party saw it, with the names read from its string handles.
struct Seen {
  unsigned type = 0;
  unsigned format = 0;
  Hconv conv = 0;
  std::string name1, name2;
  bool has_data = false;
  std::vector<std::uint8_t> data;
  std::uintptr_t raw_data = 0;
  std::uintptr_t data1 = 0, data2 = 0;
};

inline std::string Text(const std::vector<std::uint8_t>& bytes) {
  std::string text(bytes.begin(), bytes.end());
  while (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

class Party {
 public:
  // How the party answers each callback; the default accepts connects and advise starts,
  // acknowledges pokes, executes and advise data, and answers nothing else.
  using Answer = std::function<HddeData(Party& self, const Seen& seen)>;

  explicit Party(std::uint32_t flags, Answer answer = nullptr) : answer_(std::move(answer)) {
#ifdef _WIN32
    wake_ = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    thread_ = std::thread([this] { Loop(); });
#endif
    error_ = Do([&] {
      return DdeInitialize(
          id_,
          [this](unsigned type, unsigned format, Hconv conv, Hsz hsz1, Hsz hsz2, HddeData data,
                 std::uintptr_t d1, std::uintptr_t d2) {
            return OnCallback(type, format, conv, hsz1, hsz2, data, d1, d2);
          },
          flags);
    });
  }

  ~Party() {
    Uninitialize();
#ifdef _WIN32
    Do([this] {
      stop_ = true;
      return 0;
    });
    thread_.join();
    ::CloseHandle(wake_);
#endif
  }

  Party(const Party&) = delete;
  Party& operator=(const Party&) = delete;

  DdeInstance id() const { return id_; }
  unsigned init_error() const { return error_; }

  void SetAnswer(Answer answer) {
    std::lock_guard<std::mutex> hold(lock_);
    answer_ = std::move(answer);
  }

  // Runs work on the party's thread and returns its result.
  template <typename Work>
  auto Do(Work work) -> decltype(work()) {
#ifdef _WIN32
    if (std::this_thread::get_id() == thread_.get_id()) return work();
    using Result = decltype(work());
    auto task = std::make_shared<std::packaged_task<Result()>>(std::move(work));
    auto result = task->get_future();
    {
      std::lock_guard<std::mutex> hold(tasks_lock_);
      tasks_.push_back([task] { (*task)(); });
    }
    ::SetEvent(wake_);
    return result.get();
#else
    return work();
#endif
  }

  bool Uninitialize() {
    if (id_ == 0) return false;
    bool done = Do([this] { return DdeUninitialize(id_); });
    id_ = 0;
    return done;
  }

  // A string handle of this instance, made on its thread.
  Hsz Name(const std::string& text) {
    return Do([&] { return DdeCreateStringHandle(id_, text); });
  }
  std::string Read(Hsz hsz) {
    return Do([&] { return DdeQueryString(id_, hsz); });
  }
  unsigned LastError() {
    return Do([&] { return DdeGetLastError(id_); });
  }

  std::vector<Seen> Events() {
    std::lock_guard<std::mutex> hold(lock_);
    return seen_;
  }
  std::vector<Seen> Events(unsigned type) {
    std::vector<Seen> picked;
    for (const Seen& s : Events())
      if (s.type == type) picked.push_back(s);
    return picked;
  }
  std::vector<unsigned> Types() {
    std::vector<unsigned> types;
    for (const Seen& s : Events()) types.push_back(s.type);
    return types;
  }
  void Clear() {
    std::lock_guard<std::mutex> hold(lock_);
    seen_.clear();
  }

 private:
  HddeData OnCallback(unsigned type, unsigned format, Hconv conv, Hsz hsz1, Hsz hsz2, HddeData data,
                      std::uintptr_t d1, std::uintptr_t d2) {
    Seen seen;
    seen.type = type;
    seen.format = format;
    seen.conv = conv;
    seen.name1 = DdeQueryString(id_, hsz1);
    seen.name2 = DdeQueryString(id_, hsz2);
    seen.raw_data = data;
    seen.data1 = d1;
    seen.data2 = d2;
    const bool carries = type == kXtypPoke || type == kXtypExecute || type == kXtypAdvData ||
                         (type == kXtypXactComplete && data > 1);
    if (carries && data) {
      seen.has_data = true;
      seen.data = DdeDataBytes(data);
    }
    if (std::getenv("TW_DDE_TRACE"))
      std::fprintf(stderr, "[%u] type=%04x fmt=%u conv=%llx %s|%s d1=%llx d2=%llx data=%llx\n", id_,
                   type, format, (unsigned long long)conv, seen.name1.c_str(), seen.name2.c_str(),
                   (unsigned long long)d1, (unsigned long long)d2, (unsigned long long)data);
    Answer answer;
    {
      std::lock_guard<std::mutex> hold(lock_);
      seen_.push_back(seen);
      answer = answer_;
    }
    if (answer) return answer(*this, seen);
    switch (type) {
      case kXtypConnect:
      case kXtypAdvStart:
        return 1;
      case kXtypPoke:
      case kXtypExecute:
      case kXtypAdvData:
        return kDdeFAck;
    }
    return 0;
  }

#ifdef _WIN32
  void Loop() {
    while (!stop_) {
      ::MsgWaitForMultipleObjects(1, &wake_, FALSE, INFINITE, QS_ALLINPUT);
      for (;;) {
        std::function<void()> task;
        {
          std::lock_guard<std::mutex> hold(tasks_lock_);
          if (tasks_.empty()) break;
          task = std::move(tasks_.front());
          tasks_.pop_front();
        }
        task();
      }
      PumpMessages();
    }
  }
  HANDLE wake_ = nullptr;
  std::thread thread_;
  std::mutex tasks_lock_;
  std::deque<std::function<void()>> tasks_;
  bool stop_ = false;
#endif

  DdeInstance id_ = 0;
  unsigned error_ = 0;
  std::mutex lock_;
  Answer answer_;
  std::vector<Seen> seen_;
};

// Waits until done() holds: under the model by pumping, on Windows by polling with a bound.
inline bool Eventually(const std::function<bool()>& done) {
#ifdef _WIN32
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < until) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
#else
  while (!done())
    if (PumpMessages() == 0) return done();
  return true;
#endif
}

// Lets whatever is in flight arrive, so a test can assert that nothing more came.
inline void Settle() {
#ifdef _WIN32
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
#else
  PumpMessages();
#endif
}

}  // namespace platform::testing
