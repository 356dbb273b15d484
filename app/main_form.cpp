#include "app/main_form.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <iterator>

#include "app/mt4_layout.h"
#include "app/quote_line.h"
#include "dde/manager/service_probe.h"
#include "interapp/terminal_label.h"
#include "dde/model/conversation.h"
#include "dde/model/names.h"
#include "platform/clipboard_format.h"
#include "platform/locale.h"
#include "platform/shell.h"
#include "platform/window.h"
#include "support/date_time.h"

namespace tickwell {
namespace {

constexpr char kService[] = "MT5";
constexpr char kSystem[] = "System";
constexpr char kTerminalsItem[] = "Terminals";

constexpr const char* kListCaptions[] = {"Terminal", "Symbol", "Bid",  "Ask",    "Last",
                                         "High",     "Low",    "Time", "Volume", "Received"};
constexpr std::int64_t kDay = 86400;

std::string TimeOfDayText(std::int64_t seconds) {
  const std::int64_t s = ((seconds % kDay) + kDay) % kDay;
  return platform::FormatLongTime(static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60),
                                  static_cast<int>(s % 60));
}

// The locale's short date and long time, the time also at midnight.
std::string DateTimeText(std::int64_t seconds) {
  const std::int64_t days = seconds >= 0 ? seconds / kDay : -((-seconds + kDay - 1) / kDay);
  int y = 0, m = 0, d = 0;
  CivilFromDays(days, y, m, d);
  return platform::FormatShortDate(y, m, d) + " " + TimeOfDayText(seconds);
}

std::string Counted(std::int64_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// How the list and the Terminals item name a terminal without a label.
std::string ShownLabel(const TTerminal& terminal) {
  return terminal.Label.empty() ? "(unnamed)" : terminal.Label;
}

}  // namespace

TMainForm::TMainForm(std::string_view description)
    : Receiver_(std::make_unique<TInterAppReceiver>()) {
  ReadStored(description);
  Mt5_ = std::make_unique<TMt5Outlet>(Book_, *DdeManager_, Names_);
  Mt4_ = std::make_unique<TMt4Outlet>(Book_, *DdeManager_, Names_);
  Outlets_ = {Mt5_.get(), Mt4_.get()};
}

TMainForm::~TMainForm() {
  // The receiver says goodbye before the manager ends its instance.
  Receiver_.reset();
}

const char* TMainForm::ListCaption(int col) { return kListCaptions[col]; }

std::int64_t TMainForm::LocalClock() {
  // The zone's offset is looked up once a minute, not for every line. The C library's time()
  // asks for the time zone on every call under Wine (two file checks a line); the system clock
  // does not.
  static thread_local std::time_t looked_up = -1;
  static thread_local std::int64_t offset = 0;
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  if (looked_up < 0 || now / 60 != looked_up / 60) {
    std::tm local{};
#ifdef _WIN32
    const bool known = localtime_s(&local, &now) == 0;
#else
    const bool known = localtime_r(&now, &local) != nullptr;
#endif
    offset = known ? DaysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) * kDay +
                         local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec - now
                   : 0;
    looked_up = now;
  }
  return static_cast<std::int64_t>(now) + offset;
}

void TMainForm::FormCreate() {
  Settings_ = TSettings::Read(SettingsFile);
  // A System!Topics list names every topic that holds a value: names that wait are brought up
  // first. Set before the System items chain theirs behind it.
  DdeManager_->OnTopicReceived = [this](TDDEMLManager&, const std::string& service) {
    CatchUp(service, {}, {});
  };
  SystemItems_.Attach(*DdeManager_, kService, Settings_.Mt4Enabled ? Settings_.Mt4Service : "");
  // The chosen default terminal serves MT5 from the first line on, whatever starts first.
  if (!Settings_.DefaultTerminal.empty()) Default_ = AddTerminal(Settings_.DefaultTerminal);
  UpdateNames();
  TopicList_.Clear();
  ItemList_.Clear();
  ShowDdeState(0);
  SymbolLabelCaption_.clear();
  Grid_[0] = {"TIME", "BID", "ASK", "LAST", "VOLUME"};
  GridTime_.reset();
  ColWidths_ = {60, 140};
  Changed();
  SwitchDde(StartDde.value_or(Settings_.DdeOn));
}

