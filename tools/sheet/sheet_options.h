// The command line of tickwell-sheet.
#pragma once

#include <string>
#include <vector>

namespace sheet {

struct Options {
  std::string service = "MT5";
  std::vector<std::string> symbols;
  std::vector<std::string> items = {"BID", "ASK", "LAST", "TIME", "VOLUME"};
  unsigned retry_ms = 1000;  // how often topics that did not answer are tried again
  bool help = false;
};

// Parses argv; on a usage error returns false and sets error.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

const char* UsageText();

}  // namespace sheet
