#include "upload/TcpSocket.h"

#include "base/SystemError.h"

#include <algorithm>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

// How often a connect that is under way looks whether it was cancelled.
constexpr milliseconds CancelStep{50};

#ifdef _WIN32
using Native = SOCKET;
constexpr int WouldBlock = WSAEWOULDBLOCK;
constexpr int InProgress = WSAEWOULDBLOCK;
constexpr int Interrupted = WSAEINTR;
constexpr int PeerClosed = WSAECONNRESET;
constexpr int TimedOut = WSAETIMEDOUT;

int lastError() {
    return ::WSAGetLastError();
}

// Winsock is started once for the program's life.
bool startWinsock() {
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

void closeNative(Native s) {
    ::closesocket(s);
}

bool makeNonBlocking(Native s) {
    u_long on = 1;
    return ::ioctlsocket(s, FIONBIO, &on) == 0;
}

// select() rather than WSAPoll, which does not report a failed connect on every version.
int waitFor(Native s, bool write, milliseconds wait) {
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(s, &ready);
    FD_SET(s, &failed);
    timeval tv{static_cast<long>(wait.count() / 1000),
               static_cast<long>(wait.count() % 1000 * 1000)};
    const int n = ::select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &tv);
    return n;
}
#else
using Native = int;
constexpr int WouldBlock = EWOULDBLOCK;
constexpr int InProgress = EINPROGRESS;
constexpr int Interrupted = EINTR;
constexpr int PeerClosed = ECONNRESET;
constexpr int TimedOut = ETIMEDOUT;

int lastError() {
    return errno;
}

bool startWinsock() {
    return true;
}

void closeNative(Native s) {
    ::close(s);
}

bool makeNonBlocking(Native s) {
    const int flags = ::fcntl(s, F_GETFL);
    return flags >= 0 && ::fcntl(s, F_SETFL, flags | O_NONBLOCK) == 0;
}

int waitFor(Native s, bool write, milliseconds wait) {
    pollfd p{s, static_cast<short>(write ? POLLOUT : POLLIN), 0};
    return ::poll(&p, 1, static_cast<int>(wait.count()));
}
#endif

bool wouldBlock(int err) {
    return err == WouldBlock || err == EAGAIN || err == InProgress;
}

SerialLink::Failure failure(int err) {
    return systemFailure(err);
}

Native native(std::intptr_t handle) {
    return static_cast<Native>(handle);
}

} // namespace

TcpSocket::~TcpSocket() {
    close();
}

SerialLink::Failure TcpSocket::connect(const LinkUrl& url, milliseconds timeout,
                                       const std::atomic<bool>* cancelled) {
    close();
    const auto named = [&url](SerialLink::Failure f) {
        f.reason = url.address() + ": " + f.reason;
        f.russian = url.address() + ": " + f.russian;
        return f;
    };
    if (!startWinsock())
        return named(failure(lastError()));
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    const int lookup = ::getaddrinfo(url.host.c_str(), url.port.c_str(), &hints, &found);
    if (lookup != 0) {
#ifdef _WIN32
        return named(failure(lookup));
#else
        if (lookup == EAI_SYSTEM)
            return named(failure(errno));
        return named({0, lookupErrorReason(lookup, ReasonLanguage::English),
                      lookupErrorReason(lookup, ReasonLanguage::Russian)});
#endif
    }
    const auto end = Clock::now() + timeout;
    SerialLink::Failure last = failure(TimedOut);
    for (const addrinfo* a = found; a; a = a->ai_next) {
        const Native s = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (s == static_cast<Native>(Invalid) || !makeNonBlocking(s)) {
            last = failure(lastError());
            if (s != static_cast<Native>(Invalid))
                closeNative(s);
            continue;
        }
        int err = 0;
        if (::connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) != 0) {
            err = lastError();
            if (wouldBlock(err)) {
                int ready = 0;
                for (;;) {
                    const auto left = std::max(milliseconds(0),
                                               std::chrono::ceil<milliseconds>(end - Clock::now()));
                    ready = waitFor(s, true, std::min(left, CancelStep));
                    if (ready != 0 || left <= CancelStep || (cancelled && cancelled->load()))
                        break;
                }
                socklen_t size = sizeof err;
                err = 0;
                if (ready == 0 && cancelled && cancelled->load()) {
                    closeNative(s);
                    ::freeaddrinfo(found);
                    return named({0, "cancelled", "отменено"});
                }
                if (ready == 0)
                    err = TimedOut;
                else if (ready < 0)
                    err = lastError();
                else if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err),
                                      &size) != 0)
                    err = lastError();
            }
        }
        if (err == 0) {
            // Small paced writes go out at once, not gathered for a fuller packet.
            int on = 1;
            ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
                         sizeof on);
            m_socket = static_cast<Handle>(s);
            ::freeaddrinfo(found);
            return {};
        }
        last = failure(err);
        closeNative(s);
        if (Clock::now() >= end)
            break;
    }
    ::freeaddrinfo(found);
    return named(last);
}

SerialLink::WriteStatus TcpSocket::send(std::span<const std::uint8_t> bytes, milliseconds wait) {
    if (!isOpen())
        return {0, failure(PeerClosed)};
    for (bool waited = false;; waited = true) {
#ifdef _WIN32
        const int n = ::send(native(m_socket), reinterpret_cast<const char*>(bytes.data()),
                             static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20)), 0);
#else
        const ssize_t n = ::send(native(m_socket), bytes.data(), bytes.size(), MSG_NOSIGNAL);
#endif
        if (n >= 0)
            return {static_cast<std::size_t>(n), {}};
        const int err = lastError();
        if (err == Interrupted)
            continue;
        if (!wouldBlock(err))
            return {0, failure(err)};
        if (waited)
            return {};
        if (waitFor(native(m_socket), true, wait) < 0 && lastError() != Interrupted)
            return {0, failure(lastError())};
    }
}

SerialLink::Failure TcpSocket::receive(std::vector<std::uint8_t>& into, milliseconds wait,
                                       std::size_t most) {
    if (!isOpen())
        return failure(PeerClosed);
    if (wait.count() > 0 && waitFor(native(m_socket), false, wait) <= 0)
        return {};
    for (std::size_t taken = 0; taken < most;) {
        char buffer[4096];
        const auto n = ::recv(native(m_socket), buffer,
                              static_cast<int>(std::min(sizeof buffer, most - taken)), 0);
        if (n > 0) {
            into.insert(into.end(), buffer, buffer + n);
            taken += static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0)
            return failure(PeerClosed);
        const int err = lastError();
        if (err == Interrupted)
            continue;
        return wouldBlock(err) ? SerialLink::Failure{} : failure(err);
    }
    return {};
}

void TcpSocket::close(milliseconds serverWait) {
    if (!isOpen())
        return;
        // An orderly close: our end first, then the server's once it has taken everything. A
        // converter that is torn away from mid-stream may drop what it still holds, or be left
        // busy for the next caller. Unread input would turn the close into a reset.
#ifdef _WIN32
    ::shutdown(native(m_socket), SD_SEND);
#else
    ::shutdown(native(m_socket), SHUT_WR);
#endif
    const auto end = Clock::now() + serverWait;
    for (;;) {
        std::vector<std::uint8_t> rest;
        const auto left = std::chrono::ceil<milliseconds>(end - Clock::now());
        if (left <= milliseconds(0) || receive(rest, left))
            break;
    }
    closeNative(native(m_socket));
    m_socket = Invalid;
}
