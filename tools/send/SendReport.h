#pragma once

#include "SendTexts.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// How lumetra-send shows what it does: the progress line, the hex dump and the JSON result.
namespace sendtool {

// "[#########---------]  45%  1234/2740 bytes  0:13 left": 100 % only once every byte is out.
std::string progressLine(std::size_t sent, std::size_t total, std::chrono::milliseconds remaining,
                         Language language);

// Sixteen bytes a line: the offset, the bytes in hex, the printable ASCII ones as text.
std::string hexDump(std::span<const std::uint8_t> bytes);

// One line of JSON for scripts; `error` is left out when empty.
struct JsonResult {
    std::string_view outcome;
    std::size_t bytes = 0; // of the frame
    std::size_t sent = 0;  // left the line (or written, for a dump)
    double seconds = 0;
    std::string_view device;
    std::string_view error;
};
std::string jsonLine(const JsonResult& result);

} // namespace sendtool
