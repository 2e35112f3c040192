#include "SignPort.h"

#include "base/Settings.h"
#include "frames/FrameDecoder.h"
#include "frames/Frames.h"
#include "frames/LinkUrl.h"
#include "upload/SerialLink.h"
#include "upload/UploadSession.h"

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace agent {
namespace {

static_assert(FontTableBytes == FontTableSize && LargestFrame == TxBufferSize &&
              LongestText == MaxTextPayload);

constexpr auto CancelPoll = std::chrono::milliseconds(20);

// "COM 3" or "COM3", any letter case: the port number, else 0.
int comNumber(const std::string& port) {
    if (port.size() < 4 || std::toupper(static_cast<unsigned char>(port[0])) != 'C' ||
        std::toupper(static_cast<unsigned char>(port[1])) != 'O' ||
        std::toupper(static_cast<unsigned char>(port[2])) != 'M')
        return 0;
    std::size_t at = port[3] == ' ' ? 4 : 3;
    if (at >= port.size() || port.size() - at > 3)
        return 0;
    int n = 0;
    for (; at < port.size(); ++at) {
        if (!std::isdigit(static_cast<unsigned char>(port[at])))
            return 0;
        n = n * 10 + (port[at] - '0');
    }
    return n >= 1 && n <= 255 ? n : 0;
}

// The device a port name stands for now: "COM n" is looked up in the window's settings at each
// upload, as the window does.
std::string deviceOf(const std::string& port) {
    const int n = comNumber(port);
    return n != 0 ? Settings().portDevice(n) : port;
}

class SystemSignPort : public SignPort {
public:
    PortResult send(const std::string& port, std::span<const std::uint8_t> frame,
                    const ProgressFn& progress, const std::atomic<bool>& cancel) override {
        const std::unique_ptr<SerialLink> link = makeSystemSerialLink();
        UploadSession session(*link, Upload::Options{});
        UploadSession::Writing writing;
        // The worker's end wakes the wait at once (the frame's first byte must not wait out a
        // poll after the open); the poll only looks for a cancel.
        std::mutex mutex;
        std::condition_variable ended;
        writing.ended = [&] {
            std::lock_guard lock(mutex);
            ended.notify_all();
        };
        writing.wait = [&](const std::function<bool()>& finished) {
            std::unique_lock lock(mutex);
            while (!finished()) {
                if (cancel.load())
                    session.cancel();
                ended.wait_for(lock, CancelPoll, finished);
            }
        };
        if (progress)
            writing.progress = [&](const UploadProgress& p) {
                progress({p.sent, p.total, p.remaining});
            };
        UploadResult result = session.open(deviceOf(port), {}, writing);
        if (result.opened())
            result = session.send(frame, writing);
        PortResult out;
        out.total = frame.size();
        out.sent = result.sent;
        out.error = result.failure.reason;
        switch (result.outcome) {
        case UploadResult::Outcome::Completed:
        case UploadResult::Outcome::Opened:
            out.outcome = PortResult::Outcome::Sent;
            out.error = result.lineSettings.reason; // refused settings; the frame went all the same
            break;
        case UploadResult::Outcome::OpenFailed:
            out.outcome = PortResult::Outcome::OpenFailed;
            break;
        case UploadResult::Outcome::WriteFailed:
            out.outcome = PortResult::Outcome::WriteFailed;
            break;
        case UploadResult::Outcome::TimedOut:
            out.outcome = PortResult::Outcome::TimedOut;
            break;
        case UploadResult::Outcome::Cancelled:
            out.outcome = PortResult::Outcome::Cancelled;
            break;
        }
        return out;
    }
};

} // namespace

std::optional<Bytes> buildTextFrame(std::span<const std::uint8_t> cp1251) {
    TxFrame frame;
    if (!frame.BuildTextFrame(cp1251))
        return std::nullopt;
    return Bytes(frame.frame().begin(), frame.frame().end());
}

Bytes buildFontFrame(std::span<const std::uint8_t, FontTableBytes> table) {
    TxFrame frame;
    frame.BuildFontFrame(table);
    return Bytes(frame.frame().begin(), frame.frame().end());
}

std::variant<FrameContent, std::string> readFrame(std::span<const std::uint8_t> bytes) {
    FrameDecoder decoder;
    std::vector<DecodedFrame> frames = decoder.feed(bytes);
    for (DecodedFrame& rest : decoder.finish())
        frames.push_back(std::move(rest));
    if (frames.empty())
        return std::string("no frame");
    const DecodedFrame& first = frames.front();
    if (first.kind == DecodedFrame::Kind::Malformed)
        return "not a frame: " + first.error;
    if (first.skipped > 0)
        return std::to_string(first.skipped) + " stray bytes before the frame";
    if (first.shortPreamble)
        return "the frame's preamble is " + std::to_string(first.preambleLength) +
               " bytes 0xFF, not " + std::to_string(FramePreamble);
    if (frames.size() > 1)
        return std::string("more than one frame");
    return FrameContent{first.kind == DecodedFrame::Kind::Font, first.payload};
}

std::chrono::milliseconds lineTime(std::size_t bytes) {
    return ::lineTime(bytes);
}

std::optional<std::string> portProblem(const std::string& port) {
    if (port.empty())
        return "no port";
    if (looksLikeUrl(port)) {
        std::string why;
        const std::optional<LinkUrl> url = parseLinkUrl(port, &why);
        if (!url)
            return why;
        if (url->broker())
            return "the agent drives a sign on its own line, not one behind a broker";
    }
    return std::nullopt;
}

std::unique_ptr<SignPort> makeSystemSignPort() {
    return std::make_unique<SystemSignPort>();
}

} // namespace agent
