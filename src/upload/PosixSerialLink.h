#pragma once

#include "upload/SerialLink.h"

#include <string>

// The serial link on Linux and other POSIX systems: a terminal device opened exclusively (an
// flock every Lumetra and many terminal programs honour, plus TIOCEXCL), its settings applied
// in full, the frame written against a deadline and the output drained before the close. The
// settings stay as they are until the device is closed, so the last bytes leave at the speed
// they were sent with.
class PosixSerialLink : public SerialLink {
public:
    PosixSerialLink() = default;
    ~PosixSerialLink() override;
    PosixSerialLink(const PosixSerialLink&) = delete;
    PosixSerialLink& operator=(const PosixSerialLink&) = delete;

    OpenResult open(const std::string& device) override;
    WriteResult writeAndClose(std::span<const std::uint8_t> frame,
                              std::chrono::milliseconds timeout) override;
    void close() override;

    // Why the last open failed or was not fully configured; empty after a clean open.
    const std::string& lastError() const { return m_lastError; }

private:
    bool configure();

    int m_fd = -1;
    std::string m_lastError;
};
