// Fault injection for the model's file layer: makes writes fail on demand, as a full disk or a
// read-only folder would, whatever the privileges of the user running the tests.
#pragma once

#include <functional>
#include <string>

namespace platform::sim {

// Writes (append, replace, rename to) a path for which fails returns true report failure and
// change nothing. An empty function lets every write through again.
void SetFileWriteFault(std::function<bool(const std::string& path)> fails);

}  // namespace platform::sim
