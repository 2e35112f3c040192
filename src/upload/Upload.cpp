#include "upload/Upload.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <system_error>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How long one step of the write or the drain may wait, so a cancel is seen promptly.
constexpr milliseconds WriteStep{50};
constexpr milliseconds DrainStep{20};
constexpr milliseconds PaceStep{50};

milliseconds left(Clock::time_point end) {
    return std::max(milliseconds(0), std::chrono::ceil<milliseconds>(end - Clock::now()));
}

} // namespace

std::string clockText(milliseconds time) {
    const long long s = std::max(
        0LL, static_cast<long long>(std::chrono::ceil<std::chrono::seconds>(time).count()));
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    return text;
}

Upload::Upload(SerialLink& link) : Upload(link, Options{}) {}

Upload::Upload(SerialLink& link, Options options) : m_link(link), m_options(options) {}

UploadResult Upload::open(const std::string& device) {
    m_opened = {};
    m_opened.device = device;
    const SerialLink::OpenStatus status = m_link.openCancellable(device, m_cancel);
    if (m_cancel.load()) { // also when the opening had got through: nothing may go now
        if (status.result != SerialLink::OpenResult::OpenFailed)
            m_link.close();
        m_opened.outcome = UploadResult::Outcome::Cancelled;
        return m_opened;
    }
    switch (status.result) {
    case SerialLink::OpenResult::Opened:
        m_opened.outcome = UploadResult::Outcome::Opened;
        break;
    case SerialLink::OpenResult::ConfigureFailed:
        m_opened.outcome = UploadResult::Outcome::Opened;
        m_opened.lineSettings = status.failure;
        // A refusal must never pass for settings applied, whatever the link said of it.
        if (!m_opened.lineSettings)
            m_opened.lineSettings = {0, "the line settings were refused",
                                     "настройки линии не приняты"};
        break;
    case SerialLink::OpenResult::OpenFailed:
        m_opened.outcome = UploadResult::Outcome::OpenFailed;
        m_opened.failure = status.failure;
        break;
    }
    return m_opened;
}

UploadResult Upload::run(const std::string& device, std::span<const std::uint8_t> frame,
                         const ProgressFn& progress) {
    const UploadResult opened = open(device);
    return opened.opened() ? send(frame, progress) : opened;
}

namespace {

// One send's running state: what went to the driver and what is known of the line.
class Transfer {
public:
    Transfer(SerialLink& link, std::span<const std::uint8_t> frame, const Upload::Options& options,
             const Upload::ProgressFn& progress)
        : m_link(link), m_frame(frame), m_options(options), m_progress(progress) {}

    std::size_t written() const { return m_written; }

    // Hands the driver up to `most` bytes within one step; false when the device failed.
    bool writeStep(std::size_t most, milliseconds wait) {
        const auto status = m_link.write(m_frame.subspan(m_written, most), wait);
        const std::size_t taken = std::min(status.accepted, most);
        const auto now = Clock::now();
        // The line is busy from the first byte on; bytes handed over while it stood idle
        // start it again rather than count as already gone.
        m_lineFreeAt = std::max(m_lineFreeAt, now) + byteTime * static_cast<long long>(taken);
        m_written += taken;
        m_started = m_started || taken > 0;
        m_failure = status.failure;
        return !m_failure;
    }

    // What has left the line: the device's own count once it has shown it can tell (a
    // pseudo-terminal always answers 0), else what the line-time clock lets through. A device
    // that failed meanwhile leaves the last count and its failure().
    std::size_t sent() {
        const SerialLink::QueueStatus status = m_link.pending();
        if (status.failure) {
            if (!m_failure) // the write's own failure tells more
                m_failure = status.failure;
            return m_lastSent;
        }
        const std::optional<std::size_t>& queued = status.queued;
        if (queued && *queued > 0)
            m_queueTold = true;
        if (m_queueTold && queued)
            m_lastSent = m_written - std::min(*queued, m_written);
        else if (m_started)
            m_lastSent = m_written - std::min(m_written, clockInFlight());
        return m_lastSent;
    }

    // The last count sent() found, for when the device can no longer be asked.
    std::size_t sentSoFar() const { return m_lastSent; }

    // Why the device failed, as the last write or queue look found; empty while it works.
    const SerialLink::Failure& failure() const { return m_failure; }

    // How many bytes may go to the driver now: enough to keep about 0.25 s of line time
    // ahead of what has left, so a cancel stops the line within that. Unpaced, all of them.
    std::size_t room(std::size_t sent) const {
        const std::size_t rest = m_frame.size() - m_written;
        if (!m_options.waitLineTime || m_link.takesWholeFrame())
            return rest;
        const std::size_t inFlight = m_written - sent;
        return inFlight >= LineAheadBytes ? 0 : std::min(rest, LineAheadBytes - inFlight);
    }

