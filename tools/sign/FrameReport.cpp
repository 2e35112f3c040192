#include "FrameReport.h"

#include "base/Cp1251.h"
#include "sign/Effects.h"

#include <cstdio>

namespace sign {

std::string jsonString(std::string_view utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x",
                              static_cast<unsigned>(static_cast<unsigned char>(c)));
                out += escaped;
            } else {
                out.push_back(c);
            }
        }
    }
    out.push_back('"');
    return out;
}

std::string frameJson(const DecodedFrame& frame) {
    using Kind = DecodedFrame::Kind;
    std::string out = "{\"type\":";
    out += frame.kind == Kind::Text   ? "\"text\""
           : frame.kind == Kind::Font ? "\"font\""
                                      : "\"malformed\"";
    out += ",\"bytes\":" + std::to_string(frame.byteCount);
    if (frame.kind == Kind::Text) {
        out += ",\"text\":" + jsonString(cp1251::cp1251ToUtf8(frame.payload));
        out += ",\"effects\":" + effectsJson(frame.payload);
    } else if (frame.kind == Kind::Font) {
        static constexpr char Hex[] = "0123456789abcdef";
        out += ",\"symbols\":\"";
        for (const std::uint8_t b : frame.payload) {
            out.push_back(Hex[b >> 4]);
            out.push_back(Hex[b & 15]);
        }
        out += '"';
    }
    out += ",\"preamble\":" + std::to_string(frame.preambleLength);
    out += ",\"skipped\":" + std::to_string(frame.skipped);
    out += ",\"error\":" + jsonString(frame.error);
    out += '}';
    return out;
}

} // namespace sign
