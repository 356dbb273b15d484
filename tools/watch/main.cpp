// tickwell-watch: a DDE client for the command line, the stand-in for a spreadsheet.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/watch/watch_options.h"
#include "tools/watch/watch_session.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  watch::Options options;
  std::string error;
  if (!watch::ParseOptions(args, options, error)) {
    std::fprintf(stderr, "tickwell-watch: %s\n%s", error.c_str(), watch::UsageText());
    return watch::kExitUsage;
  }
  if (options.help) {
    std::fputs(watch::UsageText(), stdout);
    return watch::kExitOk;
  }
  return watch::Run(options, stdout, stderr);
}
