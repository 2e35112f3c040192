// lumetra-agent: drives the signs of its configuration for anyone on an MQTT broker, or runs
// one program on one sign with no broker at all.

#include "AgentConfig.h"
#include "EventLoop.h"
#include "ProgramRunner.h"
#include "SignAgent.h"
#include "base/AtomicFile.h"
#include "base/Cp1251.h"
#include "editor/MessageEncoding.h"
#include "editor/MessageFile.h"
#include "fleet/MosquittoBroker.h"
#include "program/Fields.h"

#include <CLI/CLI.hpp>

#include <cmath>
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

// The agent's wall clock. LUMETRA_AGENT_CLOCK="<moment>[*<rate>]" starts it at that moment
// and runs it that many times as fast: for the tests, which cannot wait for the hours.
struct Clock {
    std::function<std::chrono::system_clock::time_point()> now = [] {
        return std::chrono::system_clock::now();
    };
    double rate = 1.0;
};

std::optional<Clock> clockFromEnvironment() {
    const char* given = std::getenv("LUMETRA_AGENT_CLOCK");
    if (!given || !*given)
        return Clock{};
    const std::string text = given;
    const std::size_t star = text.find('*');
    Clock clock;
    try {
        const program::Seconds start = program::parseMoment(text.substr(0, star), nullptr);
        if (star != std::string::npos)
            clock.rate = std::stod(text.substr(star + 1));
        if (!(clock.rate > 0))
            throw std::invalid_argument("rate");
        const auto began = std::chrono::steady_clock::now();
        clock.now = [start, began, rate = clock.rate] {
            const auto real = std::chrono::steady_clock::now() - began;
            return std::chrono::system_clock::time_point(start) +
                   std::chrono::duration_cast<std::chrono::system_clock::duration>(
                       std::chrono::duration<double, std::nano>(real) * rate);
        };
    } catch (const std::exception&) {
        logLine("LUMETRA_AGENT_CLOCK: expected MOMENT[*RATE], not \"" + text + "\"");
        return std::nullopt;
    }
    return clock;
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

// Signals go to one thread, which hands the first to the loop; a second ends the program at
// once. Called before any other thread starts, so that none takes them.
sigset_t blockStopSignals() {
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return stopSignals;
}

void onStopSignal(EventLoop& loop, sigset_t stopSignals, std::function<void()> stop) {
    std::thread([&loop, stopSignals, stop = std::move(stop)] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        loop.post(stop);
        sigwait(&stopSignals, &signal);
        std::_Exit(1);
    }).detach();
}

int run(const AgentConfig& config, const std::string& password, const std::string& stateDir,
        const Clock& clock) {
    const sigset_t stopSignals = blockStopSignals();
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
                    clock.now,
                    [] { return std::chrono::steady_clock::now(); },
                    logLine,
                    clock.rate};
        sign.agent = std::make_unique<SignAgent>(std::move(setup), std::move(env));
    }

    std::size_t running = signs.size();
    const auto stopAll = [&] {
        logLine("stopping");
        for (Sign& sign : signs)
            sign.agent->stop([&] {
                if (--running == 0)
                    loop.quit();
            });
    };
    onStopSignal(loop, stopSignals, stopAll);

    for (Sign& sign : signs)
        sign.agent->start();
    loop.run();
    for (Sign& sign : signs)
        sign.broker->stop(StopFlush);
    logLine("stopped");
    return 0;
}

// A program file, or why it cannot be read.
std::optional<std::string> readProgramFile(const std::string& path) {
    try {
        return readRegularFile(path, MaxPayload);
    } catch (const std::system_error& e) {
        logLine(path + ": " + e.code().message());
        return std::nullopt;
    }
}

// The text as the sign shows it, back in UTF-8: characters Windows-1251 lacks as "?".
std::string shownText(const std::string& utf8) {
    const std::string cp1251 = decodeMessage(utf8, MessageEncoding::Utf8).cp1251;
    return cp1251::cp1251ToUtf8(
        {reinterpret_cast<const std::uint8_t*>(cp1251.data()), cp1251.size()});
}

