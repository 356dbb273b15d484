#include "tools/watch/watch_options.h"

#include <cstdlib>
#include <string_view>

namespace watch {

const char* UsageText() {
  return "usage: tickwell-watch SERVICE TOPIC [ITEM...] [options]\n"
         "   or: tickwell-watch \"SERVICE|TOPIC!ITEM\" [ITEM...] [options]   (a cell's link)\n"
         "  -r, --request             request each ITEM once and print it (the default)\n"
         "  -a, --advise              hold hot links on each ITEM; print every value as it comes\n"
         "  -w, --warm                hold warm links; print each change without its value\n"
         "  -p, --poke ITEM=VALUE     poke VALUE into ITEM (repeatable)\n"
         "  -x, --execute COMMAND     send an execute command (repeatable)\n"
         "  -l, --list                list the service/topic pairs a wild connect answers\n"
         "                            (SERVICE or TOPIC may be * for any)\n"
         "  -f, --format FORMAT       text (default), unicode or xltable\n"
         "  -n, --count N             with -a/-w: stop after N updates\n"
         "  -t, --timeout SECONDS     time bound for the whole run (default 10; 0 = none)\n"
         "      --transaction-timeout MS   bound of each transaction (default 5000)\n"
         "      --repeat N            with -r: request each ITEM N times\n"
         "      --status              print whether the Wine DDE fix is in force here\n"
         "Output: one line per value: date time, topic, item, value. A hot-link update that\n"
         "arrives without its value prints \"(missing data)\".\n"
         "Exit codes: 0 done, 1 usage, 2 no server answers, or the server ended the\n"
         "conversation (Tickwell closed or its DDE switched off; reported at once),\n"
         "3 a transaction failed, 4 the time bound passed before N updates, 5 DDE unavailable,\n"
         "6 hot-link updates arrived without their data.\n";
}

namespace {

bool Number(const std::string& text, double& value) {
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return !text.empty() && end && *end == '\0' && value >= 0;
}

// One name of a link, read from At up to the first of Stops (or the end). A name in single
// quotes, as a spreadsheet writes one holding dots or spaces ('EURUSD.m'), may hold any
// character, a quote doubled; the quotes are not part of the name. False for a quote left open
// or followed by anything but a stop.
bool ReadLinkName(std::string_view link, std::size_t& at, std::string_view stops,
                  std::string& name) {
  name.clear();
  if (at < link.size() && link[at] == '\'') {
    for (++at; at < link.size(); ++at) {
      if (link[at] != '\'') {
        name += link[at];
      } else if (at + 1 < link.size() && link[at + 1] == '\'') {
        name += '\'';
        ++at;
      } else {
        ++at;
        return at == link.size() || stops.find(link[at]) != std::string_view::npos;
      }
    }
    return false;
  }
  for (; at < link.size() && stops.find(link[at]) == std::string_view::npos; ++at) name += link[at];
  return true;
}

// A spreadsheet's link, SERVICE|TOPIC!ITEM (or SERVICE|TOPIC with the items after it), as the
// names it stands for, each non-empty. It may be pasted from a cell as it is written there:
// with the formula's "=" before it and names in single quotes.
bool SplitLink(const std::string& link, std::vector<std::string>& names, std::string& error) {
  std::size_t at = !link.empty() && link[0] == '=' ? 1 : 0;
  std::string service, topic, item;
  bool ok = ReadLinkName(link, at, "|", service) && at < link.size() && !service.empty();
  ++at;  // past the "|"
  ok = ok && ReadLinkName(link, at, "|!", topic) && !topic.empty();
  const bool has_item = ok && at < link.size() && link[at] == '!';
  if (has_item) {
    ++at;
    ok = ReadLinkName(link, at, "|", item) && !item.empty();
  }
  if (!ok || at < link.size()) {
    error = "\"" + link + "\" is not SERVICE|TOPIC!ITEM";
    return false;
  }
  names = {service, topic};
  if (has_item) names.push_back(item);
  return true;
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
  std::vector<std::string> positional;
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
    } else if (arg == "--status") {
      options.status = true;
    } else if (arg == "--repeat") {
      double n = 0;
      if (!value(v) || !Number(v, n) || n < 1 || n != static_cast<long>(n)) {
        if (error.empty()) error = "repeat must be a whole number from 1, got \"" + v + "\"";
        return false;
      }
      options.repeat = static_cast<long>(n);
    } else if (arg == "-r" || arg == "--request") {
      options.request = true;
    } else if (arg == "-a" || arg == "--advise") {
      options.advise = true;
    } else if (arg == "-w" || arg == "--warm") {
      options.advise = options.warm = true;
    } else if (arg == "-l" || arg == "--list") {
      options.list = true;
    } else if (arg == "-p" || arg == "--poke") {
      if (!value(v)) return false;
      std::size_t eq = v.find('=');
      if (eq == std::string::npos || eq == 0) {
        error = "poke needs ITEM=VALUE, got \"" + v + "\"";
        return false;
      }
      options.pokes.emplace_back(v.substr(0, eq), v.substr(eq + 1));
    } else if (arg == "-x" || arg == "--execute") {
      if (!value(v)) return false;
      options.executes.push_back(v);
    } else if (arg == "-f" || arg == "--format") {
      if (!value(v)) return false;
      if (v == "text")
        options.format = Format::kText;
      else if (v == "unicode")
        options.format = Format::kUnicode;
      else if (v == "xltable")
        options.format = Format::kXlTable;
      else {
        error = "unknown format \"" + v + "\" (text, unicode or xltable)";
        return false;
      }
    } else if (arg == "-n" || arg == "--count") {
      double n = 0;
      if (!value(v) || !Number(v, n) || n != static_cast<long>(n)) {
        if (error.empty()) error = "count must be a whole number, got \"" + v + "\"";
        return false;
      }
      options.count = static_cast<long>(n);
    } else if (arg == "-t" || arg == "--timeout") {
      if (!value(v) || !Number(v, options.timeout_s)) {
        if (error.empty()) error = "timeout must be a number of seconds, got \"" + v + "\"";
        return false;
      }
    } else if (arg == "--transaction-timeout") {
      double ms = 0;
      if (!value(v) || !Number(v, ms) || ms < 1 || ms > 3600000) {
        if (error.empty()) error = "transaction timeout must be 1 to 3600000 ms, got \"" + v + "\"";
        return false;
      }
      options.transaction_ms = static_cast<std::uint32_t>(ms);
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option " + arg;
      return false;
    } else {
      positional.push_back(arg);
    }
  }
  if (options.help || (options.status && positional.empty())) return true;
  if (!positional.empty() && positional[0].find('|') != std::string::npos) {
    std::vector<std::string> names;
    if (!SplitLink(positional[0], names, error)) return false;
    positional.erase(positional.begin());
    positional.insert(positional.begin(), names.begin(), names.end());
  }
  if (positional.size() < 2) {
    error = "SERVICE and TOPIC are required (or SERVICE|TOPIC!ITEM)";
    return false;
  }
  options.service = positional[0] == "*" ? "" : positional[0];
  options.topic = positional[1] == "*" ? "" : positional[1];
  options.items.assign(positional.begin() + 2, positional.end());
  if (!options.list && (options.service.empty() || options.topic.empty())) {
    error = "* stands for any name only with --list";
    return false;
  }
  const bool acts =
      options.advise || options.list || !options.pokes.empty() || !options.executes.empty();
  if (!acts) options.request = true;
  if ((options.request || options.advise) && options.items.empty()) {
    error = "name at least one ITEM to request or advise";
    return false;
  }
  if (options.count > 0 && !options.advise) {
    error = "--count applies to --advise and --warm";
    return false;
  }
  return true;
}

}  // namespace watch
