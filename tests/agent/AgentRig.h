#pragma once

// lumetra-agent against a mosquitto of its own (127.0.0.1, a free port, its own password file
// and ACL), its signs on pseudo-terminals, and an operator subscribed to everything: for the
// agent's tests and benchmarks alike.

#include "PseudoTerminal.h"
#include "SignPort.h"
#include "TempDir.h"

#include <mosquitto.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace rig {

using namespace std::chrono_literals;
using agent::Bytes;
using nlohmann::json;

// Port 0 binds a free port and tells which; any other connects to it.
inline int loopback(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    auto* address = reinterpret_cast<sockaddr*>(&a);
    const bool ok =
        port == 0 ? ::bind(fd, address, length) == 0 && ::getsockname(fd, address, &length) == 0
                  : ::connect(fd, address, length) == 0;
    ::close(fd);
    return ok ? ntohs(a.sin_port) : 0;
}

// A child process with its output in `log`.
inline pid_t spawn(std::vector<std::string> argv, const std::string& log) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        std::vector<char*> args;
        for (std::string& a : argv)
            args.push_back(a.data());
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    return pid;
}

inline void end(pid_t& pid, int signal) {
    if (pid > 0) {
        ::kill(pid, signal);
        ::waitpid(pid, nullptr, 0);
    }
    pid = -1;
}

// A field of /proc/<pid>/status in kB ("VmRSS", "VmHWM"); 0 when missing.
inline long statusKb(pid_t pid, const std::string& field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.starts_with(field + ":"))
            return std::stol(line.substr(field.size() + 1));
    return 0;
}

// The processor time a process has used so far (user and system).
inline std::chrono::microseconds cpuTime(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    const std::string stat((std::istreambuf_iterator<char>(in)), {});
    // Past the command's name, which may hold blanks, field 3 on; utime and stime are 14 and 15.
    std::istringstream rest(stat.substr(stat.rfind(')') + 2));
    std::string skipped;
    for (int i = 3; i < 14; ++i)
        rest >> skipped;
    unsigned long long utime = 0, stime = 0;
    rest >> utime >> stime;
    return std::chrono::microseconds((utime + stime) * 1'000'000LL / ::sysconf(_SC_CLK_TCK));
}

// A client of the rig's broker that keeps every message it gets, subscribed to `patterns`
// whenever it connects.
class Client {
public:
    using Message = std::pair<std::string, std::string>; // topic, payload

    Client(int port, const std::string& user, std::vector<std::string> patterns = {})
        : m_patterns(std::move(patterns)) {
        mosquitto_lib_init();
        m_mosq = mosquitto_new(nullptr, true, this);
        mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
        // A command goes at once, not behind the acknowledgement of the one before.
        mosquitto_int_option(m_mosq, MOSQ_OPT_TCP_NODELAY, 1);
        if (!user.empty())
            mosquitto_username_pw_set(m_mosq, user.c_str(), (user + "-password").c_str());
        mosquitto_connect_callback_set(m_mosq, [](mosquitto* mosq, void* self, int rc) {
            auto* c = static_cast<Client*>(self);
            for (const std::string& p : c->m_patterns)
                mosquitto_subscribe(mosq, nullptr, p.c_str(), 1);
            std::lock_guard lock(c->m_mutex);
            c->m_connack = rc;
            c->m_changed.notify_all();
        });
        mosquitto_message_callback_set(
            m_mosq, [](mosquitto*, void* self, const mosquitto_message* m) {
                auto* c = static_cast<Client*>(self);
                std::lock_guard lock(c->m_mutex);
                c->m_messages.emplace_back(m->topic,
                                           std::string(static_cast<const char*>(m->payload),
                                                       static_cast<std::size_t>(m->payloadlen)));
                c->m_changed.notify_all();
            });
        mosquitto_connect(m_mosq, "127.0.0.1", port, 30);
        mosquitto_loop_start(m_mosq);
    }
    ~Client() {
        mosquitto_disconnect(m_mosq);
        mosquitto_loop_stop(m_mosq, false);
        mosquitto_destroy(m_mosq);
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // The CONNACK's code: 0 when the broker took us (and the subscriptions are asked for).
    int connack() {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, 5s, [this] { return m_connack >= 0; });
        return m_connack;
    }
    void publish(const std::string& topic, const std::string& payload, bool retain = false) {
        mosquitto_publish(m_mosq, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                          payload.data(), 1, retain);
    }
    std::vector<Message> messages() {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }
    // The first message on `topic` that `accept` takes; nothing within `wait`.
    std::optional<std::string> await(const std::string& topic,
                                     const std::function<bool(const std::string&)>& accept,
                                     std::chrono::milliseconds wait = 10s) {
        std::unique_lock lock(m_mutex);
        std::optional<std::string> found;
        m_changed.wait_for(lock, wait, [&] {
            for (const auto& [t, payload] : m_messages)
                if (t == topic && accept(payload))
                    return found.emplace(payload), true;
            return false;
        });
        return found;
    }
    std::optional<std::string> await(const std::string& topic, const char* payload) {
        return await(topic, [&](const std::string& p) { return p == payload; });
    }
    std::optional<json> awaitJson(
        const std::string& topic,
        const std::function<bool(const json&)>& accept = [](const json&) { return true; },
        std::chrono::milliseconds wait = 10s) {
        const auto text = await(
            topic,
            [&](const std::string& s) {
                const json j = json::parse(s, nullptr, false);
                return !j.is_discarded() && accept(j);
            },
            wait);
        return text ? std::optional<json>(json::parse(*text)) : std::nullopt;
    }
    // Messages on topics starting with `topic`, once `least` have come or after `wait`.
    std::size_t count(const std::string& topic, std::size_t least,
                      std::chrono::milliseconds wait = 5s) {
        std::unique_lock lock(m_mutex);
        const auto counted = [&] {
            return static_cast<std::size_t>(std::ranges::count_if(
                m_messages, [&](const Message& m) { return m.first.starts_with(topic); }));
        };
        m_changed.wait_for(lock, wait, [&] { return counted() >= least; });
        return counted();
    }

private:
    mosquitto* m_mosq = nullptr;
    const std::vector<std::string> m_patterns;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_connack = -1;
    std::vector<Message> m_messages;
};

