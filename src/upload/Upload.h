#pragma once

#include "upload/SerialLink.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

// A time left as a clock, "m:ss", or "h:mm:ss" from an hour on; rounded up, never negative.
std::string clockText(std::chrono::milliseconds time);

// Where an upload stands, as the progress callback sees it.
struct UploadProgress {
    std::size_t total = 0;   // bytes in the frame
    std::size_t written = 0; // handed to the driver
    std::size_t sent = 0;    // known, or estimated from the line time, to have left the line
    std::chrono::milliseconds remaining{0}; // line time of what has not left yet
};

// Everything an upload's caller learns, in one value: the window, lumetra-send and the tests
// read it, and uploadText() words it.
struct UploadResult {
    enum class Outcome {
        Completed,   // every byte left the line
        Opened,      // open() alone: the port is open and send() comes next
        OpenFailed,  // nothing was opened
        WriteFailed, // the device failed during the write or the drain
        TimedOut,    // the deadline passed before the frame was out
        Cancelled,   // stopped by cancel(); unsent output was discarded, or nothing opened
    };
    Outcome outcome = Outcome::OpenFailed;
    std::string device;
    SerialLink::Failure failure; // why the opening or the write failed
    // Why the open port's line settings were refused or not confirmed; empty when they were
    // applied. The frame goes all the same, and this stays with whatever the write brings.
    SerialLink::Failure lineSettings;
    std::size_t total = 0;                 // bytes in the frame
    std::size_t written = 0;               // handed to the driver
    std::size_t sent = 0;                  // known or estimated to have left the line
    std::chrono::milliseconds deadline{0}; // the time allowed for the write and the drain
    std::chrono::milliseconds elapsed{0};  // from the write's start to the close

    bool completed() const { return outcome == Outcome::Completed; }
    // After open(): the port is open and the frame may go.
    bool opened() const { return outcome == Outcome::Opened; }
    bool lineSettingsConfirmed() const { return !lineSettings; }
};

// One upload of one frame over a SerialLink: open and configure, write, drain, close. The
// window, the command-line uploader and the tests all go through it. open() and send() are two
// steps so a caller can report a refused configuration before the write; run() does both.
// send() blocks; it may run on a worker thread while another thread calls cancel().
class Upload {
public:
    using ProgressFn = std::function<void(const UploadProgress&)>;

    struct Options {
        // Keep about 0.25 s of line time ahead of the line (LineAheadBytes) and, where the
        // device cannot tell its queue (a pseudo-terminal, a TCP link), finish no sooner than
        // the line-time clock, as a real line would. Tests of large frames switch it off, and
        // then the frame goes as fast as the device takes it.
        bool waitLineTime = true;
        // At most this often the progress callback runs (besides the first and the last).
        std::chrono::milliseconds progressInterval{50};
        // Replaces writeTimeout of the frame's size when set; for tests of a stalled line.
        std::optional<std::chrono::milliseconds> deadline;
    };

    explicit Upload(SerialLink& link);
    Upload(SerialLink& link, Options options);

    // Opens and configures `device`; a cancel() meanwhile gives up the opening (Cancelled). On
    // OpenFailed or Cancelled nothing is open and send() must not follow.
    UploadResult open(const std::string& device);

    // Writes the frame, waits until it has left the line (or the deadline, writeTimeout of its
    // size, has passed) and closes the port, whatever happened. Progress goes to `progress` on
    // the calling thread. Returns the open()'s findings with the write's.
    UploadResult send(std::span<const std::uint8_t> frame, const ProgressFn& progress = {});

    // open() then, when the port opened, send().
    UploadResult run(const std::string& device, std::span<const std::uint8_t> frame,
                     const ProgressFn& progress = {});

    // Stops the upload from any thread: before send() it makes send() write nothing.
    void cancel() { m_cancel.store(true); }
    bool cancelRequested() const { return m_cancel.load(); }

private:
    SerialLink& m_link;
    Options m_options;
    UploadResult m_opened;
    std::atomic<bool> m_cancel{false};
};
