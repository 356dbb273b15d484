// The main window's logic, apart from its drawing: what the label, the grid, the DDE button's
// glyph and the status bar show, and the handlers behind them. The real window (win32/) draws
// this state and forwards its commands here; tests drive it headless.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/mt4_outlet.h"
#include "app/mt5_outlet.h"
#include "app/quote_book.h"
#include "app/quote_line.h"
#include "app/service_names.h"
#include "app/settings.h"
#include "app/system_items.h"
#include "dde/manager/manager.h"
#include "interapp/inter_app.h"
#include "support/component.h"
#include "support/stored_form.h"
#include "support/string_list.h"

namespace tickwell {

// The texts of the about dialog.
struct TAboutTexts {
  std::string Title;
  std::string Description;
  std::string Version;
  std::string Link;      // what the link opens
  std::string LinkText;  // what it shows
};

// What changed in the symbol list since the window last asked: either rows were added (every
// row may have moved) or only the rows named changed.
struct TListChanges {
  bool All = false;
  std::vector<int> Rows;
};

class TMainForm : public TComponent {
 public:
  static constexpr int kGridCols = 2;
  static constexpr int kGridRows = 5;
  // The symbol list's columns: the terminal, the symbol, bid, ask, last, the day's high and low,
  // the quote's time, volume, and the time of the last line.
  enum TListCol {
    kColTerminal,
    kColSymbol,
    kColBid,
    kColAsk,
    kColLast,
    kColHigh,
    kColLow,
    kColTime,
    kColVolume,
    kColReceived,
  };
  static constexpr int kListCols = 10;
  static const char* ListCaption(int col);

  // The window as its stored description makes it: its components are created and their
  // properties read, then each is told it is loaded. A description that does not read raises
  // EStoredFormError and leaves no window.
  TMainForm();
  explicit TMainForm(std::string_view description);
  ~TMainForm() override;

  // Start-up preparation, called once the window and its components exist. DDE starts as the
  // command line says (StartDde), else as the user last left it; the first start has it off.
  void FormCreate();
  // The window closes: its place is remembered for the next start.
  void FormClose(const TWindowPlace& Place);

  // One quote line from the receiver. It is checked before anything is published: a line that
  // CheckQuoteLine refuses (a place missing, a price or volume that is not a number, a time not
  // in whole seconds in 32 bits) changes no item, label or grid cell and is named in the status
  // bar instead. A good line is kept in the book as its symbol's last line in the sender's
  // terminal and published by every outlet: on the terminal's services of MetaTrader 5's layout
  // with the symbol as topic, and of MetaTrader 4's with the field as topic and the symbol as
  // item. The day's high and low of the bid (places seven and eight) are published when the
  // line has both; otherwise they keep what they were. A sender that never named its terminal
  // speaks for the default one.
  void QuoteLineReceived(TInterAppReceiver& Sender, platform::Hwnd SenderHandle,
                         const std::string& Text);
  // Raw bytes from a sender: the name of the terminal it speaks for; anything else is ignored.
  // A terminal's own services are registered soon after, outside the sender's call (OnWork).
  void TerminalNamed(TInterAppReceiver& Sender, platform::Hwnd SenderHandle, const void* Data,
                     std::uint32_t Size);
  // What waits to be done outside a sender's call: registering new terminals' names, moving
  // the default. The window runs it when OnWork asks, and once a second with Tick.
  void DoWork();
  // Once a second: senders that went away are seen as gone.
  void Tick();

  void DdeButtonClick();  // DDE on / off, remembered for the next start
  // DDE on or off without remembering it (the command line's switch); nothing when it already is.
  void SwitchDde(bool On);
  // Which advise links a client may start: only formats the quote items are served in, and in
  // MetaTrader 4's layout only on its fields (and the System topic).
  void DdeManagerAdviseStartReceived(TDDEMLManager& Sender, const std::string& AServiceName,
                                     const std::string& ATopicName, const std::string& AnItemName,
                                     std::int32_t AnItemUserHandle, TDDEMLClipFmtType AFormatType,
                                     std::uint16_t AFormatNumber, bool& Allow);
  // Every symbol received keeps its topic and items while the program runs, also once no client
  // holds a conversation on it: a client that connects for each request still finds the values.
  void DdeManagerTopicClosed(TDDEMLManager& Sender, const std::string& AServerName,
                             const std::string& ATopicName, bool& aRetainTopic);
  // A request in MetaTrader 4's layout for a symbol (or a high or low) that has no value yet is
  // answered "N/A", as that terminal did; a link on it follows the first line that brings one.
  void DdeManagerRequestReceived(TDDEMLManager& Sender, const std::string& AServiceName,
                                 const std::string& ATopicName, const std::string& AnItemName,
                                 std::int32_t AnItemUserHandle, TDDEMLClipFmtType AFormatType,
                                 std::uint16_t AFormatNumber, bool& ValidItem);
  // A client asks which items a topic has (TopicItemList).
  void DdeManagerItemReceived(TDDEMLManager& Sender, const std::string& AServiceName,
                              const std::string& ATopicName);
  bool HelpCommandClick();      // Help: false when no program could open the page
  void AboutCommandClick();     // About
  void SettingsCommandClick();  // Settings
  // The MetaTrader 4 layout as the Settings dialog changes it: switched on or off and its
  // service named. Checked, then kept in the settings file; it applies from the next time DDE
  // is switched on. An empty text when taken, else what is wrong (nothing is changed then).
  // When DDE is switched on and another program already serves the layout's name (MetaTrader 4
  // itself), the layout is left off until DDE is switched off, and the status bar and the
  // settings (Mt4Problem) say so.
  std::string ChangeMt4Settings(bool Enabled, const std::string& Service);
  // The terminal MT5 and MT4 serve, as the Settings dialog chooses it (a label; empty lets the
  // first terminal that sends choose). Kept in the settings file and applied at once. An empty
  // text when taken, else what is wrong.
  std::string ChangeDefaultTerminal(const std::string& Label);
  // The rule by which a terminal's broker names its symbols (EURUSD.m: the suffix ".m"), so
  // that a workbook may ask for EURUSD. Kept in the settings file and applied at once.
  std::string ChangeSymbolRule(const std::string& Label, const TSymbolRule& Rule);

