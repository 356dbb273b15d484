// Work-arounds for departures of Wine's DDEML that would make a server misbehave. Every
// function does nothing when the process does not run under Wine.
#pragma once

#include <cstdint>

#include <windows.h>
#include <ddeml.h>

namespace platform::win32 {

bool RunningOnWine();

// TICKWELL_WINE_DDE_FIX=off (or 0) in the environment: the remedies that replace user32's imports
// stay out.
bool WineImportRemediesOff();

// Called by the callback trampoline before the application sees a transaction: true when the
// transaction must be answered with 0 instead (an XTYP_ADVREQ that Wine raised for a link of
// another topic, because its DdePostAdvise matches links by item name only). A post to every
// topic (topic 0) serves every link; Wine then hands over topic 0, which is replaced by the
// conversation's own topic, as Windows gives it.
bool WineSkipsTransaction(DWORD instance, UINT type, HCONV conv, HSZ& topic);

// The format of an XTYP_ADVSTOP, which Wine hands over as 0: the format of the conversation's
// one link on that item, when there is exactly one.
UINT WineAdviseStopFormat(DWORD instance, UINT type, HCONV conv, HSZ item, UINT format);

// Called after the application answered: keeps the instance's advise links up to date.
void WineNoteTransaction(DWORD instance, UINT type, UINT format, HCONV conv, HSZ topic, HSZ item,
                         std::uintptr_t result);

// The count of an XTYP_ADVREQ as Windows gives it: Wine's count includes the links of other
// topics (answered by WineSkipsTransaction), so the server would never see its last request
// and would keep handing out a shared owned handle. Counts down the links of this post's topic,
// item and format instead.
std::uintptr_t WineAdviseCount(UINT type, UINT format, HSZ topic, std::uintptr_t data1);

// The answer to hand Wine for a poke or execute: Wine acknowledges positively only a bare
// DDE_FACK (application bits turn it into a refusal), so those bits are dropped there.
std::uintptr_t WineAcknowledgement(UINT type, std::uintptr_t result);

// Called just before DdePostAdvise: Wine takes one reference on the item's global atom per call
// but each posted message hands one to the client, which frees it; with several links the atom
// dies early and later values arrive under the wrong item name. Adds the missing references.
void WineBeforePostAdvise(DWORD instance, HSZ topic, HSZ item);
void WineAfterPostAdvise();

// Called before a synchronous client transaction: Wine's client, talking to a server in
// another process, leaves a message of the previous transaction in the thread's queue, which the
// next synchronous transaction takes for its own answer and fails with DMLERR_NOTPROCESSED.
// Delivers what is queued first.
void WineBeforeSyncTransaction();

void WineForgetInstance(DWORD instance);

}  // namespace platform::win32