// --print and --week.
int printProgram(const std::string& file, const std::string& atText, const program::Vars& vars,
                 bool week, const Clock& clock) {
    const auto json = readProgramFile(file);
    if (!json)
        return 2;
    const program::ZoneinfoSource zones;
    try {
        const std::string timezone = program::parseProgram(*json).timezone;
        std::shared_ptr<const program::TimeZone> zone;
        try {
            zone = zones.zone(timezone);
        } catch (const program::ZoneError& e) {
            throw program::ProgramError(std::string("the program: \"timezone\": ") + e.what());
        }
        const program::Seconds at = atText.empty()
                                        ? std::chrono::floor<std::chrono::seconds>(clock.now())
                                        : program::parseMoment(atText, zone.get());
        const program::Loaded loaded = program::loadProgram(*json, zones, at, vars);
        for (const std::string& warning : loaded.warnings)
            logLine("warning: " + warning);
        const program::Schedule& schedule = *loaded.schedule;
        if (!week) {
            const program::Composition c = schedule.compose(at, vars);
            for (const std::string& warning : c.warnings)
                logLine("warning: " + warning);
            std::printf("%s\n", shownText(c.utf8).c_str());
            return 0;
        }
        for (const program::Change& change : schedule.changes(at, std::chrono::days(7), vars)) {
            char line[64];
            std::snprintf(line, sizeof line, "\t%zu bytes\t%.1f s\t", change.frameBytes,
                          static_cast<double>(change.lineTime.count()) / 1000.0);
            std::printf("%s\t%s%s%s\n", program::formatMoment(change.when, schedule.zone()).c_str(),
                        schedule.names(change.entries).c_str(), line,
                        fleet::dumpJson(shownText(change.utf8)).c_str());
        }
        return 0;
    } catch (const program::ProgramError& e) {
        logLine(file + ": " + e.what());
        return 2;
    }
}

