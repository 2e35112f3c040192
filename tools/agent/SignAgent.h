#pragma once

#include "AgentConfig.h"
#include "Commands.h"
#include "Discovery.h"
#include "ProgramRunner.h"
#include "SignPort.h"
#include "StateFile.h"
#include "fleet/Broker.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace agent {

using fleet::Broker;

// Progress goes out at most this often; the latest always follows within it.
inline constexpr std::chrono::milliseconds ProgressInterval{500};

struct SignSetup {
    SignConfig sign;
    std::string prefix;
    std::string discovery; // Home Assistant's discovery prefix; empty for none
    std::string version;
    std::string stateFile; // empty: the state lives as long as the run
};

// What a sign's agent runs on. Every call into the SignAgent happens on one thread, the one
// `post` and `after` run their tasks on; uploads run where `runWorker` puts them.
struct SignEnv {
    Broker& broker;
    SignPort& port;
    std::function<void(std::function<void()>)> post;
    std::function<void(std::chrono::milliseconds, std::function<void()>)> after;
    std::function<void(std::function<void()>)> runWorker;
    std::function<std::chrono::system_clock::time_point()> now;
    std::function<std::chrono::steady_clock::time_point()> clock;
    std::function<void(const std::string&)> log;
    // How much faster `now` runs than the waits of `after`: above 1 only under a test's clock.
    double clockRate = 1.0;
};

// One sign on the broker: its topics under <Prefix>/<sign>/, its commands and their results,
// one upload at a time and at most one text and one font waiting, its retained state, and the
// program it runs with the variables of <Prefix>/vars/.
class SignAgent {
public:
    SignAgent(SignSetup setup, SignEnv env);
    SignAgent(const SignAgent&) = delete;
    SignAgent& operator=(const SignAgent&) = delete;

    // Reads the state file and starts the broker.
    void start();
    // Cancels what waits and what runs, publishes "offline", then calls `stopped`.
    void stop(std::function<void()> stopped);

    const SignTopics& topics() const { return m_topics; }
    const SignState& state() const { return m_file.state; }

private:
    struct Job {
        Command command;
        std::uint64_t order = 0;
        std::shared_ptr<std::atomic<bool>> cancel = std::make_shared<std::atomic<bool>>(false);
    };

    void connected();
    void received(const Broker::Message& message);
    void programCommand(const Broker::Message& message);
    void variable(const std::string& name, const Broker::Message& message);
    void uploadProgramText(ProgramText text);
    void take(Command command);
    void begin(Job job);
    void progressed(std::uint64_t order, const PortProgress& progress);
    void finished(std::uint64_t order, const PortResult& result);
    void next();
    void cancel(const Command& command);
    void endIfStopped();

    void publishResult(const Command& command, const std::string& outcome, const std::string& error,
                       const PortResult* port = nullptr,
                       const nlohmann::json& extra = nlohmann::json::object());
    Command ownCommand(const std::string& name);
    void offerProgress(nlohmann::json progress);
    void publishState();
    void saveState();
    std::string topic(const char* leaf) const { return m_topics.base + "/" + leaf; }
    std::string varsTopic() const { return m_setup.prefix + "/vars/"; }
    void log(const std::string& line) const;

    SignSetup m_setup;
    SignEnv m_env;
    SignTopics m_topics;
    StateFile m_file;
    std::optional<Job> m_running;
    std::optional<Job> m_waitingText, m_waitingFont;
    std::uint64_t m_order = 0;
    std::string m_jobStem; // generated jobs are "<stem>-<n>"
    std::uint64_t m_generated = 0;

    std::optional<std::chrono::steady_clock::time_point> m_progressAt;
    std::optional<nlohmann::json> m_progressWaiting;
    bool m_progressTimer = false;

    bool m_stopping = false;
    std::function<void()> m_stopped;

    bool m_connected = false;
    std::string m_refusedProgram; // a retained program refused once is not read again
    ProgramRunner m_runner;
};

} // namespace agent
