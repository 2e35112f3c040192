#pragma once

// ser2net on 127.0.0.1 in front of a device, by an RFC 2217 accepter, a raw TCP one and a
// Telnet one without the COM port option, the device at 9600 8N1 as a converter fresh from the
// box has it; with a configuration of its own. And a scripted RFC 2217 server beside it.

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

// A socket listening on a port of the loopback the system picked; `port` tells which.
inline int loopbackListener(int& port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    if (s < 0 || ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(s, 1) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size) != 0)
        throw std::runtime_error("no loopback port");
    port = ntohs(a.sin_port);
    return s;
}

// A TCP port of the loopback nobody listens on at the moment.
inline int freeLoopbackPort() {
    int port = 0;
    ::close(loopbackListener(port));
    return port;
}

inline bool acceptsConnections(int port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

class Ser2net {
public:
    Ser2net(const std::string& device, const std::string& folder)
        : m_telnetPort(freeLoopbackPort()), m_rawPort(freeLoopbackPort()),
          m_plainTelnetPort(freeLoopbackPort()), m_config(folder + "/ser2net.yaml") {
        std::ofstream config(m_config);
        config << "%YAML 1.1\n---\n";
        for (const int port : {m_telnetPort, m_rawPort, m_plainTelnetPort})
            config << "connection: &port" << port << "\n  accepter: "
                   << (port == m_telnetPort        ? "telnet(rfc2217),"
                       : port == m_plainTelnetPort ? "telnet,"
                                                   : "")
                   << "tcp,127.0.0.1," << port << "\n  connector: serialdev," << device
                   << ",9600n81,local\n  options:\n    mdns: false\n";
        config.close();
        m_pid = ::fork();
        if (m_pid == 0) {
            std::freopen("/dev/null", "w", stderr);
            ::execlp("ser2net", "ser2net", "-n", "-d", "-c", m_config.c_str(), "-P",
                     (m_config + ".pid").c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        const auto started = [this] {
            return acceptsConnections(m_telnetPort) && acceptsConnections(m_rawPort) &&
                   acceptsConnections(m_plainTelnetPort);
        };
        for (int i = 0; i < 100 && !started(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!started())
            throw std::runtime_error("ser2net did not start (is it installed?)");
        // The probes above are connections too; let ser2net close the device after them.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    ~Ser2net() {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        std::remove(m_config.c_str());
        std::remove((m_config + ".pid").c_str());
    }
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;

    std::string rfc2217Url() const { return "rfc2217://127.0.0.1:" + std::to_string(m_telnetPort); }
    std::string socketUrl() const { return "socket://127.0.0.1:" + std::to_string(m_rawPort); }
    // Telnet that refuses the COM port option, asked for as RFC 2217: a converter set up
    // without it.
    std::string plainTelnetUrl() const {
        return "rfc2217://127.0.0.1:" + std::to_string(m_plainTelnetPort);
    }

private:
    int m_telnetPort;
    int m_rawPort;
    int m_plainTelnetPort;
    std::string m_config;
    pid_t m_pid = -1;
};

// `first`, then the answers of a server that takes the line settings as asked, each IAC SB
// COM-PORT-OPTION <command + 100> <value> IAC SE. SET-CONTROL goes unanswered, as ser2net
// leaves it on a pseudo-terminal.
inline std::vector<std::uint8_t> rfc2217Answers(std::vector<std::uint8_t> first = {}) {
    first.insert(first.end(),
                 {255, 250, 44,  101, 0,   0, 4,   0xB0, 255, 240, 255, 250, 44, 102, 8,  255,
                  240, 255, 250, 44,  103, 1, 255, 240,  255, 250, 44,  104, 2,  255, 240});
    return first;
}

// An RFC 2217 server of one connection on the loopback: it sends its script at once, whatever
// it is asked, and keeps what comes until the caller goes (or 5 s pass without a byte).
class ScriptedConverter {
public:
    explicit ScriptedConverter(std::vector<std::uint8_t> script)
        : m_listener(loopbackListener(m_port)), m_thread([this, script] { serve(script); }) {}
    ~ScriptedConverter() { wire(); }
    ScriptedConverter(const ScriptedConverter&) = delete;
    ScriptedConverter& operator=(const ScriptedConverter&) = delete;

    std::string url() const { return "rfc2217://127.0.0.1:" + std::to_string(m_port); }

    // Everything the caller sent, once it has gone.
    const std::vector<std::uint8_t>& wire() {
        if (m_thread.joinable())
            m_thread.join();
        return m_wire;
    }

private:
    void serve(const std::vector<std::uint8_t>& script) {
        pollfd p{m_listener, POLLIN, 0};
        p.fd = ::poll(&p, 1, 5000) > 0 ? ::accept(m_listener, nullptr, nullptr) : -1;
        (void)!::send(p.fd, script.data(), script.size(), MSG_NOSIGNAL);
        for (std::uint8_t buffer[4096]; ::poll(&p, 1, 5000) > 0;) {
            const ssize_t n = ::recv(p.fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            m_wire.insert(m_wire.end(), buffer, buffer + n);
        }
        ::close(p.fd);
        ::close(m_listener);
    }

    int m_port = 0;
    int m_listener;
    std::vector<std::uint8_t> m_wire;
    std::thread m_thread;
};
