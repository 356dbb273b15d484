#include "app/settings.h"

#include <cstdlib>
#include <vector>

#include "dde/model/names.h"
#include "interapp/terminal_label.h"
#include "platform/ini_file.h"
#include "platform/shell.h"

namespace tickwell {
namespace {

constexpr char kMt4Section[] = "MT4";
constexpr char kDdeSection[] = "DDE";
constexpr char kWindowSection[] = "Window";
constexpr char kTerminalsSection[] = "Terminals";

std::string TerminalSection(const std::string& label) { return "Terminal " + label; }
constexpr char kMt5Service[] = "MT5";
// Beyond any screen, and room enough for the frame's place on several monitors.
constexpr int kLargest = 32000;
constexpr int kSmallest = 100;

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char x = (a[i] >= 'A' && a[i] <= 'Z') ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    if (x != b[i]) return false;
  }
  return true;
}

// The words of a command line: blanks separate them, double quotes hold blanks together.
std::vector<std::string> Words(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false, any = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if (!quoted && (c == ' ' || c == '\t')) {
      if (any) words.push_back(word);
      word.clear();
      any = false;
    } else {
      word += c;
      any = true;
    }
  }
  if (any) words.push_back(word);
  return words;
}

std::optional<bool> OnOff(std::string_view word) {
  if (SameWord(word, "on")) return true;
  if (SameWord(word, "off")) return false;
  return std::nullopt;
}

}  // namespace

std::string TSettings::DefaultFile() {
  const char* appdata = std::getenv("APPDATA");
  if (appdata != nullptr && *appdata != '\0')
    return std::string(appdata) + "\\Tickwell\\tickwell.ini";
  return platform::ProgramFolder() + "tickwell.ini";
}

TSettings TSettings::Read(const std::string& file) {
  TSettings s;
  if (file.empty()) return s;
  s.Mt4Enabled = platform::IniReadInteger(file, kMt4Section, "Enabled", 1) != 0;
  const std::string name = platform::IniReadString(file, kMt4Section, "Service", s.Mt4Service);
  if (!name.empty() && !SameName(name, kMt5Service)) s.Mt4Service = name;
  s.DdeOn = platform::IniReadInteger(file, kDdeSection, "Enabled", 0) == 1;
  // A label that is not one (edited by hand) chooses none.
  const std::string chosen = platform::IniReadString(file, kTerminalsSection, "Default", "");
  if (IsTerminalLabel(chosen)) s.DefaultTerminal = chosen;
  TWindowPlace p;
  p.Left = platform::IniReadInteger(file, kWindowSection, "Left", 0);
  p.Top = platform::IniReadInteger(file, kWindowSection, "Top", 0);
  p.Width = platform::IniReadInteger(file, kWindowSection, "Width", 0);
  p.Height = platform::IniReadInteger(file, kWindowSection, "Height", 0);
  p.Maximized = platform::IniReadInteger(file, kWindowSection, "Maximized", 0) == 1;
  const auto within = [](int v, int low, int high) { return v >= low && v <= high; };
  if (within(p.Width, kSmallest, kLargest) && within(p.Height, kSmallest, kLargest) &&
      within(p.Left, -kLargest, kLargest) && within(p.Top, -kLargest, kLargest))
    s.Place = p;
  return s;
}

bool TSettings::Write(const std::string& file) const {
  return WriteMt4(file, Mt4Enabled, Mt4Service) && WriteDde(file, DdeOn) &&
         (!Place.Known() || WritePlace(file, Place));
}

bool TSettings::WriteMt4(const std::string& file, bool enabled, const std::string& service) {
  return !file.empty() &&
         platform::IniWriteInteger(file, kMt4Section, "Enabled", enabled ? 1 : 0) &&
         platform::IniWriteString(file, kMt4Section, "Service", service);
}

bool TSettings::WriteDde(const std::string& file, bool on) {
  return !file.empty() && platform::IniWriteInteger(file, kDdeSection, "Enabled", on ? 1 : 0);
}

bool TSettings::WritePlace(const std::string& file, const TWindowPlace& place) {
  return !file.empty() && platform::IniWriteInteger(file, kWindowSection, "Left", place.Left) &&
         platform::IniWriteInteger(file, kWindowSection, "Top", place.Top) &&
         platform::IniWriteInteger(file, kWindowSection, "Width", place.Width) &&
         platform::IniWriteInteger(file, kWindowSection, "Height", place.Height) &&
         platform::IniWriteInteger(file, kWindowSection, "Maximized", place.Maximized ? 1 : 0);
}

bool TSettings::WriteDefaultTerminal(const std::string& file, const std::string& label) {
  return !file.empty() && platform::IniWriteString(file, kTerminalsSection, "Default", label);
}

TSymbolRule TSettings::ReadRule(const std::string& file, const std::string& label) {
  TSymbolRule rule;
  if (file.empty() || label.empty()) return rule;
  rule.Prefix = platform::IniReadString(file, TerminalSection(label), "Prefix", "");
  rule.Suffix = platform::IniReadString(file, TerminalSection(label), "Suffix", "");
  return rule;
}

bool TSettings::WriteRule(const std::string& file, const std::string& label,
                          const TSymbolRule& rule) {
  return !file.empty() &&
         platform::IniWriteString(file, TerminalSection(label), "Prefix", rule.Prefix) &&
         platform::IniWriteString(file, TerminalSection(label), "Suffix", rule.Suffix);
}

TStartOptions TStartOptions::Parse(std::string_view commandLine) {
  TStartOptions options;
  const std::vector<std::string> words = Words(commandLine);
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    std::optional<bool> value;
    if (SameWord(word, "/dde") || SameWord(word, "-dde") || SameWord(word, "--dde")) {
      if (i + 1 < words.size()) value = OnOff(words[++i]);
    } else if (word.size() > 6 && SameWord(word.substr(0, 6), "--dde=")) {
      value = OnOff(std::string_view(word).substr(6));
    } else {
      options.Error = "\"" + word + "\" is not an option";
      return options;
    }
    if (!value) {
      options.Error = "the DDE switch takes on or off";
      return options;
    }
    options.Dde = value;
  }
  return options;
}

const char* TStartOptions::Usage() {
  return "tickwell.exe [/dde on|off]\r\n\r\n"
         "/dde on    start with the DDE server on\r\n"
         "/dde off   start with the DDE server off\r\n\r\n"
         "Without it, DDE is as you last left it. While Tickwell runs, starting it again with "
         "/dde on or /dde off switches the running one.";
}

}  // namespace tickwell
