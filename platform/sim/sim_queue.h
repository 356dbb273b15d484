// The model's message queue. Window posts and the DDE model's deferred deliveries share it, so
// one PumpMessages() delivers everything in the order it was queued.
#pragma once

#include <functional>

namespace platform::sim {

void PostTask(std::function<void()> task);

}  // namespace platform::sim
