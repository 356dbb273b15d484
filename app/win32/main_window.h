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
  // The status bar's parts for a client width: the counts and DDE's state at the right, each as
  // wide as its text, the problem in the room left. A problem too long for that room goes
  // above the status bar, where it takes the lines it needs; its panel then has no width.
  struct StatusPlan {
    int parts[3];
    bool problem_apart;
    bool operator==(const StatusPlan&) const = default;
  };
  StatusPlan PlanStatus(int width) const;
  int StatusTextWidth(const std::string& text) const;
  // Lays the window out again when a status text no longer fits the plan it was laid out for.
  void ArrangeStatus();
  // Places the children for the client size: the button, label and grid keep their place at
  // the left, the symbol list (or the hint in its place) takes the rest, above the problem when
  // it is shown apart from the status bar.
  void Layout();
  // Gives the problem the width and returns the height that shows it whole, at most what
  // leaves the list of the given height its captions and a few rows (then it scrolls).
  int FitProblem(int width, int room);
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
  HWND problem_ = nullptr;  // the problem, whole, when its panel cannot hold it
  HFONT font_ = nullptr;    // the window's font, which every child is given
  HIMAGELIST images_ = nullptr;
  // What the children were last given, so that only a change costs anything.
  std::string label_text_;
  std::string status_text_;
  std::string counts_text_, dde_text_, hint_text_;
  StatusPlan status_plan_{{0, 0, -1}, false};  // as the window was last laid out
  std::string problem_text_;                   // what the problem's own place holds
  int glyph_ = -1;
  UINT dde_switch_message_ = 0;  // a second start's DDE switch
  bool paint_due_ = false;       // the paint timer runs
};

}  // namespace tickwell
