#pragma once

#include "upload/Upload.h"
#include "upload/UploadWording.h"

#include <functional>
#include <memory>
#include <span>
#include <string>

// One upload as the window and lumetra-send run it: open the device and report what went
// wrong, then write the frame. Both the opening (a converter may take seconds to connect and
// answer) and the write run on a worker thread while the caller's own thread waits its way (an
// event loop, a watch for interrupts) and may cancel.
class UploadSession {
public:
    // Both run on the calling thread, the status first and the box second in the window;
    // uploadText() words what they are given.
    struct OpenReports {
        std::function<void(const UploadResult&)> openFailed;
        std::function<void(const UploadResult&)> configureRefused; // the frame goes all the same
    };
    struct Waiting {
        // On the calling thread until the worker is done: returns once `finished()` is true.
        std::function<void(const std::function<bool()>& finished)> wait;
        std::function<void()> ended; // on the worker, after the result is in
    };
    struct Writing : Waiting {
        Upload::ProgressFn progress; // on the writing thread
    };

    UploadSession(SerialLink& link, Upload::Options options);

    // Opens on a worker, then reports on the calling thread. opened() tells whether the frame
    // may go (also when its settings were refused); a cancel meanwhile gives Cancelled, with
    // nothing open and nothing reported.
    UploadResult open(const std::string& device, const OpenReports& reports,
                      const Waiting& waiting = {});

    // Writes on a worker and closes the port, whatever happened. Only after an opened open().
    UploadResult send(std::span<const std::uint8_t> frame, const Writing& writing);

    void cancel() { m_upload.cancel(); }

private:
    // Runs `job` on a worker while `waiting` waits; throws std::system_error when no thread
    // is to be had, and then `job` has not run.
    static void onWorker(const std::function<void()>& job, const Waiting& waiting);

    SerialLink& m_link;
    Upload m_upload;
};
