// TDDEMLManager: the component through which the program speaks DDE. It owns one DDEML instance
// and everything hanging off it (services, conversations, execute commands), starts and stops
// the instance, routes the DDEML callback to itself, records errors in the trace, and offers the
// publishing operations applications use to serve values.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "dde/diagnostics/debug_state.h"
#include "dde/manager/manager_types.h"
#include "dde/manager/posting_window.h"
#include "dde/model/commands.h"
#include "dde/model/conversation.h"
#include "dde/model/service_list.h"
#include "dde/netdde/shares_list.h"
#include "support/component.h"
#include "support/object_list.h"
#include "support/string_list.h"
#include "support/stored_form.h"

namespace tickwell {

// Holds the component's version text.
class TAboutInfo : public TComponent {
 public:
  TAboutInfo();
  const std::string& Version() const { return version_; }

 private:
  std::string version_;
};

class TDDEMLManager : public TComponent {
 public:
  static constexpr const char* kClassName = "TDDEMLManager";

  TDDEMLManager();
  ~TDDEMLManager() override;

  // Copies AutoInit, DebugStayOnTop, DebugState, DebugFileName, ExecCmds, Scope, Services,
  // FailOptions and SkipOptions from another manager.
  void Assign(const TDDEMLManager& source);
  // Anything else is refused as a component refuses it.
  void Assign(const TComponent& source);

  // Configures the trace, starts the instance when AutoInit says so, and with NetworkDDE reads
  // the computer's name and processes the share list as ShareProcess says (ETarvoShareDefError
  // with the -42 text for shares that do not match, ETarvoScopeError with the -44 text for
  // shares it may not create).
  void Loaded() override;
  // Raises when another manager joins the same owner.
  void Notification(TComponent& component, TOperation operation) override;
  void InsertRefused() override;

  // --- lifecycle
  bool InitDDEML();
  bool TerminateDDEML();
  bool SetupServices();
  void ShutDownServices();
  bool Initialized() const { return InstanceId != 0; }
  std::uint32_t InitFlags() const;
  bool IsServerScope() const { return Scope_ == ddeServerOnly || Scope_ == ddeClientAndServer; }

  // Writes the error to the trace (when tracing); true only for code 1.
  bool SetError(int Code, const std::string& Msg);
  virtual bool ServiceError(int Code, const std::string& Msg) { return SetError(Code, Msg); }

  // --- conversations and the executable's service
  void DisconnectAll();
  int ConversationCount() const { return Conversations ? Conversations->Count() : 0; }
  int NextConversationId() const;
  void AddExeNameService();
  static std::string ExeServiceName();
  static std::string ExeServiceNameOf(std::string_view path);
  void ReleaseServiceHandles();

  // --- publishing (scope-checked unless noted)
  void AddService(std::string_view Name);
  void SetServiceEnabled(std::string_view Name, bool Value);
  // Adds the service and enables it; while the instance runs its name is registered at once.
  // Registering waits on the other DDE programs, and messages sent to this thread meanwhile are
  // handled inside. False when the name could not be registered.
  bool StartService(std::string_view Name);
  void SetItemText(std::string_view Service, std::string_view Topic, std::string_view Item,
                   std::string_view Text);
  // Where a publisher's items were found, kept by it from one call to the next so that texts
  // set again go straight to their items. Each text names its entry (Place); a publisher gives
  // each of its items an entry of its own and keeps one places object per topic (or per item,
  // for SetItemInTopics). Nothing kept is used once any name was let go since (an object ended,
  // or DDE stopped), or for another service.
  static constexpr std::uint8_t kNoPlace = 0xFF;
  struct TItemPlaces {
    std::uint64_t NamesLetGo = 0;
    TDDEMLService* Service = nullptr;
    std::array<TDDEMLItem*, 8> Items{};
    // Whether what is kept may be used for service: no name let go since it was kept.
    bool Current(const TDDEMLService* service) const;
    // Brings the kept items' values towards the processor ahead of their use.
    void Prefetch() const;
  };
  // Several items of one topic, in order; the same as SetItemText for each, with the topic
  // found once, or not at all when Places holds every item.
  struct TItemText {
    std::string_view Item;
    std::string_view Text;
    std::uint8_t Place = kNoPlace;
  };
  void SetItemTexts(std::string_view Service, std::string_view Topic,
                    std::span<const TItemText> Items, TItemPlaces* Places = nullptr);
  // One item in several topics of a service, in order (MetaTrader 4's layout names a field by
  // its topic and the symbol by its item); the same as SetItemText for each, with the service
  // found once and the item first looked for where it was in the topic before.
  struct TTopicText {
    std::string_view Topic;
    std::string_view Text;
    std::uint8_t Place = kNoPlace;
  };
  void SetItemInTopics(std::string_view Service, std::string_view Item,
                       std::span<const TTopicText> Topics, TItemPlaces* Places = nullptr);
  void SetItemData(std::string_view Service, std::string_view Topic, std::string_view Item,
                   std::uint16_t Format, platform::HddeData Data);
  void AddWildConnect(std::string_view Service, std::string_view Topic);
  bool ServiceExists(std::string_view Name) const;
  // Without the scope test:
  TDDEMLItem* AddItem(std::string_view Service, std::string_view Topic, std::string_view Item);
  TDDEMLItem* FindItem(std::string_view Service, std::string_view Topic,
                       std::string_view Item) const;
  TDDEMLService* FindService(std::string_view Name) const;
  TDDEMLService* FindServiceByHandle(platform::Hsz Handle) const;
  std::string ServiceName(int Index) const;
  void ClearWildConnects();
  int WildConnectCount() const { return WildConnectServices ? WildConnectServices->Count() : 0; }
  std::string WildConnectService(int Index) const;
  std::string WildConnectTopic(int Index) const;