    // How long to wait before more bytes may go: until about half the lead has left.
    milliseconds pause(std::size_t sent) const {
        const std::size_t inFlight = m_written - sent;
        const std::size_t drop =
            inFlight + 1 > LineAheadBytes / 2 ? inFlight + 1 - LineAheadBytes / 2 : 1;
        return std::min(PaceStep, lineTime(drop));
    }

    // True when the frame has left the line as far as can be known.
    bool drained(std::size_t sent) const {
        if (m_queueTold)
            return sent == m_written;
        return !m_options.waitLineTime || sent >= m_written;
    }

    void report(std::size_t sent, bool force) {
        if (!m_progress)
            return;
        const auto now = Clock::now();
        if (!force && m_reported && now - m_lastReport < m_options.progressInterval)
            return;
        m_reported = true;
        m_lastReport = now;
        m_progress({m_frame.size(), m_written, sent, lineTime(m_frame.size() - sent)});
    }

private:
    static constexpr auto byteTime =
        std::chrono::nanoseconds(1'000'000'000LL * LineBitsPerByte / LineBaud);

    // Bytes the line-time clock says are still on their way.
    std::size_t clockInFlight() const {
        const auto left = m_lineFreeAt - Clock::now();
        if (left <= Clock::duration::zero())
            return 0;
        return static_cast<std::size_t>((left + byteTime - std::chrono::nanoseconds(1)) / byteTime);
    }

    SerialLink& m_link;
    std::span<const std::uint8_t> m_frame;
    const Upload::Options& m_options;
    const Upload::ProgressFn& m_progress;
    std::size_t m_written = 0;
    std::size_t m_lastSent = 0;
    bool m_started = false;
    bool m_queueTold = false;
    bool m_reported = false;
    SerialLink::Failure m_failure;
    Clock::time_point m_lineFreeAt;
    Clock::time_point m_lastReport;
};

} // namespace

UploadResult Upload::send(std::span<const std::uint8_t> frame, const ProgressFn& progress) {
    UploadResult result = m_opened;
    result.total = frame.size();
    result.deadline = m_options.deadline.value_or(writeTimeout(frame.size()));
    const auto start = Clock::now();
    const auto end = start + result.deadline;
    Transfer transfer(m_link, frame, m_options, progress);

    // Every way out closes the port; a frame that did not go out whole is not left queued. A
    // device found failed on the way fails the upload, whatever else was found at the end.
    const auto finish = [&](UploadResult::Outcome outcome, std::size_t sent) {
        if (transfer.failure()) {
            outcome = UploadResult::Outcome::WriteFailed;
            result.failure = transfer.failure();
            sent = transfer.sentSoFar();
        }
        result.outcome = outcome;
        result.written = transfer.written();
        result.sent = outcome == UploadResult::Outcome::Completed ? frame.size() : sent;
        if (outcome != UploadResult::Outcome::Completed)
            m_link.discard();
        m_link.close();
        transfer.report(result.sent, true);
        result.elapsed = std::chrono::ceil<milliseconds>(Clock::now() - start);
        return result;
    };

    try {
        transfer.report(0, true);
        while (transfer.written() < frame.size()) {
            if (transfer.failure())
                return finish(UploadResult::Outcome::WriteFailed, transfer.sentSoFar());
            if (m_cancel.load())
                return finish(UploadResult::Outcome::Cancelled, transfer.sent());
            if (left(end) == milliseconds(0))
                return finish(UploadResult::Outcome::TimedOut, transfer.sent());
            const std::size_t room = transfer.room(transfer.sentSoFar());
            if (room == 0) {
                std::this_thread::sleep_for(
                    std::min(transfer.pause(transfer.sentSoFar()), left(end)));
                transfer.report(transfer.sent(), false);
                continue;
            }
            if (!transfer.writeStep(room, std::min(WriteStep, left(end))))
                return finish(UploadResult::Outcome::WriteFailed, transfer.sent());
            transfer.report(transfer.sent(), false);
        }
        for (;;) {
            const std::size_t sent = transfer.sent();
            if (transfer.failure())
                return finish(UploadResult::Outcome::WriteFailed, sent);
            if (transfer.drained(sent))
                return finish(UploadResult::Outcome::Completed, sent);
            if (m_cancel.load())
                return finish(UploadResult::Outcome::Cancelled, sent);
            if (left(end) == milliseconds(0))
                return finish(UploadResult::Outcome::TimedOut, sent);
            transfer.report(sent, false);
            std::this_thread::sleep_for(std::min(DrainStep, left(end)));
        }
    } catch (const std::system_error& e) {
        result.failure = {e.code().value(), errorReason(e.code(), ReasonLanguage::English),
                          errorReason(e.code(), ReasonLanguage::Russian)};
        return finish(UploadResult::Outcome::WriteFailed, transfer.sentSoFar());
    } catch (const std::exception& e) {
        result.failure = {0, e.what(), {}};
        return finish(UploadResult::Outcome::WriteFailed, transfer.sentSoFar());
    }
}
