// Program start: the application title, the main window, the message loop.
#include <windows.h>
// commctrl.h needs windows.h before it.
#include <commctrl.h>

#include <exception>
#include <memory>
#include <string>

#include "app/main_form.h"
#include "app/win32/control_ids.h"
#include "app/win32/main_window.h"
#include "platform/exception_report.h"
#include "support/tokenizer.h"

namespace {

// One Tickwell per session: a second one would answer the feed's handshake in the first one's
// place and take the quotes away from the clients of the first.
constexpr char kOneInstance[] = "Local\\TickwellOneInstance";

// Brings the running Tickwell to the front and hands it the command line's DDE switch, if any.
// It may still be making its window, so that is looked for a few seconds. False when it was
// not found or did not take the switch.
bool ShowRunningTickwell(const tickwell::TStartOptions& options) {
  const DWORD start = GetTickCount();
  HWND running = nullptr;
  while (!(running = FindWindowA(tickwell::ids::kMainWindowClass, nullptr)) &&
         GetTickCount() - start < 5000)
    Sleep(50);
  if (!running) return !options.Dde;
  if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
  SetForegroundWindow(running);
  if (!options.Dde) return true;
  DWORD_PTR answer = 0;
  return SendMessageTimeoutA(running, RegisterWindowMessageA(tickwell::ids::kDdeSwitchMessage),
                             *options.Dde ? 1 : 0, 0, SMTO_ABORTIFHUNG, 10000, &answer) != 0 &&
         answer == 1;
}

// The settings file's folder is made at start, so the first switch or close can be remembered.
// When it cannot be made, nothing is remembered and the program works as ever.
void MakeFolderOf(const std::string& file) {
  const std::string::size_type slash = file.find_last_of('\\');
  if (slash != std::string::npos) CreateDirectoryA(file.substr(0, slash).c_str(), nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR command_line, int show) {
  const tickwell::TStartOptions options =
      tickwell::TStartOptions::Parse(command_line ? command_line : "");
  if (!options.Error.empty()) {
    const std::string text = "Tickwell does not understand its command line: " + options.Error +
                             ".\r\n\r\n" + tickwell::TStartOptions::Usage();
    MessageBoxA(nullptr, text.c_str(), "Tickwell", MB_OK | MB_ICONERROR);
    return 2;
  }
  // Held until the program ends; the system closes it then.
  HANDLE one = CreateMutexA(nullptr, FALSE, kOneInstance);
  if (one && GetLastError() == ERROR_ALREADY_EXISTS) {
    const bool done = ShowRunningTickwell(options);
    CloseHandle(one);
    return done ? 0 : 3;
  }
  INITCOMMONCONTROLSEX icc{sizeof icc,
                           ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  tickwell::StringManager();  // character tables and tokenizer, as at start-up

  std::unique_ptr<tickwell::TMainForm> made;
  try {
    made = std::make_unique<tickwell::TMainForm>();
  } catch (const std::exception& e) {
    MessageBoxA(nullptr, e.what(), "Tickwell", MB_OK | MB_ICONERROR);
    return 1;
  }
  tickwell::TMainForm& form = *made;
  form.SettingsFile = tickwell::TSettings::DefaultFile();
  MakeFolderOf(form.SettingsFile);
  form.StartDde = options.Dde;
  tickwell::MainWindow window(form);
  // A bad line must never stop the feed with a box; its text goes to the status bar.
  platform::SetExceptionReport([&form](const std::string& text) { form.ShowError(text); });
  // Creating the window runs the form's FormCreate before the window is shown.
  if (!window.Create(show)) {
    MessageBoxA(nullptr, "The main window could not be created.", "Tickwell", MB_OK | MB_ICONERROR);
    return 1;
  }
  MSG m;
  while (GetMessageA(&m, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageA(window.Handle(), &m)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
  }
  platform::SetExceptionReport(nullptr);
  return static_cast<int>(m.wParam);
}
