// The DDE Management Library (DDEML), ANSI forms, strings in CP_WINANSI.
//
// The calls keep DDEML's names and meaning; handles are pointer-sized integers as on Windows.
// Two bodies exist: win32/ (the real library) and sim/ (an in-process model of the documented
// behaviour). Constants carry the platform's values under k-prefixed names, so this header can
// sit beside <windows.h> without clashing with its macros.
//
// Where the documentation leaves a choice, this layer makes it the same on both bodies:
// - A client may connect by a server's instance-specific name; the server's XTYP_CONNECT and
//   XTYP_CONNECT_CONFIRM then carry the base name in hsz2, so it can check the name against
//   those it registered.
// - Formats reach the callback as the 16-bit clipboard format numbers they are.
// - Out of scope: blocking a conversation from the callback (CBR_BLOCK) and DdeEnableCallback.
//   The program's callbacks answer every transaction at once, and a blocked conversation would
//   hold quotes back from every client of the topic; a callback must not return CBR_BLOCK.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// <ddeml.h> maps these names to their A/W forms; the platform's functions keep the plain names.
#ifdef DdeInitialize
#undef DdeInitialize
#endif
#ifdef DdeCreateStringHandle
#undef DdeCreateStringHandle
#endif
#ifdef DdeQueryString
#undef DdeQueryString
#endif