// Bytes that reach the sign within `wait`.
inline Bytes lineWithin(PseudoTerminal& pty, std::chrono::milliseconds wait) {
    Bytes bytes;
    std::uint8_t buffer[4096];
    for (const auto end = std::chrono::steady_clock::now() + wait;
         std::chrono::steady_clock::now() < end;) {
        pollfd p{pty.master(), POLLIN, 0};
        const ssize_t n = ::poll(&p, 1, 50) > 0 ? ::read(pty.master(), buffer, sizeof buffer) : 0;
        bytes.insert(bytes.end(), buffer, buffer + std::max<ssize_t>(n, 0));
    }
    return bytes;
}

inline Bytes textFrame(const std::string& cp1251) {
    return *agent::buildTextFrame(
        {reinterpret_cast<const std::uint8_t*>(cp1251.data()), cp1251.size()});
}

// The broker with users "agent", "operator" (all of lumetra/#) and "intruder" (another sign's
// topics only), the agent's configuration with one sign per id, and the signs' lines. Throws
// std::runtime_error when something does not start.
class AgentRig {
public:
    explicit AgentRig(std::vector<std::string> ids)
        : m_ids(std::move(ids)), m_signs(m_ids.size()) {}
    ~AgentRig() { stop(); }
    AgentRig(const AgentRig&) = delete;
    AgentRig& operator=(const AgentRig&) = delete;

    void start() {
        m_port = loopback(0);
        std::string acl = "user operator\ntopic readwrite lumetra/#\ntopic read homeassistant/#\n"
                          "user intruder\ntopic readwrite lumetra/other/#\nuser agent\n"
                          "topic read lumetra/vars/#\n";
        std::string ini = "[Broker]\nUrl=mqtt://127.0.0.1:" + std::to_string(m_port) +
                          "\nUser=agent\nPasswordFile=" + m_dir.path("agent.pass") + "\n";
        for (std::size_t i = 0; i < m_ids.size(); ++i) {
            const std::string& s = m_ids[i];
            acl += "topic readwrite lumetra/" + s + "/#\ntopic write homeassistant/+/lumetra_" + s +
                   "/#\n";
            ini += "[Sign " + s + "]\nPort=" + m_signs[i].slaveName() + "\n";
        }
        m_dir.write("acl", acl);
        m_dir.write("agent.ini", ini);
        m_dir.write("agent.pass", "agent-password\n");
        ::chmod(m_dir.path("agent.pass").c_str(), 0600);
        m_dir.write("passwd", "");
        for (const std::string user : {"agent", "operator", "intruder"}) {
            const std::string command = std::string(LUMETRA_MOSQUITTO_PASSWD) + " -b " +
                                        m_dir.path("passwd") + " " + user + " " + user +
                                        "-password";
            if (std::system(command.c_str()) != 0)
                throw std::runtime_error("failed: " + command);
        }
        m_dir.write("mosquitto.conf", "listener " + std::to_string(m_port) +
                                          " 127.0.0.1\nallow_anonymous false\npassword_file " +
                                          m_dir.path("passwd") + "\nacl_file " + m_dir.path("acl") +
                                          "\npersistence false\n" +
                                          (::geteuid() == 0 ? "user root\n" : ""));
        startBroker();
        startAgent();
    }

    void stop() {
        end(m_agent, SIGTERM);
        m_operator.reset();
        end(m_broker, SIGTERM);
    }

    std::string logs() const {
        return "--- agent ---\n" + m_dir.read("agent.log") + "--- broker ---\n" +
               m_dir.read("broker.log");
    }

    // The broker, and the operator connected to it afresh.
    void startBroker() {
        m_operator.reset();
        m_broker = spawn({LUMETRA_MOSQUITTO, "-c", m_dir.path("mosquitto.conf")},
                         m_dir.path("broker.log"));
        for (int i = 0; i < 100 && !loopback(m_port); ++i)
            std::this_thread::sleep_for(50ms);
        m_operator = std::make_unique<Client>(
            m_port, "operator", std::vector<std::string>{"lumetra/#", "homeassistant/#"});
        if (m_operator->connack() != 0)
            throw std::runtime_error("the operator cannot connect");
    }

    void startAgent() {
        m_agent = spawn({LUMETRA_AGENT_PATH, "--config", m_dir.path("agent.ini"), "--state-dir",
                         m_dir.path("state")},
                        m_dir.path("agent.log"));
        for (const std::string& s : m_ids)
            if (!online(s))
                throw std::runtime_error(s + " is not online");
    }

    bool online(const std::string& sign) {
        return m_operator->await("lumetra/" + sign + "/availability", "online").has_value();
    }

    // The result of `job` on `sign`.
    std::optional<json> result(const std::string& sign, const json& job,
                               std::chrono::milliseconds wait = 30s) {
        return m_operator->awaitJson(
            "lumetra/" + sign + "/upload/result", [&](const json& r) { return r["job"] == job; },
            wait);
    }

protected:
    std::vector<std::string> m_ids;
    TempDir m_dir;
    int m_port = 0;
    pid_t m_broker = -1, m_agent = -1;
    std::deque<PseudoTerminal> m_signs;
    std::unique_ptr<Client> m_operator;
};

} // namespace rig
