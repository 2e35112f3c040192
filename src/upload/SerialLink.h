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
        bool complete = false;   // every byte reached the line before the port closed
        std::size_t written = 0; // bytes the driver accepted before the write ended
        std::string error;       // the system's reason when not complete
        bool timedOut = false;   // the deadline passed before the frame was out
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

// Line settings the link applies, and what follows from them.
inline constexpr int LineBaud = 1200;
inline constexpr int LineBitsPerByte = 11; // start bit, 8 data bits, 2 stop bits

// How long `bytes` take on the line, rounded up to whole milliseconds.
constexpr std::chrono::milliseconds lineTime(std::size_t bytes) {
    const auto bitMs = static_cast<std::uint64_t>(bytes) * LineBitsPerByte * 1000;
    return std::chrono::milliseconds((bitMs + LineBaud - 1) / LineBaud);
}

// How long an upload of `bytes` may take before it counts as failed: twice the line time, so a
// slow driver still finishes, plus 10 s for opening and draining.
constexpr std::chrono::milliseconds writeTimeout(std::size_t bytes) {
    return lineTime(2 * bytes) + std::chrono::seconds(10);
}
