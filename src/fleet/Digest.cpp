#include "Digest.h"

#include <openssl/evp.h>

#include <algorithm>

namespace fleet {

std::string sha256Hex(std::span<const std::uint8_t> bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
    static constexpr char Hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < length; ++i) {
        out += Hex[digest[i] >> 4];
        out += Hex[digest[i] & 15];
    }
    return out;
}

std::string toBase64(std::span<const std::uint8_t> bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3), '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), bytes.data(),
                                  static_cast<int>(bytes.size()));
    out.resize(static_cast<std::size_t>(std::max(n, 0)));
    return out;
}

std::optional<std::vector<std::uint8_t>> fromBase64(std::string_view text) {
    // EVP_DecodeBlock lets blanks and a missing padding through; base64 in JSON has neither.
    if (text.size() % 4 != 0 || !std::all_of(text.begin(), text.end(), [](unsigned char c) {
            return std::isalnum(c) || c == '+' || c == '/' || c == '=';
        }))
        return std::nullopt;
    const std::size_t padding = text.ends_with("==") ? 2 : text.ends_with("=") ? 1 : 0;
    if (std::find(text.begin(), text.end() - static_cast<std::ptrdiff_t>(padding), '=') !=
        text.end() - static_cast<std::ptrdiff_t>(padding))
        return std::nullopt;
    std::vector<std::uint8_t> out(text.size() / 4 * 3);
    const int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                  static_cast<int>(text.size()));
    if (n < 0)
        return std::nullopt;
    out.resize(static_cast<std::size_t>(n) - padding);
    return out;
}

} // namespace fleet
