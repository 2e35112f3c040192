#pragma once

#include "upload/Upload.h"

#include <functional>
#include <memory>
#include <span>
#include <string>

// What an upload's outcome tells its operator, for the window and lumetra-send to put in
// their own words.
struct UploadMessage {
    enum class Kind {
        Sent,
        OpenFailed,       // nothing was opened or sent
        ConfigureRefused, // the port is open, its line settings refused; the frame still goes
        Cancelled,
        TimedOut,
        WriteFailed,
    };
    Kind kind = Kind::Sent;
    std::string device;
    std::string reason;          // the system's or the server's reason, when there is one
    bool permissionHint = false; // the reason is a refused permission group membership grants
    std::size_t sent = 0;
    std::size_t total = 0;
    long long limitSeconds = 0; // the time allowed, for TimedOut
};

UploadMessage describeUpload(const UploadResult& result);

// One upload as the window and lumetra-send run it: open the device and report what went
// wrong, then write the frame on a worker thread while the caller's own thread waits its way
// (an event loop, a watch for interrupts) and may cancel, relaying the progress, and close.
class UploadSession {
public:
    // Both run on the calling thread, the status first and the box second in the window.
    struct OpenReports {
        std::function<void(const UploadMessage&)> openFailed;
        std::function<void(const UploadMessage&)> configureRefused;
    };
    struct Writing {
        Upload::ProgressFn progress; // on the writing thread
        // On the calling thread until the write is over: returns once `finished()` is true.
        std::function<void(const std::function<bool()>& finished)> wait;
        std::function<void()> ended; // on the writing thread, after the result is in
    };

    UploadSession(SerialLink& link, Upload::Options options);

    // True when the port is open and the frame may go (also when its settings were refused).
    bool open(const std::string& device, const OpenReports& reports);

    // Writes on a worker and closes the port, whatever happened. Only after a true open().
    UploadResult send(std::span<const std::uint8_t> frame, const Writing& writing);

    void cancel() { m_upload.cancel(); }

private:
    SerialLink& m_link;
    Upload m_upload;
};
