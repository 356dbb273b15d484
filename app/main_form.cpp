#include "app/main_form.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <iterator>

#include "app/mt4_layout.h"
#include "app/quote_line.h"
#include "dde/manager/service_probe.h"
#include "dde/model/conversation.h"
#include "dde/model/names.h"
#include "platform/clipboard_format.h"
#include "platform/locale.h"
#include "platform/shell.h"
#include "support/date_time.h"

namespace tickwell {
namespace {

constexpr char kService[] = "MT5";
constexpr const char* kValueItems[] = {"BID", "ASK", "LAST", "TIME", "VOLUME"};
// The other items a line fills: the whole line, and the day's high and low when it has them.
constexpr const char* kLineItem = "QUOTE";
constexpr const char* kRangeItems[] = {"HIGH", "LOW"};
// Far more than any terminal has symbols.
constexpr int kMaxUnquotedItems = 10000;

constexpr const char* kListCaptions[] = {"Symbol", "Bid",    "Ask",     "Last",
                                         "Time",   "Volume", "Received"};
constexpr std::int64_t kDay = 86400;

// A symbol's first eight bytes folded as names compare, the first the most significant, zeros
// after a shorter name: keys are ordered as NameLess orders their names, and where two keys are
// equal the names decide.
std::uint64_t RowKey(std::string_view symbol) {
  std::uint64_t key = 0;
  for (std::size_t i = 0; i < 8; ++i)
    key =
        (key << 8) | (i < symbol.size() ? static_cast<unsigned char>(FoldNameChar(symbol[i])) : 0u);
  return key;
}

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

template <typename Names>
bool IsOneOf(std::string_view name, const Names& names) {
  return std::any_of(std::begin(names), std::end(names),
                     [&](const char* known) { return SameName(name, known); });
}

bool IsMt4Topic(std::string_view name) { return IsOneOf(name, mt4::kTopics); }

// The items a line fills in a symbol's topic of MT5's layout.
bool IsMt5Item(std::string_view name) {
  return SameName(name, kLineItem) || IsOneOf(name, kValueItems) || IsOneOf(name, kRangeItems);
}

}  // namespace

bool TMainForm::NameLess::operator()(std::string_view a, std::string_view b) const {
  return CompareNames(a, b) < 0;
}

TMainForm::TMainForm(std::string_view description)
    : Receiver_(std::make_unique<TInterAppReceiver>()) {
  ReadStored(description);
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
  SystemItems_.Attach(*DdeManager_, kService, Settings_.Mt4Enabled ? Settings_.Mt4Service : "");
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

void TMainForm::QuoteLineReceived(TInterAppReceiver&, platform::Hwnd, const std::string& Text) {
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
  const std::size_t row = KeepLine(fields[0], Text, time);
  if (DdeManager_->Tag != 0 && !DdeStarting_) PublishRow(row, fields, Text, time);

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

void TMainForm::PublishRow(std::size_t At, const QuoteFields& Fields, std::string_view Text,
                           std::int32_t Time, bool Mt4Only) {
  // Posting reaches clients, and a line taken meanwhile may add a row and move the others: the
  // row's places are used from a copy, kept only while the rows stayed where they were.
  TDDEMLManager::TItemPlaces mt5 = Rows_[At].Mt5Places, mt4 = Rows_[At].Mt4Places;
  const std::uint64_t inserts = RowInserts_;
  if (!Mt4Only) mt5.Prefetch();
  if (Mt4Only || !Rows_[At].Mt4Behind) mt4.Prefetch();
  if (!Mt4Only) PublishMt5(Fields, Text, mt5);
  // Most symbols are read in one layout only: the other's items are made, and follow, when a
  // client reads them.
  const bool wait = !Mt4Only && Mt4MayWait(At, inserts, Fields, mt4);
  if (!wait) PublishMt4(Fields, Time, mt4);
  if (inserts != RowInserts_ || At >= Rows_.size()) return;
  Rows_[At].Mt5Places = mt5;
  Rows_[At].Mt4Places = mt4;
  Rows_[At].Mt4Behind = wait;
}

void TMainForm::PublishMt5(const QuoteFields& Fields, std::string_view Text,
                           TDDEMLManager::TItemPlaces& Places) {
  // Both or neither: a high without its low would leave a range no quote ever had.
  const std::string_view high = Fields[6], low = Fields[7];
  const bool range = !high.empty() && !low.empty();
  // The symbol's topic is found once for all its items, or not at all once the row's places
  // hold them; each item has its entry in the places, the same for every line.
  std::array<TDDEMLManager::TItemText, std::size(kValueItems) + 1 + std::size(kRangeItems)> items;
  std::size_t count = 0;
  const auto add = [&](std::string_view item, std::string_view text) {
    items[count] = {item, text, static_cast<std::uint8_t>(count)};
    ++count;
  };
  for (std::size_t i = 0; i < std::size(kValueItems); ++i) add(kValueItems[i], Fields[i + 1]);
  add(kLineItem, Text);
  if (range) {
    add(kRangeItems[0], high);
    add(kRangeItems[1], low);
  }
  DdeManager_->SetItemTexts(kService, Fields[0], std::span(items.data(), count), &Places);
}

namespace {
// MetaTrader 4's topics in the order of their entries in a row's places (and of mt4::kTopics).
enum Mt4Place : std::uint8_t { kMt4Bid, kMt4Ask, kMt4High, kMt4Low, kMt4Time, kMt4Quote };
}  // namespace

bool TMainForm::Mt4MayWait(std::size_t At, std::uint64_t Inserts, const QuoteFields& Fields,
                           const TDDEMLManager::TItemPlaces& Places) const {
  if (Mt4Service_.empty()) return false;
  // A row that waited, still where it was: a new link on any of its items brings the row up to
  // date first (it is no longer behind), so none is linked.
  if (Inserts == RowInserts_ && At < Rows_.size() && Rows_[At].Mt4Behind) return true;
  // Kept items are looked at only while nothing was let go since they were kept.
  const bool kept = Places.Service && Places.Current(Places.Service) &&
                    SameName(Places.Service->Name, Mt4Service_);
  const auto linked = [](const TDDEMLItem* item) { return item && item->LinkState != lsNone; };
  if (kept)
    for (const TDDEMLItem* item : Places.Items)
      if (linked(item)) return false;
  // Those not kept (a symbol's first line, a range no line had yet) may still have been linked
  // before; they are looked up, without making them.
  for (std::uint8_t place = kMt4Bid; place <= kMt4Quote; ++place)
    if ((!kept || !Places.Items[place]) &&
        linked(DdeManager_->FindItem(Mt4Service_, mt4::kTopics[place], Fields[0])))
      return false;
  return true;
}

void TMainForm::PublishMt4(const QuoteFields& Fields, std::int32_t Time,
                           TDDEMLManager::TItemPlaces& Places) {
  if (Mt4Service_.empty()) return;
  const std::string_view bid = Fields[1], ask = Fields[2], high = Fields[6], low = Fields[7];
  std::array<TDDEMLManager::TTopicText, 6> fields;
  std::size_t count = 0;
  fields[count++] = {"BID", bid, kMt4Bid};
  fields[count++] = {"ASK", ask, kMt4Ask};
  if (!high.empty() && !low.empty()) {
    fields[count++] = {"HIGH", high, kMt4High};
    fields[count++] = {"LOW", low, kMt4Low};
  }
  fields[count++] = {"TIME", Mt4Times_.Time(Time), kMt4Time};
  fields[count++] = {"QUOTE", Mt4Times_.Quote(Time, bid, ask), kMt4Quote};
  DdeManager_->SetItemInTopics(Mt4Service_, Fields[0], std::span(fields.data(), count), &Places);
}

void TMainForm::CatchUpMt4(std::string_view Symbol) {
  const std::size_t at = RowPlace(Symbol);
  if (at < Rows_.size() && !NameLess{}(Symbol, Rows_[at].Symbol)) CatchUpMt4Row(at);
}

void TMainForm::CatchUpAllMt4() {
  for (std::size_t at = 0; at < Rows_.size(); ++at) CatchUpMt4Row(at);
}

void TMainForm::CatchUpMt4Row(std::size_t At) {
  if (!Rows_[At].Mt4Behind) return;
  // A copy: the fields point into it while the rows may move.
  const std::string line = Rows_[At].Line;
  QuoteFields fields;
  std::int32_t time = 0;
  std::string detail;
  if (CheckQuoteLine(line, fields, time, detail).empty()) PublishRow(At, fields, line, time, true);
}

std::size_t TMainForm::RowPlace(std::string_view Symbol) const {
  const std::uint64_t key = RowKey(Symbol);
  const auto first = std::lower_bound(RowKeys_.begin(), RowKeys_.end(), key);
  const auto last = std::upper_bound(first, RowKeys_.end(), key);
  const auto rows = Rows_.begin() + (first - RowKeys_.begin());
  const auto end = Rows_.begin() + (last - RowKeys_.begin());
  const auto at = std::lower_bound(
      rows, end, Symbol,
      [](const TQuoteRow& row, std::string_view symbol) { return NameLess{}(row.Symbol, symbol); });
  return static_cast<std::size_t>(at - Rows_.begin());
}

std::size_t TMainForm::KeepLine(std::string_view Symbol, const std::string& Text,
                                std::int32_t Time) {
  const auto at = Rows_.begin() + static_cast<std::ptrdiff_t>(RowPlace(Symbol));
  const std::int64_t now = Clock ? Clock() : 0;
  if (at != Rows_.end() && !NameLess{}(Symbol, at->Symbol)) {
    at->Line = Text;
    at->Time = Time;
    at->Received = now;
    if (!at->Changed && !RowsAdded_) {
      at->Changed = true;
      ChangedRows_.push_back(static_cast<int>(at - Rows_.begin()));
    }
    return static_cast<std::size_t>(at - Rows_.begin());
  }
  // A new symbol moves the rows after it: the window then redraws what it shows.
  const auto key = RowKeys_.insert(RowKeys_.begin() + (at - Rows_.begin()), RowKey(Symbol));
  std::vector<TQuoteRow>::iterator made;
  try {
    made = Rows_.insert(at, TQuoteRow{std::string(Symbol), Text, Time, now, false, {}, {}});
  } catch (...) {
    RowKeys_.erase(key);
    throw;
  }
  RowsAdded_ = true;
  ++RowInserts_;
  ChangedRows_.clear();
  return static_cast<std::size_t>(made - Rows_.begin());
}

TListChanges TMainForm::TakeListChanges() {
  TListChanges changes;
  changes.All = RowsAdded_;
  if (RowsAdded_) {
    for (TQuoteRow& row : Rows_) row.Changed = false;
    ChangedRows_.clear();
  } else {
    for (int index : ChangedRows_) Rows_[static_cast<std::size_t>(index)].Changed = false;
    changes.Rows.swap(ChangedRows_);
  }
  RowsAdded_ = false;
  return changes;
}

std::string TMainForm::ListCell(int Index, int Col) const {
  const TQuoteRow& row = Row(Index);
  switch (Col) {
    case 0:
      return row.Symbol;
    case 4:
      return DateTimeText(row.Time);
    case 6:
      return TimeOfDayText(row.Received);
    case 1:
    case 2:
    case 3:
    case 5: {
      QuoteFields fields;
      std::int32_t time = 0;
      std::string detail;
      CheckQuoteLine(row.Line, fields, time, detail);
      return std::string(fields[static_cast<std::size_t>(Col)]);
    }
    default:
      return {};
  }
}

std::string TMainForm::CountsText() const {
  return Counted(ReceivedLines_, "line received", "lines received") + ", " +
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
  if (!Rows_.empty()) return {};
  std::string hint =
      "No quotes yet.\r\n\r\nIn MetaTrader 5, start the TickwellService service (or attach the "
      "TickwellFeed expert to a chart). Each symbol appears here with its first price change.";
  hint += DdeManager_->Tag == 0 ? "\r\n\r\nThen press DDE to hand the quotes to your spreadsheet."
                                : "\r\n\r\nDDE is on: a spreadsheet gets every quote as it comes.";
  return hint;
}

void TMainForm::PublishKeptLines() {
  for (std::size_t i = 0; i < Rows_.size(); ++i) {
    // A copy: the fields point into it while the rows may move.
    const std::string line = Rows_[i].Line;
    QuoteFields fields;
    std::int32_t time = 0;
    std::string detail;
    if (CheckQuoteLine(line, fields, time, detail).empty()) PublishRow(i, fields, line, time);
  }
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

const TQuoteRow* TMainForm::FindRow(std::string_view Symbol) const {
  const auto at = Rows_.begin() + static_cast<std::ptrdiff_t>(RowPlace(Symbol));
  return at != Rows_.end() && !NameLess{}(Symbol, at->Symbol) ? &*at : nullptr;
}

std::string TMainForm::LastLine(std::string_view Symbol) const {
  const TQuoteRow* row = FindRow(Symbol);
  return row ? row->Line : std::string();
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
    dde.Tag = 1;
    dde.AddService(kService);
    dde.SetServiceEnabled(kService, true);
    ChooseMt4Service(problem);
    UnquotedItems_ = 0;
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
    // The last line of every symbol is served from the first request on.
    if (started) PublishKeptLines();
  } else {
    dde.Tag = 0;
    dde.DisconnectAll();
    dde.TerminateDDEML();
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
  // The services of earlier sessions stay in the manager's list: only MT5 and the one chosen
  // now are registered, so a name given up takes no conversation.
  for (int i = 0; i < dde.Services().ServiceCount(); ++i) {
    const std::string served = dde.ServiceName(i);
    if (!SameName(served, kService)) dde.SetServiceEnabled(served, false);
  }
  if (!Mt4Service_.empty()) {
    dde.AddService(Mt4Service_);
    dde.SetServiceEnabled(Mt4Service_, true);
  }
  SystemItems_.Attach(dde, kService, Mt4Service_);
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

bool TMainForm::IsMt4Service(std::string_view Name) const {
  return !Mt4Service_.empty() && SameName(Name, Mt4Service_);
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
  if (SameName(ATopicName, "System")) return;
  // MetaTrader 4's topics are its six fields: a link on any other (MT5's order of names typed
  // under MT4, =MT4|EURUSD!BID) would stay empty for good, and is refused so the cell says so.
  if (IsMt4Service(AServiceName) && !IsMt4Topic(ATopicName)) Allow = false;
  // In MT5's layout a symbol may still be to come, its items not: a link on a misspelt item
  // (=MT5|EURUSD!BIDD) is refused for the same reason, unless the item was defined up front.
  if (SameName(AServiceName, kService) && !IsMt5Item(AnItemName) &&
      !TSystemItems::IsInfoItem(AnItemName) &&
      Sender.FindItem(AServiceName, ATopicName, AnItemName) == nullptr)
    Allow = false;
  // The link's first value is the symbol's last quote.
  if (Allow && IsMt4Service(AServiceName)) CatchUpMt4(AnItemName);
}

void TMainForm::DdeManagerTopicClosed(TDDEMLManager&, const std::string& AServerName,
                                      const std::string& ATopicName, bool& aRetainTopic) {
  // A topic some client merely asked for (a mistyped symbol, the System topic) goes with its
  // last conversation, so clients cannot fill the memory with names.
  aRetainTopic =
      IsMt4Service(AServerName) ? IsMt4Topic(ATopicName) : FindRow(ATopicName) != nullptr;
}

void TMainForm::DdeManagerItemReceived(TDDEMLManager&, const std::string& AServiceName,
                                       const std::string& ATopicName) {
  // A symbol is listed under a field once its item holds a value.
  if (IsMt4Service(AServiceName) && IsMt4Topic(ATopicName)) CatchUpAllMt4();
}

void TMainForm::DdeManagerRequestReceived(TDDEMLManager& Sender, const std::string& AServiceName,
                                          const std::string& ATopicName,
                                          const std::string& AnItemName, std::int32_t,
                                          TDDEMLClipFmtType, std::uint16_t, bool& ValidItem) {
  ValidItem = true;
  if (!IsMt4Service(AServiceName) || !IsMt4Topic(ATopicName)) return;
  CatchUpMt4(AnItemName);
  // An item a link made before any line came holds no value yet either.
  const TDDEMLItem* item = Sender.FindItem(AServiceName, ATopicName, AnItemName);
  if (item != nullptr && item->DataFormat() != 0) return;
  if (AnItemName.empty() || UnquotedItems_ >= kMaxUnquotedItems) return;
  ++UnquotedItems_;
  Sender.SetItemText(AServiceName, ATopicName, AnItemName, mt4::kNotAvailable);
}

void TMainForm::ShowDdeState(int Index) { GlyphIndex_ = Index; }

bool TMainForm::HelpCommandClick() {
  // Under Wine the shell may hand the page to a browser that never shows, so the status bar says
  // where the page is either way.
  const std::string page = HelpPagePath();
  const bool opened = platform::ShellOpen(WindowHandle, page);
  StatusText_ = opened ? "The help page is " + page : "No program could open the help page: " + page;
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
  // A DDE name is at most 255 characters.
  if (name.size() > 255) return "The name is longer than 255 characters.";
  if (!SettingsFile.empty() && !TSettings::WriteMt4(SettingsFile, Enabled, name))
    return "The settings could not be saved: " + SettingsFile + " cannot be written.";
  Settings_.Mt4Enabled = Enabled;
  Settings_.Mt4Service = name;
  return {};
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