void TMainForm::FormClose(const TWindowPlace& Place) {
  if (!SettingsFile.empty() && Place.Known()) TSettings::WritePlace(SettingsFile, Place);
}

int TMainForm::AddTerminal(const std::string& Label) {
  const int known = Book_.FindTerminal(Label);
  if (known >= 0) return known;
  const int terminal = Book_.AddTerminal(Label);
  if (!Label.empty()) Book_.SetRule(terminal, TSettings::ReadRule(SettingsFile, Label));
  ListDirty_ = true;
  RowsAdded_ = true;
  return terminal;
}

int TMainForm::TerminalForUnnamed() {
  if (PendingDefault_ >= 0) return PendingDefault_;
  if (Default_ >= 0) return Default_;
  // The very first line, from a sender that never named its terminal: it is the default, served
  // as MT5 and MT4 at once, as those names are registered already.
  Default_ = AddTerminal({});
  Book_.MoveUnnamedSenders(Default_);
  UpdateNames();
  return Default_;
}

void TMainForm::TerminalNamed(TInterAppReceiver&, platform::Hwnd SenderHandle, const void* Data,
                              std::uint32_t Size) {
  std::string label;
  if (!ReadTerminalMessage(Data, Size, label)) return;
  if (label.empty()) {
    // The sender speaks for the default terminal, as one that never named any.
    Book_.NameSender(SenderHandle, TerminalForUnnamed());
    return;
  }
  const int terminal = AddTerminal(label);
  Book_.NameSender(SenderHandle, terminal);
  // Until the user chooses, the first terminal with a label that ever sent is the default, and
  // stays so whatever order terminals start in.
  if (Settings_.DefaultTerminal.empty()) {
    Settings_.DefaultTerminal = label;
    if (!SettingsFile.empty()) TSettings::WriteDefaultTerminal(SettingsFile, label);
    if (terminal != Default_) PendingDefault_ = terminal;
  }
  // Its names are registered, and the default moved, outside the sender's call: registering
  // waits on other programs, and the sender waits for this call to return.
  AskForWork();
  Changed();
}

void TMainForm::DoWork() {
  WorkAsked_ = false;
  if (DdeStarting_ || InWork_) return;
  InWork_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{InWork_};
  if (PendingDefault_ >= 0) {
    const int terminal = PendingDefault_;
    PendingDefault_ = -1;
    MoveDefault(terminal);
  }
  ServeNewTerminals();
}

void TMainForm::Tick() {
  if (Book_.CheckSenders([](platform::Hwnd window) { return platform::IsWindow(window); }))
    Changed();
  DoWork();
  // A client linked to System!Terminals follows the terminals' state and the age of their lines.
  if (DdeManager_->Tag != 0 && !DdeStarting_) {
    const std::string text = TerminalsText();
    for (const std::string& service : Names_.All())
      if (const TDDEMLItem* item = DdeManager_->FindItem(service, kSystem, kTerminalsItem);
          item && item->LinkState != lsNone && item->Text() != text)
        DdeManager_->SetItemText(service, kSystem, kTerminalsItem, text);
  }
}

void TMainForm::UpdateNames() { Names_.Update(Book_, Default_, Mt4Service_); }

void TMainForm::ServeNewTerminals() {
  TDDEMLManager& dde = *DdeManager_;
  if (dde.Tag == 0) return;
  std::vector<int> served;
  for (int t = 0; t < Book_.TerminalCount(); ++t) {
    const std::string& label = Book_.Terminal(t).Label;
    if (label.empty() || Names_.Served(t)) continue;
    // Lines taken while the names are registered are kept, and published once they are.
    DdeStarting_ = true;
    struct Done {
      bool& starting;
      ~Done() { starting = false; }
    } done{DdeStarting_};
    dde.StartService(Mt5ServiceOf(label));
    if (!Mt4Service_.empty()) dde.StartService(Mt4ServiceOf(label));
    Names_.SetServed(t, true);
    served.push_back(t);
  }
  if (served.empty()) return;
  UpdateNames();
  for (int t : served)
    for (TDdeOutlet* outlet :
         {static_cast<TDdeOutlet*>(Mt5_.get()), static_cast<TDdeOutlet*>(Mt4_.get())})
      outlet->Republish(t);
  PublishHeld();
}

