// The main window's stored description, and how the window reads it: the window's own
// properties, its components with theirs, and the bindings of their events to the window's
// handlers. Everything the program is configured with is here.
#include <functional>

#include "app/main_form.h"

namespace tickwell {
namespace {

// Events are the properties named On followed by a capital: OnClick, not OneConvPerTopic.
bool IsEvent(const std::string& name) {
  return name.size() > 2 && name.rfind("On", 0) == 0 && name[2] >= 'A' && name[2] <= 'Z';
}

constexpr char kDescription[] = R"(object MainForm: TMainForm
  Left = 425
  Top = 261
  Caption = 'Tickwell'
  ClientHeight = 300
  ClientWidth = 860
  object DdeManager: TDDEMLManager
    Scope = ddeServerOnly
    CompareServerItemData = True
    StoreServerItemData = True
    ExeNameAsService = True
    RetainClientItems = True
    RetainClientItemData = True
    PokeDataAsHandle = True
    AllowNullPokes = False
    DefaultUseBusy = False
    OneConvPerTopic = False
    CmdFirstCh = '['
    CmdLastCh = ']'
    CmdParamFirstCh = '('
    CmdParamLastCh = ')'
    CmdParamSep = ','
    DebugFileName = 'C:\DDEMNGR.LOG'
    DefaultTimeOut = 5.000000000000000000
    FormatConflict = fctException
    FailOptions = []
    SkipOptions = []
    NetworkDDE = False
    ShareProcess = sptNone
    AcceptPokes = False
    KeepReleasedTopics = False
    ShareLastAdviseHandle = True
    PostOwnServiceOnly = True
    OnAdviseStartReceived = DdeManagerAdviseStartReceived
    OnTopicClosed = DdeManagerTopicClosed
    OnRequestReceived = DdeManagerRequestReceived
    OnItemReceived = DdeManagerItemReceived
    ServicesList = {0100}
    CmdList = {0100}
    FList = {01020000}
  end
  object Receiver: TInterAppReceiver
    Enabled = True
    GroupName = ''
    OnReceiveString = QuoteLineReceived
    OnReceiveData = TerminalNamed
  end
end
)";

}  // namespace

std::string_view TMainForm::StoredDescription() { return kDescription; }

TMainForm::TMainForm() : TMainForm(StoredDescription()) {}

void TMainForm::ReadStored(std::string_view description) {
  const TStoredObject stored = ReadStoredForm(description);
  if (stored.class_name != "TMainForm")
    throw EStoredFormError("the window is a " + stored.class_name + ", not a TMainForm", stored.line);
  SetName(stored.name);
  ComponentState |= csLoading;
  for (const TStoredProperty& p : stored.properties) ReadOwnProperty(p);
  for (const TStoredObject& child : stored.children) {
    if (FindComponent(child.name))
      throw EStoredFormError("component " + child.name + " given twice", child.line);
    if (child.class_name == TDDEMLManager::kClassName) {
      auto* manager = CreateComponent<TDDEMLManager>();
      manager->SetName(child.name);
      manager->ComponentState |= csLoading;
      if (child.name == "DdeManager") DdeManager_ = manager;
      for (const TStoredProperty& p : child.properties) {
        if (IsEvent(p.name))
          BindEvent(child.name, p);
        else
          manager->ReadProperty(p);
      }
    } else if (child.class_name == "TInterAppReceiver" && child.name == "Receiver") {
      for (const TStoredProperty& p : child.properties) {
        if (IsEvent(p.name))
          BindEvent(child.name, p);
        else
          ReadReceiverProperty(p);
      }
    } else {
      throw EStoredFormError("class " + child.class_name + " of " + child.name + " is unknown",
                             child.line);
    }
  }
  if (!DdeManager_) throw EStoredFormError("the window has no DdeManager", stored.line);
  // Loaded once everything is read, in the order the components were made.
  Loaded();
  for (int i = 0; i < ComponentCount(); ++i) Components(i)->Loaded();
  Receiver_->Loaded();
}

