// One run of tickwell-watch: a DDEML client instance, its conversation and the actions the
// command line asked for. Output goes to the given streams so tests can read it.
#pragma once

#include <cstdio>

#include "tools/watch/watch_options.h"

namespace watch {

// Returns the exit code.
int Run(const Options& options, std::FILE* out, std::FILE* err);

}  // namespace watch
