#include "editor/MessageEncoding.h"

#include "base/Cp1251.h"

namespace {

constexpr std::string_view Bom = "\xEF\xBB\xBF";

bool looksLikeUtf8(std::string_view bytes) {
    bool nonAscii = false;
    for (std::size_t at = 0; at < bytes.size();) {
        const cp1251::Utf8Sequence seq = cp1251::readUtf8(bytes, at);
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
        const cp1251::Utf8Sequence seq = cp1251::readUtf8(bytes, at);
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
