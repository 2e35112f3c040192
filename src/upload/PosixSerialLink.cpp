#include "upload/PosixSerialLink.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

std::string systemError(int err) {
    return std::system_category().message(err);
}

// What a device without modem-control lines (a pseudo-terminal) answers to TIOCMBIS/TIOCMBIC.
bool lacksModemLines(int err) {
    return err == ENOTTY || err == EINVAL;
}

int millisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

const char* const TimedOutText = "the output did not leave the port in time";

// The settings from scratch: whatever another program left on the port is replaced. Raw
// output, so every byte goes out unchanged; no flow control of any kind; the modem lines drop
// when the port closes.
termios lineSettings() {
    termios tio{};
    tio.c_iflag = 0;
    tio.c_oflag = 0;
    tio.c_lflag = 0;
    tio.c_cflag = CS8 | CSTOPB | CLOCAL | CREAD | HUPCL;
    cfsetispeed(&tio, B1200);
    cfsetospeed(&tio, B1200);
    return tio;
}

// tcsetattr succeeds when any part of the request was taken, so the result is read back.
bool settingsTaken(const termios& tio) {
    return cfgetospeed(&tio) == B1200 &&
           (tio.c_cflag & (CSIZE | CSTOPB | PARENB | CRTSCTS)) == (CS8 | CSTOPB) &&
           (tio.c_iflag & (IXON | IXOFF | IXANY)) == 0 && (tio.c_oflag & OPOST) == 0;
}

// Writes until every byte is taken, the device fails or the deadline passes.
std::string writeAll(int fd, std::span<const std::uint8_t> frame, Clock::time_point deadline,
                     std::size_t& written, bool& timedOut) {
    bool hungUp = false;
    while (written < frame.size()) {
        const ssize_t n = ::write(fd, frame.data() + written, frame.size() - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            hungUp = false;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return systemError(errno);
        if (hungUp) // the device reported a hang-up and still takes nothing
            return systemError(EIO);
        // The driver's queue is full; wait until it takes more.
        const int left = millisecondsLeft(deadline);
        if (left == 0) {
            timedOut = true;
            return TimedOutText;
        }
        pollfd p{fd, POLLOUT, 0};
        const int ready = ::poll(&p, 1, left);
        if (ready < 0 && errno != EINTR)
            return systemError(errno);
        if (ready > 0 && (p.revents & POLLNVAL))
            return systemError(EBADF);
        if (ready > 0 && (p.revents & (POLLERR | POLLHUP)) && !(p.revents & POLLOUT))
            hungUp = true;
    }
    return {};
}

// Waits until the driver's queue and then the UART itself are empty. tcdrain would do this but
// may wait for ever on a stuck device, so the queue is watched against the deadline instead.
std::string drain(int fd, Clock::time_point deadline, bool& timedOut) {
    for (;;) {
        int queued = 0;
        if (::ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
            break; // empty, or not visible: the close waits out what is left
        if (millisecondsLeft(deadline) == 0) {
            timedOut = true;
            return TimedOutText;
        }
        // Half the time the queue needs on the line, so the check comes back before it ends.
        const auto pause = std::clamp(lineTime(static_cast<std::size_t>(queued)) / 2,
                                      milliseconds(5), milliseconds(200));
        std::this_thread::sleep_for(std::min(pause, milliseconds(millisecondsLeft(deadline))));
    }
    for (;;) {
        unsigned int lineStatus = 0;
        if (::ioctl(fd, TIOCSERGETLSR, &lineStatus) != 0 || (lineStatus & TIOCSER_TEMT))
            return {};
        if (millisecondsLeft(deadline) == 0) {
            timedOut = true;
            return TimedOutText;
        }
        std::this_thread::sleep_for(milliseconds(5));
    }
}

} // namespace

PosixSerialLink::~PosixSerialLink() {
    close();
}

SerialLink::OpenResult PosixSerialLink::open(const std::string& device) {
    close();
    m_lastError.clear();
    // Not blocking, so the open does not wait for a carrier the sign never raises.
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_lastError = systemError(errno);
        return OpenResult::OpenFailed;
    }
    const auto refuse = [&](int err) {
        m_lastError = systemError(err);
        ::close(fd);
        return OpenResult::OpenFailed;
    };
    if (!::isatty(fd))
        return refuse(ENOTTY);
    // Held by another Lumetra, or by a terminal program that locks its port the same way.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        return refuse(EBUSY);
    // Keeps out later openings by programs that do not lock (root is not kept out, the flock
    // above covers the programs that matter).
    ::ioctl(fd, TIOCEXCL);
    m_fd = fd;
    return configure() ? OpenResult::Opened : OpenResult::ConfigureFailed;
}

bool PosixSerialLink::configure() {
    std::string failure;
    const auto note = [&failure](int err) {
        if (failure.empty())
            failure = systemError(err);
    };

    // What counts is what the device holds afterwards: tcsetattr succeeds when any part was
    // taken, and some drivers fail a request that changes nothing.
    const termios wanted = lineSettings();
    const int setError = ::tcsetattr(m_fd, TCSANOW, &wanted) == 0 ? 0 : errno;
    termios applied{};
    if (::tcgetattr(m_fd, &applied) != 0)
        note(errno);
    else if (!settingsTaken(applied))
        note(setError != 0 ? setError : EINVAL);

    int dtr = TIOCM_DTR;
    if (::ioctl(m_fd, TIOCMBIS, &dtr) != 0 && !lacksModemLines(errno))
        note(errno);
    int rts = TIOCM_RTS;
    if (::ioctl(m_fd, TIOCMBIC, &rts) != 0 && !lacksModemLines(errno))
        note(errno);

    m_lastError = failure;
    return failure.empty();
}

SerialLink::WriteResult PosixSerialLink::writeAndClose(std::span<const std::uint8_t> frame,
                                                       milliseconds timeout) {
    WriteResult result;
    if (m_fd < 0) {
        result.error = systemError(EBADF);
        return result;
    }
    const auto deadline = Clock::now() + timeout;
    result.error = writeAll(m_fd, frame, deadline, result.written, result.timedOut);
    if (result.error.empty())
        result.error = drain(m_fd, deadline, result.timedOut);
    result.complete = result.error.empty();
    // A failed upload's leftovers would only hold up the close for the driver's closing time.
    if (!result.complete)
        ::tcflush(m_fd, TCOFLUSH);
    close();
    return result;
}

void PosixSerialLink::close() {
    if (m_fd < 0)
        return;
    // The settings are left as they are: changing them now would change the speed of the
    // bytes a UART or a USB adapter still holds; the close itself waits for those.
    ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    m_fd = -1;
}

std::unique_ptr<SerialLink> makeSystemSerialLink() {
    return std::make_unique<PosixSerialLink>();
}
