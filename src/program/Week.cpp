#include "program/Week.h"

#include <algorithm>

namespace program {
namespace {

using namespace std::chrono;

// [from, to) of local time cut at the local midnights of the week.
void addSpans(std::vector<WeekSpan>& out, local_days first, LocalSeconds from, LocalSeconds to,
              const std::vector<std::size_t>& entries) {
    for (int day = 0; day < WeekDays; ++day) {
        const LocalSeconds start = first + days(day);
        const LocalSeconds a = std::max(from, start), b = std::min(to, start + days(1));
        if (a < b)
            out.push_back({day, static_cast<int>((a - start).count()),
                           static_cast<int>((b - start).count()), entries});
    }
}

} // namespace

Week weekOf(const Schedule& schedule, local_days first, const Vars& vars) {
    const TimeZone& zone = schedule.zone();
    const Seconds start = zone.toUtc(first), end = zone.toUtc(first + days(WeekDays));
    Week week{first, {}, {}};
    std::vector<std::size_t> on = schedule.active(start);
    for (Seconds t = start; t < end;) {
        const auto next = schedule.nextChange(t, end - t);
        const Seconds until = next && next->when < end ? next->when : end;
        addSpans(week.shown, first, zone.toLocal(t), zone.toLocal(until), on);
        if (until == end)
            break;
        t = until;
        on = next->entries;
    }
    const auto changes = schedule.changes(start, end - start, vars);
    for (std::size_t i = 1; i < changes.size(); ++i) {
        const Change& c = changes[i];
        const LocalSeconds from = zone.toLocal(c.when);
        addSpans(week.busy, first, from, from + std::max(seconds(1), ceil<seconds>(c.lineTime)),
                 c.entries);
    }
    return week;
}

Seconds weekMoment(const Schedule& schedule, local_days first, int day, int second) {
    return schedule.zone().toUtc(first + days(day) + seconds(second));
}

} // namespace program