  // --- the DDEML callback
  // What DDEML calls for this thread's instance: the manager in CurrentManager answers.
  static platform::HddeData CallBackTrampoline(unsigned uType, unsigned uFmt, platform::Hconv hConv,
                                               platform::Hsz hsz1, platform::Hsz hsz2,
                                               platform::HddeData hData, std::uintptr_t dwData1,
                                               std::uintptr_t dwData2);
  virtual platform::HddeData CallBack(unsigned uType, unsigned uFmt, platform::Hconv hConv,
                                      platform::Hsz hsz1, platform::Hsz hsz2,
                                      platform::HddeData hData, std::uintptr_t dwData1,
                                      std::uintptr_t dwData2);
  // Advise posts handed to DDEML for changed items since the manager was made.
  std::uint64_t AdvisePosts() const { return advise_posts_; }

  // --- conversations
  TDDEMLConversation* FindConversationByHandle(platform::Hconv hConv);
  TDDEMLConversation* FindConversationById(std::uint32_t Id) const;
  TDDEMLConversation* FindConversationByNames(std::string_view Service,
                                              std::string_view Topic) const;
  TDDEMLConversation* FindConversationByHandles(platform::Hsz Service, platform::Hsz Topic) const;
  // Kind 0: the key is a conversation id; kind 1: a service and a topic name.
  TDDEMLConversation* FindConversation(const TConversationKey& Key, int Kind) const;
  // Error -13 when the key's shape does not fit its kind.
  bool DisconnectConversation(const TConversationKey& Key, int Kind);
  int CountServerConversations(std::string_view Service, std::string_view Topic) const;
  // The advise links the serving conversations hold, each item and format of each once.
  int ServerLinkCount() const;
  bool SupportsService(platform::Hsz Service) const;
  // The service object is still one of the list's.
  bool HasService(const TDDEMLService* Service) const;
  // The server conversation of the handle, when its service is still ours; else null.
  TDDEMLConversation* ServingConversation(platform::Hconv hConv);
  bool CreateServerConversation(platform::Hsz Service, platform::Hsz Topic);
  TDDEMLConversation* Conversation(int Index) const;

  // --- the posting window and the queued advise posts it delivers
  TDDEMLPostingWindow* PostingWindow() const { return PostingWindow_.get(); }
  void DoQueuedPostAdvise(TDDEMLPostingWindow& Window, TDDEMLService* Service, platform::Hsz Topic,
                          platform::Hsz Item);

  // --- stored properties
  // One stored property of the window's description; EStoredFormError for an unknown name or
  // a value of the wrong kind, leaving the other properties as they are.
  void ReadProperty(const TStoredProperty& property);

