#include "app/main_form.h"

#include <algorithm>
#include <iterator>

#include "app/mt4_layout.h"
#include "dde/model/names.h"
#include "platform/clipboard_format.h"
#include "platform/shell.h"
#include "support/date_time.h"

namespace tickwell {
namespace {

constexpr char kService[] = "MT5";
constexpr const char* kValueItems[] = {"BID", "ASK", "LAST", "TIME", "VOLUME"};
// What each of a line's first six places holds, as the status bar names it.
constexpr const char* kPlaceNames[] = {"symbol",     "bid price", "ask price",
                                       "last price", "time",      "volume"};
constexpr std::size_t kRequiredPlaces = std::size(kPlaceNames);
// Far more than any terminal has symbols.
constexpr int kMaxUnquotedItems = 10000;

bool IsMt4Topic(std::string_view name) {
  return std::any_of(mt4::kTopics.begin(), mt4::kTopics.end(),
                     [&](const char* topic) { return SameName(name, topic); });
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

void TMainForm::FormCreate() {
  Settings_ = TSettings::Read(SettingsFile);
  SystemItems_.Attach(*DdeManager_, kService, Settings_.Mt4Enabled ? Settings_.Mt4Service : "");
  TopicList_.Clear();
  ItemList_.Clear();
  ShowDdeState(0);
  SymbolLabelCaption_.clear();
  Grid_[0] = {"TIME", "BID", "ASK", "LAST", "VOLUME"};
  ColWidths_ = {60, 140};
  Changed();
}

std::string TMainForm::CheckLine(std::string_view Text, QuoteFields& Fields, std::int32_t& Time,
                              std::string& Detail) {
  if (Text.empty()) return "the line is empty";
  // A client reads text up to its first zero byte: a price holding one would reach every
  // spreadsheet cut short, as another number.
  if (Text.find('\0') != std::string_view::npos) return "the line holds a zero byte";
  // Places are cut at every ";", so an empty one is seen where it is instead of shifting the
  // values after it into the wrong items.
  std::size_t at = 0;
  Fields = {};
  for (std::size_t i = 0; i < kRequiredPlaces; ++i) {
    if (at > Text.size()) return std::string("the ") + kPlaceNames[i] + " is missing";
    const std::size_t end = std::min(Text.find(';', at), Text.size());
    Fields[i] = Text.substr(at, end - at);
    if (Fields[i].empty()) return std::string("the ") + kPlaceNames[i] + " is missing";
    at = end + 1;
  }
  // The day's high and low follow when the terminal has them.
  for (std::size_t i = kRequiredPlaces; i < Fields.size() && at <= Text.size(); ++i) {
    const std::size_t end = std::min(Text.find(';', at), Text.size());
    Fields[i] = Text.substr(at, end - at);
    at = end + 1;
  }
  try {
    Time = StrToInt(std::string(Fields[4]));
  } catch (const EConvertError& e) {
    Detail = e.what();
    return "the time is not a whole number of seconds since 1970";
  }
  return {};
}

void TMainForm::QuoteLineReceived(TInterAppReceiver&, platform::Hwnd,
                                            const std::string& Text) {
  // Whatever happens on the way, the window shows the outcome.
  struct Notify {
    TMainForm* form;
    ~Notify() { form->Changed(); }
  } notify{this};

  QuoteFields fields;
  std::int32_t time = 0;
  std::string detail;
  const std::string problem = CheckLine(Text, fields, time, detail);
  if (!problem.empty()) return RefuseLine(Text, problem, detail);

  // Kept whatever the DDE switch says, so that switching on serves every symbol at once.
  if (auto kept = LastLines_.find(fields[0]); kept != LastLines_.end())
    kept->second = Text;
  else
    LastLines_.emplace(std::string(fields[0]), Text);
  if (DdeManager_->Tag != 0) PublishLine(fields, Text, time);

  SymbolLabelCaption_.assign(fields[0]);
  Grid_[1] = {FormatDayNumber(UnixSecondsToDayNumber(time)), std::string(fields[1]),
              std::string(fields[2]), std::string(fields[3]), std::string(fields[5])};
  StatusText_ = RefusedCount_;
}

void TMainForm::PublishLine(const QuoteFields& Fields, std::string_view Text, std::int32_t Time) {
  TDDEMLManager& dde = *DdeManager_;
  const std::string_view symbol = Fields[0], bid = Fields[1], ask = Fields[2];
  const std::string_view high = Fields[6], low = Fields[7];
  // Both or neither: a high without its low would leave a range no quote ever had.
  const bool range = !high.empty() && !low.empty();
  for (std::size_t i = 0; i < std::size(kValueItems); ++i)
    dde.SetItemText(kService, symbol, kValueItems[i], Fields[i + 1]);
  dde.SetItemText(kService, symbol, "QUOTE", Text);
  if (range) {
    dde.SetItemText(kService, symbol, "HIGH", high);
    dde.SetItemText(kService, symbol, "LOW", low);
  }
  if (Mt4Service_.empty()) return;
  dde.SetItemText(Mt4Service_, "BID", symbol, bid);
  dde.SetItemText(Mt4Service_, "ASK", symbol, ask);
  if (range) {
    dde.SetItemText(Mt4Service_, "HIGH", symbol, high);
    dde.SetItemText(Mt4Service_, "LOW", symbol, low);
  }
  dde.SetItemText(Mt4Service_, "TIME", symbol, mt4::TimeText(Time));
  dde.SetItemText(Mt4Service_, "QUOTE", symbol, mt4::QuoteText(Time, bid, ask));
}

void TMainForm::PublishKeptLines() {
  for (const auto& [symbol, line] : LastLines_) {
    QuoteFields fields;
    std::int32_t time = 0;
    std::string detail;
    if (CheckLine(line, fields, time, detail).empty()) PublishLine(fields, line, time);
  }
}

void TMainForm::RefuseLine(const std::string& Text, const std::string& Problem,
                        const std::string& Detail) {
  ++RefusedLines_;
  RefusedCount_ =
      std::to_string(RefusedLines_) + (RefusedLines_ == 1 ? " line refused" : " lines refused");
  StatusText_ = RefusedCount_ + " - " + Problem;
  if (!Text.empty()) StatusText_ += ": " + Text;
  if (!Detail.empty()) StatusText_ += " (" + Detail + ")";
}

std::string TMainForm::LastLine(std::string_view Symbol) const {
  const auto kept = LastLines_.find(Symbol);
  return kept != LastLines_.end() ? kept->second : std::string();
}

void TMainForm::DdeButtonClick() {
  TDDEMLManager& dde = *DdeManager_;
  // The outcome of a start or stop is in the manager's trace; the glyph follows the switch.
  if (dde.Tag == 0) {
    dde.Tag = 1;
    dde.AddService(kService);
    dde.SetServiceEnabled(kService, true);
    Mt4Service_ = Settings_.Mt4Enabled ? Settings_.Mt4Service : std::string();
    UnquotedItems_ = 0;
    if (!Mt4Service_.empty()) {
      dde.AddService(Mt4Service_);
      dde.SetServiceEnabled(Mt4Service_, true);
    }
    DefineTopicsAndItems();
    // The last line of every symbol is served from the first request on.
    if (dde.InitDDEML()) PublishKeptLines();
  } else {
    dde.Tag = 0;
    dde.DisconnectAll();
    dde.TerminateDDEML();
  }
  ShowDdeState(static_cast<int>(dde.Tag));
  Changed();
}

void TMainForm::DefineTopicsAndItems() {
  // Both lists start empty and the application never fills them, so this defines nothing today.
  for (const auto& topic : TopicList_.Items()) {
    for (const auto& item : ItemList_.Items()) DdeManager_->AddItem(kService, topic, item);
  }
}

void TMainForm::DdeManagerAdviseStartReceived(TDDEMLManager&, const std::string&,
                                              const std::string&, const std::string&, std::int32_t,
                                              TDDEMLClipFmtType, std::uint16_t AFormatNumber,
                                              bool& Allow) {
  // The quote items hold text. A link in any other format would be acknowledged and then never
  // fed (the manager refuses to serve a format the item does not have), so a spreadsheet that
  // asks for its table formats first must be turned down until it asks for text.
  Allow = AFormatNumber == platform::kCfText || AFormatNumber == platform::kCfUnicodeText;
}

void TMainForm::DdeManagerTopicClosed(TDDEMLManager&, const std::string& AServerName,
                                      const std::string& ATopicName, bool& aRetainTopic) {
  // A topic some client merely asked for (a mistyped symbol, the System topic) goes with its
  // last conversation, so clients cannot fill the memory with names.
  aRetainTopic = !Mt4Service_.empty() && SameName(AServerName, Mt4Service_)
                     ? IsMt4Topic(ATopicName)
                     : LastLines_.find(ATopicName) != LastLines_.end();
}

void TMainForm::DdeManagerRequestReceived(TDDEMLManager& Sender, const std::string& AServiceName,
                                          const std::string& ATopicName,
                                          const std::string& AnItemName, std::int32_t,
                                          TDDEMLClipFmtType, std::uint16_t, bool& ValidItem) {
  ValidItem = true;
  if (Mt4Service_.empty() || !SameName(AServiceName, Mt4Service_) || !IsMt4Topic(ATopicName))
    return;
  // An item a link made before any line came holds no value yet either.
  const TDDEMLItem* item = Sender.FindItem(AServiceName, ATopicName, AnItemName);
  if (item != nullptr && item->DataFormat() != 0) return;
  if (AnItemName.empty() || UnquotedItems_ >= kMaxUnquotedItems) return;
  ++UnquotedItems_;
  Sender.SetItemText(AServiceName, ATopicName, AnItemName, mt4::kNotAvailable);
}

void TMainForm::ShowDdeState(int Index) { GlyphIndex_ = Index; }

void TMainForm::HelpCommandClick() { platform::ShellOpen(WindowHandle, HelpPagePath()); }

void TMainForm::AboutCommandClick() {
  if (OnShowAbout) OnShowAbout(AboutTexts());
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
      "Version: 1.0.0.2", "https://tickwell.example.com/"};
}

std::string TMainForm::HelpPagePath() { return platform::ProgramFolder() + "tickwell-help.html"; }

}  // namespace tickwell
