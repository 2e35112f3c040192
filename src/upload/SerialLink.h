#pragma once

#include "base/SystemError.h"
#include "frames/LineTime.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

// One serial port, opened for a single upload. Output only; nothing is ever read. The upload
// engine (Upload) drives it: open, write in pieces, watch the queue, close.
class SerialLink {
public:
    enum class OpenResult {
        Opened,          // open and configured
        OpenFailed,      // absent, or held by another program; nothing is open
        ConfigureFailed, // open, but the line settings were refused; the port stays open
    };

    // The system's error number (errno, GetLastError) and the reason: in English (the
    // system's own text, or the link's own words) and in Russian, where the link words it. 0
    // and empty on success.
    struct Failure {
        int error = 0;
        std::string reason;
        std::string russian;
        explicit operator bool() const { return error != 0 || !reason.empty(); }
    };

    struct OpenStatus {
        OpenResult result = OpenResult::OpenFailed;
        Failure failure; // why the open or the configuration failed
    };

    struct WriteStatus {
        std::size_t accepted = 0; // bytes the driver took
        Failure failure;          // set when the device failed; `accepted` still counts
    };

    struct QueueStatus {
        // Bytes handed to the driver that have not yet left the line; nullopt when the device
        // cannot tell. A device that always answers 0 (a pseudo-terminal) cannot tell either,
        // and the engine finds that out itself.
        std::optional<std::size_t> queued;
        Failure failure; // set when the device has failed, so its queue tells nothing
    };

    virtual ~SerialLink() = default;

    // Opens `device` without sharing and applies 1200 baud, 8 data bits, no parity, 2 stop
    // bits, no flow control, DTR raised, RTS not raised. A port another program holds is
    // refused (OpenFailed, EBUSY or the system's own number).
    virtual OpenStatus open(const std::string& device) = 0;

    // open() for a caller that may give up meanwhile: a link whose opening can take seconds (a
    // network connection) gives up soon after `cancelled` turns true and leaves nothing open.
    virtual OpenStatus openCancellable(const std::string& device,
                                       const std::atomic<bool>& cancelled) {
        (void)cancelled;
        return open(device);
    }

    // A link that hands the frame on whole (to an agent beside the sign, which paces the line
    // itself) is given it in one write; pending() then tells what has left the far line.
    virtual bool takesWholeFrame() const { return false; }

    // Hands the driver as much of `bytes` as it takes within `wait`; 0 accepted and no failure
    // means the driver's queue stayed full.
    virtual WriteStatus write(std::span<const std::uint8_t> bytes,
                              std::chrono::milliseconds wait) = 0;

    // What is still queued for the line, or why the device can no longer tell.
    virtual QueueStatus pending() = 0;

    // Throws away output not yet sent.
    virtual void discard() = 0;

    // Closes the port; harmless when nothing is open. The line settings stay as they were so
    // that the last bytes leave at the speed they were sent with.
    virtual void close() = 0;
};

// The failure of the system's error `err`, with its reason in both languages.
SerialLink::Failure systemFailure(int err);

// `failure` as the operator is told it in `language`: the link's own words, or the system's
// reason (errorReason). Russian falls back on the English text where none was given.
std::string failureText(const SerialLink::Failure& failure, ReasonLanguage language);

class BrokerAccess;

// The one place a device name chooses its transport: a socket:// or rfc2217:// URL gets a
// network link, an mqtt:// or mqtts:// URL a link to the sign's agent through the broker
// (with `broker`'s files and passwords; a build without MQTT refuses to open it), anything
// else the platform's serial port.
std::unique_ptr<SerialLink> makeLinkFor(const std::string& device,
                                        std::shared_ptr<BrokerAccess> broker = {});

// A link that becomes, at each open, the one makeLinkFor gives for that device.
std::unique_ptr<SerialLink> makeSystemSerialLink(std::shared_ptr<BrokerAccess> broker = {});

// What the upload keeps on its way ahead of what has left the line: about 0.25 s of line time,
// so a cancel stops the line within that, and the line never waits for the next bytes.
inline constexpr std::size_t LineAheadBytes = 28;

// How long an upload of `bytes` may take before it counts as failed: twice the line time, so a
// slow driver still finishes, plus 10 s for opening and draining.
constexpr std::chrono::milliseconds writeTimeout(std::size_t bytes) {
    return lineTime(2 * bytes) + std::chrono::seconds(10);
}
