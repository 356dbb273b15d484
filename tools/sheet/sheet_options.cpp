#include "tools/sheet/sheet_options.h"

#include <cstdlib>

namespace sheet {

const char* UsageText() {
  return "usage: tickwell-sheet SYMBOL... [options]\n"
         "Shows a grid of values linked by DDE, one row per SYMBOL, one column per item, as a\n"
         "spreadsheet whose cells hold =SERVICE|SYMBOL!ITEM.\n"
         "  -s, --service NAME   the DDE service (default MT5)\n"
         "  -i, --items LIST     comma-separated items (default BID,ASK,LAST,TIME,VOLUME)\n"
         "  -r, --retry MS       how often a symbol that did not answer is tried again\n"
         "                       (default 1000)\n";
}

namespace {

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t comma = text.find(',', start);
    parts.push_back(text.substr(start, comma - start));
    if (comma == std::string::npos) return parts;
    start = comma + 1;
  }
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
  options.symbols.clear();
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) {
        error = "option " + arg + " needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };
    std::string v;
    if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "-s" || arg == "--service") {
      if (!value(v)) return false;
      if (v.empty()) {
        error = "the service name is empty";
        return false;
      }
      options.service = v;
    } else if (arg == "-i" || arg == "--items") {
      if (!value(v)) return false;
      options.items = SplitList(v);
      for (const std::string& item : options.items)
        if (item.empty()) {
          error = "empty item name in \"" + v + "\"";
          return false;
        }
    } else if (arg == "-r" || arg == "--retry") {
      if (!value(v)) return false;
      char* end = nullptr;
      long ms = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || ms < 10 || ms > 3600000) {
        error = "retry must be 10 to 3600000 ms, got \"" + v + "\"";
        return false;
      }
      options.retry_ms = static_cast<unsigned>(ms);
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option " + arg;
      return false;
    } else {
      options.symbols.push_back(arg);
    }
  }
  if (!options.help && options.symbols.empty()) {
    error = "name at least one SYMBOL";
    return false;
  }
  return true;
}

}  // namespace sheet
