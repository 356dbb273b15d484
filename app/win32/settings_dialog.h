// The Settings box: MetaTrader 4's layout switched on or off and its service named, the terminal
// served as MT5 and MT4, and how each terminal's broker names its symbols. OK hands each change
// to its apply, which answers what is wrong with it (the box then stays open and shows it) or
// nothing (the box closes once every change is taken). Why the layout is not served now (the
// settings' Mt4Problem) shows in the same place when the box opens.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/quote_book.h"
#include "app/settings.h"

namespace tickwell {

// A terminal with a label, as the box lists it.
struct SettingsTerminal {
  std::string Label;
  TSymbolRule Rule;
};

// What the box opens with and where its changes go. Each apply answers an empty text when it
// took the change, else what is wrong. The default and the rules are applied only when changed.
struct SettingsBox {
  TSettings Current;  // the MetaTrader 4 layout and what keeps it off
  std::vector<SettingsTerminal> Terminals;
  std::string DefaultTerminal;  // empty: none chosen yet
  std::function<std::string(bool mt4_enabled, const std::string& service)> ApplyMt4;
  std::function<std::string(const std::string& label)> ApplyDefault;
  std::function<std::string(const std::string& label, const TSymbolRule& rule)> ApplyRule;
};

// The box for the program's window: its settings, the terminals known this run (and the
// remembered default, which may not have sent yet), its changes applied to the form.
SettingsBox SettingsBoxFor(TMainForm& form);

// Shows the box modally over owner until the user closes it.
void ShowSettingsDialog(HWND owner, SettingsBox box);

// The same box without waiting (it destroys itself when closed), for a caller that runs its own
// message loop.
HWND CreateSettingsDialog(HWND owner, SettingsBox box);

}  // namespace tickwell
