// tickwell-watch: a DDE client for the command line, the stand-in for a spreadsheet.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/ddeml_wine_fix.h"
#include "tools/watch/watch_options.h"
#include "tools/watch/watch_session.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  watch::Options options;
  std::string error;
  if (!watch::ParseOptions(args, options, error)) {
    std::fprintf(stderr, "tickwell-watch: %s\nRun \"tickwell-watch --help\" for how to use it.\n",
                 error.c_str());
    return watch::kExitUsage;
  }
  if (options.help) {
    std::fputs(watch::UsageText(), stdout);
    return watch::kExitOk;
  }
  if (options.status) {
    std::printf("%s\n", platform::DdeWineFixReport().c_str());
    if (options.service.empty()) return watch::kExitOk;
  }
  int rc = watch::Run(options, stdout, stderr);
  if (options.status) std::printf("%s\n", platform::DdeWineFixReport().c_str());
  return rc;
}
