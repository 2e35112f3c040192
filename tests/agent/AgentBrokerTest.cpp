// lumetra-agent itself against a mosquitto of the test's own (127.0.0.1, a free port, its own
// password file and ACL), with its signs on pseudo-terminals.

#include "Digest.h"
#include "PseudoTerminal.h"
#include "SignPort.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <mosquitto.h>
#include <nlohmann/json.hpp>

#include <condition_variable>
#include <csignal>
#include <fstream>
#include <mutex>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>

namespace {

using namespace std::chrono_literals;
using agent::Bytes;
using nlohmann::json;

const std::vector<std::string> Signs = {"s1", "s2", "s3"};

int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    ::close(fd);
    return ntohs(a.sin_port);
}

bool accepting(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

// A child process with its standard error in `log`.
pid_t spawn(const std::vector<std::string>& argv, const std::string& log) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    return pid;
}

void end(pid_t& pid, int signal) {
    if (pid <= 0)
        return;
    ::kill(pid, signal);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
}

// A client of the test's broker.
class Client {
public:
    Client(int port, const std::string& user) {
        mosquitto_lib_init();
        m_mosq = mosquitto_new(nullptr, true, this);
        mosquitto_int_option(m_mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
        if (!user.empty())
            mosquitto_username_pw_set(m_mosq, user.c_str(), (user + "-password").c_str());
        mosquitto_connect_callback_set(m_mosq, [](mosquitto*, void* self, int rc) {
            auto* c = static_cast<Client*>(self);
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

    // The CONNACK's code: 0 when the broker took us.
    int connack() {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, 5s, [this] { return m_connack >= 0; });
        return m_connack;
    }
    void subscribe(const std::string& pattern) {
        mosquitto_subscribe(m_mosq, nullptr, pattern.c_str(), 1);
    }
    void publish(const std::string& topic, const std::string& payload, bool retain = false) {
        mosquitto_publish(m_mosq, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                          payload.data(), 1, retain);
    }
    // The first message on `topic` from `from` on that `accept` takes; nothing within `wait`.
    std::optional<std::string> await(const std::string& topic,
                                     const std::function<bool(const std::string&)>& accept,
                                     std::chrono::milliseconds wait = 10s, std::size_t from = 0) {
        std::unique_lock lock(m_mutex);
        std::optional<std::string> found;
        m_changed.wait_for(lock, wait, [&] {
            for (std::size_t i = from; i < m_messages.size(); ++i)
                if (m_messages[i].first == topic && accept(m_messages[i].second)) {
                    found = m_messages[i].second;
                    return true;
                }
            return false;
        });
        return found;
    }
    std::optional<json> awaitJson(const std::string& topic,
                                  const std::function<bool(const json&)>& accept,
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
    std::size_t count(const std::string& topic, std::size_t least = 0,
                      std::chrono::milliseconds wait = 5s) {
        std::unique_lock lock(m_mutex);
        const auto counted = [&] {
            return static_cast<std::size_t>(
                std::count_if(m_messages.begin(), m_messages.end(),
                              [&](const auto& m) { return m.first.starts_with(topic); }));
        };
        m_changed.wait_for(lock, wait, [&] { return counted() >= least; });
        return counted();
    }

private:
    mosquitto* m_mosq = nullptr;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_connack = -1;
    std::vector<std::pair<std::string, std::string>> m_messages;
};

// Bytes that reach the sign within `wait`.
Bytes lineWithin(PseudoTerminal& pty, std::chrono::milliseconds wait) {
    Bytes bytes;
    std::uint8_t buffer[4096];
    const auto end = std::chrono::steady_clock::now() + wait;
    while (std::chrono::steady_clock::now() < end) {
        pollfd p{pty.master(), POLLIN, 0};
        if (::poll(&p, 1, 50) > 0) {
            const ssize_t n = ::read(pty.master(), buffer, sizeof buffer);
            if (n > 0)
                bytes.insert(bytes.end(), buffer, buffer + n);
        }
    }
    return bytes;
}

Bytes textFrame(const std::string& cp1251) {
    return *agent::buildTextFrame(
        {reinterpret_cast<const std::uint8_t*>(cp1251.data()), cp1251.size()});
}

class AgentBroker : public ::testing::Test {
protected:
    void SetUp() override {
        m_port = freePort();
        std::string acl = "user operator\ntopic readwrite lumetra/#\ntopic read homeassistant/#\n"
                          "user intruder\ntopic readwrite lumetra/other/#\nuser agent\n";
        for (const std::string& s : Signs)
            acl += "topic readwrite lumetra/" + s + "/#\ntopic write homeassistant/+/lumetra_" + s +
                   "/#\n";
        m_dir.write("acl", acl);
        m_dir.write("passwd", "");
        for (const char* user : {"agent", "operator", "intruder"}) {
            const std::string command = std::string(LUMETRA_MOSQUITTO_PASSWD) + " -b " +
                                        m_dir.path("passwd") + " " + user + " " + user +
                                        "-password";
            ASSERT_EQ(std::system(command.c_str()), 0) << command;
        }
        m_dir.write("mosquitto.conf", "listener " + std::to_string(m_port) +
                                          " 127.0.0.1\nallow_anonymous false\npassword_file " +
                                          m_dir.path("passwd") + "\nacl_file " + m_dir.path("acl") +
                                          "\npersistence false\n" +
                                          (::geteuid() == 0 ? "user root\n" : ""));
        startBroker();
        std::string ini = "[Broker]\nUrl=mqtt://127.0.0.1:" + std::to_string(m_port) +
                          "\nUser=agent\nPasswordFile=" + m_dir.path("agent.pass") + "\n";
        for (std::size_t i = 0; i < Signs.size(); ++i)
            ini += "[Sign " + Signs[i] + "]\nPort=" + m_signs[i].slaveName() + "\n";
        m_dir.write("agent.ini", ini);
        m_dir.write("agent.pass", "agent-password\n");
        ::chmod(m_dir.path("agent.pass").c_str(), 0600);
        m_operator = std::make_unique<Client>(m_port, "operator");
        ASSERT_EQ(m_operator->connack(), 0);
        m_operator->subscribe("lumetra/#");
        m_operator->subscribe("homeassistant/#");
        startAgent();
    }

    void TearDown() override {
        end(m_agent, SIGTERM);
        m_operator.reset();
        end(m_broker, SIGTERM);
        if (HasFailure()) {
            std::printf("--- agent ---\n%s--- broker ---\n%s", m_dir.read("agent.log").c_str(),
                        m_dir.read("broker.log").c_str());
        }
    }

    void startBroker() {
        m_broker = spawn({LUMETRA_MOSQUITTO, "-c", m_dir.path("mosquitto.conf")},
                         m_dir.path("broker.log"));
        for (int i = 0; i < 100 && !accepting(m_port); ++i)
            std::this_thread::sleep_for(50ms);
    }

    void startAgent() {
        m_agent = spawn({LUMETRA_AGENT_PATH, "--config", m_dir.path("agent.ini"), "--state-dir",
                         m_dir.path("state")},
                        m_dir.path("agent.log"));
        for (const std::string& s : Signs)
            ASSERT_TRUE(online(s)) << s;
    }

    bool online(const std::string& sign, std::size_t from = 0) {
        return m_operator
            ->await(
                "lumetra/" + sign + "/availability",
                [](const std::string& p) { return p == "online"; }, 10s, from)
            .has_value();
    }

    // The result of `job` on `sign`.
    std::optional<json> result(const std::string& sign, const json& job, Client* client = nullptr,
                               std::chrono::milliseconds wait = 30s) {
        return (client ? client : m_operator.get())
            ->awaitJson(
                "lumetra/" + sign + "/upload/result",
                [&](const json& r) { return r["job"] == job; }, wait);
    }

    TempDir m_dir;
    int m_port = 0;
    pid_t m_broker = -1, m_agent = -1;
    PseudoTerminal m_signs[3];
    std::unique_ptr<Client> m_operator;
};

TEST_F(AgentBroker, TextFontAndFrameArriveExactlyAsBuiltHereWithTheirStateAndDiscovery) {
    const Bytes text = textFrame("\xCF\xF0\xE8\xE2\xE5\xF2 /S3");
    Bytes table(agent::FontTableBytes);
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<std::uint8_t>(i * 7);
    const Bytes font = agent::buildFontFrame(std::span<const std::uint8_t, 2048>(table));
    const Bytes frame = textFrame("exact frame");

    MasterReader lines[] = {MasterReader(m_signs[0], text.size()),
                            MasterReader(m_signs[1], font.size()),
                            MasterReader(m_signs[2], frame.size())};
    m_operator->publish("lumetra/s1/cmd/text", R"({"text": "Привет /S3", "job": "t"})");
    m_operator->publish("lumetra/s2/cmd/font", std::string(table.begin(), table.end()));
    m_operator->publish("lumetra/s3/cmd/frame", std::string(frame.begin(), frame.end()));
    EXPECT_EQ(lines[0].bytes(), text);
    EXPECT_EQ(lines[2].bytes(), frame);
    EXPECT_EQ(lines[1].bytes(), font);
    const auto sent = [&](const std::string& sign) {
        return m_operator->awaitJson(
            "lumetra/" + sign + "/upload/result",
            [](const json& r) { return r["outcome"] == "sent"; }, 30s);
    };
    for (const std::string& s : Signs)
        EXPECT_TRUE(sent(s)) << s;
    EXPECT_EQ((*sent("s1"))["job"], "t");

    // What a client that comes later is told, from the retained messages alone.
    Client late(m_port, "operator");
    late.subscribe("lumetra/#");
    late.subscribe("homeassistant/#");
    const auto state = late.awaitJson("lumetra/s1/state", [](const json&) { return true; });
    ASSERT_TRUE(state);
    EXPECT_EQ((*state)["text"], "Привет /S3");
    EXPECT_EQ((*state)["result"], "sent");
    EXPECT_EQ((*state)["port"], m_signs[0].slaveName());
    EXPECT_EQ(agent::fromBase64((*state)["frame_b64"].get<std::string>()), text);
    const auto fontState = late.awaitJson("lumetra/s2/state", [](const json&) { return true; });
    ASSERT_TRUE(fontState);
    EXPECT_EQ((*fontState)["font_sha256"], agent::sha256Hex(std::span(table).subspan(256)));
    EXPECT_TRUE(late.await("lumetra/s3/availability", [](auto& p) { return p == "online"; }));
    EXPECT_TRUE(
        late.awaitJson("homeassistant/binary_sensor/lumetra_s2/problem/config", [](const json& c) {
            return c["device_class"] == "problem" &&
                   c["availability_topic"] == "lumetra/s2/availability";
        }));
    EXPECT_EQ(late.count("homeassistant/", 6 * Signs.size()), 6 * Signs.size());
}

TEST_F(AgentBroker, NoOneButTheAgentsOwnUsersCommandsASignAndJunkIsRefused) {
    Client anonymous(m_port, "");
    EXPECT_NE(anonymous.connack(), 0);
    anonymous.publish("lumetra/s1/cmd/text", "anonymous");
    Client intruder(m_port, "intruder");
    ASSERT_EQ(intruder.connack(), 0);
    intruder.publish("lumetra/s1/cmd/text", "{\"text\": \"intruder\", \"job\": \"x\"}");
    // Junk through the broker as it comes: binary, huge, half a frame.
    const std::vector<std::tuple<std::string, std::string, std::string>> junk = {
        {"text", std::string(16 << 20, '\x01'), "16777216 bytes"},
        {"text", "\xC0\xAF", "not UTF-8"},
        {"text", "{\"text\": 5}", "no \"text\""},
        {"font", std::string(100, '\xFF'), "not 100"},
        {"frame", std::string(300, '\xFF'), "does not decode"},
    };
    for (const auto& [verb, payload, error] : junk)
        m_operator->publish("lumetra/s1/cmd/" + verb, payload);
    for (const auto& [verb, payload, error] : junk)
        EXPECT_TRUE(m_operator->awaitJson("lumetra/s1/upload/result", [&](const json& r) {
            return r["outcome"] == "bad-input" &&
                   r["error"].get<std::string>().find(error) != std::string::npos;
        })) << error;
    EXPECT_TRUE(lineWithin(m_signs[0], 1s).empty());
    EXPECT_FALSE(result("s1", "x", nullptr, 100ms));

    const Bytes frame = textFrame("operator");
    MasterReader line(m_signs[0], frame.size());
    m_operator->publish("lumetra/s1/cmd/text", "{\"text\": \"operator\", \"job\": \"o\"}");
    EXPECT_EQ(line.bytes(), frame);
    EXPECT_TRUE(result("s1", "o"));
    EXPECT_EQ(m_operator->count("lumetra/s1/upload/result", junk.size() + 1), junk.size() + 1);
}

TEST_F(AgentBroker, AfterKillNineTheWillSaysOfflineAndARestartBringsTheStateBack) {
    const Bytes frame = textFrame("kept");
    MasterReader line(m_signs[0], frame.size());
    m_operator->publish("lumetra/s1/cmd/text", "{\"text\": \"kept\", \"job\": \"k\"}");
    EXPECT_EQ(line.bytes(), frame);
    ASSERT_TRUE(result("s1", "k"));
    const auto state =
        m_operator->awaitJson("lumetra/s1/state", [](const json& s) { return s["job"] == "k"; });
    ASSERT_TRUE(state);

    end(m_agent, SIGKILL);
    EXPECT_TRUE(m_operator->await("lumetra/s1/availability",
                                  [](const std::string& p) { return p == "offline"; }));
    // The broker forgets the state; the agent's file remembers it.
    m_operator->publish("lumetra/s1/state", "", true);
    Client fresh(m_port, "operator");
    fresh.subscribe("lumetra/s1/#");
    startAgent();
    const auto again =
        fresh.awaitJson("lumetra/s1/state", [](const json& s) { return s["job"] == "k"; });
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, *state);
    EXPECT_TRUE(fresh.await("lumetra/s1/availability", [](auto& p) { return p == "online"; }));

    // A clean stop says offline itself.
    end(m_agent, SIGTERM);
    EXPECT_TRUE(fresh.await("lumetra/s1/availability", [](auto& p) { return p == "offline"; }));
}

TEST_F(AgentBroker, TheBrokerGoneMidUploadTheUploadEndsAndItsResultArrivesLater) {
    const std::string text(300, 'x');
    const Bytes frame = textFrame(text);
    MasterReader line(m_signs[0], frame.size());
    m_operator->publish("lumetra/s1/cmd/text", "{\"text\": \"" + text + "\", \"job\": \"long\"}");
    ASSERT_TRUE(m_operator->await("lumetra/s1/upload/progress", [](auto&) { return true; }));
    m_operator.reset();
    end(m_broker, SIGTERM);
    // The frame goes on while no broker is there to hear of it.
    EXPECT_EQ(line.bytes(), frame);
    startBroker();
    m_operator = std::make_unique<Client>(m_port, "operator");
    ASSERT_EQ(m_operator->connack(), 0);
    m_operator->subscribe("lumetra/#");
    const auto done = result("s1", "long");
    ASSERT_TRUE(done);
    EXPECT_EQ((*done)["outcome"], "sent");
    EXPECT_TRUE(online("s1"));
}

} // namespace
