#include "program/Fields.h"
#include "program/Program.h"

#include "editor/MessageEncoding.h"
#include "editor/MessageFile.h"
#include "frames/Frames.h"
#include "frames/LineTime.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace program {
namespace {

using namespace std::chrono;

seconds tickPeriod(Tick tick) {
    switch (tick) {
    case Tick::Second:
        return seconds(1);
    case Tick::Minute:
        return minutes(1);
    case Tick::Hour:
        return hours(1);
    case Tick::Day:
        return days(1);
    case Tick::Never:
        break;
    }
    return seconds(0);
}

const char* tickWords(Tick tick) {
    switch (tick) {
    case Tick::Second:
        return "every second";
    case Tick::Minute:
        return "every minute";
    case Tick::Hour:
        return "every hour";
    default:
        return "every day";
    }
}

std::string seconds1(milliseconds ms) {
    char out[32];
    std::snprintf(out, sizeof out, "%.1f s", static_cast<double>(ms.count()) / 1000.0);
    return out;
}

std::string percent(double share) {
    char out[16];
    std::snprintf(out, sizeof out, "%.0f%%", share * 100.0);
    return out;
}

int weekdayIndex(sys_days day) {
    return static_cast<int>((weekday(day).c_encoding() + 6) % 7);
}

} // namespace

Schedule::Schedule(Program program, std::shared_ptr<const TimeZone> zone)
    : m_program(std::move(program)), m_zone(std::move(zone)) {}

bool Schedule::holds(const Entry& entry, Seconds at) const {
    if (entry.until && at >= *entry.until)
        return false;
    const LocalSeconds local = m_zone->toLocal(at);
    const auto localDay = floor<days>(local);
    const int minute = static_cast<int>(duration_cast<minutes>(local - localDay).count());
    const auto dayHolds = [&](local_days day) {
        const sys_days date(day.time_since_epoch());
        if (entry.days && !(*entry.days)[static_cast<std::size_t>(weekdayIndex(date))])
            return false;
        if (entry.dates.empty())
            return true;
        return std::any_of(entry.dates.begin(), entry.dates.end(),
                           [&](const DateRange& r) { return date >= r.first && date <= r.last; });
    };
    if (!entry.crossesMidnight())
        return minute >= entry.from && minute < entry.to && dayHolds(localDay);
    // The hours after midnight belong to the day the window opened.
    return (minute >= entry.from && dayHolds(localDay)) ||
           (minute < entry.to && dayHolds(localDay - days(1)));
}

std::vector<std::size_t> Schedule::active(Seconds at) const {
    std::vector<std::size_t> on;
    int top = 0;
    for (std::size_t i = 0; i < m_program.entries.size(); ++i) {
        const Entry& entry = m_program.entries[i];
        if (!holds(entry, at))
            continue;
        if (on.empty() || entry.priority > top) {
            on.clear();
            top = entry.priority;
        }
        if (entry.priority == top)
            on.push_back(i);
    }
    return on;
}

Composition Schedule::compose(Seconds at, const Vars& vars) const {
    Composition c;
    c.entries = active(at);
    const LocalSeconds local = m_zone->toLocal(at);
    std::vector<std::string> unset;
    if (c.entries.empty()) {
        c.utf8 = fillFields(m_program.defaultText, local, vars, unset);
    } else {
        for (std::size_t i = 0; i < c.entries.size(); ++i) {
            if (i > 0)
                c.utf8 += m_program.clear;
            c.utf8 += fillFields(m_program.entries[c.entries[i]].text, local, vars, unset);
        }
    }
    std::set<std::string> warned;
    for (const std::string& name : unset)
        if (warned.insert(name).second)
            c.warnings.push_back("{var:" + name + "} has never been set: \"?\" is shown");
    const DecodedMessage decoded = decodeMessage(c.utf8, MessageEncoding::Utf8);
    c.cp1251 = messagefile::withCrLfBreaks(decoded.cp1251);
    c.replaced = decoded.replaced;
    return c;
}

