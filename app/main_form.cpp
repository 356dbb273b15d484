#include "app/main_form.h"

#include "platform/clipboard_format.h"
#include "platform/shell.h"
#include "support/date_time.h"
#include "support/tokenizer.h"

namespace tickwell {
namespace {

constexpr char kService[] = "MT5";

}  // namespace

TForm1::TForm1(std::string_view description)
    : InterAppReceiver1_(std::make_unique<TInterAppReceiver>()) {
  ReadStored(description);
}

TForm1::~TForm1() {
  // The receiver says goodbye before the manager ends its instance.
  InterAppReceiver1_.reset();
}

void TForm1::FormCreate() {
  TopicList_.Clear();
  ItemList_.Clear();
  FieldList_.Clear();
  ShowDdeState(0);
  Label1Caption_.clear();
  Grid_[0] = {"TIME", "BID", "ASK", "LAST", "VOLUME"};
  ColWidths_ = {60, 140};
  Changed();
}

void TForm1::InterAppReceiver1ReceiveString(TInterAppReceiver&, platform::Hwnd,
                                            const std::string& Text) {
  // Whatever stops the line part-way, the window shows how far it got.
  struct Notify {
    TForm1* form;
    ~Notify() { form->Changed(); }
  } notify{this};

  Label1Caption_ = Text;
  FieldList_.Clear();
  StringManager().Tokenize(Text, FieldList_, TCharSet{';'});

  // Each value field is fetched before the symbol, so a missing field stops the line at that
  // field with the items before it already published.
  const char* items[] = {"BID", "ASK", "LAST", "TIME", "VOLUME"};
  for (int i = 0; i < 5; ++i) {
    const std::string value = FieldList_.Get(i + 1);
    DDEMLManager1_->SetItemText(kService, FieldList_.Get(0), items[i], value);
  }
  DDEMLManager1_->SetItemText(kService, FieldList_.Get(0), "QUOTE", Text);

  Label1Caption_ = FieldList_.Get(0);
  const std::string time = FormatDayNumber(UnixSecondsToDayNumber(StrToInt(FieldList_.Get(4))));
  Grid_[1] = {time, FieldList_.Get(1), FieldList_.Get(2), FieldList_.Get(3), FieldList_.Get(5)};
}

void TForm1::BitBtn1Click() {
  TDDEMLManager& dde = *DDEMLManager1_;
  // The outcome of a start or stop is in the manager's trace; the glyph follows the switch.
  if (dde.Tag == 0) {
    dde.Tag = 1;
    dde.AddService(kService);
    dde.SetServiceEnabled(kService, true);
    DefineTopicsAndItems();
    dde.InitDDEML();
  } else {
    dde.Tag = 0;
    dde.DisconnectAll();
    dde.TerminateDDEML();
  }
  ShowDdeState(static_cast<int>(dde.Tag));
  Changed();
}

void TForm1::DefineTopicsAndItems() {
  // Both lists start empty and the application never fills them, so this defines nothing today.
  for (const auto& topic : TopicList_.Items()) {
    for (const auto& item : ItemList_.Items()) DDEMLManager1_->AddItem(kService, topic, item);
  }
}

void TForm1::DDEMLManager1AdviseStartReceived(TDDEMLManager&, const std::string&,
                                              const std::string&, const std::string&, std::int32_t,
                                              TDDEMLClipFmtType, std::uint16_t AFormatNumber,
                                              bool& Allow) {
  // The quote items hold text. A link in any other format would be acknowledged and then never
  // fed (the manager refuses to serve a format the item does not have), so a spreadsheet that
  // asks for its table formats first must be turned down until it asks for text.
  Allow = AFormatNumber == platform::kCfText || AFormatNumber == platform::kCfUnicodeText;
}

void TForm1::ShowDdeState(int Index) { GlyphIndex_ = Index; }

void TForm1::TBXItem1Click() { platform::ShellOpen(WindowHandle, HelpPagePath()); }

void TForm1::TBXItem2Click() {
  if (OnShowAbout) OnShowAbout(AboutTexts());
}

void TForm1::ShowError(const std::string& text) {
  StatusText_ = text;
  Changed();
}

void TForm1::Changed() {
  if (OnChanged) OnChanged();
}

TAboutTexts TForm1::AboutTexts() {
  return {
      "About Tickwell",
      "Tickwell supports you with DDE functionality which is no longer implemented in Metatrader 5 "
      "software.\n\rFurther information and instructions you will find via the internet link "
      "below.",
      "Version: 1.0.0.2", "https://tickwell.example.com/"};
}

std::string TForm1::HelpPagePath() { return platform::ProgramFolder() + "tickwell-help.html"; }

}  // namespace tickwell
