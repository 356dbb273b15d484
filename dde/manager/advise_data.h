// Advise data arriving for a conversation in the client role: the value of a hot link, the
// notice of a warm link, or data for an item the conversation does not know.
#pragma once

#include "dde/model/conversation.h"

namespace tickwell {

// Loads the data into the conversation's item and calls its hooks. DDE_FACK for a known item
// and for an unknown one the OnUnknownAdvise hook accepts; DDE_FBUSY when the conversation is
// still busy with advise data and UseBusy is set; DDE_FNOTPROCESSED for another topic, for an
// unknown item nobody accepts, and when an exception came up on the way.
platform::HddeData AdviseData(TDDEMLConversation& Conv, platform::Hsz Topic, platform::Hsz Item,
                              platform::HddeData Data, unsigned Format);

}  // namespace tickwell
