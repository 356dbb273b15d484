// Child-window identifiers of the main window and the About box, and the program's resources.
// Tools and tests find the controls by these.
#pragma once

namespace tickwell::ids {

constexpr int kToolbar = 100;
constexpr int kLabel = 101;
constexpr int kDdeButton = 102;
constexpr int kGrid = 103;
constexpr int kStatusBar = 104;

constexpr int kCmdHelp = 201;
constexpr int kCmdAbout = 202;

// The About box's controls; its OK button is IDOK (1).
constexpr int kAboutPicture = 301;
constexpr int kAboutVersion = 302;
constexpr int kAboutDescription = 303;
constexpr int kAboutLink = 304;

// The program's icon in the resources.
constexpr int kAppIcon = 1;

constexpr char kMainWindowClass[] = "TickwellMainWindow";
constexpr char kGridClass[] = "TickwellGrid";
constexpr char kLabelClass[] = "TickwellLabel";

}  // namespace tickwell::ids
