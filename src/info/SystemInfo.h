#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

class QWidget;

// What the About window asks of the system it runs on.
class SystemInfo {
public:
    virtual ~SystemInfo() = default;

    // The packed version number (see info::windowsVersionText), where the system has one.
    virtual std::optional<std::uint32_t> packedVersion() = 0;
    // The processor level: 3 for an 80386, 4 for an 80486, 5 for a Pentium, 6 and up later.
    virtual std::optional<int> processorLevel() = 0;
    // The serial number of the volume holding the system.
    virtual std::optional<std::uint32_t> volumeSerial() = 0;
    // Draws the user's attention to the window's title bar once.
    virtual void flashWindow(QWidget* window) = 0;
    // Today in the user's short date format, and the time of day in the long time format.
    virtual QString currentDateText() = 0;
    virtual QString currentTimeText() = 0;
};

// The system's own: LinuxSystemInfo, or on Windows the calls of info/Win32System.h.
std::unique_ptr<SystemInfo> makeSystemInfo();

// Linux: the x86 "cpu family" from /proc/cpuinfo, the root file system's ID as the serial, no
// packed version, the window manager's attention hint for the flashing, the locale's formats.
class LinuxSystemInfo : public SystemInfo {
public:
    std::optional<std::uint32_t> packedVersion() override;
    std::optional<int> processorLevel() override;
    std::optional<std::uint32_t> volumeSerial() override;
    void flashWindow(QWidget* window) override;
    QString currentDateText() override;
    QString currentTimeText() override;
};

// A time format without its time-zone part: the long time format a user expects on a clock
// shows hours, minutes and seconds only.
QString timeFormatWithoutZone(const QString& format);
