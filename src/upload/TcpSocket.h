#pragma once

#include "frames/LinkUrl.h"
#include "upload/SerialLink.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

// One TCP connection, the same on POSIX systems and on Windows (Winsock). Never blocks longer
// than the wait it is given; a peer that went away is a failure, not an empty read.
class TcpSocket {
public:
    TcpSocket() = default;
    ~TcpSocket();
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Connects to the first of the host's addresses that answers within `timeout` in all. The
    // failure's reason names the address: "host:port: Connection refused". Gives up soon after
    // `cancelled` turns true (the name lookup excepted).
    SerialLink::Failure connect(const LinkUrl& url, std::chrono::milliseconds timeout,
                                const std::atomic<bool>* cancelled = nullptr);

    // Sends what the connection takes within `wait`.
    SerialLink::WriteStatus send(std::span<const std::uint8_t> bytes,
                                 std::chrono::milliseconds wait);

    // Appends what has arrived, up to `most` bytes, waiting up to `wait` for the first byte; a
    // peer that sends without end is read a bounded piece at a time. A peer that closed the
    // connection is a failure (the system's "connection reset").
    SerialLink::Failure receive(std::vector<std::uint8_t>& into, std::chrono::milliseconds wait,
                                std::size_t most = 16384);

    bool isOpen() const { return m_socket != Invalid; }

    // Closes our end, waits (up to `serverWait`) for the server to close its own, then lets go.
    void close(std::chrono::milliseconds serverWait = std::chrono::milliseconds(2000));

private:
    using Handle = std::intptr_t; // an int descriptor, or a Winsock SOCKET
    static constexpr Handle Invalid = -1;
    Handle m_socket = Invalid;
};