void TMainForm::ReadOwnProperty(const TStoredProperty& p) {
  if (p.name == "Caption") {
    Caption_ = p.value.AsText(p.name);
  } else if (p.name == "Left") {
    Left_ = p.value.AsInteger(p.name);
  } else if (p.name == "Top") {
    Top_ = p.value.AsInteger(p.name);
  } else if (p.name == "ClientWidth") {
    ClientWidth_ = p.value.AsInteger(p.name);
  } else if (p.name == "ClientHeight") {
    ClientHeight_ = p.value.AsInteger(p.name);
  } else {
    UnknownStoredProperty(p);
  }
}

void TMainForm::ReadReceiverProperty(const TStoredProperty& p) {
  if (p.name == "Enabled")
    Receiver_->SetEnabled(p.value.AsBoolean(p.name));
  else if (p.name == "GroupName")
    Receiver_->SetGroupName(p.value.AsText(p.name));
  else
    UnknownStoredProperty(p);
}

void TMainForm::BindEvent(const std::string& component, const TStoredProperty& p) {
  const std::string& handler = p.value.AsIdent(p.name);
  // The window's handlers, each for the one event it fits.
  struct Binding {
    const char* component;
    const char* event;
    const char* handler;
    std::function<void()> bind;
  };
  TDDEMLManager* manager = dynamic_cast<TDDEMLManager*>(FindComponent(component));
  const Binding bindings[] = {
      {"Receiver", "OnReceiveString", "QuoteLineReceived",
       [this] {
         Receiver_->OnReceiveString =
             [this](TInterAppReceiver& sender, platform::Hwnd from, const std::string& text) {
               QuoteLineReceived(sender, from, text);
             };
       }},
      {"Receiver", "OnReceiveData", "TerminalNamed",
       [this] {
         Receiver_->OnReceiveData = [this](TInterAppReceiver& sender, platform::Hwnd from,
                                           const void* data, std::uint32_t size) {
           TerminalNamed(sender, from, data, size);
         };
       }},
      {"DdeManager", "OnAdviseStartReceived", "DdeManagerAdviseStartReceived",
       [this, manager] {
         manager->OnAdviseStartReceived = [this](TDDEMLManager& sender, const std::string& service,
                                                 const std::string& topic, const std::string& item,
                                                 std::int32_t user, TDDEMLClipFmtType type,
                                                 std::uint16_t number, bool& allow) {
           DdeManagerAdviseStartReceived(sender, service, topic, item, user, type, number,
                                            allow);
         };
       }},
      {"DdeManager", "OnTopicClosed", "DdeManagerTopicClosed",
       [this, manager] {
         manager->OnTopicClosed = [this](TDDEMLManager& sender, const std::string& service,
                                         const std::string& topic, bool& retain) {
           DdeManagerTopicClosed(sender, service, topic, retain);
         };
       }},
      {"DdeManager", "OnRequestReceived", "DdeManagerRequestReceived",
       [this, manager] {
         manager->OnRequestReceived = [this](TDDEMLManager& sender, const std::string& service,
                                             const std::string& topic, const std::string& item,
                                             std::int32_t user, TDDEMLClipFmtType type,
                                             std::uint16_t number, bool& valid) {
           DdeManagerRequestReceived(sender, service, topic, item, user, type, number, valid);
         };
       }},
      {"DdeManager", "OnItemReceived", "DdeManagerItemReceived",
       [this, manager] {
         manager->OnItemReceived = [this](TDDEMLManager& sender, const std::string& service,
                                          const std::string& topic) {
           DdeManagerItemReceived(sender, service, topic);
         };
       }},
  };
  for (const Binding& b : bindings) {
    if (handler != b.handler) continue;
    if (component != b.component || p.name != b.event)
      throw EStoredFormError("handler " + handler + " does not fit " + component + "." + p.name,
                             p.value.line);
    b.bind();
    return;
  }
  throw EStoredFormError("the window has no handler " + handler, p.value.line);
}

}  // namespace tickwell
