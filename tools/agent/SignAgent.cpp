#include "SignAgent.h"

#include "base/AtomicFile.h"
#include "base/Cp1251.h"
#include "fleet/Digest.h"

#include <cmath>
#include <set>

namespace agent {
namespace {

using fleet::dumpJson;
using fleet::fromBase64;
using fleet::isoTime;
using fleet::sha256Hex;
using fleet::toBase64;
using nlohmann::json;

const char* outcomeName(PortResult::Outcome outcome) {
    switch (outcome) {
    case PortResult::Outcome::Sent:
        return "sent";
    case PortResult::Outcome::OpenFailed:
        return "open-failed";
    case PortResult::Outcome::WriteFailed:
        return "write-failed";
    case PortResult::Outcome::TimedOut:
        return "timed-out";
    case PortResult::Outcome::Cancelled:
        return "cancelled";
    }
    return "write-failed";
}

double tenths(std::chrono::milliseconds time) {
    return std::round(static_cast<double>(time.count()) / 100.0) / 10.0;
}

// A variable's value is a short text: a reading, a price, an hour.
constexpr std::size_t LongestVar = 1024;
constexpr std::size_t LongestJob = 200;

bool portFailure(const std::string& outcome) {
    return outcome == "open-failed" || outcome == "write-failed" || outcome == "timed-out";
}

} // namespace

SignAgent::SignAgent(SignSetup setup, SignEnv env)
    : m_setup(std::move(setup)), m_env(std::move(env)),
      m_topics(signTopics(m_setup.prefix, m_setup.sign.id, m_setup.sign.name, m_setup.version)),
      m_jobStem(std::to_string(
          std::chrono::duration_cast<std::chrono::seconds>(m_env.now().time_since_epoch())
              .count())),
      m_runner(RunnerEnv{[this] { return m_env.now(); },
                         [this](std::chrono::milliseconds wait, std::function<void()> task) {
                             m_env.after(std::chrono::milliseconds(std::llround(
                                             static_cast<double>(wait.count()) / m_env.clockRate)),
                                         std::move(task));
                         },
                         [this](ProgramText text) { uploadProgramText(std::move(text)); },
                         [this] {
                             const SignState& s = m_file.state;
                             return s.result == "sent" ? s.sha256 : std::string();
                         },
                         [this] {
                             if (m_connected)
                                 publishState();
                         },
                         [this](const std::string& why) {
                             publishResult(ownCommand("program"), "too-long", why);
                         }},
               m_setup.sign.maxLength) {}

Command SignAgent::ownCommand(const std::string& name) {
    Command c;
    c.name = name;
    c.verb = name == "program" ? Verb::Program : Verb::Unknown;
    c.job = m_jobStem + "-" + std::to_string(++m_generated);
    return c;
}

void SignAgent::log(const std::string& line) const {
    if (m_env.log)
        m_env.log(m_setup.sign.id + ": " + line);
}

void SignAgent::start() {
    if (!m_setup.stateFile.empty()) {
        try {
            if (auto file = loadStateFile(m_setup.stateFile))
                m_file = std::move(*file);
        } catch (const std::exception& e) {
            log(std::string(e.what()) + "; starting without a state");
        }
    }
    // The program that ran goes on at once, broker or not.
    for (const auto& [name, value] : m_file.vars)
        m_runner.setVar(name, value);
    if (!m_file.program.empty()) {
        try {
            for (const std::string& warning : m_runner.load(m_file.program))
                log("program: " + warning);
        } catch (const program::ProgramError& e) {
            log(std::string("the program of the state file: ") + e.what());
        }
    }
    m_env.broker.subscribe(topic("cmd/+"), 1);
    m_env.broker.subscribe(varsTopic() + "+", 1);
    Broker::Events events;
    events.connected = [this] { m_env.post([this] { connected(); }); };
    events.message = [this](const Broker::Message& m) { m_env.post([this, m] { received(m); }); };
    m_env.broker.start(std::move(events));
}

void SignAgent::connected() {
    m_connected = true;
    // A broker that restarted without its retained messages gets them again.
    m_env.broker.publish(topic("availability"), m_stopping ? "offline" : "online", 1, true);
    if (!m_setup.discovery.empty())
        for (const DiscoveryMessage& d : discoveryMessages(m_setup.discovery, m_topics))
            m_env.broker.publish(d.topic, dumpJson(d.config), 1, true);
    publishState();
}

void SignAgent::received(const Broker::Message& m) {
    if (m.topic.starts_with(varsTopic()))
        return variable(m.topic.substr(varsTopic().size()), m);
    const std::string commands = topic("cmd/");
    if (!m.topic.starts_with(commands))
        return;
    const std::string name = m.topic.substr(commands.size());
    // A program is meant to be retained: it is what the sign runs.
    if (name == "program")
        return programCommand(m);
    if (m.retained) {
        // Someone left a command retained; it was carried out when it was published.
        log("ignored the retained message on " + m.topic);
        return;
    }
    Command command = m.size > MaxPayload ? oversizeCommand(name, m.size)
                                          : parseCommand(name, m.payload, m_setup.sign.maxLength);
    if (command.job.is_null() && !(command.verb == Verb::Cancel && !command.refused()))
        command.job = m_jobStem + "-" + std::to_string(++m_generated);
    if (command.refused())
        return publishResult(command, command.outcome, command.error);
    if (command.verb == Verb::Cancel)
        return cancel(command);
    if (m_stopping)
        return publishResult(command, "cancelled", "the agent is stopping");
    take(std::move(command));
}

void SignAgent::programCommand(const Broker::Message& m) {
    if (m_stopping)
        return;
    if (m.size > MaxPayload) {
        Command c = oversizeCommand("program", m.size);
        c.job = ownCommand("program").job;
        return publishResult(c, c.outcome, c.error);
    }
    std::string text = m.payload;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.erase(0, 3);
    if (text.empty()) {
        // The retained program was taken away: the sign keeps its text, nothing changes it.
        if (!m_runner.running())
            return;
        m_runner.clear();
        saveState();
        publishState();
        return publishResult(ownCommand("program"), "cleared", "");
    }
    Command c = ownCommand("program");
    json j = json::parse(text, nullptr, false);
    if (j.is_object() && j.contains("job")) {
        const json& job = j["job"];
        if (!job.is_number_integer() && !job.is_number_unsigned() &&
            !(job.is_string() && job.get_ref<const std::string&>().size() <= LongestJob))
            return publishResult(c, "bad-input",
                                 "\"job\" is a whole number or a string of at most " +
                                     std::to_string(LongestJob) + " bytes");
        c.job = job;
        j.erase("job");
        text = dumpJson(j);
    }
    if (m.retained && (text == m_runner.source() || text == m_refusedProgram))
        return; // heard again on a new connection
    try {
        const std::vector<std::string> warnings = m_runner.load(text);
        m_refusedProgram.clear();
        saveState();
        publishState();
        publishResult(c, "loaded", "", nullptr, {{"warnings", warnings}});
    } catch (const program::ProgramError& e) {
        m_refusedProgram = text;
        publishResult(c, "bad-input",
                      std::string(e.what()) +
                          (m_runner.running() ? "; the program that ran goes on" : ""));
    }
}

void SignAgent::variable(const std::string& name, const Broker::Message& m) {
    if (m.size > LongestVar || !cp1251::decodeUtf8(m.payload)) {
        log(m.topic + ": not a value (UTF-8, at most " + std::to_string(LongestVar) +
            " bytes); ignored");
        return;
    }
    const program::Vars before = m_runner.vars();
    // An empty retained value is one taken away.
    m_runner.setVar(name, m.payload.empty() ? std::nullopt : std::optional(m.payload));
    if (m_runner.running() && m_runner.vars() != before)
        saveState();
}

void SignAgent::uploadProgramText(ProgramText text) {
    if (m_stopping)
        return m_runner.uploadEnded(text.sha256, false);
    Command c = ownCommand("program");
    c.verb = Verb::Text;
    c.frame = std::move(text.frame);
    c.content = std::get<FrameContent>(readFrame(c.frame));
    c.replaced = text.replaced;
    log("program: " + (text.entries.empty() ? std::string("the default text") : "entries ") +
        [&] {
            std::string names;
            for (const std::string& n : text.entries)
                names += (names.empty() ? "\"" : ", \"") + n + "\"";
            return names;
        }() +
        " to the sign");
    take(std::move(c));
}

void SignAgent::take(Command command) {
    Job job{std::move(command), ++m_order};
    if (!m_running)
        return begin(std::move(job));
    std::optional<Job>& slot = job.command.content.font ? m_waitingFont : m_waitingText;
    if (slot)
        publishResult(slot->command, "superseded",
                      "replaced by job " + dumpJson(job.command.job) + " before it began");
    slot = std::move(job);
}

void SignAgent::begin(Job job) {
    Command& c = job.command;
    if (c.verb == Verb::Resend) {
        auto frame = fromBase64(m_file.resendB64);
        if (!frame || frame->empty()) {
            publishResult(c, "bad-input", "no text was sent yet that could be sent again");
            return next();
        }
        c.frame = std::move(*frame);
        c.content = std::get<FrameContent>(readFrame(c.frame));
    }
    if (!c.content.font && m_file.resendB64 != toBase64(c.frame)) {
        m_file.resendB64 = toBase64(c.frame);
        saveState();
    }
    m_running = std::move(job);
    const Job& running = *m_running;
    const std::size_t total = running.command.frame.size();
    offerProgress({{"job", running.command.job},
                   {"sent", 0},
                   {"total", total},
                   {"seconds_left", tenths(lineTime(total))}});
    const std::uint64_t order = running.order;
    m_env.runWorker([this, order, frame = running.command.frame, cancel = running.cancel,
                     port = m_setup.sign.port] {
        const PortResult result = m_env.port.send(
            port, frame,
            [this, order](const PortProgress& p) {
                m_env.post([this, order, p] { progressed(order, p); });
            },
            *cancel);
        m_env.post([this, order, result] { finished(order, result); });
    });
}

void SignAgent::progressed(std::uint64_t order, const PortProgress& p) {
    if (!m_running || m_running->order != order)
        return;
    offerProgress({{"job", m_running->command.job},
                   {"sent", p.sent},
                   {"total", p.total},
                   {"seconds_left", tenths(p.remaining)}});
}

void SignAgent::finished(std::uint64_t order, const PortResult& r) {
    if (!m_running || m_running->order != order)
        return;
    const Job job = std::move(*m_running);
    m_running.reset();
    const Command& c = job.command;
    offerProgress({{"job", c.job}, {"sent", r.sent}, {"total", r.total}, {"seconds_left", 0}});

    const bool sent = r.outcome == PortResult::Outcome::Sent;
    SignState& s = m_file.state;
    if (c.content.font) {
        if (sent) {
            s.fontSha256 = sha256Hex(c.content.payload);
            s.fontFrameB64 = toBase64(c.frame);
        }
    } else if (sent || r.sent > 0) {
        // Bytes went onto the line: whatever the sign showed before may be gone.
        s.job = c.job;
        s.text = cp1251::cp1251ToUtf8(c.content.payload);
        s.sha256 = sha256Hex(c.content.payload);
        s.frameBytes = c.frame.size();
        s.lineSeconds = static_cast<double>(lineTime(c.frame.size()).count()) / 1000.0;
        s.uploadedAt = isoTime(m_env.now());
        s.result = sent                                          ? "sent"
                   : r.outcome == PortResult::Outcome::Cancelled ? "cancelled"
                                                                 : "failed";
        s.error = r.error;
        s.port = m_setup.sign.port;
        s.frameB64 = toBase64(c.frame);
    }
    if (sent || r.sent > 0) {
        saveState();
        publishState();
    }
    std::string error = r.error;
    if (r.outcome == PortResult::Outcome::Cancelled && m_stopping && error.empty())
        error = "the agent is stopping";
    else if (sent && !error.empty())
        error = "line settings refused: " + error;
    publishResult(c, outcomeName(r.outcome), error, &r);
    next();
}

void SignAgent::next() {
    if (m_running)
        return;
    std::optional<Job>* first = nullptr;
    for (std::optional<Job>* slot : {&m_waitingText, &m_waitingFont})
        if (*slot && (!first || (*slot)->order < (*first)->order))
            first = slot;
    if (first) {
        Job job = std::move(**first);
        first->reset();
        return begin(std::move(job));
    }
    endIfStopped();
}

void SignAgent::cancel(const Command& command) {
    const json& target = command.job;
    const auto matches = [&](const Job& job) {
        return target.is_null() || job.command.job == target;
    };
    bool found = false;
    for (std::optional<Job>* slot : {&m_waitingText, &m_waitingFont})
        if (*slot && matches(**slot)) {
            publishResult((*slot)->command, "cancelled", "cancelled before it began");
            slot->reset();
            found = true;
        }
    if (m_running && matches(*m_running)) {
        m_running->cancel->store(true);
        found = true;
    }
    Command own = command;
    if (own.job.is_null())
        own.job = m_jobStem + "-" + std::to_string(++m_generated);
    publishResult(own, "cancelled", found ? "" : "nothing to cancel");
}

void SignAgent::stop(std::function<void()> stopped) {
    m_stopping = true;
    m_stopped = std::move(stopped);
    for (std::optional<Job>* slot : {&m_waitingText, &m_waitingFont})
        if (*slot) {
            publishResult((*slot)->command, "cancelled", "the agent is stopping");
            slot->reset();
        }
    if (m_running)
        m_running->cancel->store(true);
    else
        endIfStopped();
}

void SignAgent::endIfStopped() {
    if (!m_stopping || m_running || !m_stopped)
        return;
    m_progressWaiting.reset(); // the results have told the end
    m_env.broker.publish(topic("availability"), "offline", 1, true);
    auto stopped = std::move(m_stopped);
    m_stopped = nullptr;
    stopped();
}

void SignAgent::publishResult(const Command& c, const std::string& outcome,
                              const std::string& error, const PortResult* port, const json& extra) {
    json result = {{"job", c.job},
                   {"command", c.name},
                   {"outcome", outcome},
                   {"error", error},
                   {"at", isoTime(m_env.now())}};
    if (port) {
        result["sent"] = port->sent;
        result["total"] = port->total;
    }
    if (c.verb == Verb::Text && !c.refused())
        result["replaced"] = c.replaced;
    for (const auto& [key, value] : extra.items())
        result[key] = value;
    m_env.broker.publish(topic("upload/result"), dumpJson(result), 1, true);
    log("job " + dumpJson(c.job) + " (" + c.name + "): " + outcome +
        (error.empty() ? "" : ": " + error));
    // Every upload of the program's ends here once, however it ended.
    if (c.name == "program" && c.verb == Verb::Text)
        m_runner.uploadEnded(sha256Hex(c.content.payload), portFailure(outcome));
}

void SignAgent::offerProgress(json progress) {
    const auto now = m_env.clock();
    if (!m_progressTimer && (!m_progressAt || now - *m_progressAt >= ProgressInterval)) {
        m_progressAt = now;
        m_env.broker.publish(topic("upload/progress"), dumpJson(progress), 0, false);
        return;
    }
    m_progressWaiting = std::move(progress);
    if (m_progressTimer)
        return;
    m_progressTimer = true;
    const auto wait =
        std::chrono::ceil<std::chrono::milliseconds>(*m_progressAt + ProgressInterval - now);
    m_env.after(wait, [this] {
        m_progressTimer = false;
        if (!m_progressWaiting)
            return;
        m_progressAt = m_env.clock();
        m_env.broker.publish(topic("upload/progress"), dumpJson(*m_progressWaiting), 0, false);
        m_progressWaiting.reset();
    });
}

void SignAgent::publishState() {
    if (m_file.state.empty() && !m_runner.running())
        return;
    // Lists of the broker's signs show the name people know beside the id.
    json state = toJson(m_file.state);
    state["name"] = m_setup.sign.name;
    if (m_runner.running()) {
        const ProgramRunner::Status s = m_runner.status();
        json next = nullptr;
        if (s.next)
            next = {{"at", program::formatMoment(std::chrono::floor<std::chrono::seconds>(*s.next),
                                                 *s.zone)},
                    {"entries", s.nextEntries}};
        state["program"] = {{"entries", s.entries}, {"next_change", next}};
    }
    m_env.broker.publish(topic("state"), dumpJson(state), 1, true);
}

void SignAgent::saveState() {
    if (m_setup.stateFile.empty())
        return;
    m_file.program = m_runner.source();
    m_file.vars = m_runner.running() ? m_runner.vars() : program::Vars();
    try {
        saveStateFile(m_setup.stateFile, m_file);
    } catch (const std::exception& e) {
        log("cannot write " + m_setup.stateFile + ": " + e.what());
    }
}

} // namespace agent
