#pragma once

// The About window's system-information lines, kept free of the GUI.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace info {

// A packed version number: lowest byte the Windows major version, then its minor version, the
// DOS minor version and, in the highest byte, the DOS major version.
std::string windowsVersionText(std::uint32_t packed); // "Windows 5.01"
std::string dosVersionText(std::uint32_t packed);     // "DOS 10.40"

// "Serial HDD: " and the serial as an unsigned decimal number.
std::string volumeSerialText(std::uint32_t serial);

// The processor name for a processor level; empty for a level we have no name for or none.
std::string processorName(std::optional<int> level);

// The "cpu family" of the first processor listed in the text of /proc/cpuinfo, if any.
std::optional<int> cpuFamilyFromCpuinfo(std::string_view cpuinfo);

} // namespace info
