// tickwell-sheet: a window of DDE-linked values laid out as a spreadsheet, one row per symbol
// and one column per item, for trying a set-up and for pictures of one.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/sheet/sheet_options.h"
#include "tools/sheet/sheet_window.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  sheet::Options options;
  std::string error;
  if (!sheet::ParseOptions(args, options, error)) {
    std::fprintf(stderr, "tickwell-sheet: %s\n%s", error.c_str(), sheet::UsageText());
    return 1;
  }
  if (options.help) {
    std::fputs(sheet::UsageText(), stdout);
    return 0;
  }
  return sheet::RunWindow(options);
}
