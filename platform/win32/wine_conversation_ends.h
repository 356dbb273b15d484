// Under Wine, makes the end of a conversation reach the other side as the DDE protocol has it.
//
// What Wine 8.0's DDEML does, as observed:
//   - DdeDisconnect of a server's conversation does nothing and fails; the client is never told.
//   - When a client receives the server's WM_DDE_TERMINATE (Wine's server posts one when a
//     service is unregistered), Wine marks the conversation terminated and answers the
//     terminate, but calls no XTYP_DISCONNECT, keeps the conversation, refuses DdeDisconnect of
//     it, and refuses every later DdeConnect of that instance to the same service and topic
//     ("This Conv already exists"); a server that comes back can never be reached again.
//   - A transaction posted to a server window that is gone clears the conversation's connected
//     state the same way, with the same result.
// What is done instead:
//   - Server side: ending a conversation hands the server's conversation window the terminate
//     its client would send; Wine then posts the terminate to the client and drops the
//     conversation. DdeUninitialize ends the instance's conversations that way first.
//   - Client side: a thread-local message hook takes the server's terminate away from Wine for
//     the conversations this layer opened; the application's callback is given XTYP_DISCONNECT,
//     and the conversation is then disconnected by the client itself, which Wine does know, with
//     the server's terminate handed back as the answer it waits for. A transaction on a
//     conversation whose server window is gone ends it the same way instead of being posted.
//   - Windows does not tell the side that ends a conversation: the XTYP_DISCONNECT that Wine
//     raises for such an end is not passed on.
// Every function does nothing when the process does not run under Wine.
#pragma once

#include <windows.h>
#include <ddeml.h>

namespace platform::win32 {

// Called by the callback trampoline: keeps the instance's server conversations (confirm,
// disconnect). True when an XTYP_DISCONNECT is for a conversation this thread is ending itself,
// which the application must not be told of.
bool WineNoteConversation(DWORD instance, UINT type, HCONV conv);

// DdeDisconnect under Wine: true when handled here, with the result in *done.
bool WineDisconnect(HCONV conv, bool* done);

// Before DdeUninitialize: ends the instance's server conversations and readies its client ones.
void WineBeforeUninitialize(DWORD instance);

// A client conversation the instance opened on this thread (DdeConnect, DdeReconnect).
void WineTrackClientConversation(DWORD instance, HCONV conv);

// Around a client transaction: false when the conversation has ended (the application has been
// told) and the transaction must fail without being posted.
bool WineBeforeClientTransaction(HCONV conv);
void WineAfterClientTransaction(HCONV conv);

// Implemented by the DDEML binding: passes a notification to the instance's callback.
void WineNotifyInstance(DWORD instance, UINT type, HCONV conv);

}  // namespace platform::win32