  // --- published properties
  TAboutInfo& About() const { return *About_; }
  // Whether clients may poke values into items. Without it every poke is answered "not
  // processed" (DMLERR_NOTPROCESSED's value) and changes nothing, the System topic's status
  // included: for a server whose values all come from elsewhere.
  bool AcceptPokes = true;
  // Whether a service keeps its topics, with their items and values, when the instance ends.
  // Kept ones are found by name while no instance runs, and the next instance serves them again.
  bool KeepReleasedTopics = true;
  bool AllowNullPokes = false;
  bool AllowNullService = false;
  bool AllowNullTopic = false;
  bool AutoInit = false;
  bool GetCompareServerItemData() const { return CompareServerItemData_; }
  void SetCompareServerItemData(bool Value);
  char GetCmdFirstCh() const { return ExecCmds_->CmdFirstCh; }
  void SetCmdFirstCh(char c) { ExecCmds_->CmdFirstCh = c; }
  char GetCmdLastCh() const { return ExecCmds_->CmdLastCh; }
  void SetCmdLastCh(char c) { ExecCmds_->CmdLastCh = c; }
  char GetCmdParamFirstCh() const { return ExecCmds_->CmdParamFirstCh; }
  void SetCmdParamFirstCh(char c) { ExecCmds_->CmdParamFirstCh = c; }
  char GetCmdParamLastCh() const { return ExecCmds_->CmdParamLastCh; }
  void SetCmdParamLastCh(char c) { ExecCmds_->CmdParamLastCh = c; }
  char GetCmdParamSep() const { return ExecCmds_->CmdParamSep; }
  void SetCmdParamSep(char c) { ExecCmds_->CmdParamSep = c; }
  TDDEMLCmdsList& ExecCmds() const { return *ExecCmds_; }
  void SetExecCmds(const TDDEMLCmdsList& Value) { ExecCmds_->Assign(Value); }
  TDDEMLDebugState GetDebugState() const { return DebugState_; }
  void SetDebugState(TDDEMLDebugState Value);
  std::string DebugFileName;
  bool DebugStayOnTop = true;
  TDDEMLClipFmtType DefaultClipFmt = cfText;
  TDDEMLCommType DefaultComm = dcSync;
  double GetDefaultTimeOut() const { return TimeOutMs / 1000.0; }
  void SetDefaultTimeOut(double Seconds);
  std::uint32_t TimeOutMs = 0;
  bool DefaultUseBusy = false;
  bool ExeNameAsService = true;
  TDDEMLFailTypeSet FailOptions;
  bool OneConvPerTopic = false;
  bool PokeDataAsHandle = true;
  bool RetainClientItems = true;
  bool RetainClientItemData = true;
  TDDEMLScopeType GetScope() const { return Scope_; }
  void SetScope(TDDEMLScopeType Value) { Scope_ = Value; }
  TDDEMLServicesList& Services() const { return *Services_; }
  void SetServices(const TDDEMLServicesList& Value) { Services_->Assign(Value); }
  TDDEMLFormatConflictType FormatConflict = fctException;
  bool StoreServerItemData = true;
  // Whether the last advise request of a post is answered with the post's shared app-owned
  // handle, when the earlier requests made one, rather than with a copy of its own that DDEML
  // frees; the shared handle is then freed when the post returns. A change is copied into a
  // handle once however many links it has.
  bool ShareLastAdviseHandle = false;
  // Whether a change is sent only to the links of the service it was made in. DDEML posts a
  // change to every link on its topic and item name, in whichever service the conversation is;
  // by default each link is answered with its own service's value (one it had already). With
  // this on, the others are answered with nothing, which leaves those links alone: services
  // with the same topics and items (a terminal's each) then cost a change no more than one.
  bool PostOwnServiceOnly = false;
  TDDEMLSkipTypeSet SkipOptions;
  // Network DDE shares: NetworkDDE switches their handling on; ShareProcess says what loading
  // does with SharesList.
  bool NetworkDDE = false;
  TShareProcessType ShareProcess = sptNone;
  TNetDDESharesList& SharesList() const { return *SharesList_; }
  // ETarvoScopeError with the -44 text, outside design, unless NetworkDDE is set and the scope
  // serves; otherwise copies Value into the owned list.
  void SetSharesList(const TNetDDESharesList& Value);
  // Creates every listed share on this computer; ETarvoScopeError with the -44 text unless
  // NetworkDDE is set and the scope serves.
  void AutoCreateShares();
  // This computer's name, read at load when NetworkDDE is set.
  std::string NodeName;

