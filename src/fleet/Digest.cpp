#include "Digest.h"

#include "DigestPrimitives.h"

#include <algorithm>
#include <cctype>

namespace fleet {

std::string sha256Hex(std::span<const std::uint8_t> bytes) {
    static constexpr char Hex[] = "0123456789abcdef";
    std::string out;
    for (const std::uint8_t byte : detail::sha256(bytes)) {
        out += Hex[byte >> 4];
        out += Hex[byte & 15];
    }
    return out;
}

std::string toBase64(std::span<const std::uint8_t> bytes) {
    return detail::encodeBase64(bytes);
}

std::optional<std::vector<std::uint8_t>> fromBase64(std::string_view text) {
    // The system decoders let blanks and a missing padding through; base64 in JSON has neither.
    if (text.size() % 4 != 0 || !std::all_of(text.begin(), text.end(), [](unsigned char c) {
            return std::isalnum(c) || c == '+' || c == '/' || c == '=';
        }))
        return std::nullopt;
    const std::size_t padding = text.ends_with("==") ? 2 : text.ends_with("=") ? 1 : 0;
    if (std::find(text.begin(), text.end() - static_cast<std::ptrdiff_t>(padding), '=') !=
        text.end() - static_cast<std::ptrdiff_t>(padding))
        return std::nullopt;
    auto out = detail::decodeBase64(text);
    if (out && out->size() != text.size() / 4 * 3 - padding)
        return std::nullopt;
    return out;
}

} // namespace fleet