Seconds Schedule::nextTick(Tick tick, Seconds at) const {
    const seconds period = tickPeriod(tick);
    if (tick == Tick::Second)
        return at + period;
    const LocalSeconds local = m_zone->toLocal(at);
    const LocalSeconds next =
        floor<seconds>(LocalSeconds((local.time_since_epoch() / period) * period)) + period;
    const Seconds utc = m_zone->toUtc(next);
    return utc > at ? utc : at + period;
}

std::optional<Seconds> Schedule::nextRecompose(Seconds at) const {
    std::optional<Seconds> next;
    const auto offer = [&](Seconds t) {
        if (t > at && (!next || t < *next))
            next = t;
    };
    std::set<int> boundaries = {0};
    for (const Entry& entry : m_program.entries) {
        boundaries.insert(entry.from);
        boundaries.insert(entry.to % DayMinutes);
        if (entry.until)
            offer(*entry.until);
    }
    const auto today = floor<days>(m_zone->toLocal(at));
    for (int d = -1; d <= 2; ++d)
        for (const int minute : boundaries)
            offer(m_zone->toUtc(today + days(d) + minutes(minute)));
    const std::vector<std::size_t> on = active(at);
    Tick tick = on.empty() ? m_program.defaultTick : Tick::Never;
    for (const std::size_t i : on)
        tick = std::max(tick, m_program.entries[i].tick);
    if (tick != Tick::Never)
        offer(nextTick(tick, at));
    return next;
}

std::optional<ChangeTime> Schedule::nextChange(Seconds at, seconds horizon) const {
    const std::vector<std::size_t> now = active(at);
    const Seconds end = at + horizon;
    for (Seconds t = at;;) {
        // Field ticks change no set, but stepping over them costs little.
        const std::optional<Seconds> next = nextRecompose(t);
        if (!next || *next > end)
            return std::nullopt;
        std::vector<std::size_t> then = active(*next);
        if (then != now)
            return ChangeTime{*next, std::move(then)};
        t = *next;
    }
}

std::vector<Change> Schedule::changes(Seconds from, seconds span, const Vars& vars) const {
    std::vector<Change> out;
    std::string shown;
    const auto add = [&](Seconds at, Composition c) {
        const auto bytes =
            std::span(reinterpret_cast<const std::uint8_t*>(c.cp1251.data()), c.cp1251.size());
        Change change{at, std::move(c.entries), textFrameSize(bytes), {}, std::move(c.utf8)};
        change.lineTime = lineTime(change.frameBytes);
        out.push_back(std::move(change));
    };
    Composition first = compose(from, vars);
    shown = first.cp1251;
    add(from, std::move(first));
    for (Seconds t = from;;) {
        const std::optional<Seconds> next = nextRecompose(t);
        if (!next || *next > from + span)
            break;
        t = *next;
        Composition c = compose(t, vars);
        if (c.cp1251 == shown)
            continue;
        shown = c.cp1251;
        add(t, std::move(c));
    }
    return out;
}

std::string Schedule::names(const std::vector<std::size_t>& entries) const {
    if (entries.empty())
        return "default";
    std::string out;
    for (const std::size_t i : entries) {
        if (!out.empty())
            out += ", ";
        out += m_program.entries[i].name;
    }
    return out;
}