  // The latest error report, shown in the status bar so a live feed is never stalled by a box.
  void ShowError(const std::string& text);

  // State the window draws.
  const std::string& SymbolLabelCaption() const { return SymbolLabelCaption_; }
  const std::string& Cell(int col, int row) const { return Grid_.at(col).at(row); }
  int ColWidth(int col) const { return ColWidths_.at(col); }
  int GlyphIndex() const { return GlyphIndex_; }
  const std::string& StatusText() const { return StatusText_; }
  // Lines received and refused since the program started.
  std::int64_t ReceivedLines() const { return ReceivedLines_; }
  int RefusedLines() const { return RefusedLines_; }
  // The status bar's other panels: the line counts, and DDE's state with its conversations and
  // advise links (counted when asked: the window asks at a bounded rate).
  std::string CountsText() const;
  std::string DdeStateText() const;
  // What the empty window tells the user to do; empty once a symbol has come.
  std::string EmptyHint() const;
  // The last good line of the symbol in the default terminal (or the labelled one), whether DDE
  // was on or off when it came; empty for none.
  std::string LastLine(std::string_view Symbol) const;
  std::string LastLine(std::string_view Label, std::string_view Symbol) const;
  // What System!Terminals answers: a line per terminal with its label, its services, whether a
  // sender of it is there and the seconds since its last line.
  std::string TerminalsText() const;
  const TQuoteBook& Book() const { return Book_; }
  // The terminal MT5 and MT4 serve; -1 before any line came.
  int DefaultTerminal() const { return Default_; }

  // The symbol list: terminals by label, each one's symbols sorted as DDE compares names. Lines
  // change rows in place; the window takes what changed at its own pace and draws only that.
  int RowCount() const;
  const TQuote& Row(int Index) const;
  std::string ListCell(int Index, int Col) const;
  TListChanges TakeListChanges();
  int DdeTag() const { return static_cast<int>(DdeManager_->Tag); }

  // The window's own stored properties.
  const std::string& Caption() const { return Caption_; }
  int Left() const { return Left_; }
  int Top() const { return Top_; }
  int ClientWidth() const { return ClientWidth_; }
  int ClientHeight() const { return ClientHeight_; }

  TInterAppReceiver& Receiver() { return *Receiver_; }
  TDDEMLManager& DdeManager() { return *DdeManager_; }

  // The description the program's window is made from.
  static std::string_view StoredDescription();

  static TAboutTexts AboutTexts();
  static std::string HelpPagePath();

  // Set by the application: the window handle used as parent for the shell, and the hooks
  // through which the real window follows the state.
  platform::Hwnd WindowHandle = platform::kNoWindow;
  std::function<void()> OnChanged;
  std::function<void(const TAboutTexts&)> OnShowAbout;
  std::function<void()> OnShowSettings;
  // Asks the window to call DoWork soon, from its own message loop; without it, Tick does.
  std::function<void()> OnWork;
  // The user's settings file, read by FormCreate; its MetaTrader 4 service applies from the next
  // time DDE is switched on.
  // Empty (as in tests): nothing is read or remembered. The program sets TSettings::DefaultFile.
  std::string SettingsFile;
  const TSettings& Settings() const { return Settings_; }
  // The command line's DDE switch for this start; it is not remembered.
  std::optional<bool> StartDde;
  // The local clock, seconds since 1970 as the wall clock reads them (time zone applied).
  std::function<std::int64_t()> Clock = LocalClock;
  static std::int64_t LocalClock();

