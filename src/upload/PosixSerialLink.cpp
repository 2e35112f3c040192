#include "upload/PosixSerialLink.h"

#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace {

using std::chrono::milliseconds;

// What a device without modem-control lines (a pseudo-terminal) answers to TIOCMBIS/TIOCMBIC.
bool lacksModemLines(int err) {
    return err == ENOTTY || err == EINVAL;
}

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

// Character devices that answer as terminals but are no line to a sign: written to, a frame
// lands in the operator's own terminal (left raw at 1200 baud) or in a new pseudo-terminal
// nobody reads.
constexpr unsigned TtyMajor = 5, ControllingTtyMinor = 0, PtmxMinor = 2;

bool sameDevice(const struct stat& a, dev_t rdev) {
    return S_ISCHR(a.st_mode) && a.st_rdev == rdev;
}

// Why a device is refused before anything is written to it, or nothing.
std::optional<SerialLink::Failure> notASign(const struct stat& st) {
    if (sameDevice(st, makedev(TtyMajor, ControllingTtyMinor)))
        return SerialLink::Failure{
            EINVAL, "this is the controlling terminal (/dev/tty), not a serial port",
            "это управляющий терминал (/dev/tty), а не последовательный порт"};
    if (sameDevice(st, makedev(TtyMajor, PtmxMinor)))
        return SerialLink::Failure{
            EINVAL, "this is the pseudo-terminal multiplexer (/dev/ptmx), not a serial port",
            "это мультиплексор псевдотерминалов (/dev/ptmx), а не последовательный порт"};
    return std::nullopt;
}

} // namespace

PosixSerialLink::~PosixSerialLink() {
    close();
}

SerialLink::OpenStatus PosixSerialLink::open(const std::string& device) {
    close();
    // Refused before the open where the name tells already (/dev/tty needs no terminal to be
    // refused), and again by what was opened, in case the name changed meanwhile.
    struct stat named {};
    if (::stat(device.c_str(), &named) == 0)
        if (const auto refused = notASign(named))
            return {OpenResult::OpenFailed, *refused};
    // Not blocking, so the open does not wait for a carrier the sign never raises.
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {OpenResult::OpenFailed, systemFailure(errno)};
    const auto refuse = [fd](Failure failure) {
        ::close(fd);
        return OpenStatus{OpenResult::OpenFailed, std::move(failure)};
    };
    struct stat opened {};
    if (::fstat(fd, &opened) != 0)
        return refuse(systemFailure(errno));
    if (const auto refused = notASign(opened))
        return refuse(*refused);
    // The terminal this program runs in, by its own name (/dev/pts/3): the system names the
    // session of the terminal only to the processes it controls.
    if (::tcgetsid(fd) == ::getsid(0))
        return refuse({EINVAL,
                       "this is the controlling terminal of this program, not a serial "
                       "port",
                       "это управляющий терминал самой программы, а не последовательный порт"});
    if (!::isatty(fd))
        return refuse({ENOTTY, "not a serial port: it does not answer as a terminal",
                       "это не последовательный порт: устройство не отвечает как терминал"});
    // Held by another Lumetra, or by a terminal program that locks its port the same way.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        return refuse(systemFailure(EBUSY));
    // Root is let past another program's TIOCEXCL, so the hold is read rather than trusted.
    int exclusive = 0;
    if (::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0)
        return refuse(systemFailure(EBUSY));
    m_madeExclusive = ::ioctl(fd, TIOCEXCL) == 0;
    m_fd = fd;
    const Failure failure = configure();
    return {failure ? OpenResult::ConfigureFailed : OpenResult::Opened, failure};
}

SerialLink::Failure PosixSerialLink::configure() {
    Failure failure;
    const auto note = [&failure](int err) {
        if (!failure)
            failure = systemFailure(err);
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
    return failure;
}

SerialLink::WriteStatus PosixSerialLink::write(std::span<const std::uint8_t> bytes,
                                               milliseconds wait) {
    if (m_fd < 0)
        return {0, systemFailure(EBADF)};
    for (;;) {
        const ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
        if (n >= 0)
            return {static_cast<std::size_t>(n), {}};
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return {0, systemFailure(errno)};
        // The driver's queue is full; wait until it takes more.
        pollfd p{m_fd, POLLOUT, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(wait.count()));
        if (ready < 0 && errno != EINTR)
            return {0, systemFailure(errno)};
        if (ready == 0)
            return {};
        if (p.revents & POLLNVAL)
            return {0, systemFailure(EBADF)};
        // A device that hangs up and takes nothing more has gone away.
        if ((p.revents & (POLLERR | POLLHUP)) && !(p.revents & POLLOUT))
            return {0, systemFailure(EIO)};
        if (ready < 0)
            return {};
    }
}

SerialLink::QueueStatus PosixSerialLink::pending() {
    int queued = 0;
    if (m_fd < 0)
        return {};
    if (::ioctl(m_fd, TIOCOUTQ, &queued) != 0) {
        // A device that went away after taking the frame must not pass for a drained one.
        if (errno == EIO || errno == ENXIO || errno == ENODEV)
            return {std::nullopt, systemFailure(errno)};
        return {};
    }
    if (queued < 0)
        return {};
    if (queued > 0)
        return {static_cast<std::size_t>(queued), {}};
    // The driver's queue is empty, but the UART may still be shifting out its last byte.
    unsigned int lineStatus = 0;
    if (::ioctl(m_fd, TIOCSERGETLSR, &lineStatus) == 0 && !(lineStatus & TIOCSER_TEMT))
        return {1, {}};
    return {0, {}};
}

void PosixSerialLink::discard() {
    if (m_fd >= 0)
        ::tcflush(m_fd, TCOFLUSH);
}

void PosixSerialLink::close() {
    if (m_fd < 0)
        return;
    // The settings are left as they are: changing them now would change the speed of the
    // bytes a UART or a USB adapter still holds; the close itself waits for those.
    if (m_madeExclusive)
        ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    m_fd = -1;
    m_madeExclusive = false;
}