void TMainForm::MoveDefault(int Terminal) {
  const int old = Default_;
  if (Terminal == old) return;
  Default_ = Terminal;
  Book_.MoveUnnamedSenders(Terminal);
  UpdateNames();
  ListDirty_ = true;
  RowsAdded_ = true;
  if (DdeManager_->Tag == 0 || DdeStarting_) return;
  TDdeOutlet* outlets[] = {Mt5_.get(), Mt4_.get()};
  for (TDdeOutlet* outlet : outlets) {
    outlet->Republish(old);
    outlet->Republish(Terminal);
  }
  // What MT5 and MT4 held of the old default and the new one has not quoted would be credited
  // to the wrong terminal: those names are left without a value until a line brings one.
  if (old < 0) return;
  const std::vector<TQuoteId> ids = Book_.Symbols(old);
  for (TQuoteId id : ids) {
    const TQuote& quote = Book_.Quote(id);
    for (const std::string& name : {quote.Symbol, quote.Alias}) {
      if (name.empty() || Book_.Find(Terminal, name)) continue;
      Mt5_->Blank(kService, name);
      if (!Mt4Service_.empty()) Mt4_->Blank(Mt4Service_, name);
    }
  }
}

void TMainForm::QuoteLineReceived(TInterAppReceiver&, platform::Hwnd SenderHandle,
                                  const std::string& Text) {
  // Whatever happens on the way, the window shows the outcome.
  struct Notify {
    TMainForm* form;
    ~Notify() { form->Changed(); }
  } notify{this};

  ++ReceivedLines_;
  QuoteFields fields;
  std::int32_t time = 0;
  std::string detail;
  const std::string problem = CheckQuoteLine(Text, fields, time, detail);
  if (!problem.empty()) return RefuseLine(Text, problem, detail);

  // Kept whatever the DDE switch says, so that switching on serves every symbol at once.
  int terminal = Book_.SenderTerminal(SenderHandle);
  if (terminal < 0) {
    terminal = TerminalForUnnamed();
    Book_.AddUnnamedSender(SenderHandle, terminal);
  }
  bool added = false;
  const TQuoteId id = Book_.Keep(terminal, fields[0], Text, time, Clock ? Clock() : 0, added);
  if (IdChanged_.size() <= id) IdChanged_.resize(static_cast<std::size_t>(id) + 1, 0);
  if (added) {
    ListDirty_ = true;
    RowsAdded_ = true;
    for (TQuoteId changed : ChangedIds_) IdChanged_[changed] = 0;
    ChangedIds_.clear();
  } else if (!RowsAdded_ && !IdChanged_[id]) {
    IdChanged_[id] = 1;
    ChangedIds_.push_back(id);
  }
  Publish(id, fields, Text, time);

  SymbolLabelCaption_.assign(fields[0]);
  std::array<std::string, kGridRows>& shown = Grid_[1];
  if (GridTime_ != time) {
    shown[0] = FormatDayNumber(UnixSecondsToDayNumber(time));
    GridTime_ = time;
  }
  shown[1].assign(fields[1]);
  shown[2].assign(fields[2]);
  shown[3].assign(fields[3]);
  shown[4].assign(fields[5]);
  StatusText_ = GoodLineStatus_;
}

void TMainForm::Publish(TQuoteId Id, const QuoteFields& Fields, std::string_view Text,
                        std::int32_t Time) {
  if (DdeManager_->Tag == 0) return;
  if (DdeStarting_) {
    Held_.push_back(Id);
    return;
  }
  for (TQuoteOutlet* outlet : Outlets_) outlet->Publish(Id, Fields, Text, Time);
}

void TMainForm::PublishKept(TQuoteId Id) {
  // A copy: the fields point into it while the book may change.
  const std::string line = Book_.Quote(Id).Line;
  QuoteFields fields;
  std::int32_t time = 0;
  std::string detail;
  if (CheckQuoteLine(line, fields, time, detail).empty()) Publish(Id, fields, line, time);
}

