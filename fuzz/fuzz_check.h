// What every fuzz target shares: the entry point libFuzzer calls, a check that turns a broken
// promise into a finding, and a small reader that cuts the input into choices and texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace tickwell::fuzz {

// What a target whose program lives on across inputs was fed since the program was made: a
// finding may rest on any of it. A finding writes it to fuzz-history/000001, 000002, ... in the
// working folder; the target run on those files, named in order, replays it.
class History {
 public:
  static void Restart() { Inputs().clear(); }
  static void Add(const std::uint8_t* data, std::size_t size) {
    Inputs().emplace_back(reinterpret_cast<const char*>(data), size);
  }
  static void Write() {
    if (Inputs().empty()) return;
    std::error_code error;
    std::filesystem::create_directories("fuzz-history", error);
    int n = 0;
    for (const std::string& input : Inputs()) {
      char name[32];
      std::snprintf(name, sizeof name, "fuzz-history/%06d", ++n);
      if (std::FILE* f = std::fopen(name, "wb")) {
        std::fwrite(input.data(), 1, input.size(), f);
        std::fclose(f);
      }
    }
    std::fprintf(stderr, "the %d inputs since the program was made are in fuzz-history/\n", n);
  }

 private:
  static std::vector<std::string>& Inputs() {
    static std::vector<std::string> inputs;
    return inputs;
  }
};

// A finding: the message goes to standard error and the process aborts, which libFuzzer records
// with the input that caused it, and which fails the corpus replay.
[[noreturn]] inline void Fail(const char* file, int line, const std::string& what) {
  std::fprintf(stderr, "fuzz check failed at %s:%d: %s\n", file, line, what.c_str());
  std::fflush(stderr);
  History::Write();
  std::abort();
}

#define FUZZ_CHECK(condition, what) \
  do {                              \
    if (!(condition)) ::tickwell::fuzz::Fail(__FILE__, __LINE__, (what)); \
  } while (0)

// Reads the input front to back; past its end every read gives zero or an empty text.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Empty() const { return pos_ >= size_; }
  std::size_t Left() const { return size_ - pos_; }
  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::uint16_t Word() { return static_cast<std::uint16_t>(Byte() | (Byte() << 8)); }
  // A text of up to max bytes: a length byte, then the bytes.
  std::string Text(std::size_t max = 255) {
    std::size_t n = Byte();
    if (n > max) n = max;
    if (n > Left()) n = Left();
    std::string text(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return text;
  }
  // A text up to the next byte `end` (not included) or the input's end.
  std::string Until(char end) {
    std::string text;
    while (pos_ < size_ && data_[pos_] != static_cast<std::uint8_t>(end))
      text.push_back(static_cast<char>(data_[pos_++]));
    if (pos_ < size_) ++pos_;
    return text;
  }
  std::string Rest() {
    std::string text(reinterpret_cast<const char*>(data_ + pos_), Left());
    pos_ = size_;
    return text;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace tickwell::fuzz