Loaded loadProgram(std::string_view json, const ZoneSource& zones, Seconds now, const Vars& vars) {
    Program program = parseProgram(json);
    std::shared_ptr<const TimeZone> zone;
    try {
        zone = zones.zone(program.timezone);
    } catch (const ZoneError& error) {
        throw ProgramError(std::string("the program: \"timezone\": ") + error.what());
    }
    Loaded loaded;
    auto schedule = std::make_shared<Schedule>(std::move(program), zone);
    const Program& p = schedule->program();

    // Each text as it is shown, alone or rotating with others, held to the budget. The sets
    // are those the coming week shows; each entry counts alone as well, whenever it comes.
    std::set<std::vector<std::size_t>> sets;
    for (std::size_t i = 0; i < p.entries.size(); ++i)
        sets.insert({i});
    sets.insert({});
    for (const Change& change : schedule->changes(now, days(7), vars))
        sets.insert(change.entries);
    const LocalSeconds local = zone->toLocal(now);
    for (const auto& set : sets) {
        Tick tick = set.empty() ? p.defaultTick : Tick::Never;
        std::string utf8;
        std::vector<std::string> unset;
        for (std::size_t k = 0; k < set.size(); ++k) {
            tick = std::max(tick, p.entries[set[k]].tick);
            utf8 += (k ? p.clear : "") + fillFields(p.entries[set[k]].text, local, vars, unset);
        }
        if (set.empty())
            utf8 = fillFields(p.defaultText, local, vars, unset);
        if (tick == Tick::Never || tick == Tick::Day)
            continue;
        const std::string cp1251 =
            messagefile::withCrLfBreaks(decodeMessage(utf8, MessageEncoding::Utf8).cp1251);
        const auto line = lineTime(textFrameSize(
            std::span(reinterpret_cast<const std::uint8_t*>(cp1251.data()), cp1251.size())));
        const double share =
            static_cast<double>(line.count()) /
            static_cast<double>(duration_cast<milliseconds>(tickPeriod(tick)).count());
        const std::string who = set.empty() ? std::string("the default text")
                                : set.size() == 1
                                    ? "entry \"" + p.entries[set[0]].name + "\""
                                    : "entries \"" + schedule->names(set) + "\" together";
        if (share > LineBudget)
            throw ProgramError(who + ": the text takes " + seconds1(line) +
                               " on the line and its fields change it " + tickWords(tick) +
                               ", so the line would be busy " + percent(share) +
                               " of the time (at most " + percent(LineBudget) + ")");
        if (tick >= Tick::Minute && share > MinuteWarning)
            loaded.warnings.push_back(who + ": a field of minutes in a text of " + seconds1(line) +
                                      " on the line keeps it busy " + percent(share) +
                                      " of the time");
    }
    loaded.schedule = std::move(schedule);
    return loaded;
}

Seconds parseMoment(std::string_view text, const TimeZone* zone) {
    const auto bad = [&] {
        return ProgramError("\"" + std::string(text) +
                            "\" is not a moment (2026-12-09T08:30, 2026-12-09T08:30:00+03:00)");
    };
    const std::string s(text);
    int y = 0;
    unsigned mo = 0, d = 0, h = 0, mi = 0, sec = 0;
    int used = 0;
    if (std::sscanf(s.c_str(), "%4d-%2u-%2u%*1[T ]%2u:%2u%n", &y, &mo, &d, &h, &mi, &used) != 5 ||
        used != 16)
        throw bad();
    std::string_view rest = text.substr(16);
    if (rest.size() >= 3 && rest[0] == ':') {
        if (!std::isdigit((unsigned char)rest[1]) || !std::isdigit((unsigned char)rest[2]))
            throw bad();
        sec = static_cast<unsigned>((rest[1] - '0') * 10 + (rest[2] - '0'));
        rest.remove_prefix(3);
    }
    const year_month_day ymd{year(y), month(mo), day(d)};
    if (!ymd.ok() || h > 23 || mi > 59 || sec > 59)
        throw bad();
    const LocalSeconds local = local_days(ymd) + hours(h) + minutes(mi) + seconds(sec);
    if (rest.empty()) {
        if (!zone)
            throw bad();
        return zone->toUtc(local);
    }
    std::string offset(rest);
    if (offset.size() == 5 && offset[3] != ':')
        offset.insert(3, ":");
    const auto fixed = fixedZone(offset);
    if (!fixed)
        throw bad();
    return fixed->toUtc(local);
}

std::string formatMoment(Seconds at, const TimeZone& zone) {
    const seconds offset = zone.offsetAt(at);
    const LocalSeconds local = at.time_since_epoch() + offset + LocalSeconds();
    const auto day = floor<days>(local);
    const year_month_day ymd{day};
    const hh_mm_ss<seconds> time{local - day};
    const long off = static_cast<long>(offset.count() < 0 ? -offset.count() : offset.count());
    char out[96];
    std::snprintf(out, sizeof out, "%04d-%02u-%02uT%02ld:%02ld:%02ld%c%02ld:%02ld",
                  static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                  static_cast<unsigned>(ymd.day()), static_cast<long>(time.hours().count()),
                  static_cast<long>(time.minutes().count()),
                  static_cast<long>(time.seconds().count()), offset.count() < 0 ? '-' : '+',
                  off / 3600, off % 3600 / 60);
    return out;
}

} // namespace program