// --program with --port: one sign, no broker. The same runner as under the broker; the state
// lives as long as the run.
int runAlone(const std::string& file, const std::string& port, const program::Vars& vars,
             const Clock& clock) {
    const auto json = readProgramFile(file);
    if (!json)
        return 2;
    if (const auto why = portProblem(port)) {
        logLine("--port " + port + ": " + *why);
        return 2;
    }
    const sigset_t stopSignals = blockStopSignals();
    EventLoop loop;
    const std::unique_ptr<SignPort> signPort = makeSystemSignPort();
    std::string onSign; // the text known to be on the sign
    std::optional<ProgramText> waiting;
    bool busy = false, stopping = false;
    std::atomic<bool> cancel{false};
    std::unique_ptr<ProgramRunner> runner;
    Worker worker;

    std::function<void(ProgramText)> begin = [&](ProgramText text) {
        busy = true;
        logLine("sending " +
                (text.entries.empty() ? std::string("the default text")
                                      : "\"" + fleet::dumpJson(text.entries) + "\"") +
                ": " + std::to_string(text.frame.size()) + " bytes, " +
                std::to_string(lineTime(text.frame.size()).count() / 1000) + " s on the line");
        worker.run([&, text = std::move(text)] {
            const PortResult r = signPort->send(port, text.frame, {}, cancel);
            loop.post([&, r, sha = text.sha256] {
                busy = false;
                const bool sent = r.outcome == PortResult::Outcome::Sent;
                if (sent)
                    onSign = sha;
                else if (r.sent > 0)
                    onSign.clear();
                logLine(sent ? "sent" + (r.error.empty()
                                             ? ""
                                             : " (line settings refused: " + r.error + ")")
                             : "not sent: " + (r.error.empty() ? "cancelled" : r.error));
                if (stopping)
                    return loop.quit();
                runner->uploadEnded(sha, !sent && r.outcome != PortResult::Outcome::Cancelled);
                if (waiting && !busy) {
                    ProgramText next = std::move(*waiting);
                    waiting.reset();
                    begin(std::move(next));
                }
            });
        });
    };
    RunnerEnv env{clock.now,
                  [&](std::chrono::milliseconds wait, std::function<void()> task) {
                      loop.postAfter(std::chrono::milliseconds(std::llround(
                                         static_cast<double>(wait.count()) / clock.rate)),
                                     std::move(task));
                  },
                  [&](ProgramText text) {
                      if (!busy)
                          return begin(std::move(text));
                      if (waiting)
                          runner->uploadEnded(waiting->sha256, false);
                      waiting = std::move(text);
                  },
                  [&] { return onSign; },
                  [&] {
                      const ProgramRunner::Status s = runner->status();
                      if (s.next)
                          logLine("next change " +
                                  program::formatMoment(
                                      std::chrono::floor<std::chrono::seconds>(*s.next), *s.zone) +
                                  ": " +
                                  (s.nextEntries.empty() ? std::string("the default text")
                                                         : fleet::dumpJson(s.nextEntries)));
                  },
                  [](const std::string& why) { logLine(why); }};
    runner = std::make_unique<ProgramRunner>(std::move(env), LongestText);
    for (const auto& [name, value] : vars)
        runner->setVar(name, value);
    try {
        for (const std::string& warning : runner->load(*json))
            logLine("warning: " + warning);
    } catch (const program::ProgramError& e) {
        logLine(file + ": " + e.what());
        return 2;
    }
    onStopSignal(loop, stopSignals, [&] {
        logLine("stopping");
        stopping = true;
        cancel = true;
        if (!busy)
            loop.quit();
    });
    loop.run();
    logLine("stopped");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"lumetra-agent: drives running-line signs for the clients of an MQTT broker.\n"
                 "Each sign of the configuration gets its topics under <Prefix>/<sign>/.\n"
                 "With --program it runs one program (.lprog) on one sign with no broker, or\n"
                 "prints what the program puts on the sign."};
    app.set_version_flag("--version", std::string("lumetra-agent ") + LUMETRA_VERSION);
    std::string configFile = DefaultConfig;
    std::string stateDir = defaultStateDir();
    std::string programFile, port, at;
    std::vector<std::string> varTexts;
    bool print = false, week = false;
    auto* config = app.add_option("--config", configFile, "the configuration (INI)")
                       ->type_name("FILE")
                       ->capture_default_str();
    auto* state = app.add_option("--state-dir", stateDir,
                                 "where each sign's state is kept ($STATE_DIRECTORY when set)")
                      ->type_name("DIR")
                      ->capture_default_str();
    auto* programOption =
        app.add_option("--program", programFile,
                       "a program (.lprog) to run with --port, or to show with --print or --week")
            ->type_name("FILE")
            ->excludes(config)
            ->excludes(state);
    auto* portOption =
        app.add_option("--port", port, "the sign's port, as in [Sign] Port=, for --program alone")
            ->type_name("PORT")
            ->needs(programOption);
    auto* printOption =
        app.add_flag("--print", print, "print the text on the sign at --at (UTF-8) and exit")
            ->needs(programOption)
            ->excludes(portOption);
    app.add_flag("--week", week,
                 "print the week's changes from --at, one a line: when, entries, frame bytes, "
                 "line time, text")
        ->needs(programOption)
        ->excludes(portOption)
        ->excludes(printOption);
    app.add_option("--at", at,
                   "the moment for --print and --week: 2026-12-09T08:30 in the program's time "
                   "zone, or with an offset; now by default")
        ->type_name("MOMENT")
        ->excludes(portOption);
    app.add_option("--var", varTexts, "a variable's value for {var:NAME}; may be repeated")
        ->type_name("NAME=VALUE")
        ->needs(programOption);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version end here too, with 0.
        return app.exit(e) == 0 ? 0 : 2;
    }
    const std::optional<Clock> clock = clockFromEnvironment();
    if (!clock)
        return 2;

    if (!programFile.empty()) {
        program::Vars vars;
        for (const std::string& text : varTexts) {
            const std::size_t equals = text.find('=');
            const std::string name = text.substr(0, equals);
            if (equals == std::string::npos || name.empty() ||
                name.find_first_of("+#/") != std::string::npos || !cp1251::decodeUtf8(text)) {
                logLine("--var " + text +
                        ": expected NAME=VALUE (UTF-8, a NAME without +, # or /)");
                return 2;
            }
            vars[name] = text.substr(equals + 1);
        }
        if (print || week)
            return printProgram(programFile, at, vars, week, *clock);
        if (!port.empty())
            return runAlone(programFile, port, vars, *clock);
        logLine("--program needs --port, --print or --week");
        return 2;
    }
    if (!at.empty() || !varTexts.empty()) {
        logLine("--at and --var go with --program");
        return 2;
    }

    AgentConfig agentConfig;
    std::string password;
    try {
        agentConfig = readAgentConfig(configFile);
        if (!agentConfig.passwordFile.empty())
            password = readPasswordFile(agentConfig.passwordFile);
    } catch (const ConfigError& e) {
        logLine(e.what());
        return 2;
    }
    if (!password.empty() && !agentConfig.tls && !isLoopback(agentConfig.host))
        logLine("warning: the password goes to " + agentConfig.host +
                " unencrypted (mqtt://); use mqtts:// beyond this machine");
    std::error_code ec;
    std::filesystem::create_directories(stateDir, ec);
    if (ec) {
        logLine(stateDir + ": " + ec.message());
        return 1;
    }
    return run(agentConfig, password, stateDir, *clock);
}
