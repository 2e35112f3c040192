#pragma once

#include "upload/SerialLink.h"

#include <string>

// The serial link on Linux and other POSIX systems: a terminal device opened exclusively (an
// flock every Lumetra and many terminal programs honour, plus TIOCEXCL), its settings applied
// in full. The settings stay as they are until the device is closed, so the last bytes leave
// at the speed they were sent with.
class PosixSerialLink : public SerialLink {
public:
    PosixSerialLink() = default;
    ~PosixSerialLink() override;
    PosixSerialLink(const PosixSerialLink&) = delete;
    PosixSerialLink& operator=(const PosixSerialLink&) = delete;

    OpenStatus open(const std::string& device) override;
    WriteStatus write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds wait) override;
    QueueStatus pending() override;
    void discard() override;
    void close() override;

private:
    Failure configure();

    int m_fd = -1;
    bool m_madeExclusive = false; // only an exclusivity set here is cleared at the close
};
