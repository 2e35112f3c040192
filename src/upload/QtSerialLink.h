#pragma once

#include "upload/SerialLink.h"

#include <memory>
#include <string>

class QSerialPort;

// The serial link on Linux. QSerialPort opens the device (with its lock file, so a second
// Lumetra finds the port taken) and sets the basic line settings; the rest is done on its
// handle: an flock other programs honour, the terminal settings in full, the modem lines, and
// a write with a deadline that waits until the output has left the driver.
class QtSerialLink : public SerialLink {
public:
    QtSerialLink();
    ~QtSerialLink() override;
    QtSerialLink(const QtSerialLink&) = delete;
    QtSerialLink& operator=(const QtSerialLink&) = delete;

    OpenResult open(const std::string& device) override;
    WriteResult writeAndClose(std::span<const std::uint8_t> frame,
                              std::chrono::milliseconds timeout) override;
    void close() override;

    // Why the last open failed or was not fully configured; empty after a clean open.
    const std::string& lastError() const { return m_lastError; }

private:
    bool configure();

    std::unique_ptr<QSerialPort> m_port;
    std::string m_lastError;
};
