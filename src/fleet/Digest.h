#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fleet {

// SHA-256 in lower-case hex.
std::string sha256Hex(std::span<const std::uint8_t> bytes);

std::string toBase64(std::span<const std::uint8_t> bytes);
// Standard base64 with its padding; nothing when `text` is anything else.
std::optional<std::vector<std::uint8_t>> fromBase64(std::string_view text);

} // namespace fleet
