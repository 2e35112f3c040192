#pragma once

#include "program/Program.h"

#include <chrono>
#include <cstddef>
#include <vector>

// A week of a program as a chart shows it: seven local days of 24 hours, who is on the sign
// when, and when the line is busy sending a change.
namespace program {

inline constexpr int WeekDays = 7;
inline constexpr int DaySeconds = 24 * 3600;

// Seconds [from, to) of local day `day` (0 the first), clock time as the sign's clock reads it.
struct WeekSpan {
    int day = 0;
    int from = 0, to = 0;
    std::vector<std::size_t> entries; // as Schedule::active gives them; none: the default
};

struct Week {
    std::chrono::local_days first;
    std::vector<WeekSpan> shown; // every moment of the week in one of them, in time order
    std::vector<WeekSpan> busy;  // the line sending a change; `entries` those it sends
};

// The week of local days from `first` in the schedule's zone. The text on the sign when the
// week begins counts as sent already.
Week weekOf(const Schedule& schedule, std::chrono::local_days first, const Vars& vars = {});

// The moment `second` of local day `day` of the week stands for.
Seconds weekMoment(const Schedule& schedule, std::chrono::local_days first, int day, int second);

} // namespace program