namespace platform {

using DdeInstance = std::uint32_t;  // idInst; 0 = none
using Hsz = std::uintptr_t;         // string handle
using HddeData = std::uintptr_t;    // data handle (also the callback's result word)
using Hconv = std::uintptr_t;       // conversation handle
using HconvList = std::uintptr_t;   // conversation list handle

// The DDEML callback: type, format, conversation, hsz1, hsz2, data, dwData1, dwData2.
// An exception it throws is caught by the platform, passed to the application's exception
// report, and the transaction is answered with 0 (kDdeFNotProcessed where an acknowledgement
// is due).
using DdeCallback =
    std::function<HddeData(unsigned type, unsigned format, Hconv conv, Hsz hsz1, Hsz hsz2,
                           HddeData data, std::uintptr_t data1, std::uintptr_t data2)>;

// Transaction classes, flags and types.
constexpr unsigned kXclassBool = 0x1000;
constexpr unsigned kXclassData = 0x2000;
constexpr unsigned kXclassFlags = 0x4000;
constexpr unsigned kXclassNotification = 0x8000;
constexpr unsigned kXtypfNoBlock = 0x0002;
constexpr unsigned kXtypfNoData = 0x0004;
constexpr unsigned kXtypfAckReq = 0x0008;
constexpr unsigned kXtypMask = 0x00F0;

constexpr unsigned kXtypError = 0x8002;
constexpr unsigned kXtypAdvData = 0x4010;
constexpr unsigned kXtypAdvReq = 0x2022;
constexpr unsigned kXtypAdvStart = 0x1030;
constexpr unsigned kXtypAdvStop = 0x8040;
constexpr unsigned kXtypExecute = 0x4050;
constexpr unsigned kXtypConnect = 0x1062;
constexpr unsigned kXtypConnectConfirm = 0x8072;
constexpr unsigned kXtypXactComplete = 0x8080;
constexpr unsigned kXtypPoke = 0x4090;
constexpr unsigned kXtypRegister = 0x80A2;
constexpr unsigned kXtypRequest = 0x20B0;
constexpr unsigned kXtypDisconnect = 0x80C2;
constexpr unsigned kXtypUnregister = 0x80D2;
constexpr unsigned kXtypWildConnect = 0x20E2;
constexpr unsigned kXtypMonitor = 0x80F2;

// Acknowledgement flags of poke, execute and advise data answers.
constexpr unsigned kDdeFAck = 0x8000;
constexpr unsigned kDdeFBusy = 0x4000;
constexpr unsigned kDdeFAppStatus = 0x00FF;
constexpr unsigned kDdeFNotProcessed = 0x0000;

// DdeInitialize flags.
constexpr std::uint32_t kAppCmdClientOnly = 0x00000010;
constexpr std::uint32_t kAppCmdFilterInits = 0x00000020;
constexpr std::uint32_t kCbfFailSelfConnections = 0x00001000;
constexpr std::uint32_t kCbfFailConnections = 0x00002000;
constexpr std::uint32_t kCbfFailAdvises = 0x00004000;
constexpr std::uint32_t kCbfFailExecutes = 0x00008000;
constexpr std::uint32_t kCbfFailPokes = 0x00010000;
constexpr std::uint32_t kCbfFailRequests = 0x00020000;
constexpr std::uint32_t kCbfFailAllSvrXactions = 0x0003F000;
constexpr std::uint32_t kCbfSkipConnectConfirms = 0x00040000;
constexpr std::uint32_t kCbfSkipRegistrations = 0x00080000;
constexpr std::uint32_t kCbfSkipUnregistrations = 0x00100000;
constexpr std::uint32_t kCbfSkipDisconnects = 0x00200000;
constexpr std::uint32_t kCbfSkipAllNotifications = 0x003C0000;

// DdeNameService commands.
constexpr unsigned kDnsRegister = 0x0001;
constexpr unsigned kDnsUnregister = 0x0002;
constexpr unsigned kDnsFilterOn = 0x0004;
constexpr unsigned kDnsFilterOff = 0x0008;

constexpr unsigned kHdataAppOwned = 0x0001;
constexpr int kCpWinAnsi = 1004;
constexpr std::uint32_t kQidSync = 0xFFFFFFFF;
constexpr std::uint32_t kTimeoutAsync = 0xFFFFFFFF;
constexpr std::uint32_t kCadvLateAck = 0xFFFF;

// DdeGetLastError codes.
constexpr unsigned kDmlErrNoError = 0;
constexpr unsigned kDmlErrAdvAckTimeout = 0x4000;
constexpr unsigned kDmlErrBusy = 0x4001;
constexpr unsigned kDmlErrDataAckTimeout = 0x4002;
constexpr unsigned kDmlErrDllNotInitialized = 0x4003;
constexpr unsigned kDmlErrDllUsage = 0x4004;
constexpr unsigned kDmlErrExecAckTimeout = 0x4005;
constexpr unsigned kDmlErrInvalidParameter = 0x4006;
constexpr unsigned kDmlErrLowMemory = 0x4007;
constexpr unsigned kDmlErrMemoryError = 0x4008;
constexpr unsigned kDmlErrNotProcessed = 0x4009;
constexpr unsigned kDmlErrNoConvEstablished = 0x400A;
constexpr unsigned kDmlErrPokeAckTimeout = 0x400B;
constexpr unsigned kDmlErrPostMsgFailed = 0x400C;
constexpr unsigned kDmlErrReentrancy = 0x400D;
constexpr unsigned kDmlErrServerDied = 0x400E;
constexpr unsigned kDmlErrSysError = 0x400F;
constexpr unsigned kDmlErrUnadvAckTimeout = 0x4010;
constexpr unsigned kDmlErrUnfoundQueueId = 0x4011;

// Conversation status bits (ConvInfo::status).
constexpr unsigned kStConnected = 0x0001;
constexpr unsigned kStAdvise = 0x0002;
constexpr unsigned kStIsLocal = 0x0004;
constexpr unsigned kStBlocked = 0x0008;
constexpr unsigned kStClient = 0x0010;
constexpr unsigned kStTerminated = 0x0020;
constexpr unsigned kStInList = 0x0040;
constexpr unsigned kStBlockNext = 0x0080;
constexpr unsigned kStIsSelf = 0x0100;

// Conversation states (ConvInfo::state).
constexpr unsigned kXstNull = 0;
constexpr unsigned kXstConnected = 2;
constexpr unsigned kXstReqSent = 5;
constexpr unsigned kXstPokeSent = 7;
constexpr unsigned kXstExecSent = 9;
constexpr unsigned kXstAdvSent = 11;
constexpr unsigned kXstUnadvSent = 12;

// The fields of DDEML's CONVINFO record that the code above reads.
struct ConvInfo {
  Hconv partner = 0;        // hConvPartner
  Hsz service_partner = 0;  // hszSvcPartner
  Hsz service_request = 0;  // hszServiceReq
  Hsz topic = 0;            // hszTopic
  Hsz item = 0;             // hszItem
  unsigned format = 0;      // wFmt
  unsigned type = 0;        // wType
  unsigned status = 0;      // wStatus
  unsigned state = 0;       // wConvst
  unsigned last_error = 0;  // wLastError
};

// Instance life. DdeInitialize returns 0 or a DMLERR_ code; instance must be 0 on entry.
// Service-name filtering is on after DdeInitialize whatever the flags (APPCMD_FILTERINITS is
// implied on an instance's first initialisation): the server hears XTYP_CONNECT only for names
// it registered, until DdeNameService(..., kDnsFilterOff) opens it to every name.
unsigned DdeInitialize(DdeInstance& instance, DdeCallback callback, std::uint32_t flags);
bool DdeUninitialize(DdeInstance instance);
unsigned DdeGetLastError(DdeInstance instance);  // reads and clears

// Name service: register or unregister a service name (kDns*); non-zero on success. The other
// instances hear XTYP_REGISTER / XTYP_UNREGISTER; the registering instance is not told.
HddeData DdeNameService(DdeInstance instance, Hsz service, unsigned command);

// String handles.
Hsz DdeCreateStringHandle(DdeInstance instance, const std::string& text);
bool DdeFreeStringHandle(DdeInstance instance, Hsz hsz);
bool DdeKeepStringHandle(DdeInstance instance, Hsz hsz);
std::string DdeQueryString(DdeInstance instance, Hsz hsz);  // empty for 0 or an invalid handle
int DdeCmpStringHandles(Hsz a, Hsz b);                      // -1, 0 or 1

// Data handles. The object holds the `size` bytes that start at `bytes + offset`.
HddeData DdeCreateDataHandle(DdeInstance instance, const void* bytes, std::uint32_t size,
                             std::uint32_t offset, Hsz item, unsigned format, unsigned command);
// The object's bytes and size; nullptr for an invalid handle. Valid until DdeUnaccessData.
std::uint8_t* DdeAccessData(HddeData data, std::uint32_t* size);
bool DdeUnaccessData(HddeData data);
// Copies up to max bytes from offset; with dest null returns the object's size.
std::uint32_t DdeGetData(HddeData data, void* dest, std::uint32_t max, std::uint32_t offset);
bool DdeFreeDataHandle(HddeData data);
// Convenience: the whole object's bytes (empty for an invalid handle).
std::vector<std::uint8_t> DdeDataBytes(HddeData data);

// The answer to XTYP_WILDCONNECT: a block of (service, topic) string-handle pairs in the
// platform's HSZPAIR layout, ended by a zero pair.
struct HszPair {
  Hsz service = 0;
  Hsz topic = 0;
};
HddeData DdeCreateHszPairData(DdeInstance instance, const std::vector<HszPair>& pairs);
// Reads such a block back (stops at the zero pair).
std::vector<HszPair> DdeReadHszPairs(HddeData data);

// Server side. A topic or item of 0 stands for every topic or item. On an XTYPF_ACKREQ link whose
// last update the client has not acknowledged, the post waits for the acknowledgement and is
// then asked for with dwData1's low word kCadvLateAck.
bool DdePostAdvise(DdeInstance instance, Hsz topic, Hsz item);

// Client side.
Hconv DdeConnect(DdeInstance instance, Hsz service, Hsz topic);
// With a previous list: keeps its live conversations, drops the terminated ones, adds only
// conversations it does not hold yet, and returns the list under a new handle.
HconvList DdeConnectList(DdeInstance instance, Hsz service, Hsz topic, HconvList previous);
Hconv DdeQueryNextServer(HconvList list, Hconv previous);
bool DdeDisconnectList(HconvList list);
// Synchronous (timeout in ms; *result gets the acknowledgement word) or asynchronous
// (kTimeoutAsync; *result gets the transaction id, the outcome comes as XTYP_XACT_COMPLETE).
// data is null with size 0 for none; with size 0xFFFFFFFF it is a data handle (HddeData cast
// to a pointer) that the call consumes. Returns the data of a request, non-zero for success
// otherwise; 0 on failure (see DdeGetLastError). A synchronous transaction the server does not
// answer within the time-out fails with the type's DMLERR_*ACKTIMEOUT (DATAACK for a request).
HddeData DdeClientTransaction(const void* data, std::uint32_t size, Hconv conv, Hsz item,
                              unsigned format, unsigned type, std::uint32_t timeout,
                              std::uint32_t* result);
bool DdeAbandonTransaction(DdeInstance instance, Hconv conv, std::uint32_t transaction);
bool DdeDisconnect(Hconv conv);
Hconv DdeReconnect(Hconv conv);
// Fills info for the conversation (transaction kQidSync) or one asynchronous transaction, whose
// state then says what it waits for (kXstAdvSent for an advise start, ...). last_error is the
// error of the conversation's last transaction.
bool DdeQueryConvInfo(Hconv conv, std::uint32_t transaction, ConvInfo& info);

// True when the real library in use is Wine's (its known departures are then worked around).
bool DdeRunningOnWine();

}  // namespace platform