  // --- published events
  TDDEMLAdvStartEvent OnAdviseStartReceived;
  TDDEMLSTIEvent OnAdviseStopReceived;
  TDDEMLAsyncResponseEvent OnAsyncResponse;
  TDDEMLSTEvent OnDisconnecting;
  TDDEMLErrorEvent OnError;
  TDDEMLExecuteEvent OnExecuteReceived;
  TDDEMLRawExecuteEvent OnRawExecuteReceived;
  TDDEMLSEvent OnFormatReceived;
  TDDEMLDataResponseEvent OnHotLinkResponse;
  TDDEMLSTEvent OnItemReceived;
  TDDEMLSTEvent OnTopicOpened;
  TDDEMLSTIAEvent OnPokeReceived;
  TDDEMLReqReceivedEvent OnRequestReceived;
  TDDEMLDataResponseEvent OnRequestResponse;
  TDDEMLServerDisconnectingEvent OnServerDisconnecting;
  TDDEMLServiceRegEvent OnServiceRegistered;
  TDDEMLServiceRegEvent OnServiceUnregistered;
  TDDEMLSEvent OnSysHelpReceived;
  TDDEMLSEvent OnSysItemReceived;
  TDDEMLTopicClosedEvent OnTopicClosed;
  TDDEMLSTEvent OnTopicFormatReceived;
  TDDEMLSEvent OnTopicReceived;
  TDDEMLConnectRequestEvent OnConnectReceived;
  TDDEMLSTIEvent OnWarmLinkResponse;
  TDDEMLSTEvent OnWildConnectReceived;
  TDDEMLUnknownAdviseEvent OnUnknownAdviseResponse;
  TDDEMLUnknownCompleteEvent OnUnknownCompleteResponse;

  // --- state
  platform::DdeInstance InstanceId = 0;
  std::unique_ptr<TDDEMLObjectList> Conversations;  // of TDDEMLConversation
  unsigned LinkFormat = 0;
  std::unique_ptr<TStringList> WildConnectServices;
  std::unique_ptr<TStringList> WildConnectTopics;

 protected:
  virtual void InitFields();
  virtual void FreeFields();
  template <typename... Args>
  void TraceLine(const Args&... args) const;
  // Scope test of the server operations: ETarvoScopeError with the -38 text.
  void CheckServerScope() const;
  // The callback's work once the guard let it through; the transaction handlers hang off this.
  virtual platform::HddeData Dispatch(unsigned uType, unsigned uFmt, platform::Hconv hConv,
                                      platform::Hsz hsz1, platform::Hsz hsz2,
                                      platform::HddeData hData, std::uintptr_t dwData1,
                                      std::uintptr_t dwData2);
  // A changed item with links: its advise is posted to DDEML at once or through the posting
  // window, as the item's PostMode says.
  virtual void ProcTopicAdvise(TDDEMLService& service, TDDEMLTopic& topic, TDDEMLItem& item);

  // --- transaction handlers
  bool XTypConnect(platform::Hsz Service, platform::Hsz Topic);
  void XTypConnectConfirm(platform::Hconv hConv, platform::Hsz Service, platform::Hsz Topic,
                          std::uintptr_t SameInstance);
  void XTypDisconnect(platform::Hconv hConv);
  platform::HddeData XTypWildConnect(platform::Hsz Service, platform::Hsz Topic);
  void XTypRegister(platform::Hsz Base, platform::Hsz Instance);
  void XTypUnregister(platform::Hsz Base, platform::Hsz Instance);
  void XTypError(std::uintptr_t Code);