void TMainForm::PublishHeld() {
  std::vector<TQuoteId> held;
  held.swap(Held_);
  std::sort(held.begin(), held.end());
  held.erase(std::unique(held.begin(), held.end()), held.end());
  for (TQuoteId id : held) PublishKept(id);
}

void TMainForm::RebuildList() const {
  if (!ListDirty_) return;
  ListDirty_ = false;
  // Terminals by label, the unnamed one first; each one's symbols as the book sorts them.
  std::vector<int> order(static_cast<std::size_t>(Book_.TerminalCount()));
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::sort(order.begin(), order.end(), [&](int a, int b) {
    return CompareNames(Book_.Terminal(a).Label, Book_.Terminal(b).Label) < 0;
  });
  ListIds_.clear();
  for (int t : order) {
    const std::vector<TQuoteId>& ids = Book_.Symbols(t);
    ListIds_.insert(ListIds_.end(), ids.begin(), ids.end());
  }
  RowOf_.assign(Book_.QuoteCount(), -1);
  for (std::size_t row = 0; row < ListIds_.size(); ++row)
    RowOf_[ListIds_[row]] = static_cast<int>(row);
}

int TMainForm::RowCount() const {
  RebuildList();
  return static_cast<int>(ListIds_.size());
}

const TQuote& TMainForm::Row(int Index) const {
  RebuildList();
  return Book_.Quote(ListIds_.at(static_cast<std::size_t>(Index)));
}

TListChanges TMainForm::TakeListChanges() {
  RebuildList();
  TListChanges changes;
  changes.All = RowsAdded_;
  if (!RowsAdded_)
    for (TQuoteId id : ChangedIds_) changes.Rows.push_back(RowOf_[id]);
  for (TQuoteId id : ChangedIds_) IdChanged_[id] = 0;
  ChangedIds_.clear();
  RowsAdded_ = false;
  return changes;
}

std::string TMainForm::ListCell(int Index, int Col) const {
  const TQuote& row = Row(Index);
  switch (Col) {
    case kColTerminal:
      return ShownLabel(Book_.Terminal(row.Terminal));
    case kColSymbol:
      return row.Symbol;
    case kColTime:
      return DateTimeText(row.Time);
    case kColReceived:
      return TimeOfDayText(row.Received);
    case kColBid:
    case kColAsk:
    case kColLast:
    case kColHigh:
    case kColLow:
    case kColVolume: {
      QuoteFields fields;
      std::int32_t time = 0;
      std::string detail;
      CheckQuoteLine(row.Line, fields, time, detail);
      constexpr std::size_t kPlace[] = {0, 0, 1, 2, 3, 6, 7, 0, 5, 0};
      return std::string(fields[kPlace[Col]]);
    }
    default:
      return {};
  }
}

std::string TMainForm::CountsText() const {
  std::string text;
  const int terminals = Book_.TerminalCount();
  if (terminals > 1 || (terminals == 1 && !Book_.Terminal(0).Label.empty())) {
    // Which terminals are not sending, by name while they are few.
    std::vector<std::string> gone;
    for (int t = 0; t < terminals; ++t)
      if (!Book_.Terminal(t).Connected) gone.push_back(ShownLabel(Book_.Terminal(t)));
    text = Counted(terminals, "terminal", "terminals");
    if (gone.size() > 2) {
      text += " (" + std::to_string(gone.size()) + " not sending)";
    } else if (!gone.empty()) {
      text += " (" + gone[0] + (gone.size() == 2 ? ", " + gone[1] : "") + " not sending)";
    }
    text += ", ";
  }
  return text + Counted(ReceivedLines_, "line received", "lines received") + ", " +
         std::to_string(RefusedLines_) + " refused";
}

std::string TMainForm::DdeStateText() const {
  const TDDEMLManager& dde = *DdeManager_;
  if (dde.Tag == 0) return "DDE off";
  const int conversations = dde.ConversationCount();
  const std::int64_t links = dde.ServerLinkCount();
  return "DDE on: " + Counted(conversations, "conversation", "conversations") + ", " +
         Counted(links, "link", "links");
}

