#pragma once

#include "frames/FrameDecoder.h"

#include <string>

namespace sign {

// One line of JSON (no line break) describing a decoded frame:
// {"type":"text"|"font"|"malformed","bytes":N,"text":"...","effects":[...] | "symbols":"<hex>",
//  "preamble":N,"skipped":N,"error":"..."}
std::string frameJson(const DecodedFrame& frame);

} // namespace sign
