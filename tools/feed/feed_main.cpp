// tickwell-feed: sends quote lines to a running Tickwell the way the terminal's component does.
//   tickwell-feed [--timeout MS] [--delay MS] [--terminal LABEL] [LINE ...]
//   tickwell-feed [--timeout MS] [--delay MS] [--terminal LABEL] -f FILE
// ("-f -" or no lines: standard input). With --terminal the lines are the named terminal's;
// without, the default terminal's.
// Exit codes: 0 every line sent, 1 usage, 2 no receiver answered, 3 the receiver went away and
// none answered again, 4 unreadable file, 5 lines longer than 255 characters were refused (the
// others were sent), 6 the receiver stopped taking lines (hung or too slow).
#include <io.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "feed/quote_sender.h"

namespace {

// A usage mistake: the one problem, and where the help is.
int Usage(const char* why) {
  std::fprintf(stderr, "tickwell-feed: %s\nRun \"tickwell-feed --help\" for how to use it.\n", why);
  return 1;
}

int Help() {
  std::printf(
      "tickwell-feed: sends quote lines to a running Tickwell, as the terminal does\n"
      "usage: tickwell-feed [--timeout MS] [--delay MS] [--terminal LABEL] [LINE ...]\n"
      "       tickwell-feed [--timeout MS] [--delay MS] [--terminal LABEL] -f FILE\n"
      "       (FILE \"-\": standard input)\n"
      "A line is symbol;bid;ask;last;time;volume[;high;low], e.g.\n"
      "  tickwell-feed \"EURUSD;1.08501;1.08503;1.08502;1700000000;15\"\n"
      "With no lines and no file, lines are read from standard input.\n"
      "  --timeout MS      how long to look for Tickwell (5000)\n"
      "  --delay MS        pause after each line (0)\n"
      "  --terminal LABEL  the terminal the lines are from, when several feed one Tickwell\n"
      "                    (none: the default terminal); only letters, digits and _ are kept,\n"
      "                    others become _, at most 64\n"
      "Exit codes: 0 every line sent, 1 usage, 2 Tickwell not found, 3 Tickwell went away,\n"
      "4 unreadable file, 5 lines over 255 characters refused, 6 Tickwell stopped taking lines.\n");
  return 0;
}

bool ParseMs(const char* text, int& out) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 0 || value > 3600000) return false;
  out = static_cast<int>(value);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int timeout_ms = 5000;
  int delay_ms = 0;
  std::string file;
  std::string terminal;
  std::vector<std::string> lines;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--timeout" || arg == "--delay") {
      if (i + 1 >= argc || !ParseMs(argv[i + 1], arg == "--timeout" ? timeout_ms : delay_ms)) {
        return Usage((arg + " needs a number of milliseconds").c_str());
      }
      ++i;
    } else if (arg == "--terminal") {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') return Usage("--terminal needs a label");
      terminal = argv[++i];
    } else if (arg == "-f") {
      if (i + 1 >= argc) return Usage("-f needs a file name");
      file = argv[++i];
    } else if (arg == "-h" || arg == "--help") {
      return Help();
    } else if (arg.size() > 1 && arg[0] == '-') {
      // A quote line starts with its symbol; a mistyped option must not be sent as a quote.
      return Usage(("unknown option " + arg).c_str());
    } else {
      lines.push_back(arg);
    }
  }
  if (!file.empty() && !lines.empty()) return Usage("give lines or a file, not both");
  const bool from_stream = !file.empty() || lines.empty();

  tickwell::feed::TQuoteSender sender;
  sender.SetTerminal(terminal);  // handed over with the handshake
  if (!sender.FindReceiver(static_cast<unsigned>(timeout_ms))) {
    std::fprintf(
        stderr,
        "tickwell-feed: no Tickwell receiver answered within %d ms (is Tickwell running?)\n",
        timeout_ms);
    return 2;
  }

  std::ifstream in;
  std::istream* stream = &std::cin;
  if (from_stream && !file.empty() && file != "-") {
    in.open(file, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "tickwell-feed: cannot read %s\n", file.c_str());
      return 4;
    }
    stream = &in;
  }

  // Typed lines are taken too; someone who started it without arguments is told so, instead of
  // facing a prompt-less wait.
  if (from_stream && stream == &std::cin && _isatty(_fileno(stdin))) {
    std::fprintf(stderr,
                 "tickwell-feed: type quote lines, one per line (symbol;bid;ask;last;time;volume), "
                 "and end with Ctrl+Z then Enter; \"tickwell-feed --help\" shows the other "
                 "ways.\n");
  }

  using tickwell::feed::TSendResult;
  int number = 0;
  int sent = 0;
  int refused = 0;
  // Sends one line; returns the exit code that ends the run, or 0 to go on.
  auto send = [&](std::string line) -> int {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    switch (sender.SendLine(line)) {
      case TSendResult::kSent:
        ++sent;
        break;
      case TSendResult::kTooLong:
        ++refused;
        std::fprintf(stderr,
                     "tickwell-feed: line %d has %zu characters, more than the %zu a line may "
                     "have; not sent\n",
                     number, line.size(), tickwell::feed::TQuoteSender::kMaxLine);
        break;
      case TSendResult::kNoReceiver:
        std::fprintf(stderr,
                     "tickwell-feed: the receiver went away before line %d and none answered "
                     "again\n",
                     number);
        return 3;
      case TSendResult::kTimedOut:
        std::fprintf(stderr, "tickwell-feed: the receiver did not take line %d within %u ms\n",
                     number, tickwell::feed::TQuoteSender::kSendTimeoutMs);
        return 6;
    }
    if (delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
    return 0;
  };

  int ended = 0;
  if (from_stream) {
    std::string line;
    while (ended == 0 && std::getline(*stream, line)) ended = send(line);
  } else {
    for (const auto& line : lines) {
      if ((ended = send(line)) != 0) break;
    }
  }
  if (ended != 0) return ended;
  // The label as Tickwell has it, which names the terminal's services.
  const std::string as = terminal.empty() ? "" : " as terminal " + sender.Terminal();
  if (refused > 0) {
    std::printf("tickwell-feed: sent %d line%s%s, refused %d\n", sent, sent == 1 ? "" : "s",
                as.c_str(), refused);
    return 5;
  }
  std::printf("tickwell-feed: sent %d line%s%s\n", sent, sent == 1 ? "" : "s", as.c_str());
  return 0;
}
