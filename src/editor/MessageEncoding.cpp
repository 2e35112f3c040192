#include "editor/MessageEncoding.h"

#include "base/Cp1251.h"

#include <cstdint>

namespace {

constexpr std::string_view Bom = "\xEF\xBB\xBF";

struct Sequence {
    char32_t codePoint = 0;
    std::size_t length = 0; // 0: no valid sequence starts here
};

bool isContinuation(std::uint8_t b) {
    return (b & 0xC0u) == 0x80u;
}

// One strict UTF-8 sequence: no overlong forms, no surrogates, nothing above U+10FFFF.
Sequence readSequence(std::string_view s, std::size_t at) {
    const auto lead = static_cast<std::uint8_t>(s[at]);
    if (lead < 0x80)
        return {lead, 1};
    std::size_t length = 0;
    char32_t cp = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1Fu;
        least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0Fu;
        least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07u;
        least = 0x10000;
    } else {
        return {};
    }
    if (at + length > s.size())
        return {};
    for (std::size_t i = 1; i < length; ++i) {
        const auto b = static_cast<std::uint8_t>(s[at + i]);
        if (!isContinuation(b))
            return {};
        cp = (cp << 6) | (b & 0x3Fu);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return {};
    return {cp, length};
}

bool looksLikeUtf8(std::string_view bytes) {
    bool nonAscii = false;
    for (std::size_t at = 0; at < bytes.size();) {
        const Sequence seq = readSequence(bytes, at);
        if (seq.length == 0)
            return false;
        nonAscii = nonAscii || seq.length > 1;
        at += seq.length;
    }
    return nonAscii;
}

DecodedMessage fromUtf8(std::string_view bytes) {
    if (bytes.starts_with(Bom))
        bytes.remove_prefix(Bom.size());
    DecodedMessage out;
    out.converted = true;
    out.cp1251.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const Sequence seq = readSequence(bytes, at);
        const auto byte = seq.length == 0 ? std::nullopt : cp1251::unicodeToCp1251(seq.codePoint);
        if (byte) {
            out.cp1251.push_back(static_cast<char>(*byte));
        } else {
            out.cp1251.push_back('?');
            ++out.replaced;
        }
        at += seq.length == 0 ? 1 : seq.length;
    }
    return out;
}

} // namespace

DecodedMessage decodeMessage(std::string_view fileBytes, MessageEncoding encoding) {
    if (encoding == MessageEncoding::Auto)
        encoding = fileBytes.starts_with(Bom) || looksLikeUtf8(fileBytes) ? MessageEncoding::Utf8
                                                                          : MessageEncoding::Cp1251;
    if (encoding == MessageEncoding::Utf8)
        return fromUtf8(fileBytes);
    return {std::string(fileBytes), 0, false};
}
