// The About window's Windows calls, made for real (under Wine on the build machine).

#include "info/Win32System.h"
#include "info/SystemInfoText.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <thread>

#include <cpuid.h>
#include <windows.h>

namespace {

TEST(Win32System, VersionLinesShowWhatTheSystemReports) {
    const std::uint32_t packed = win32::packedVersion();
    // The same numbers by another road.
    OSVERSIONINFOA os{};
    os.dwOSVersionInfoSize = sizeof os;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    ASSERT_TRUE(::GetVersionExA(&os));
#pragma GCC diagnostic pop
    char windows[32], dos[32];
    std::snprintf(windows, sizeof windows, "Windows %lu.%.2lu", os.dwMajorVersion,
                  os.dwMinorVersion);
    // On NT systems the upper half is the build number.
    std::snprintf(dos, sizeof dos, "DOS %lu.%.2lu", (os.dwBuildNumber >> 8) & 0x7F,
                  os.dwBuildNumber & 0xFF);
    EXPECT_EQ(info::windowsVersionText(packed), windows);
    EXPECT_EQ(info::dosVersionText(packed), dos);
    std::printf("%s, %s\n", windows, dos);
}

TEST(Win32System, ProcessorLevelIsTheProcessorsFamily) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    ASSERT_TRUE(__get_cpuid(1, &a, &b, &c, &d));
    unsigned family = (a >> 8) & 0xF;
    if (family == 0xF)
        family += (a >> 20) & 0xFF;
    const int level = win32::processorLevel();
    EXPECT_EQ(level, static_cast<int>(family));
    const std::string name = info::processorName(level);
    EXPECT_EQ(name, level == 6 ? "Intel Pentium III" : level == 5 ? "Intel Pentium" : "");
}

TEST(Win32System, VolumeSerialOfDriveCAndNoneForAMissingDrive) {
    const auto serial = win32::volumeSerial("C:\\");
    ASSERT_TRUE(serial.has_value());
    EXPECT_EQ(info::volumeSerialText(*serial), "Serial HDD: " + std::to_string(*serial));
    EXPECT_FALSE(win32::volumeSerial("Q:\\").has_value());
}

TEST(Win32System, ShellExecuteStartsTheTargetsHandler) {
    TempDir dir;
    const std::string marker = dir.path("opened.txt");
    {
        std::ofstream bat(dir.path("open.bat"));
        bat << "@echo opened> \"" << marker << "\"\r\n";
    }
    EXPECT_TRUE(win32::shellExecute(nullptr, dir.path("open.bat")));
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!std::filesystem::exists(marker) && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(std::filesystem::exists(marker));
    EXPECT_FALSE(win32::shellExecute(nullptr, dir.path("absent.txt")));
    // Let the command interpreter let go of the folder before it is removed.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

TEST(Win32System, FlashingAWindowInvertsItsTitleBar) {
    EXPECT_FALSE(win32::flashWindow(nullptr));
    const HWND window = ::CreateWindowExA(0, "STATIC", "Lumetra", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                          100, nullptr, nullptr, nullptr, nullptr);
    if (!window)
        GTEST_SKIP() << "no window can be made here (no display)";
    const bool first = win32::flashWindow(window);
    EXPECT_NE(win32::flashWindow(window), first);
    ::DestroyWindow(window);
}

TEST(Win32System, DateAndTimeInTheUsersFormats) {
    const std::time_t now = std::time(nullptr);
    const std::tm local = *std::localtime(&now);
    const std::string date = win32::shortDateText();
    const std::string time = win32::longTimeText();
    EXPECT_NE(date.find(std::to_string(local.tm_year % 100)), std::string::npos) << date;
    // Hours, minutes and seconds.
    EXPECT_EQ(std::count(time.begin(), time.end(), ':'), 2) << time;
    std::printf("%s %s\n", date.c_str(), time.c_str());
}

} // namespace
