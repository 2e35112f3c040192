#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

// One serial port, opened for a single upload: open (exclusively) and configure, write one frame
// and close. Output only; nothing is ever read.
class SerialLink {
public:
    enum class OpenResult {
        Opened,          // open and configured
        OpenFailed,      // absent, or held by another program; nothing is open
        ConfigureFailed, // open, but the line settings were refused; the port stays open
    };

    struct WriteResult {
        bool complete = false;     // every byte reached the line before the port closed
        std::size_t written = 0;   // bytes accepted before the write ended
        std::string error;         // the system's reason when not complete
    };

    virtual ~SerialLink() = default;

    // Opens `device` without sharing and applies 1200 baud, 8 data bits, no parity, 2 stop
    // bits, no flow control, DTR raised, RTS not raised.
    virtual OpenResult open(const std::string& device) = 0;

    // Writes the frame, waits until the output has drained (or `timeout` has passed) and closes
    // the port, whatever happened. May be called from a worker thread; the caller does nothing
    // else with the link meanwhile.
    virtual WriteResult writeAndClose(std::span<const std::uint8_t> frame,
                                      std::chrono::milliseconds timeout) = 0;

    // Closes an open port without writing.
    virtual void close() = 0;
};

// The platform's serial link.
std::unique_ptr<SerialLink> makeSystemSerialLink();
