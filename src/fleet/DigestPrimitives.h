#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What the system's crypto library does for Digest.cpp: OpenSSL on Linux, CNG and CryptoAPI
// on Windows.
namespace fleet::detail {

std::array<std::uint8_t, 32> sha256(std::span<const std::uint8_t> bytes);
std::string encodeBase64(std::span<const std::uint8_t> bytes);
// `text` is well-formed base64 with its padding; the bytes without the padding's.
std::optional<std::vector<std::uint8_t>> decodeBase64(std::string_view text);

} // namespace fleet::detail
