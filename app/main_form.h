// The main window's logic, apart from its drawing: what the label, the grid, the DDE button's
// glyph and the status bar show, and the handlers behind them. The real window (win32/) draws
// this state and forwards its commands here; tests drive it headless.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "interapp/inter_app.h"
#include "support/string_list.h"

namespace tickwell {

// Where the fields of a quote line are published (the DDE manager's publishing interface).
class TQuotePublisher {
 public:
  virtual ~TQuotePublisher() = default;
  virtual void AddItem(const std::string& Service, const std::string& Topic,
                       const std::string& Item) = 0;
  virtual void SetItemText(const std::string& Service, const std::string& Topic,
                           const std::string& Item, const std::string& Value) = 0;
};

// The texts of the about dialog.
struct TAboutTexts {
  std::string Title;
  std::string Description;
  std::string Version;
  std::string Link;
};

class TForm1 {
 public:
  static constexpr int kGridCols = 2;
  static constexpr int kGridRows = 5;

  TForm1();
  ~TForm1();

  // Start-up preparation, called once the window and its components exist.
  void FormCreate();

  // One quote line from the receiver. Raises the list's index error for a missing field and
  // the conversion error for a bad time, after doing what comes before them.
  void InterAppReceiver1ReceiveString(TInterAppReceiver& Sender, platform::Hwnd SenderHandle,
                                      const std::string& Text);

  void BitBtn1Click();   // DDE on / off
  void TBXItem1Click();  // Help
  void TBXItem2Click();  // About

  // The latest error report, shown in the status bar so a live feed is never stalled by a box.
  void ShowError(const std::string& text);

  // State the window draws.
  const std::string& Label1Caption() const { return Label1Caption_; }
  const std::string& Cell(int col, int row) const { return Grid_.at(col).at(row); }
  int ColWidth(int col) const { return ColWidths_.at(col); }
  int GlyphIndex() const { return GlyphIndex_; }
  const std::string& StatusText() const { return StatusText_; }
  int DdeTag() const { return DdeTag_; }

  TInterAppReceiver& InterAppReceiver1() { return *InterAppReceiver1_; }
  const TStringList& FieldList() const { return FieldList_; }

  static TAboutTexts AboutTexts();
  static std::string HelpPagePath();

  // Set by the application: the publisher of quote fields, the window handle used as parent
  // for the shell, and the hooks through which the real window follows the state.
  TQuotePublisher* Publisher = nullptr;
  platform::Hwnd WindowHandle = platform::kNoWindow;
  std::function<void()> OnChanged;
  std::function<void(const TAboutTexts&)> OnShowAbout;

 private:
  void DefineTopicsAndItems();
  void ShowDdeState(int Index);
  void Publish(const std::string& topic, const std::string& item, const std::string& value);
  void Changed();

  std::unique_ptr<TInterAppReceiver> InterAppReceiver1_;
  TStringList FieldList_;
  TStringList TopicList_;
  TStringList ItemList_;
  std::string Label1Caption_;
  std::array<std::array<std::string, kGridRows>, kGridCols> Grid_;
  std::array<int, kGridCols> ColWidths_{100, 100};
  int GlyphIndex_ = 0;
  int DdeTag_ = 0;
  std::string StatusText_;
};

}  // namespace tickwell
