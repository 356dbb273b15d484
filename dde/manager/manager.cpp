#include "dde/manager/manager.h"

#include <cmath>
#include <exception>

#include "dde/diagnostics/failed_call.h"
#include "dde/diagnostics/trace.h"
#include "dde/tables/ddeml_names.h"
#include "dde/tables/error_codes.h"
#include "dde/tables/exceptions.h"
#include "platform/clipboard_format.h"
#include "platform/computer_name.h"
#include "platform/exception_report.h"
#include "platform/files.h"
#include "platform/netdde.h"

namespace tickwell {
namespace {

thread_local TDDEMLManager* current_manager = nullptr;

constexpr std::uint32_t kFailFlags[] = {
    platform::kCbfFailSelfConnections, platform::kCbfFailConnections, platform::kCbfFailAdvises,
    platform::kCbfFailExecutes,        platform::kCbfFailPokes,       platform::kCbfFailRequests,
    platform::kCbfFailAllSvrXactions,
};
constexpr std::uint32_t kSkipFlags[] = {
    platform::kCbfSkipConnectConfirms,  platform::kCbfSkipRegistrations,
    platform::kCbfSkipUnregistrations,  platform::kCbfSkipDisconnects,
    platform::kCbfSkipAllNotifications,
};

}  // namespace

TDDEMLManager* CurrentManager() { return current_manager; }

std::uint32_t FailOptionsMask(const TDDEMLFailTypeSet& set) {
  std::uint32_t mask = 0;
  for (unsigned i = 0; i < std::size(kFailFlags); ++i)
    if (set.Contains(static_cast<TDDEMLFailType>(i))) mask |= kFailFlags[i];
  return mask;
}

std::uint32_t SkipOptionsMask(const TDDEMLSkipTypeSet& set) {
  std::uint32_t mask = 0;
  for (unsigned i = 0; i < std::size(kSkipFlags); ++i)
    if (set.Contains(static_cast<TDDEMLSkipType>(i))) mask |= kSkipFlags[i];
  return mask;
}

TAboutInfo::TAboutInfo() : version_("Version 3.41") {}

TDDEMLManager::TDDEMLManager() { InitFields(); }

TDDEMLManager::~TDDEMLManager() {
  // A destructor must not throw; a failure on the way down goes to the exception report.
  // The application is not told of links that end on the way down.
  OnAdviseStopReceived = nullptr;
  try {
    DisconnectAll();
    ShutDownServices();
    TerminateDDEML();
  } catch (...) {
    platform::ReportCurrentException();
  }
  FreeFields();
  platform::NetDdeUnbind();
  current_manager = refused_ ? displaced_ : nullptr;
}

void TDDEMLManager::InitFields() {
  About_ = CreateComponent<TAboutInfo>();
  AllowNullService = AllowNullTopic = false;
  Conversations = std::make_unique<TDDEMLObjectList>();
  DebugFileName = kDefaultDebugFileName;
  DebugState_ = dbNone;
  DebugStayOnTop = true;
  DefaultClipFmt = cfText;
  DefaultComm = dcSync;
  TimeOutMs = 5000;
  DefaultUseBusy = false;
  PokeDataAsHandle = RetainClientItems = RetainClientItemData = true;
  ExecCmds_ = std::make_unique<TDDEMLCmdsList>();
  SetCompareServerItemData(true);
  ExeNameAsService = true;
  Scope_ = ddeNone;
  Services_ = std::make_unique<TDDEMLServicesList>();
  Services_->OnServiceError = [this](TObject&, int code, const std::string& text) {
    ServiceError(code, text);
  };
  StoreServerItemData = true;
  OneConvPerTopic = false;
  WildConnectServices = std::make_unique<TStringList>();
  WildConnectTopics = std::make_unique<TStringList>();
  LinkFormat = platform::RegisterClipboardFormat("Link");
  PostingWindow_ = std::make_unique<TDDEMLPostingWindow>();
  PostingWindow_->OnPostAdvise = [this](TDDEMLPostingWindow& window, TDDEMLService* service,
                                        platform::Hsz topic, platform::Hsz item) {
    DoQueuedPostAdvise(window, service, topic, item);
  };
  SharesList_ = std::make_unique<TNetDDESharesList>();
  displaced_ = current_manager;
  current_manager = this;
}

void TDDEMLManager::FreeFields() {
  if (PostingWindow_) PostingWindow_->OnPostAdvise = nullptr;
  PostingWindow_.reset();
  if (Conversations) Conversations->ClearAndFree();
  Conversations.reset();
  conv_index_by_handle_.clear();
  ExecCmds_.reset();
  WildConnectServices.reset();
  WildConnectTopics.reset();
  if (Services_) Services_->OnServiceError = nullptr;
  Services_.reset();
  SharesList_.reset();
  // About is an owned component: the component base frees it.
}

void TDDEMLManager::Assign(const TDDEMLManager& source) {
  if (&source == this) return;
  AutoInit = source.AutoInit;
  DebugStayOnTop = source.DebugStayOnTop;
  SetDebugState(source.DebugState_);
  DebugFileName = source.DebugFileName;
  SetExecCmds(source.ExecCmds());
  Scope_ = source.Scope_;
  SetServices(source.Services());
  FailOptions = source.FailOptions;
  SkipOptions = source.SkipOptions;
}

void TDDEMLManager::Assign(const TComponent& source) {
  if (const auto* manager = dynamic_cast<const TDDEMLManager*>(&source)) return Assign(*manager);
  throw std::invalid_argument(std::string("Cannot assign ") +
                              (source.Name().empty() ? "that component" : source.Name()) +
                              " to a " + kClassName);
}

void TDDEMLManager::Loaded() {
  TComponent::Loaded();
  if (Designing()) return;
  ApplyDebugState(platform::kNoWindow, DebugState_, DebugStayOnTop, DebugFileName);
  if (AutoInit && !Initialized()) InitDDEML();
  if (!NetworkDDE) return;
  NodeName = platform::ComputerName();
  const int failed = SharesList_->ProcessShares(ShareProcess, IsServerScope());
  // Loading goes on without the shares the computer would not take; the trace says so.
  if (failed > 0)
    SetError(-43, std::to_string(failed) + " of " + std::to_string(SharesList_->ShareCount()) +
                      " shares not created");
}

void TDDEMLManager::SetSharesList(const TNetDDESharesList& Value) {
  if (!Designing() && !(NetworkDDE && IsServerScope()))
    throw ETarvoScopeError(ManagerErrorText(-44));
  SharesList_->Assign(&Value);
}

void TDDEMLManager::AutoCreateShares() {
  SharesList_->ProcessShares(sptAutoCreateShares, NetworkDDE && IsServerScope());
}

void TDDEMLManager::Notification(TComponent& component, TOperation operation) {
  if (operation == opInsert && &component != this &&
      dynamic_cast<TDDEMLManager*>(&component) != nullptr)
    throw std::runtime_error(std::string("Only one instance of ") + kClassName +
                             " is allowed per form");
  TComponent::Notification(component, operation);
}

void TDDEMLManager::InsertRefused() {
  // A manager its form would not take never served anyone: the callback goes back to the
  // manager it displaced, which is still there.
  refused_ = true;
}

void TDDEMLManager::SetCompareServerItemData(bool Value) {
  CompareServerItemData_ = Value;
  SetDataCompareDisabled(!Value);
}

void TDDEMLManager::SetDebugState(TDDEMLDebugState Value) {
  if (Value == DebugState_) return;
  DebugState_ = Value;
  StoreDebugState(DebugState_, DebugFileName);
  if (DebugActive() && !Loading())
    ApplyDebugState(platform::kNoWindow, DebugState_, DebugStayOnTop, DebugFileName);
}

void TDDEMLManager::SetDefaultTimeOut(double Seconds) {
  // Whole milliseconds, halves to the even neighbour (the default rounding mode).
  const double ms = std::nearbyint(Seconds * 1000.0);
  TimeOutMs = ms <= 0 ? 0u : ms >= 4294967295.0 ? 4294967295u : static_cast<std::uint32_t>(ms);
}

std::uint32_t TDDEMLManager::InitFlags() const {
  std::uint32_t flags = 0;
  if (Scope_ == ddeClientOnly) flags = platform::kAppCmdClientOnly;
  if (Scope_ == ddeServerOnly) flags = platform::kAppCmdFilterInits;
  return flags | FailOptionsMask(FailOptions) | SkipOptionsMask(SkipOptions);
}

bool TDDEMLManager::SetError(int Code, const std::string& Msg) {
  if (DebugActive()) {
    TraceLine("   SetError : ");
    TraceLine("         Mngr Error  = ", ManagerErrorText(Code));
    // The pending error of the instance, or else the one the failed call's own trace line read
    // (which cleared it), or that DdeInitialize handed back when there is no instance at all.
    unsigned error = InstanceId != 0 ? platform::DdeGetLastError(InstanceId) & 0xFFFF : 0;
    if (error == 0) error = TakeLastFailure();
    TraceLine("         DDEML Error = ", DdemlErrorCodeName(error));
    TraceLine("         Message     = ", Msg);
  }
  return Code == 1;
}

bool TDDEMLManager::InitDDEML() {
  TraceLine("InitDDEML : ", "start  ....");
  int code = 1;
  bool result = false;
  if (Initialized()) {
    code = -8;
  } else if (Scope_ == ddeNone) {
    code = -5;
  } else {
    TraceLine("InitDDEML : ", "Calling DdeInitialize");
    InstanceId = 0;
    const unsigned error =
        platform::DdeInitialize(InstanceId, &TDDEMLManager::CallBackTrampoline, InitFlags());
    if ((error & 0xFFFF) != 0) {
      // DdeInitialize hands its error back: there is no instance to ask for it.
      InstanceId = 0;
      TraceFailedCall("DdeInitialize", error & 0xFFFF);
      code = -6;
    } else {
      SetThreadInstance(InstanceId);
      result = IsServerScope() ? SetupServices() : true;
    }
  }
  if (code != 1) result = SetError(code, "");
  TraceLine("InitDDEML : ", "End");
  return result;
}

bool TDDEMLManager::SetupServices() {
  TraceLine("SetupServices - start");
  if (Services_->ServiceCount() == 0 && ExeNameAsService) AddExeNameService();
  HookServices();
  bool result = true;
  if (Services_->ServiceCount() > 0) result = Services_->RegisterAll(InstanceId, true);
  TraceLine("SetupServices - end");
  return result;
}

void TDDEMLManager::ShutDownServices() {
  TraceLine("ShutDownServices - start");
  if (Services_->ServiceCount() > 0) Services_->RegisterAll(InstanceId, false);
  TraceLine("ShutdownServices - end");
}

bool TDDEMLManager::TerminateDDEML() {
  TraceLine("TerminateDDEML : ", "Start ....");
  bool result = false;
  if (Initialized()) {
    // InstanceId is cleared on every way out, an exception included.
    struct Clear {
      platform::DdeInstance& id;
      ~Clear() { id = 0; }
    } clear{InstanceId};
    DisconnectAll();
    if (IsServerScope()) ShutDownServices();
    TraceLine("TerminateDDEML : ", "Calling DdeUnInitialize");
    bool done = false;
    try {
      ReleaseServiceHandles();
      done = platform::DdeUninitialize(InstanceId);
      if (!done) TraceFailedDdeCall("DdeUninitialize", InstanceId);
      if (ThreadInstance() == InstanceId) SetThreadInstance(0);
    } catch (const std::exception&) {
      throw ETarvoError("Error in DdeUnInitialise API call");
    }
    result = done ? true : SetError(-7, "");
  }
  TraceLine("TerminateDDEML : ", "End");
  return result;
}

void TDDEMLManager::DisconnectAll() {
  const int n = ConversationCount();
  std::vector<TEndedLink> ended;
  for (int i = 0; i < n && ConversationCount() > 0; ++i) {
    auto* conv = Conversations->ItemAs<TDDEMLConversation>(0);
    for (TEndedLink& link : EndServerLinks(*conv)) ended.push_back(std::move(link));
    conv->OnConvError = nullptr;
    conv->OnHotLink = nullptr;
    conv->OnUnknownAdvise = nullptr;
    conv->OnWarmLink = nullptr;
    conv->EndConversation();
    Conversations->FreeAndDelete(0);
  }
  ReportEndedLinks(ended);
}

int TDDEMLManager::NextConversationId() const {
  std::uint32_t highest = 0;
  for (int i = 0; i < ConversationCount(); ++i) {
    const auto* conv = Conversations->ItemAs<TDDEMLConversation>(i);
    if (conv && conv->ConversationId > highest) highest = conv->ConversationId;
  }
  return static_cast<int>(highest) + 1;
}

void TDDEMLManager::AddExeNameService() {
  CheckServerScope();
  const std::string name = ExeServiceName();
  Services_->Add(name);
  if (TDDEMLService* service = Services_->FindService(name)) service->Enabled = true;
}

std::string TDDEMLManager::ExeServiceName() { return ExeServiceNameOf(platform::ExecutablePath()); }

std::string TDDEMLManager::ExeServiceNameOf(std::string_view path) {
  std::size_t cut = path.rfind('\\');
  if (cut == std::string_view::npos) cut = path.rfind(':');
  std::string_view file = cut == std::string_view::npos ? path : path.substr(cut + 1);
  return std::string(file.substr(0, file.find('.')));
}

void TDDEMLManager::ReleaseServiceHandles() {
  Services_->ReleaseHandles();
  if (!KeepReleasedTopics) Services_->RemoveTopics();
}

void TDDEMLManager::CheckServerScope() const {
  if (!IsServerScope()) throw ETarvoScopeError(ManagerErrorText(-38));
}

}  // namespace tickwell