std::string TMainForm::EmptyHint() const {
  if (Book_.QuoteCount() != 0) return {};
  std::string hint =
      "No quotes yet.\r\n\r\nIn MetaTrader 5, start the TickwellService service (or attach the "
      "TickwellFeed expert to a chart). Each symbol appears here with its first price change.";
  hint += DdeManager_->Tag == 0 ? "\r\n\r\nThen press DDE to hand the quotes to your spreadsheet."
                                : "\r\n\r\nDDE is on: a spreadsheet gets every quote as it comes.";
  return hint;
}

std::string TMainForm::TerminalsText() const {
  const std::int64_t now = Clock ? Clock() : 0;
  std::string text;
  for (int t = 0; t < Book_.TerminalCount(); ++t) {
    const TTerminal& terminal = Book_.Terminal(t);
    std::string services;
    for (const auto& layout : {Names_.Mt5(t), Names_.Mt4(t)})
      for (const std::string& name : layout) services += (services.empty() ? "" : " ") + name;
    if (!text.empty()) text += "\r\n";
    text += ShownLabel(terminal) + "\t" + services + "\t" +
            (terminal.Connected ? "sending" : "not sending") + "\t" +
            (terminal.LastReceived == 0
                 ? std::string()
                 : std::to_string(std::max<std::int64_t>(0, now - terminal.LastReceived)));
  }
  return text;
}

void TMainForm::RefuseLine(const std::string& Text, const std::string& Problem,
                           const std::string& Detail) {
  ++RefusedLines_;
  RefusedCount_ =
      std::to_string(RefusedLines_) + (RefusedLines_ == 1 ? " line refused" : " lines refused");
  UpdateGoodLineStatus();
  StatusText_ = RefusedCount_ + " - " + Problem;
  if (!Text.empty()) StatusText_ += ": " + Text;
  if (!Detail.empty()) StatusText_ += " (" + Detail + ")";
}

std::string TMainForm::LastLine(std::string_view Symbol) const {
  const int terminal = PendingDefault_ >= 0 ? PendingDefault_ : Default_;
  const auto id = Book_.Find(terminal, Symbol);
  return id ? Book_.Quote(*id).Line : std::string();
}

std::string TMainForm::LastLine(std::string_view Label, std::string_view Symbol) const {
  const auto id = Book_.Find(Book_.FindTerminal(Label), Symbol);
  return id ? Book_.Quote(*id).Line : std::string();
}

void TMainForm::DdeButtonClick() {
  SwitchDde(DdeManager_->Tag == 0);
  if (SettingsFile.empty()) return;
  if (!TSettings::WriteDde(SettingsFile, DdeManager_->Tag != 0)) {
    StatusText_ = "The DDE switch could not be remembered: " + SettingsFile + " cannot be written";
    Changed();
  }
}

void TMainForm::SwitchDde(bool On) {
  TDDEMLManager& dde = *DdeManager_;
  // A switch asked for while the names are being registered (a second start's command comes
  // then too) would stop the instance under the registration: it waits until the start is done.
  if (DdeStarting_) {
    PendingSwitch_ = On;
    return;
  }
  if ((dde.Tag != 0) == On) return;
  // The outcome of a start or stop is in the manager's trace; the glyph follows the switch.
  if (dde.Tag == 0) {
    // Asked while DDE is still off: what other programs send meanwhile (a line, a second start's
    // switch) finds it off, and nothing of Tickwell's can answer the question.
    const std::string problem = Mt4NameTaken();
    if (dde.Tag != 0) return;  // switched on meanwhile
    // A default the user chose meanwhile, or a first terminal with a label, applies now.
    if (PendingDefault_ >= 0) {
      Default_ = PendingDefault_;
      PendingDefault_ = -1;
      Book_.MoveUnnamedSenders(Default_);
    }
    dde.Tag = 1;
    ChooseMt4Service(problem);
    Mt4_->Reset();
    DefineTopicsAndItems();
    bool started = false;
    {
      // Naming a service waits on the other DDE programs, and a line taken meanwhile would make
      // its items in a service that has no name yet, where no client ever finds them.
      DdeStarting_ = true;
      struct Done {
        bool& starting;
        ~Done() { starting = false; }
      } done{DdeStarting_};
      started = dde.InitDDEML();
    }
    Held_.clear();
    // The last line of every symbol is served from the first request on.
    if (started)
      for (int t = 0; t < Book_.TerminalCount(); ++t) {
        Mt5_->Republish(t);
        Mt4_->Republish(t);
      }
  } else {
    dde.Tag = 0;
    dde.DisconnectAll();
    dde.TerminateDDEML();
    Names_.ServeNone();
    UpdateNames();
    ShowMt4Problem({});
  }
  ShowDdeState(static_cast<int>(dde.Tag));
  Changed();
  if (PendingSwitch_) {
    const bool on = *PendingSwitch_;
    PendingSwitch_.reset();
    SwitchDde(on);
  }
}

