#pragma once

// Lets the bytes of the line through no faster than a 1200-baud line with a start bit, eight
// data bits and two stop bits carries them (11 bit times, about 9.17 ms a byte). A pseudo-
// terminal hands over a whole frame at once; paced, the simulated sign takes it in as long as
// the real sign would, so an uploader beside it shows true times.

#include <chrono>
#include <cstddef>
#include <optional>

namespace sign {

class LinePacer {
public:
    using Clock = std::chrono::steady_clock;

    // Bytes the line carries in `elapsed`, rounded down (the uploader's own line arithmetic).
    static std::size_t bytesIn(Clock::duration elapsed);

    // Bytes have arrived on an idle line at `now`: the first of them is due one byte time later.
    void start(Clock::time_point now);
    bool running() const { return m_start.has_value(); }

    // Bytes the line has delivered by `now` that have not been taken yet; 0 while idle.
    std::size_t allowance(Clock::time_point now) const;
    void take(std::size_t bytes) { m_taken += bytes; }

    // The line has run dry: the next bytes start afresh.
    void stop();

private:
    std::optional<Clock::time_point> m_start;
    std::size_t m_taken = 0;
};

} // namespace sign
