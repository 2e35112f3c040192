#pragma once

#include "upload/SerialLink.h"

#include <string>

// The serial link on Windows: the COM port opened without sharing, so a port another program
// holds is refused by the system itself; a zeroed DCB filled with the line settings; writes
// bounded by SetCommTimeouts; the driver's output queue read from ClearCommError. Failures
// carry GetLastError's number and FormatMessage's text.
class Win32SerialLink : public SerialLink {
public:
    Win32SerialLink() = default;
    ~Win32SerialLink() override;
    Win32SerialLink(const Win32SerialLink&) = delete;
    Win32SerialLink& operator=(const Win32SerialLink&) = delete;

    OpenStatus open(const std::string& device) override;
    WriteStatus write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds wait) override;
    QueueStatus pending() override;
    void discard() override;
    void close() override;

    // The name CreateFileA is given for `device`: "COM1".."COM9" as they are, higher numbers
    // ("COM12") in the "\\.\COM12" form they need; a name already in that form stays.
    static std::string systemName(const std::string& device);

private:
    void* m_handle = nullptr;   // the port's HANDLE; null while closed
    long long m_timeoutMs = -1; // the write time-out last set on the port
};
