// Program start: the application title, the main window, the message loop.
#include <windows.h>
// commctrl.h needs windows.h before it.
#include <commctrl.h>

#include <exception>
#include <memory>

#include "app/main_form.h"
#include "app/win32/main_window.h"
#include "platform/exception_report.h"
#include "support/tokenizer.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  tickwell::StringManager();  // character tables and tokenizer, as at start-up

  std::unique_ptr<tickwell::TForm1> made;
  try {
    made = std::make_unique<tickwell::TForm1>();
  } catch (const std::exception& e) {
    MessageBoxA(nullptr, e.what(), "Tickwell", MB_OK | MB_ICONERROR);
    return 1;
  }
  tickwell::TForm1& form = *made;
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
