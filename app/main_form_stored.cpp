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

constexpr char kDescription[] = R"(object Form1: TForm1
  Left = 425
  Top = 261
  Caption = 'Tickwell'
  ClientHeight = 201
  ClientWidth = 222
  object DDEMLManager1: TDDEMLManager
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
    OnAdviseStartReceived = DDEMLManager1AdviseStartReceived
    OnTopicClosed = DDEMLManager1TopicClosed
    OnRequestReceived = DDEMLManager1RequestReceived
    ServicesList = {0100}
    CmdList = {0100}
    FList = {01020000}
  end
  object InterAppReceiver1: TInterAppReceiver
    Enabled = True
    GroupName = ''
    OnReceiveString = InterAppReceiver1ReceiveString
  end
end
)";

}  // namespace

std::string_view TForm1::StoredDescription() { return kDescription; }

TForm1::TForm1() : TForm1(StoredDescription()) {}

void TForm1::ReadStored(std::string_view description) {
  const TStoredObject stored = ReadStoredForm(description);
  if (stored.class_name != "TForm1")
    throw EStoredFormError("the window is a " + stored.class_name + ", not a TForm1", stored.line);
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
      if (child.name == "DDEMLManager1") DDEMLManager1_ = manager;
      for (const TStoredProperty& p : child.properties) {
        if (IsEvent(p.name))
          BindEvent(child.name, p);
        else
          manager->ReadProperty(p);
      }
    } else if (child.class_name == "TInterAppReceiver" && child.name == "InterAppReceiver1") {
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
  if (!DDEMLManager1_) throw EStoredFormError("the window has no DDEMLManager1", stored.line);
  // Loaded once everything is read, in the order the components were made.
  Loaded();
  for (int i = 0; i < ComponentCount(); ++i) Components(i)->Loaded();
  InterAppReceiver1_->Loaded();
}

void TForm1::ReadOwnProperty(const TStoredProperty& p) {
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

void TForm1::ReadReceiverProperty(const TStoredProperty& p) {
  if (p.name == "Enabled")
    InterAppReceiver1_->SetEnabled(p.value.AsBoolean(p.name));
  else if (p.name == "GroupName")
    InterAppReceiver1_->SetGroupName(p.value.AsText(p.name));
  else
    UnknownStoredProperty(p);
}

void TForm1::BindEvent(const std::string& component, const TStoredProperty& p) {
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
      {"InterAppReceiver1", "OnReceiveString", "InterAppReceiver1ReceiveString",
       [this] {
         InterAppReceiver1_->OnReceiveString =
             [this](TInterAppReceiver& sender, platform::Hwnd from, const std::string& text) {
               InterAppReceiver1ReceiveString(sender, from, text);
             };
       }},
      {"DDEMLManager1", "OnAdviseStartReceived", "DDEMLManager1AdviseStartReceived",
       [this, manager] {
         manager->OnAdviseStartReceived = [this](TDDEMLManager& sender, const std::string& service,
                                                 const std::string& topic, const std::string& item,
                                                 std::int32_t user, TDDEMLClipFmtType type,
                                                 std::uint16_t number, bool& allow) {
           DDEMLManager1AdviseStartReceived(sender, service, topic, item, user, type, number,
                                            allow);
         };
       }},
      {"DDEMLManager1", "OnTopicClosed", "DDEMLManager1TopicClosed",
       [this, manager] {
         manager->OnTopicClosed = [this](TDDEMLManager& sender, const std::string& service,
                                         const std::string& topic, bool& retain) {
           DDEMLManager1TopicClosed(sender, service, topic, retain);
         };
       }},
      {"DDEMLManager1", "OnRequestReceived", "DDEMLManager1RequestReceived",
       [this, manager] {
         manager->OnRequestReceived = [this](TDDEMLManager& sender, const std::string& service,
                                             const std::string& topic, const std::string& item,
                                             std::int32_t user, TDDEMLClipFmtType type,
                                             std::uint16_t number, bool& valid) {
           DDEMLManager1RequestReceived(sender, service, topic, item, user, type, number, valid);
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
