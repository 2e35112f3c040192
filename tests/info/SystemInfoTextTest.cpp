#include "info/SystemInfoText.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

std::uint32_t packed(unsigned winMajor, unsigned winMinor, unsigned dosMinor, unsigned dosMajor) {
    return winMajor | winMinor << 8 | dosMinor << 16 | dosMajor << 24;
}

TEST(VersionText, WindowsAndDosLinesFromThePackedNumber) {
    struct Case {
        std::uint32_t packed;
        const char* windows;
        const char* dos;
    };
    const Case cases[] = {
        {packed(5, 1, 40, 10), "Windows 5.01", "DOS 10.40"},
        {packed(6, 2, 240, 35), "Windows 6.02", "DOS 35.240"},
        {packed(4, 10, 0, 0), "Windows 4.10", "DOS 0.00"},
        {packed(255, 255, 255, 255), "Windows 255.255", "DOS 255.255"},
        {0, "Windows 0.00", "DOS 0.00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.windows);
        EXPECT_EQ(info::windowsVersionText(c.packed), c.windows);
        EXPECT_EQ(info::dosVersionText(c.packed), c.dos);
    }
}

TEST(VolumeSerialText, UnsignedDecimalWithoutLeadingZerosOrSeparators) {
    EXPECT_EQ(info::volumeSerialText(0xA1B2C3D4u), "Serial HDD: 2712847316");
    EXPECT_EQ(info::volumeSerialText(0xFFFFFFFFu), "Serial HDD: 4294967295");
    EXPECT_EQ(info::volumeSerialText(0x80000000u), "Serial HDD: 2147483648");
    EXPECT_EQ(info::volumeSerialText(0x00001234u), "Serial HDD: 4660");
    EXPECT_EQ(info::volumeSerialText(0), "Serial HDD: 0");
}

TEST(ProcessorName, KnownLevelsAndEverythingElse) {
    EXPECT_EQ(info::processorName(3), "Intel 80386");
    EXPECT_EQ(info::processorName(4), "Intel 80486");
    EXPECT_EQ(info::processorName(5), "Intel Pentium");
    EXPECT_EQ(info::processorName(6), "Intel Pentium III");
    for (const int outside : {15, 7, 2, 0, -1, 25})
        EXPECT_EQ(info::processorName(outside), "") << outside;
    EXPECT_EQ(info::processorName(std::nullopt), "");
}

TEST(CpuFamily, TakesTheFirstProcessorsFamily) {
    const char* x86 = "processor\t: 0\n"
                      "vendor_id\t: GenuineIntel\n"
                      "cpu family\t: 6\n"
                      "model\t\t: 85\n"
                      "model name\t: Some CPU @ 2.00GHz\n"
                      "\n"
                      "processor\t: 1\n"
                      "cpu family\t: 15\n";
    EXPECT_EQ(info::cpuFamilyFromCpuinfo(x86), 6);
    EXPECT_EQ(info::cpuFamilyFromCpuinfo("vendor_id : AuthenticAMD\ncpu family : 25\n"), 25);
    // No line break after the last line, and Windows line ends.
    EXPECT_EQ(info::cpuFamilyFromCpuinfo("cpu family\t: 5"), 5);
    EXPECT_EQ(info::cpuFamilyFromCpuinfo("cpu family\t: 4\r\nmodel\t: 1\r\n"), 4);
}

TEST(CpuFamily, NoneWhereTheListHasNoUsableFamily) {
    // Other architectures name their processors differently.
    EXPECT_EQ(info::cpuFamilyFromCpuinfo("processor\t: 0\nBogoMIPS\t: 48.00\n"
                                         "CPU architecture: 8\nCPU variant\t: 0x0\n"),
              std::nullopt);
    EXPECT_EQ(info::cpuFamilyFromCpuinfo(""), std::nullopt);
    EXPECT_EQ(info::cpuFamilyFromCpuinfo("cpu family\t: six\n"), std::nullopt);
    EXPECT_EQ(info::cpuFamilyFromCpuinfo("cpu family\t:\n"), std::nullopt);
    EXPECT_EQ(info::cpuFamilyFromCpuinfo("cpu family\t: 6x\n"), std::nullopt);
    // A key that merely starts alike is another key.
    EXPECT_EQ(info::cpuFamilyFromCpuinfo("cpu family name : 6\n"), std::nullopt);
}

} // namespace