  platform::HddeData XTypRequest(platform::Hconv hConv, platform::Hsz Topic, platform::Hsz Item,
                                 std::uint16_t Format);
  platform::HddeData SystemTopicRequest(TDDEMLConversation& Conv, const std::string& Item,
                                        std::uint16_t Format);
  platform::HddeData TopicRequest(TDDEMLConversation& Conv, const std::string& Topic,
                                  const std::string& Item, std::uint16_t Format);
  platform::HddeData ItemRequest(TDDEMLConversation& Conv, const std::string& Topic,
                                 const std::string& Item, std::uint16_t Format);
  // Stores the System topic's item list and answers the item asked for.
  platform::HddeData SysItemsText(TDDEMLConversation& Conv, const std::string& Item,
                                  std::uint16_t Format);
  // A stored item of the topic answered in the format asked, not application-owned; 0 without
  // the item or when its value cannot be had in that format.
  platform::HddeData StoredItem(TDDEMLService& Service, std::string_view Topic,
                                std::string_view Item, std::uint16_t Format);
  std::string FormatMismatchText(const std::string& Transaction, unsigned Requested,
                                 unsigned Returned) const;
  // The item's value can be answered in the format: its own, or either text format for text.
  static bool ServesFormat(const TDDEMLItem& Item, unsigned Format);
  platform::HddeData XTypPoke(platform::Hconv hConv, platform::Hsz Topic, platform::Hsz Item,
                              std::uint16_t Format, platform::HddeData Data);
  platform::HddeData XTypExecute(platform::Hconv hConv, platform::Hsz Topic, std::uint16_t Format,
                                 platform::HddeData Data);
  platform::HddeData ExecuteCommands(TDDEMLConversation& Conv, platform::HddeData Data);

  bool XTypAdvStart(platform::Hconv hConv, std::uint16_t Format, platform::Hsz Item);
  platform::HddeData XTypAdvReq(platform::Hconv hConv, platform::Hsz Topic, std::uint16_t Format,
                                std::uint16_t Count, platform::Hsz Item);
  void XTypAdvStop(platform::Hconv hConv, std::uint16_t Format, platform::Hsz Item);
  // A serving conversation ends: its links are let go from their items. The items left without
  // a link are answered with what ReportEndedLinks then tells the application, once the
  // conversation is gone, as their last stop would.
  struct TEndedLink {
    std::string Service, Topic, Item;
    std::int32_t UserHandle;
  };
  std::vector<TEndedLink> EndServerLinks(TDDEMLConversation& Conv);
  void ReportEndedLinks(const std::vector<TEndedLink>& Ended);

  // --- the client side: completions of asynchronous transactions and incoming advise data
  void XTypXactComplete(platform::Hconv hConv, platform::Hsz Topic, platform::Hsz Item,
                        std::uint16_t Format, platform::HddeData Data, std::uint32_t TransId);
  platform::HddeData XTypAdvData(platform::Hconv hConv, platform::Hsz Topic, platform::Hsz Item,
                                 std::uint16_t Format, platform::HddeData Data);

 private:
  void HookService(TDDEMLService& service);
  void HookServices();
  // The service a publisher's texts go to: the one its places were kept for, or found by name.
  TDDEMLService* PublishedService(std::string_view Name, const TItemPlaces* Places) const;

  TAboutInfo* About_ = nullptr;  // owned as a component
  std::unique_ptr<TDDEMLCmdsList> ExecCmds_;
  std::unique_ptr<TDDEMLServicesList> Services_;
  bool CompareServerItemData_ = true;
  TDDEMLDebugState DebugState_ = dbNone;
  TDDEMLScopeType Scope_ = ddeNone;
  TDDEMLManager* displaced_ = nullptr;  // the thread's manager before this one
  bool refused_ = false;                // its form would not take it
  std::uint64_t advise_posts_ = 0;
  // Where each conversation handle was last found in Conversations: a hint, checked against the
  // list before use, so a list changed meanwhile costs one walk and never a stale answer.
  std::unordered_map<platform::Hconv, int> conv_index_by_handle_;
  // The item whose change is being posted: the advise requests DDEML makes within the post ask
  // for it by its handles, and need not look it up again while every name still leads to it.
  struct TPosting {
    const TDDEMLService* Service = nullptr;
    platform::Hsz Topic = 0;
    platform::Hsz Item = 0;
    TDDEMLItem* Changed = nullptr;
    std::uint64_t NamesLetGo = 0;
  };
  TPosting posting_;
  TDDEMLItem* PostedItem(const TDDEMLService* service, platform::Hsz topic,
                         platform::Hsz item) const;
  std::unique_ptr<TDDEMLPostingWindow> PostingWindow_;
  std::unique_ptr<TNetDDESharesList> SharesList_;
};

// The manager that this thread's DDEML callback serves, or null.
TDDEMLManager* CurrentManager();

}  // namespace tickwell

#include "dde/diagnostics/trace_named.h"

namespace tickwell {

template <typename... Args>
void TDDEMLManager::TraceLine(const Args&... args) const {
  if (!Designing()) TraceNamed(kClassName, args...);
}

}  // namespace tickwell
