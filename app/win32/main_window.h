// The real main window: draws what TMainForm holds and passes the user's commands to it.
#pragma once

#include <windows.h>
// commctrl.h needs windows.h before it.
#include <commctrl.h>

#include <string>

#include "app/main_form.h"

namespace tickwell {

class MainWindow {
 public:
  explicit MainWindow(TMainForm& form);
  ~MainWindow();
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window and its children hidden, runs the form's FormCreate, then shows the
  // window where the user last left it (on a screen that is still there), or in its stored
  // place: its first paint already has the grid's captions.
  bool Create(int show);
  HWND Handle() const { return hwnd_; }
  // The program's icon at the size asked (16 or 32), or the system's application icon when the
  // program carries none.
  static HICON AppIcon(int size);

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
  LRESULT OnMessage(UINT msg, WPARAM w, LPARAM l);
  void CreateChildren();
  // Places the children for the client size: the button, label and grid keep their place at
  // the left, the symbol list (or the hint in its place) takes the rest.
  void Layout();
  void Place(int show);
  void RememberPlace();
  // The status bar's panels that are counted, not told: lines, and DDE's conversations and
  // links.
  void ShowCounts();
  // Follows the form: texts at once, paints at most every kPaintIntervalMs.
  void Refresh();
  void Paint();
  void DrawButton(const DRAWITEMSTRUCT& item);
  void ShowAbout(const TAboutTexts& texts);

  TMainForm& form_;
  HWND hwnd_ = nullptr;
  HWND toolbar_ = nullptr;
  HWND label_ = nullptr;
  HWND button_ = nullptr;
  HWND grid_ = nullptr;
  HWND status_ = nullptr;
  HWND list_ = nullptr;
  HWND hint_ = nullptr;
  HFONT font_ = nullptr;  // the window's font, which every child is given
  HIMAGELIST images_ = nullptr;
  // What the children were last given, so that only a change costs anything.
  std::string label_text_;
  std::string status_text_;
  std::string counts_text_, dde_text_, hint_text_;
  int glyph_ = -1;
  UINT dde_switch_message_ = 0;  // a second start's DDE switch
  bool paint_due_ = false;       // the paint timer runs
};

}  // namespace tickwell
