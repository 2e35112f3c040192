#include "SignLine.h"

#include "frames/LinkUrl.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <optional>
#include <stdexcept>
#include <sys/epoll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace sign {
namespace {

std::string systemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

class FdLine : public SignLine {
public:
    FdLine(int readFd, int holdFd, std::string path, std::string warning, bool packets = false)
        : m_fd(readFd), m_hold(holdFd), m_path(std::move(path)), m_warning(std::move(warning)),
          m_packets(packets) {}
    ~FdLine() override {
        if (m_hold >= 0)
            ::close(m_hold);
        ::close(m_fd);
    }
    int fd() const override { return m_fd; }
    const std::string& devicePath() const override { return m_path; }
    const std::string& settingsWarning() const override { return m_warning; }

    long read(unsigned char* buffer, std::size_t size) override {
        if (!m_packets)
            return ::read(m_fd, buffer, size);
        // Packet mode: each read starts with a status byte, 0 before data.
        for (;;) {
            unsigned char packet[4097];
            const ssize_t n = ::read(m_fd, packet, std::min(size, sizeof packet - 1) + 1);
            if (n <= 0)
                return n;
            if (packet[0] == TIOCPKT_DATA) {
                std::copy(packet + 1, packet + n, buffer);
                return n - 1;
            }
            if (packet[0] & TIOCPKT_FLUSHWRITE)
                ::tcflush(m_fd, TCIFLUSH);
        }
    }

private:
    int m_fd;
    int m_hold;
    std::string m_path;
    std::string m_warning;
    bool m_packets;
};

} // namespace

std::string applySignLineSettings(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return systemError("line settings not applied");
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CRTSCTS);
    tio.c_cflag |= CS8 | CSTOPB | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::cfsetispeed(&tio, B1200) != 0 || ::cfsetospeed(&tio, B1200) != 0 ||
        ::tcsetattr(fd, TCSANOW, &tio) != 0)
        return systemError("line settings refused");
    return {};
}

std::unique_ptr<SignLine> openPseudoTerminal() {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0)
        throw std::runtime_error(systemError("cannot open a pseudo-terminal"));
    const char* name = nullptr;
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || !(name = ::ptsname(master))) {
        const std::string error = systemError("cannot set up the pseudo-terminal");
        ::close(master);
        throw std::runtime_error(error);
    }
    std::string path = name;
    const int slave = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0) {
        const std::string error = systemError("cannot open " + path);
        ::close(master);
        throw std::runtime_error(error);
    }
    // The writer's end holds the line settings: they stay while our descriptor keeps it open.
    std::string warning = applySignLineSettings(slave);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    // Packet mode tells us when the writer throws its unsent output away.
    int on = 1;
    const bool packets = ::ioctl(master, TIOCPKT, &on) == 0;
    return std::make_unique<FdLine>(master, slave, std::move(path), std::move(warning), packets);
}

std::unique_ptr<SignLine> openSerialDevice(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        throw std::runtime_error(systemError("cannot open " + path));
    std::string warning = ::isatty(fd) ? applySignLineSettings(fd)
                                       : std::string("not a terminal: line settings not applied");
    return std::make_unique<FdLine>(fd, -1, path, std::move(warning));
}

namespace {

// A sign behind a converter: one TCP connection at a time, the bytes read as they come. The
// descriptor handed out is an epoll set of the listener and the connection, so it turns
// readable for a new caller as well as for new bytes; a caller that hangs up is let go and the
// next one is taken, as a converter does.
class TcpLine : public SignLine {
public:
    TcpLine(int listener, std::string address)
        : m_listener(listener), m_epoll(::epoll_create1(EPOLL_CLOEXEC)),
          m_path(std::move(address)) {
        if (m_epoll < 0)
            throw std::runtime_error(systemError("epoll"));
        watch(m_listener);
    }
    ~TcpLine() override {
        drop();
        ::close(m_listener);
        ::close(m_epoll);
    }
    int fd() const override { return m_epoll; }
    const std::string& devicePath() const override { return m_path; }
    const std::string& settingsWarning() const override { return m_warning; }

    long read(unsigned char* buffer, std::size_t size) override {
        const int caller = ::accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (caller >= 0) {
            drop();
            m_connection = caller;
            watch(m_connection);
        }
        if (m_connection < 0) {
            errno = EAGAIN;
            return -1;
        }
        const ssize_t n = ::recv(m_connection, buffer, size, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
            drop();
            errno = EAGAIN;
            return -1;
        }
        return n;
    }

private:
    void watch(int fd) {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.fd = fd;
        ::epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &event);
    }
    void drop() {
        if (m_connection < 0)
            return;
        ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, m_connection, nullptr);
        ::close(m_connection);
        m_connection = -1;
    }

    int m_listener;
    int m_epoll;
    int m_connection = -1;
    std::string m_path;
    std::string m_warning;
};

} // namespace

std::unique_ptr<SignLine> listenTcp(const std::string& url) {
    std::string why;
    const std::optional<LinkUrl> parsed = parseLinkUrl(url, &why);
    if (!parsed || parsed->kind != LinkUrl::Kind::Socket)
        throw std::runtime_error(url + ": " + (parsed ? "only socket:// can be listened on" : why));
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    if (const int err = ::getaddrinfo(parsed->host.c_str(), parsed->port.c_str(), &hints, &found))
        throw std::runtime_error(url + ": " + ::gai_strerror(err));
    const int s = ::socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    int on = 1;
    const bool bound = s >= 0 && ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
                       ::bind(s, found->ai_addr, found->ai_addrlen) == 0 && ::listen(s, 4) == 0;
    ::freeaddrinfo(found);
    if (!bound) {
        const std::string error = systemError("cannot listen on " + parsed->address());
        if (s >= 0)
            ::close(s);
        throw std::runtime_error(error);
    }
    return std::make_unique<TcpLine>(s, url);
}

DeviceLink::DeviceLink(std::string linkPath, const std::string& target)
    : m_path(std::move(linkPath)), m_target(target) {
    struct stat st {};
    if (::lstat(m_path.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode))
            throw std::runtime_error(m_path + " exists and is not a symbolic link");
        if (::unlink(m_path.c_str()) != 0)
            throw std::runtime_error(systemError("cannot replace " + m_path));
    }
    if (::symlink(m_target.c_str(), m_path.c_str()) != 0)
        throw std::runtime_error(systemError("cannot make the link " + m_path));
}

DeviceLink::~DeviceLink() {
    char buffer[4096];
    const ssize_t n = ::readlink(m_path.c_str(), buffer, sizeof buffer);
    if (n >= 0 && std::string(buffer, static_cast<std::size_t>(n)) == m_target)
        ::unlink(m_path.c_str());
}

} // namespace sign