std::string TMainForm::Mt4NameTaken() const {
  const std::string& name = Settings_.Mt4Service;
  // MetaTrader 4's own server has the layout's fields as topics, other servers a System topic.
  // Two servers of one name would split the clients between them, each client silently.
  if (!Settings_.Mt4Enabled || !ServiceAnswers(name, {mt4::kTopics[0], "System"})) return {};
  return "Another program already serves " + name +
         " (MetaTrader 4?), so Tickwell's MetaTrader 4 layout is off. To have both, rename "
         "Tickwell's layout in Settings (for example " +
         (SameName(name, "MT4TW") ? "MT4TW2" : "MT4TW") + "), then switch DDE off and on.";
}

void TMainForm::ChooseMt4Service(const std::string& Problem) {
  TDDEMLManager& dde = *DdeManager_;
  Mt4Service_ = Settings_.Mt4Enabled && Problem.empty() ? Settings_.Mt4Service : std::string();
  // Every terminal with a label is served under its own names from the start.
  for (int t = 0; t < Book_.TerminalCount(); ++t)
    Names_.SetServed(t, !Book_.Terminal(t).Label.empty());
  UpdateNames();
  // The services of earlier sessions stay in the manager's list: only those chosen now are
  // registered, so a name given up takes no conversation.
  const std::vector<std::string> names = Names_.All();
  for (int i = 0; i < dde.Services().ServiceCount(); ++i) {
    const std::string served = dde.ServiceName(i);
    const bool chosen = std::any_of(names.begin(), names.end(), [&](const std::string& name) {
      return SameName(name, served);
    });
    if (!chosen) dde.SetServiceEnabled(served, false);
  }
  for (const std::string& name : names) dde.StartService(name);
  SystemItems_.Attach(dde, kService, Mt4Service_);
  SystemItems_.SetFieldServices([this](std::string_view service) { return Names_.IsMt4(service); });
  ShowMt4Problem(Problem);
}

void TMainForm::ShowMt4Problem(const std::string& Problem) {
  if (Problem == Settings_.Mt4Problem) return;
  Settings_.Mt4Problem = Problem;
  UpdateGoodLineStatus();
  StatusText_ = GoodLineStatus_;
}

void TMainForm::UpdateGoodLineStatus() {
  const std::string& problem = Settings_.Mt4Problem;
  GoodLineStatus_ = RefusedCount_.empty() || problem.empty() ? RefusedCount_ + problem
                                                             : RefusedCount_ + ". " + problem;
}

void TMainForm::DefineTopicsAndItems() {
  // Both lists start empty and the application never fills them, so this defines nothing today.
  for (const auto& topic : TopicList_.Items()) {
    for (const auto& item : ItemList_.Items()) DdeManager_->AddItem(kService, topic, item);
  }
}

void TMainForm::CatchUp(std::string_view Service, std::string_view Topic, std::string_view Item) {
  // Names that wait are brought up to date before a client reads them. A topic's item list or
  // a System list reads every symbol of the terminal.
  if (const int t = Names_.Mt5Terminal(Service); t >= 0) {
    if (Topic.empty()) return Mt5_->CatchUpTerminal(t);
    if (const auto id = Book_.Find(t, Topic)) Mt5_->CatchUp(*id);
  } else if (const int t4 = Names_.Mt4Terminal(Service); t4 >= 0) {
    if (Item.empty()) return Mt4_->CatchUpTerminal(t4);
    if (const auto id = Book_.Find(t4, Item)) Mt4_->CatchUp(*id);
  }
}

bool TMainForm::AnswerTerminals(std::string_view Service, std::string_view Topic,
                                std::string_view Item) {
  if (!SameName(Topic, kSystem) || !SameName(Item, kTerminalsItem)) return false;
  DdeManager_->SetItemText(Service, kSystem, kTerminalsItem, TerminalsText());
  return true;
}

