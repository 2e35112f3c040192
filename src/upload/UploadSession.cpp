#include "upload/UploadSession.h"

#include "base/SystemError.h"

#include <atomic>
#include <system_error>
#include <thread>

UploadMessage describeUpload(const UploadResult& result) {
    using Kind = UploadMessage::Kind;
    using Outcome = UploadResult::Outcome;
    UploadMessage m;
    m.device = result.device;
    m.reason = result.failure.reason;
    m.sent = result.sent;
    m.total = result.total;
    m.limitSeconds = std::chrono::ceil<std::chrono::seconds>(result.deadline).count();
    switch (result.outcome) {
    case Outcome::Completed:
        m.kind = Kind::Sent;
        break;
    case Outcome::Opened:
        m.kind = result.configured ? Kind::Sent : Kind::ConfigureRefused;
        break;
    case Outcome::OpenFailed:
        m.kind = Kind::OpenFailed;
        m.permissionHint = isPermissionError(result.failure.error);
        break;
    case Outcome::Cancelled:
        m.kind = Kind::Cancelled;
        break;
    case Outcome::TimedOut:
        m.kind = Kind::TimedOut;
        break;
    case Outcome::WriteFailed:
        m.kind = Kind::WriteFailed;
        break;
    }
    return m;
}

UploadSession::UploadSession(SerialLink& link, Upload::Options options)
    : m_link(link), m_upload(link, options) {}

bool UploadSession::open(const std::string& device, const OpenReports& reports) {
    const UploadResult opened = m_upload.open(device);
    const UploadMessage message = describeUpload(opened);
    if (message.kind == UploadMessage::Kind::OpenFailed && reports.openFailed)
        reports.openFailed(message);
    if (message.kind == UploadMessage::Kind::ConfigureRefused && reports.configureRefused)
        reports.configureRefused(message);
    return opened.opened;
}

UploadResult UploadSession::send(std::span<const std::uint8_t> frame, const Writing& writing) {
    UploadResult result;
    std::atomic<bool> done{false};
    try {
        std::thread worker([&] {
            result = m_upload.send(frame, writing.progress);
            done.store(true);
            if (writing.ended)
                writing.ended();
        });
        if (writing.wait)
            writing.wait([&done] { return done.load(); });
        worker.join();
    } catch (const std::system_error& e) { // no thread to be had: nothing was written
        m_link.close();
        result.outcome = UploadResult::Outcome::WriteFailed;
        result.total = frame.size();
        result.failure = {0, e.what()};
    }
    return result;
}
