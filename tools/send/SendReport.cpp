#include "SendReport.h"

#include "base/Json.h"
#include "upload/Upload.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sendtool {
namespace {

constexpr int BarWidth = 30;

} // namespace

std::string progressLine(std::size_t sent, std::size_t total, std::chrono::milliseconds remaining,
                         Language language) {
    const std::size_t done = total == 0 ? 0 : std::min(sent, total);
    const std::size_t percent = total == 0 ? 100 : done * 100 / total;
    const auto filled = static_cast<int>(total == 0 ? BarWidth : done * BarWidth / total);
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, "] %3zu%%  %zu/%zu ", percent, done, total);
    const std::string time = "  " + clockText(remaining) + " ";
    std::string line = "[";
    line.append(static_cast<std::size_t>(filled), '#');
    line.append(static_cast<std::size_t>(BarWidth - filled), '-');
    line += numbers;
    line += text(Msg::Bytes, language);
    line += time;
    line += text(Msg::Left, language);
    return line;
}

std::string hexDump(std::span<const std::uint8_t> bytes) {
    std::string out;
    out.reserve(bytes.size() * 5);
    char cell[32];
    for (std::size_t row = 0; row < bytes.size(); row += 16) {
        std::snprintf(cell, sizeof cell, "%08zx ", row);
        out += cell;
        std::string ascii;
        for (std::size_t i = row; i < row + 16; ++i) {
            if (i - row == 8)
                out += ' ';
            if (i < bytes.size()) {
                std::snprintf(cell, sizeof cell, " %02x", bytes[i]);
                out += cell;
                ascii += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
            } else {
                out += "   ";
            }
        }
        out += "  |" + ascii + "|\n";
    }
    std::snprintf(cell, sizeof cell, "%08zx\n", bytes.size());
    out += cell;
    return out;
}

std::string jsonLine(const JsonResult& r) {
    Json line = {{"outcome", r.outcome},
                 {"bytes", r.bytes},
                 {"sent", r.sent},
                 {"seconds", std::round(r.seconds * 100) / 100}};
    if (!r.device.empty())
        line["device"] = r.device;
    if (!r.error.empty())
        line["error"] = r.error;
    return dumpJson(line);
}

} // namespace sendtool
