#pragma once

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal standing in for a serial port: the link opens the slave by its name and
// the test reads what arrives at the master. The test keeps a slave descriptor of its own, so
// the master neither reports a hang-up before the link opens nor after it closes.
class PseudoTerminal {
public:
    PseudoTerminal() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            throw std::runtime_error("no pseudo-terminal");
        m_slaveName = ::ptsname(m_master);
        m_slave = ::open(m_slaveName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_slave < 0)
            throw std::runtime_error("cannot open " + m_slaveName);
    }
    ~PseudoTerminal() {
        closeMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const std::string& slaveName() const { return m_slaveName; }
    int master() const { return m_master; }

    // The slave's settings as the link left them (a master answers for its slave).
    termios slaveSettings() const {
        termios tio{};
        ::tcgetattr(m_master, &tio);
        return tio;
    }
    void setSlaveSettings(const termios& tio) const { ::tcsetattr(m_master, TCSANOW, &tio); }

    // The device goes away: writes to the slave fail from now on.
    void closeMaster() {
        const int fd = m_master.exchange(-1);
        if (fd >= 0)
            ::close(fd);
    }

private:
    std::atomic<int> m_master{-1};
    int m_slave = -1;
    std::string m_slaveName;
};

// Drains the master on a thread while the link writes, as the sign would; a pty buffer is small
// and a long frame would otherwise stall. Stops after `expected` bytes, when the master fails,
// or after ten seconds without data (a fault: the test then sees bytes missing). With
// `hangUpAfter` it closes the master once that many bytes have come, so the write fails.
class MasterReader {
public:
    explicit MasterReader(PseudoTerminal& pty, std::size_t expected,
                          std::size_t hangUpAfter = SIZE_MAX)
        : m_pty(pty), m_expected(expected), m_hangUpAfter(hangUpAfter),
          m_thread([this] { run(); }) {}
    ~MasterReader() {
        if (m_thread.joinable())
            m_thread.join();
    }
    MasterReader(const MasterReader&) = delete;
    MasterReader& operator=(const MasterReader&) = delete;

    // Everything read; waits for the reader to finish.
    const std::vector<std::uint8_t>& bytes() {
        if (m_thread.joinable())
            m_thread.join();
        return m_bytes;
    }

private:
    void run() {
        std::uint8_t buffer[4096];
        while (m_bytes.size() < m_expected) {
            if (m_bytes.size() >= m_hangUpAfter) {
                m_pty.closeMaster();
                return;
            }
            pollfd p{m_pty.master(), POLLIN, 0};
            if (::poll(&p, 1, 10000) <= 0)
                return;
            const std::size_t want =
                std::min(sizeof buffer, std::min(m_expected, m_hangUpAfter) - m_bytes.size());
            const ssize_t n = ::read(m_pty.master(), buffer, want);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return;
            m_bytes.insert(m_bytes.end(), buffer, buffer + n);
        }
    }

    PseudoTerminal& m_pty;
    std::size_t m_expected;
    std::size_t m_hangUpAfter;
    std::vector<std::uint8_t> m_bytes;
    std::thread m_thread;
};
