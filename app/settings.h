// The user's own settings, kept in an INI file in the user's application-data folder:
//   [MT4]
//   Enabled=1        0 leaves the MetaTrader 4 layout unpublished (for a user who still runs
//                    MetaTrader 4's own DDE server)
//   Service=MT4      the service name of that layout
#pragma once

#include <string>

namespace tickwell {

struct TSettings {
  bool Mt4Enabled = true;
  std::string Mt4Service = "MT4";

  // %APPDATA%\Tickwell\tickwell.ini; beside the program when there is no such folder.
  static std::string DefaultFile();
  // The settings in file; a missing file or key gives the default. A service name that is
  // empty, or that of the MetaTrader 5 layout, would make the two layouts one service: it gives
  // the default name instead.
  static TSettings Read(const std::string& file);
  // False when the file cannot be written (its folder must exist).
  bool Write(const std::string& file) const;
};

}  // namespace tickwell
