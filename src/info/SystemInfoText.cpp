#include "info/SystemInfoText.h"

#include <charconv>
#include <cstdio>

namespace info {

namespace {

unsigned byteOf(std::uint32_t packed, int index) {
    return (packed >> (8 * index)) & 0xFFu;
}

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

} // namespace

std::string windowsVersionText(std::uint32_t packed) {
    char text[32];
    std::snprintf(text, sizeof text, "Windows %u.%.2u", byteOf(packed, 0), byteOf(packed, 1));
    return text;
}

std::string dosVersionText(std::uint32_t packed) {
    char text[32];
    std::snprintf(text, sizeof text, "DOS %u.%.2u", byteOf(packed, 3), byteOf(packed, 2));
    return text;
}

std::string volumeSerialText(std::uint32_t serial) {
    return "Serial HDD: " + std::to_string(serial);
}

std::string processorName(std::optional<int> level) {
    if (!level)
        return {};
    switch (*level) {
    case 3:
        return "Intel 80386";
    case 4:
        return "Intel 80486";
    case 5:
        return "Intel Pentium";
    case 6:
        return "Intel Pentium III";
    default:
        return {};
    }
}

std::optional<int> cpuFamilyFromCpuinfo(std::string_view cpuinfo) {
    while (!cpuinfo.empty()) {
        const auto end = cpuinfo.find('\n');
        const std::string_view line = cpuinfo.substr(0, end);
        cpuinfo = end == std::string_view::npos ? std::string_view{} : cpuinfo.substr(end + 1);
        const auto colon = line.find(':');
        if (colon == std::string_view::npos || trimmed(line.substr(0, colon)) != "cpu family")
            continue;
        const std::string value = trimmed(line.substr(colon + 1));
        int family = 0;
        const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), family);
        if (ec != std::errc{} || ptr != value.data() + value.size())
            return std::nullopt;
        return family;
    }
    return std::nullopt;
}

} // namespace info
