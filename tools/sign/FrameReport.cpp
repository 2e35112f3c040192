#include "FrameReport.h"

#include "base/Cp1251.h"
#include "base/Json.h"
#include "sign/Effects.h"

namespace sign {

std::string frameJson(const DecodedFrame& frame) {
    using Kind = DecodedFrame::Kind;
    Json out;
    out["type"] = frame.kind == Kind::Text   ? "text"
                  : frame.kind == Kind::Font ? "font"
                                             : "malformed";
    out["bytes"] = frame.byteCount;
    if (frame.kind == Kind::Text) {
        out["text"] = cp1251::cp1251ToUtf8(frame.payload);
        out["effects"] = effectsJson(frame.payload);
    } else if (frame.kind == Kind::Font) {
        static constexpr char Hex[] = "0123456789abcdef";
        std::string symbols;
        for (const std::uint8_t b : frame.payload) {
            symbols.push_back(Hex[b >> 4]);
            symbols.push_back(Hex[b & 15]);
        }
        out["symbols"] = symbols;
    }
    out["preamble"] = frame.preambleLength;
    out["skipped"] = frame.skipped;
    out["error"] = frame.error;
    return dumpJson(out);
}

} // namespace sign
