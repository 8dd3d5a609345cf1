#pragma once

#include <iosfwd>

#include "cli/blend_arguments.h"

namespace orrisbay::cli {

// orrisbay-blend --watch: blends the four inputs once, then again each time
// one of them changes on disk (once its writes have settled), until SIGINT or
// SIGTERM. Each run prints one line: to `out` the time, the output and the
// milliseconds it took; to `err` the time and the error of a failed run,
// after which it waits for the next change. A signal is taken only between
// runs, so an output is never left half written; the result is then 0.
int RunWatch(const BlendOptions& options, std::ostream& out, std::ostream& err);

}  // namespace orrisbay::cli
