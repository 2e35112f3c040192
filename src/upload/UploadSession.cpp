#include "upload/UploadSession.h"

#include "base/SystemError.h"

#include <atomic>
#include <system_error>
#include <thread>

UploadSession::UploadSession(SerialLink& link, Upload::Options options)
    : m_link(link), m_upload(link, options) {}

void UploadSession::onWorker(const std::function<void()>& job, const Waiting& waiting) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        job();
        done.store(true);
        if (waiting.ended)
            waiting.ended();
    });
    if (waiting.wait)
        waiting.wait([&done] { return done.load(); });
    worker.join();
}

UploadResult UploadSession::open(const std::string& device, const OpenReports& reports,
                                 const Waiting& waiting) {
    UploadResult opened;
    try {
        onWorker([&] { opened = m_upload.open(device); }, waiting);
    } catch (const std::system_error& e) { // no thread to be had: nothing was opened
        opened.device = device;
        opened.failure = {0, e.what(), errorReason(e.code(), ReasonLanguage::Russian)};
    }
    if (opened.outcome == UploadResult::Outcome::OpenFailed && reports.openFailed)
        reports.openFailed(opened);
    if (opened.opened() && !opened.lineSettingsConfirmed() && reports.configureRefused)
        reports.configureRefused(opened);
    return opened;
}

UploadResult UploadSession::send(std::span<const std::uint8_t> frame, const Writing& writing) {
    UploadResult result;
    try {
        onWorker([&] { result = m_upload.send(frame, writing.progress); }, writing);
    } catch (const std::system_error& e) { // no thread to be had: nothing was written
        m_link.close();
        result.outcome = UploadResult::Outcome::WriteFailed;
        result.total = frame.size();
        result.failure = {0, e.what(), errorReason(e.code(), ReasonLanguage::Russian)};
    }
    return result;
}
