#include "LinePacer.h"

#include "frames/LineTime.h"

namespace sign {

std::size_t LinePacer::bytesIn(Clock::duration elapsed) {
    return lineBytes(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed));
}

void LinePacer::start(Clock::time_point now) {
    m_start = now;
    m_taken = 0;
}

std::size_t LinePacer::allowance(Clock::time_point now) const {
    if (!m_start)
        return 0;
    const std::size_t carried = bytesIn(now - *m_start);
    return carried > m_taken ? carried - m_taken : 0;
}

void LinePacer::stop() {
    m_start.reset();
    m_taken = 0;
}

} // namespace sign
