// Whether the server of a client conversation still has its window: a check that sends nothing,
// for a server that ends without terminating its conversations (Wine's server does not).
#pragma once

#include "platform/ddeml.h"

namespace rtd {

bool PartnerWindowAlive(platform::Hconv conv);

}  // namespace rtd
