#pragma once

#include "SignPort.h"
#include "program/Program.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace agent {

// A composed text ready for the line.
struct ProgramText {
    Bytes frame;
    std::string sha256; // of the text as the sign gets it, as the state names it
    std::string utf8;
    std::size_t replaced = 0;
    std::vector<std::string> entries; // names; none: the default
};

// What a runner runs on. Every call happens on one thread, the one `after` runs its tasks on.
struct RunnerEnv {
    std::function<std::chrono::system_clock::time_point()> now;
    // Waits counted in the time of `now`.
    std::function<void(std::chrono::milliseconds, std::function<void()>)> after;
    // Puts a text on the sign; uploadEnded() tells how it went.
    std::function<void(ProgramText)> upload;
    // The sha256 of the text on the sign now; empty when nothing sure is known.
    std::function<std::string()> onSign;
    // The entries shown or the next change moved.
    std::function<void()> changed;
    // A text that cannot go to the line, and why.
    std::function<void(const std::string&)> problem;
};

// Runs one program on one sign: composes its text whenever the entries, a field or a variable
// can change it, and hands it for upload only when its bytes differ from the sign's.
class ProgramRunner {
public:
    // A failed upload is tried again after this much of the program's time.
    static constexpr std::chrono::minutes RetryAfter{1};
    // The longest single wait: the wall clock may be set meanwhile.
    static constexpr std::chrono::hours LongestWait{1};

    ProgramRunner(RunnerEnv env, std::size_t maxLength,
                  std::shared_ptr<const program::ZoneSource> zones = nullptr);
    ProgramRunner(const ProgramRunner&) = delete;
    ProgramRunner& operator=(const ProgramRunner&) = delete;

    // Runs `json` in place of the program running and gives its warnings; throws
    // program::ProgramError, keeping the running one, when it cannot be taken.
    std::vector<std::string> load(const std::string& json);
    void clear();
    bool running() const { return m_schedule != nullptr; }
    const std::string& source() const { return m_source; }

    // Nothing: the variable is not set. Recomposes when the value changed.
    void setVar(const std::string& name, const std::optional<std::string>& value);
    const program::Vars& vars() const { return m_vars; }

    // The upload of the text with `sha256` has ended; `failed`: it did not reach the line.
    void uploadEnded(const std::string& sha256, bool failed);

    struct Status {
        std::vector<std::string> entries; // on the sign now; none: the default
        std::optional<std::chrono::system_clock::time_point> next;
        std::vector<std::string> nextEntries;
        const program::TimeZone* zone = nullptr;
    };
    Status status() const;

private:
    void recompose(std::optional<program::Seconds> due = std::nullopt);
    void arm(program::Seconds at);
    std::vector<std::string> names(const std::vector<std::size_t>& entries) const;

    RunnerEnv m_env;
    std::size_t m_maxLength;
    std::shared_ptr<const program::ZoneSource> m_zones;
    std::shared_ptr<const program::Schedule> m_schedule;
    std::string m_source;
    program::Vars m_vars;

    std::optional<std::vector<std::size_t>> m_shown;
    std::optional<program::ChangeTime> m_next;
    std::string m_pending; // the text handed over and not yet ended
    std::string m_refused; // the sha256 of the text last found too long, told once
    std::optional<program::Seconds> m_nextCheckedAt;
    std::optional<program::Seconds> m_retry;
    // Timers of an earlier arming, or of a runner gone, find their number changed.
    std::shared_ptr<std::uint64_t> m_arming = std::make_shared<std::uint64_t>(0);
};

} // namespace agent
