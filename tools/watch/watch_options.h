// The command line of tickwell-watch.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace watch {

enum class Format { kText, kUnicode, kXlTable };

struct Options {
  std::string service;
  std::string topic;
  std::vector<std::string> items;
  bool request = false;
  bool advise = false;
  bool warm = false;
  bool list = false;
  std::vector<std::pair<std::string, std::string>> pokes;  // item, value
  std::vector<std::string> executes;
  Format format = Format::kText;
  long count = 0;         // advise updates to wait for; 0 = no limit
  double timeout_s = 10;  // bound for the whole run; 0 = none
  std::uint32_t transaction_ms = 5000;
  long repeat = 1;  // requests of each item
  bool help = false;
  bool status = false;  // print this process's DDE platform notes
};

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitNoService = 2;
constexpr int kExitTransactionFailed = 3;
constexpr int kExitTimeBound = 4;
constexpr int kExitDdeml = 5;
constexpr int kExitMissingData = 6;

// Parses argv; on a usage error returns false and sets error.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

const char* UsageText();

}  // namespace watch
