// lumetra-agent: drives the signs of its configuration for anyone on an MQTT broker.

#include "AgentConfig.h"
#include "EventLoop.h"
#include "SignAgent.h"
#include "fleet/MosquittoBroker.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include <unistd.h>

namespace {

using namespace agent;
using fleet::BrokerSettings;
using fleet::MosquittoBroker;

constexpr const char* DefaultConfig = "/etc/lumetra/agent.ini";
constexpr const char* DefaultStateDir = "/var/lib/lumetra-agent";
// How long a stop waits for the last messages to reach the broker.
constexpr auto StopFlush = std::chrono::seconds(5);

std::mutex logMutex;

void logLine(const std::string& line) {
    std::lock_guard lock(logMutex);
    std::fprintf(stderr, "lumetra-agent: %s\n", line.c_str());
    std::fflush(stderr);
}

// systemd's StateDirectory= names the folder (the first of a list).
std::string defaultStateDir() {
    const char* given = std::getenv("STATE_DIRECTORY");
    if (given && *given) {
        const std::string list = given;
        return list.substr(0, list.find(':'));
    }
    return DefaultStateDir;
}

// Uploads of one sign, one after another; the thread of the last one is joined before the
// next begins, and at the end.
class Worker {
public:
    ~Worker() { join(); }
    void run(std::function<void()> job) {
        join();
        m_thread = std::thread(std::move(job));
    }
    void join() {
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    std::thread m_thread;
};

struct Sign {
    std::unique_ptr<MosquittoBroker> broker;
    std::unique_ptr<SignPort> port;
    Worker worker;
    std::unique_ptr<SignAgent> agent;
};

int run(const AgentConfig& config, const std::string& password, const std::string& stateDir) {
    EventLoop loop;
    std::list<Sign> signs;
    char host[256] = "";
    ::gethostname(host, sizeof host - 1);
    for (const SignConfig& sc : config.signs) {
        Sign& sign = signs.emplace_back();
        BrokerSettings b;
        b.host = config.host;
        b.port = config.port;
        b.tls = config.tls;
        b.caFile = config.caFile;
        b.certFile = config.certFile;
        b.keyFile = config.keyFile;
        b.user = config.user;
        b.password = password;
        b.clientId = "lumetra-agent/" + std::string(host) + "/" + config.prefix + "/" + sc.id;
        b.willTopic = config.prefix + "/" + sc.id + "/availability";
        b.willPayload = "offline";
        b.maxPayload = MaxPayload;
        b.log = [id = sc.id](const std::string& line) { logLine(id + ": " + line); };
        try {
            sign.broker = std::make_unique<MosquittoBroker>(b);
        } catch (const std::exception& e) {
            logLine(config.file + ": " + e.what());
            return 2;
        }
        sign.port = makeSystemSignPort();
        SignSetup setup{sc, config.prefix, config.discovery, LUMETRA_VERSION,
                        stateDir + "/" + sc.id + ".json"};
        SignEnv env{*sign.broker,
                    *sign.port,
                    [&loop](std::function<void()> task) { loop.post(std::move(task)); },
                    [&loop](std::chrono::milliseconds wait, std::function<void()> task) {
                        loop.postAfter(wait, std::move(task));
                    },
                    [&sign](std::function<void()> job) { sign.worker.run(std::move(job)); },
                    [] { return std::chrono::system_clock::now(); },
                    [] { return std::chrono::steady_clock::now(); },
                    logLine};
        sign.agent = std::make_unique<SignAgent>(std::move(setup), std::move(env));
    }

    // Signals are taken by one thread, which hands them to the loop; a second one ends the
    // program at once.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    std::size_t running = signs.size();
    const auto stopAll = [&] {
        logLine("stopping");
        for (Sign& sign : signs)
            sign.agent->stop([&] {
                if (--running == 0)
                    loop.quit();
            });
    };
    std::thread([&loop, stopSignals, stopAll] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        loop.post(stopAll);
        sigwait(&stopSignals, &signal);
        std::_Exit(1);
    }).detach();

    for (Sign& sign : signs)
        sign.agent->start();
    loop.run();
    for (Sign& sign : signs)
        sign.broker->stop(StopFlush);
    logLine("stopped");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"lumetra-agent: drives running-line signs for the clients of an MQTT broker.\n"
                 "Each sign of the configuration gets its topics under <Prefix>/<sign>/."};
    app.set_version_flag("--version", std::string("lumetra-agent ") + LUMETRA_VERSION);
    std::string configFile = DefaultConfig;
    std::string stateDir = defaultStateDir();
    app.add_option("--config", configFile, "the configuration (INI)")
        ->type_name("FILE")
        ->capture_default_str();
    app.add_option("--state-dir", stateDir,
                   "where each sign's state is kept ($STATE_DIRECTORY when set)")
        ->type_name("DIR")
        ->capture_default_str();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version end here too, with 0.
        return app.exit(e) == 0 ? 0 : 2;
    }

    AgentConfig config;
    std::string password;
    try {
        config = readAgentConfig(configFile);
        if (!config.passwordFile.empty())
            password = readPasswordFile(config.passwordFile);
    } catch (const ConfigError& e) {
        logLine(e.what());
        return 2;
    }
    if (!password.empty() && !config.tls && !isLoopback(config.host))
        logLine("warning: the password goes to " + config.host +
                " unencrypted (mqtt://); use mqtts:// beyond this machine");
    std::error_code ec;
    std::filesystem::create_directories(stateDir, ec);
    if (ec) {
        logLine(stateDir + ": " + ec.message());
        return 1;
    }
    return run(config, password, stateDir);
}