void TMainForm::DdeManagerAdviseStartReceived(TDDEMLManager& Sender,
                                              const std::string& AServiceName,
                                              const std::string& ATopicName,
                                              const std::string& AnItemName, std::int32_t,
                                              TDDEMLClipFmtType, std::uint16_t AFormatNumber,
                                              bool& Allow) {
  // The quote items hold text. A link in any other format would be acknowledged and then never
  // fed (the manager refuses to serve a format the item does not have), so a spreadsheet that
  // asks for its table formats first must be turned down until it asks for text.
  Allow = AFormatNumber == platform::kCfText || AFormatNumber == platform::kCfUnicodeText;
  // The System topic's items are answered in both layouts.
  if (SameName(ATopicName, kSystem)) {
    if (Allow) AnswerTerminals(AServiceName, ATopicName, AnItemName);
    return;
  }
  const bool mt4 = Names_.IsMt4(AServiceName);
  // MetaTrader 4's topics are its six fields: a link on any other (MT5's order of names typed
  // under MT4, =MT4|EURUSD!BID) would stay empty for good, and is refused so the cell says so.
  if (mt4 && !TMt4Outlet::IsTopic(ATopicName)) Allow = false;
  // In MT5's layout a symbol may still be to come, its items not: a link on a misspelt item
  // (=MT5|EURUSD!BIDD) is refused for the same reason, unless the item was defined up front.
  if (!mt4 && !TMt5Outlet::IsItem(AnItemName) && !TSystemItems::IsInfoItem(AnItemName) &&
      Sender.FindItem(AServiceName, ATopicName, AnItemName) == nullptr)
    Allow = false;
  // The link's first value is the symbol's last quote.
  if (Allow) CatchUp(AServiceName, ATopicName, AnItemName);
}

void TMainForm::DdeManagerTopicClosed(TDDEMLManager&, const std::string& AServerName,
                                      const std::string& ATopicName, bool& aRetainTopic) {
  // A topic some client merely asked for (a mistyped symbol, the System topic) goes with its
  // last conversation, so clients cannot fill the memory with names.
  if (Names_.IsMt4(AServerName)) {
    aRetainTopic = TMt4Outlet::IsTopic(ATopicName);
    return;
  }
  const int terminal = Names_.Mt5Terminal(AServerName);
  aRetainTopic = Book_.Find(terminal, ATopicName).has_value();
}

void TMainForm::DdeManagerItemReceived(TDDEMLManager&, const std::string& AServiceName,
                                       const std::string& ATopicName) {
  // A symbol is listed under a field once its item holds a value, and a field under a symbol.
  CatchUp(AServiceName, Names_.IsMt4(AServiceName) ? std::string_view() : ATopicName, {});
}

void TMainForm::DdeManagerRequestReceived(TDDEMLManager&, const std::string& AServiceName,
                                          const std::string& ATopicName,
                                          const std::string& AnItemName, std::int32_t,
                                          TDDEMLClipFmtType, std::uint16_t, bool& ValidItem) {
  ValidItem = true;
  if (AnswerTerminals(AServiceName, ATopicName, AnItemName)) return;
  CatchUp(AServiceName, ATopicName, AnItemName);
  if (Names_.IsMt4(AServiceName) && TMt4Outlet::IsTopic(ATopicName))
    Mt4_->AnswerUnquoted(AServiceName, ATopicName, AnItemName);
}

void TMainForm::ShowDdeState(int Index) { GlyphIndex_ = Index; }

bool TMainForm::HelpCommandClick() {
  // Under Wine the shell may hand the page to a browser that never shows, so the status bar says
  // where the page is either way.
  const std::string page = HelpPagePath();
  const bool opened = platform::ShellOpen(WindowHandle, page);
  StatusText_ =
      opened ? "The help page is " + page : "No program could open the help page: " + page;
  Changed();
  return opened;
}

void TMainForm::AboutCommandClick() {
  if (OnShowAbout) OnShowAbout(AboutTexts());
}

void TMainForm::SettingsCommandClick() {
  if (OnShowSettings) OnShowSettings();
}

