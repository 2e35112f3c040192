#pragma once

#include "SendCommand.h"

namespace sendtool {

// --status URL: lists the signs the broker knows from their agents' retained messages, one
// line each (or one JSON line with --json); exit status 3 when the broker cannot be reached.
int runStatus(const Options& options, const Console& console);

} // namespace sendtool
