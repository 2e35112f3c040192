#include "ProgramRunner.h"

#include "editor/MessageEncoding.h"
#include "editor/MessageFile.h"
#include "fleet/Digest.h"
#include "program/Fields.h"

#include <algorithm>
#include <set>

namespace agent {
namespace {

using namespace std::chrono;
using program::Seconds;

Seconds wholeSeconds(system_clock::time_point t) {
    return floor<seconds>(t);
}

std::string cp1251Of(const std::string& utf8) {
    return messagefile::withCrLfBreaks(decodeMessage(utf8, MessageEncoding::Utf8).cp1251);
}

} // namespace

ProgramRunner::ProgramRunner(RunnerEnv env, std::size_t maxLength,
                             std::shared_ptr<const program::ZoneSource> zones)
    : m_env(std::move(env)), m_maxLength(maxLength), m_zones(std::move(zones)) {
    if (!m_zones)
        m_zones = std::make_shared<program::ZoneinfoSource>();
}

std::vector<std::string> ProgramRunner::load(const std::string& json) {
    const Seconds now = wholeSeconds(m_env.now());
    program::Loaded loaded = program::loadProgram(json, *m_zones, now, m_vars);
    const program::Schedule& schedule = *loaded.schedule;
    for (const program::Change& change : schedule.changes(now, days(7), m_vars)) {
        const std::size_t length = cp1251Of(change.utf8).size();
        if (length > m_maxLength)
            throw program::ProgramError(
                formatMoment(change.when, schedule.zone()) + ", " +
                (change.entries.empty() ? std::string("the default text")
                                        : "entries \"" + schedule.names(change.entries) + "\"") +
                ": the text is " + std::to_string(length) +
                " characters; this sign takes at most " + std::to_string(m_maxLength));
    }
    std::vector<std::string> warnings = std::move(loaded.warnings);
    std::set<std::string> used;
    for (const program::Entry& entry : schedule.program().entries)
        used.insert(entry.vars.begin(), entry.vars.end());
    for (const std::string& name : program::scanFields(schedule.program().defaultText).vars)
        used.insert(name);
    for (const std::string& name : used)
        if (!m_vars.contains(name))
            warnings.push_back("{var:" + name + "} has never been set: \"?\" is shown until it is");

    m_schedule = std::move(loaded.schedule);
    m_source = json;
    m_shown.reset();
    m_next.reset();
    m_nextCheckedAt.reset();
    m_refused.clear();
    m_retry.reset();
    recompose();
    return warnings;
}

void ProgramRunner::clear() {
    ++*m_arming;
    m_schedule.reset();
    m_source.clear();
    m_shown.reset();
    m_next.reset();
    m_env.changed();
}

void ProgramRunner::setVar(const std::string& name, const std::optional<std::string>& value) {
    const auto it = m_vars.find(name);
    if (value ? it != m_vars.end() && it->second == *value : it == m_vars.end())
        return;
    if (value)
        m_vars[name] = *value;
    else
        m_vars.erase(it);
    recompose();
}

void ProgramRunner::uploadEnded(const std::string& sha256, bool failed) {
    if (sha256 == m_pending)
        m_pending.clear();
    if (!failed || !m_schedule)
        return;
    const Seconds now = wholeSeconds(m_env.now());
    m_retry = now + RetryAfter;
    arm(now);
}

void ProgramRunner::recompose(std::optional<Seconds> due) {
    if (!m_schedule)
        return;
    const auto wall = m_env.now();
    Seconds at = wholeSeconds(wall);
    // A timer a moment early still stands for its moment.
    if (due && *due > at && *due - wall < seconds(2))
        at = *due;
    const program::Composition c = m_schedule->compose(at, m_vars);

    const bool moved = !m_shown || *m_shown != c.entries;
    if (moved || (m_next && at >= m_next->when) ||
        (!m_next && (!m_nextCheckedAt || at - *m_nextCheckedAt >= days(1)))) {
        m_shown = c.entries;
        m_next = m_schedule->nextChange(at);
        m_nextCheckedAt = at;
        m_env.changed();
    }

    const std::span<const std::uint8_t> text(reinterpret_cast<const std::uint8_t*>(c.cp1251.data()),
                                             c.cp1251.size());
    std::optional<Bytes> frame;
    if (text.size() <= m_maxLength)
        frame = buildTextFrame(text);
    if (!frame) {
        if (const std::string sha = fleet::sha256Hex(text); m_refused != sha) {
            m_refused = sha;
            m_env.problem(formatMoment(at, m_schedule->zone()) + ": the text of " +
                          m_schedule->names(c.entries) + " is " + std::to_string(text.size()) +
                          " characters; this sign takes at most " + std::to_string(m_maxLength));
        }
    } else {
        // Digested as the state digests what went: the frame's own text.
        const std::string sha = fleet::sha256Hex(std::get<FrameContent>(readFrame(*frame)).payload);
        const std::string willShow = m_pending.empty() ? m_env.onSign() : m_pending;
        if (sha != willShow) {
            m_pending = sha;
            m_env.upload({std::move(*frame), sha, c.utf8, c.replaced, names(c.entries)});
        }
    }
    arm(at);
}

void ProgramRunner::arm(Seconds at) {
    std::optional<Seconds> next = m_schedule->nextRecompose(at);
    if (m_retry && *m_retry <= at)
        m_retry.reset();
    if (m_retry && (!next || *m_retry < *next))
        next = m_retry;
    const Seconds due = next ? *next : at + LongestWait;
    const auto wait = std::clamp(ceil<milliseconds>(due - m_env.now()), milliseconds(0),
                                 duration_cast<milliseconds>(LongestWait));
    const std::uint64_t mine = ++*m_arming;
    m_env.after(wait, [this, arming = std::weak_ptr(m_arming), mine, due] {
        const auto alive = arming.lock();
        if (alive && *alive == mine)
            recompose(due);
    });
}

std::vector<std::string> ProgramRunner::names(const std::vector<std::size_t>& entries) const {
    std::vector<std::string> out;
    for (const std::size_t i : entries)
        out.push_back(m_schedule->program().entries[i].name);
    return out;
}

ProgramRunner::Status ProgramRunner::status() const {
    Status s;
    if (!m_schedule)
        return s;
    s.zone = &m_schedule->zone();
    if (m_shown)
        s.entries = names(*m_shown);
    if (m_next) {
        s.next = m_next->when;
        s.nextEntries = names(m_next->entries);
    }
    return s;
}

} // namespace agent
