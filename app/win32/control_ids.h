// Child-window identifiers of the main window. Tools and tests find the controls by these.
#pragma once

namespace tickwell::ids {

constexpr int kToolbar = 100;
constexpr int kLabel = 101;
constexpr int kDdeButton = 102;
constexpr int kGrid = 103;
constexpr int kStatusBar = 104;

constexpr int kCmdHelp = 201;
constexpr int kCmdAbout = 202;

constexpr char kMainWindowClass[] = "TickwellMainWindow";
constexpr char kGridClass[] = "TickwellGrid";

}  // namespace tickwell::ids
