// Child-window identifiers of the main window and the About box, and the program's resources.
// Tools and tests find the controls by these.
#pragma once

namespace tickwell::ids {

constexpr int kToolbar = 100;
constexpr int kLabel = 101;
constexpr int kDdeButton = 102;
constexpr int kGrid = 103;
constexpr int kStatusBar = 104;
constexpr int kSymbolList = 105;  // every symbol received, a row each
constexpr int kHint = 106;        // what to do, shown in the list's place while it is empty
constexpr int kProblem = 107;     // the status bar's problem, whole, when its panel is too narrow

constexpr int kCmdHelp = 201;
constexpr int kCmdAbout = 202;
constexpr int kCmdSettings = 203;

// The About box's controls; its OK button is IDOK (1).
constexpr int kAboutPicture = 301;
constexpr int kAboutVersion = 302;
constexpr int kAboutDescription = 303;
constexpr int kAboutLink = 304;

// The Settings box's controls; its buttons are IDOK and IDCANCEL.
constexpr int kSettingsMt4Enabled = 401;
constexpr int kSettingsMt4Service = 402;
constexpr int kSettingsNote = 403;
constexpr int kSettingsProblem = 404;
constexpr int kSettingsTerminalsGroup = 405;
constexpr int kSettingsDefaultTerminal = 406;  // the terminal MT5 and MT4 serve
constexpr int kSettingsRuleTerminal = 407;     // the terminal whose symbol rule shows below
constexpr int kSettingsPrefix = 408;
constexpr int kSettingsSuffix = 409;
constexpr int kSettingsTerminalsNote = 410;

// The program's icon in the resources.
constexpr int kAppIcon = 1;

constexpr char kMainWindowClass[] = "TickwellMainWindow";
constexpr char kGridClass[] = "TickwellGrid";
constexpr char kLabelClass[] = "TickwellLabel";

// Registered message a second start sends the running window: wParam 1 switches DDE on, 0 off
// (not remembered). The window answers 1 when it did.
constexpr char kDdeSwitchMessage[] = "TickwellDdeSwitch";

}  // namespace tickwell::ids
