#pragma once

#include "upload/FrameDecoder.h"

#include <string>
#include <string_view>

namespace sign {

// A JSON string literal, quotes included, of UTF-8 text.
std::string jsonString(std::string_view utf8);

// One line of JSON (no line break) describing a decoded frame:
// {"type":"text"|"font"|"malformed","bytes":N,"text":"...","effects":[...] | "symbols":"<hex>",
//  "preamble":N,"skipped":N,"error":"..."}
std::string frameJson(const DecodedFrame& frame);

} // namespace sign