std::string TMainForm::ChangeMt4Settings(bool Enabled, const std::string& Service) {
  std::string name = Service;
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!name.empty() && blank(name.back())) name.pop_back();
  name.erase(0, std::find_if_not(name.begin(), name.end(), blank) - name.begin());
  if (name.empty()) return "The service needs a name.";
  if (SameName(name, kService))
    return "MT5 is the name of Tickwell's own layout: choose another, for example MT4TW.";
  if (name.size() > 4 && SameName(name.substr(0, 4), "MT5_"))
    return "Names beginning MT5_ are those of Tickwell's terminals: choose another, for example "
           "MT4TW.";
  // A DDE name is at most 255 characters.
  if (name.size() > 255) return "The name is longer than 255 characters.";
  if (!SettingsFile.empty() && !TSettings::WriteMt4(SettingsFile, Enabled, name))
    return "The settings could not be saved: " + SettingsFile + " cannot be written.";
  Settings_.Mt4Enabled = Enabled;
  Settings_.Mt4Service = name;
  return {};
}

std::string TMainForm::ChangeDefaultTerminal(const std::string& Label) {
  if (!Label.empty() && !IsTerminalLabel(Label))
    return "A terminal's label is letters, digits and _.";
  if (!SettingsFile.empty() && !TSettings::WriteDefaultTerminal(SettingsFile, Label))
    return "The settings could not be saved: " + SettingsFile + " cannot be written.";
  Settings_.DefaultTerminal = Label;
  // None chosen: the terminal serving now stays until the next start, where the first terminal
  // with a label to send is the default again.
  if (Label.empty()) return {};
  PendingDefault_ = AddTerminal(Label);
  if (PendingDefault_ == Default_) PendingDefault_ = -1;
  AskForWork();
  Changed();
  return {};
}

std::string TMainForm::ChangeSymbolRule(const std::string& Label, const TSymbolRule& Rule) {
  if (!IsTerminalLabel(Label)) return "A terminal's label is letters, digits and _.";
  for (const std::string* part : {&Rule.Prefix, &Rule.Suffix}) {
    if (part->size() > 32) return "A prefix or suffix is at most 32 characters.";
    for (char c : *part)
      if (c == ';' || c == '|' || c == '!' || static_cast<unsigned char>(c) < 32)
        return "A prefix or suffix cannot hold ; | ! or control characters.";
  }
  if (!SettingsFile.empty() && !TSettings::WriteRule(SettingsFile, Label, Rule))
    return "The settings could not be saved: " + SettingsFile + " cannot be written.";
  const int terminal = AddTerminal(Label);
  std::vector<std::string> before;
  for (TQuoteId id : Book_.Symbols(terminal))
    if (!Book_.Quote(id).Alias.empty()) before.push_back(Book_.Quote(id).Alias);
  Book_.SetRule(terminal, Rule);
  if (DdeManager_->Tag == 0 || DdeStarting_) return {};
  // Plain names the rule no longer gives hold no quote of the terminal any more.
  for (const std::string& name : before) {
    if (Book_.Find(terminal, name)) continue;
    for (const std::string& service : Names_.Mt5(terminal)) Mt5_->Blank(service, name);
    for (const std::string& service : Names_.Mt4(terminal)) Mt4_->Blank(service, name);
  }
  Mt5_->Republish(terminal);
  Mt4_->Republish(terminal);
  return {};
}

void TMainForm::AskForWork() {
  if (WorkAsked_) return;
  WorkAsked_ = true;
  if (OnWork) OnWork();
}

void TMainForm::ShowError(const std::string& text) {
  StatusText_ = text;
  Changed();
}

void TMainForm::Changed() {
  if (OnChanged) OnChanged();
}

TAboutTexts TMainForm::AboutTexts() {
  return {
      "About Tickwell",
      "Tickwell supports you with DDE functionality which is no longer implemented in Metatrader 5 "
      "software.\n\rFurther information and instructions you will find via the internet link "
      "below.",
      "Version: 1.0.0.2", HelpPagePath(), "Tickwell help (tickwell-help.html)"};
}

std::string TMainForm::HelpPagePath() { return platform::ProgramFolder() + "tickwell-help.html"; }

}  // namespace tickwell
