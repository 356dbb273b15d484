// The user's own settings, kept in an INI file in the user's application-data folder:
//   [MT4]
//   Enabled=1        0 leaves the MetaTrader 4 layout unpublished (for a user who still runs
//                    MetaTrader 4's own DDE server)
//   Service=MT4      the service name of that layout
//   [DDE]
//   Enabled=0        the DDE switch as the user last left it; on at the next start when 1
//   [Terminals]
//   Default=icm      the terminal served as MT5 and MT4; empty until the user chooses one or a
//                    terminal with a label first sends
//   [Terminal icm]
//   Prefix=, Suffix=  how that terminal's broker names its symbols (EURUSD.m: Suffix=.m)
//   [Window]
//   Left=, Top=, Width=, Height=   the main window's place and size (outer frame, in pixels)
//   Maximized=0
// A missing, unreadable or damaged file gives the defaults; a file that cannot be written only
// means nothing is remembered.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/quote_book.h"

namespace tickwell {

// Where and how large the main window was; Width 0 when nothing is remembered.
struct TWindowPlace {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool Maximized = false;
  bool Known() const { return Width > 0 && Height > 0; }
  bool operator==(const TWindowPlace&) const = default;
};

struct TSettings {
  bool Mt4Enabled = true;
  std::string Mt4Service = "MT4";
  bool DdeOn = false;  // the first start has DDE off
  std::string DefaultTerminal;
  TWindowPlace Place;
  // Not stored: why the MetaTrader 4 layout, though switched on, is not served while DDE is on
  // (another program serves its name), with the remedy; empty when nothing keeps it off.
  std::string Mt4Problem;

  // %APPDATA%\Tickwell\tickwell.ini; beside the program when there is no such folder.
  static std::string DefaultFile();
  // The settings in file; a missing file or key gives the default. A service name that is
  // empty, or that of the MetaTrader 5 layout, would make the two layouts one service: it gives
  // the default name instead. A place smaller than the window can be, or larger than any screen,
  // is not a place: it gives none.
  static TSettings Read(const std::string& file);
  // False when the file cannot be written (its folder must exist).
  bool Write(const std::string& file) const;
  // Each remembered part alone, leaving the rest of the file as it is.
  static bool WriteMt4(const std::string& file, bool enabled, const std::string& service);
  static bool WriteDde(const std::string& file, bool on);
  static bool WritePlace(const std::string& file, const TWindowPlace& place);
  static bool WriteDefaultTerminal(const std::string& file, const std::string& label);
  // A terminal's symbol rule; none when the file has none for it.
  static TSymbolRule ReadRule(const std::string& file, const std::string& label);
  static bool WriteRule(const std::string& file, const std::string& label, const TSymbolRule& rule);
};

// What the command line asks of this start:
//   /dde on   /dde off   (also -dde, --dde=on, --dde=off; letters in any case)
// Dde is empty when the line says nothing of it; Error names what is not understood.
struct TStartOptions {
  std::optional<bool> Dde;
  std::string Error;

  static TStartOptions Parse(std::string_view commandLine);
  // What the program says to a command line it does not understand.
  static const char* Usage();
};

}  // namespace tickwell
