#include "upload/Win32SerialLink.h"

#include "base/SystemError.h"

#include <algorithm>
#include <cctype>

#include <windows.h>

namespace {

SerialLink::Failure win32Failure(DWORD err) {
    return systemFailure(static_cast<int>(err));
}

SerialLink::Failure lastFailure() {
    return win32Failure(::GetLastError());
}

// The line settings from a zeroed record: whatever another program left on the port is
// replaced, and every field not set here stays 0 (no flow control, no special characters).
DCB lineSettings() {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = CBR_1200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = TWOSTOPBITS;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fBinary = TRUE; // Windows supports no other mode
    return dcb;
}

} // namespace

Win32SerialLink::~Win32SerialLink() {
    close();
}

std::string Win32SerialLink::systemName(const std::string& device) {
    const bool comName =
        device.size() > 3 &&
        std::equal(
            device.begin(), device.begin() + 3, "COM",
            [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; }) &&
        std::all_of(device.begin() + 3, device.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (comName && device.size() > 4)
        return "\\\\.\\" + device;
    return device;
}

SerialLink::OpenStatus Win32SerialLink::open(const std::string& device) {
    close();
    // No sharing: while the port is open no other program can open it, and one that holds it
    // makes this open fail (ERROR_ACCESS_DENIED or ERROR_SHARING_VIOLATION).
    const HANDLE h = ::CreateFileA(systemName(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {OpenResult::OpenFailed, lastFailure()};
    // A disk file of that name is not a port.
    if (::GetFileType(h) != FILE_TYPE_CHAR) {
        ::CloseHandle(h);
        return {OpenResult::OpenFailed, win32Failure(ERROR_INVALID_FUNCTION)};
    }
    m_handle = h;
    m_timeoutMs = -1;
    ::SetupComm(h, 65000, 65000); // only a wish; the driver may keep its own sizes
    DCB dcb = lineSettings();
    if (!::SetCommState(h, &dcb))
        return {OpenResult::ConfigureFailed, lastFailure()};
    return {OpenResult::Opened, {}};
}

SerialLink::WriteStatus Win32SerialLink::write(std::span<const std::uint8_t> bytes,
                                               std::chrono::milliseconds wait) {
    if (!m_handle)
        return {0, win32Failure(ERROR_INVALID_HANDLE)};
    // Both write fields 0 would mean no time-out at all, so the wait is at least 1 ms.
    const long long ms = std::clamp<long long>(wait.count(), 1, MAXDWORD - 1);
    if (ms != m_timeoutMs) {
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD; // reads, never made, would not wait
        timeouts.WriteTotalTimeoutConstant = static_cast<DWORD>(ms);
        if (!::SetCommTimeouts(m_handle, &timeouts))
            return {0, lastFailure()};
        m_timeoutMs = ms;
    }
    DWORD written = 0;
    const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
    if (!::WriteFile(m_handle, bytes.data(), ask, &written, nullptr))
        return {written, lastFailure()};
    // Fewer bytes than asked and no error: the time-out passed with the queue full.
    return {written, {}};
}

SerialLink::QueueStatus Win32SerialLink::pending() {
    DWORD errors = 0;
    COMSTAT status{};
    if (!m_handle || !::ClearCommError(m_handle, &errors, &status))
        return {};
    return {status.cbOutQue, {}};
}

void Win32SerialLink::discard() {
    if (m_handle)
        ::PurgeComm(m_handle, PURGE_TXABORT | PURGE_TXCLEAR);
}

void Win32SerialLink::close() {
    if (!m_handle)
        return;
    ::CloseHandle(m_handle);
    m_handle = nullptr;
}