 private:
  using QuoteFields = TQuoteFields;  // checked by CheckQuoteLine
  // Every outlet publishes the quote's line (DDE on and no name being registered).
  void Publish(TQuoteId Id, const QuoteFields& Fields, std::string_view Text, std::int32_t Time);
  // Publishes the quote's last line again (kept while names were registered, or DDE was off).
  void PublishKept(TQuoteId Id);
  void PublishHeld();
  void AskForWork();
  void RefuseLine(const std::string& Text, const std::string& Problem, const std::string& Detail);
  void DefineTopicsAndItems();
  void ShowDdeState(int Index);
  void Changed();
  // The terminal an unnamed sender's line is credited to: the default, made when there is none.
  int TerminalForUnnamed();
  // A terminal comes into the book: its symbol rule is read, and the first terminal with a label
  // becomes the default when the user chose none.
  int AddTerminal(const std::string& Label);
  // Registers the names of terminals not served yet, and publishes what they kept.
  void ServeNewTerminals();
  // MT5 and MT4 serve another terminal from now: its quotes are published there, and names the
  // new one has no quote for are left empty.
  void MoveDefault(int Terminal);
  void UpdateNames();
  void RebuildList() const;
  // The outlets' handlers of client requests: the terminal whose quotes a service carries.
  void CatchUp(std::string_view Service, std::string_view Topic, std::string_view Item);
  bool AnswerTerminals(std::string_view Service, std::string_view Topic, std::string_view Item);
  // Reading the stored description (main_form_stored.cpp).
  void ReadStored(std::string_view description);
  void ReadOwnProperty(const TStoredProperty& property);
  void ReadReceiverProperty(const TStoredProperty& property);
  void BindEvent(const std::string& component, const TStoredProperty& property);

  std::unique_ptr<TInterAppReceiver> Receiver_;
  TDDEMLManager* DdeManager_ = nullptr;  // owned as a component
  TQuoteBook Book_;
  TServiceNames Names_;
  // Made once the stored description gave the manager.
  std::unique_ptr<TMt5Outlet> Mt5_;
  std::unique_ptr<TMt4Outlet> Mt4_;
  std::vector<TQuoteOutlet*> Outlets_;
  int Default_ = -1;         // the terminal MT5 and MT4 serve
  int PendingDefault_ = -1;  // the one they serve once DoWork runs
  bool WorkAsked_ = false;
  bool InWork_ = false;
  // The list: quote ids in the order shown, each id's row, and what changed since the window
  // last asked. Made again when symbols were added.
  mutable std::vector<TQuoteId> ListIds_;
  mutable std::vector<int> RowOf_;
  mutable bool ListDirty_ = false;
  std::vector<char> IdChanged_;
  std::vector<TQuoteId> ChangedIds_;
  bool RowsAdded_ = false;
  std::int64_t ReceivedLines_ = 0;
  int RefusedLines_ = 0;
  TSettings Settings_;
  TSystemItems SystemItems_;  // what the System topic and each topic's lists answer
  // The service of MetaTrader 4's layout while DDE is on; empty when it is switched off, or
  // another program already served its name when DDE was switched on.
  std::string Mt4Service_;
  // Why the layout cannot be served as DDE is switched on: another program already serves its
  // name. Asked before Tickwell registers any name; empty when nothing is in the way.
  std::string Mt4NameTaken() const;
  // Chooses that service as DDE is switched on, before any name is registered: the settings as
  // they are now decide, unless Problem keeps the layout off, and a service an earlier session
  // served is no longer registered.
  void ChooseMt4Service(const std::string& Problem);
  // Why the layout is not served in this session of DDE, in the status bar and the settings.
  void ShowMt4Problem(const std::string& Problem);
  // Names are being registered (DDE is being switched on, or a terminal's names added): lines
  // are kept, not published, until they are (registering a name waits on other programs, and
  // lines come then). Held lists the quotes that changed meanwhile.
  bool DdeStarting_ = false;
  std::vector<TQuoteId> Held_;
  std::optional<bool> PendingSwitch_;  // the last switch asked for meanwhile
  std::string RefusedCount_;           // "3 lines refused"
  // What a good line leaves in the status bar: the refused count and why MetaTrader 4's layout
  // is not served (the settings' Mt4Problem).
  std::string GoodLineStatus_;
  void UpdateGoodLineStatus();
  TStringList TopicList_;
  TStringList ItemList_;
  std::string SymbolLabelCaption_;
  std::array<std::array<std::string, kGridRows>, kGridCols> Grid_;
  // The time the grid's time cell was made for: lines within one second reuse it.
  std::optional<std::int32_t> GridTime_;
  std::array<int, kGridCols> ColWidths_{100, 100};
  int GlyphIndex_ = 0;
  std::string StatusText_;
  std::string Caption_;
  int Left_ = 0, Top_ = 0, ClientWidth_ = 0, ClientHeight_ = 0;
};

}  // namespace tickwell
