#pragma once

#include "program/TimeZone.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A program: the texts a sign shows by itself, chosen by days, dates and hours, with
// priorities, expiry and fields filled in as they are sent.
namespace program {

// Why a program was not taken, naming the entry and the field.
class ProgramError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::string_view DefaultClear = "/Q1";
inline constexpr int DayMinutes = 24 * 60;

// How often a text's fields can change.
enum class Tick { Never, Day, Hour, Minute, Second };

struct DateRange {
    std::chrono::sys_days first, last; // both included, in the program's zone
};

struct Entry {
    std::string name;
    std::string text;                        // UTF-8, fields as written
    std::optional<std::array<bool, 7>> days; // Monday first; none: every day
    std::vector<DateRange> dates;            // none: every date
    int from = 0, to = DayMinutes;           // minutes of the day; from > to crosses midnight
    int priority = 0;
    std::optional<Seconds> until;
    Tick tick = Tick::Never; // of the fields of `text`
    std::vector<std::string> vars;

    bool crossesMidnight() const { return to < from; }
};

struct Program {
    std::string timezone; // empty: the machine's own
    std::string defaultText;
    std::string clear = std::string(DefaultClear);
    std::vector<Entry> entries;
    Tick defaultTick = Tick::Never;
};

// Reads a program (UTF-8 JSON). Throws ProgramError.
Program parseProgram(std::string_view json);

// Values of {var:name}, as last published.
using Vars = std::map<std::string, std::string>;

// The text on the sign at a moment.
struct Composition {
    std::vector<std::size_t> entries; // indices into the program; none: the default
    std::string utf8;
    std::string cp1251;       // as the frame carries it, line breaks CR LF
    std::size_t replaced = 0; // characters Windows-1251 has no place for, now "?"
    std::vector<std::string> warnings;
};

struct ChangeTime {
    Seconds when;
    std::vector<std::size_t> entries;
};

// One change of the bytes on the sign.
struct Change {
    Seconds when;
    std::vector<std::size_t> entries;
    std::size_t frameBytes = 0;
    std::chrono::milliseconds lineTime{0};
    std::string utf8;
};

// A program in its time zone.
class Schedule {
public:
    Schedule(Program program, std::shared_ptr<const TimeZone> zone);

    const Program& program() const { return m_program; }
    const TimeZone& zone() const { return *m_zone; }

    // The entries that count at `at`: the active ones of the highest active priority, in
    // program order. None: the default holds.
    std::vector<std::size_t> active(Seconds at) const;
    Composition compose(Seconds at, const Vars& vars) const;
    // When the set of active entries next changes after `at`, within `horizon`.
    std::optional<ChangeTime> nextChange(Seconds at,
                                         std::chrono::seconds horizon = std::chrono::days(8)) const;
    // The next moment after `at` the text can change: a change of the set or a tick of a field
    // of the texts shown.
    std::optional<Seconds> nextRecompose(Seconds at) const;
    // The changes of the bytes on the sign in (from, from + span], with the one at `from`
    // first.
    std::vector<Change> changes(Seconds from, std::chrono::seconds span, const Vars& vars) const;
    // Names of entries, "default" for none.
    std::string names(const std::vector<std::size_t>& entries) const;

private:
    bool holds(const Entry& entry, Seconds at) const;
    Seconds nextTick(Tick tick, Seconds at) const;

    Program m_program;
    std::shared_ptr<const TimeZone> m_zone;
};

// The line's share a program may take: busier than this it is refused.
inline constexpr double LineBudget = 0.5;
// A text that changes every minute and takes more than this share gets a warning.
inline constexpr double MinuteWarning = 0.1;

struct Loaded {
    std::shared_ptr<const Schedule> schedule;
    std::vector<std::string> warnings;
};

// Reads a program, finds its zone and holds it to the line budget over the week from `now`.
// Throws ProgramError.
Loaded loadProgram(std::string_view json, const ZoneSource& zones, Seconds now,
                   const Vars& vars = {});

// "2026-12-09T08:30", seconds optional, then an offset ("+03:00", "Z"), or none for the local
// time of `zone`; with no zone the offset is required. Throws ProgramError.
Seconds parseMoment(std::string_view text, const TimeZone* zone);
// "2026-12-09T08:30:00+03:00", in the zone.
std::string formatMoment(Seconds at, const TimeZone& zone);

} // namespace program
