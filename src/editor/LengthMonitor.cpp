#include "editor/LengthMonitor.h"

namespace lengthmonitor {

std::int64_t limitFor(bool longLimit) {
    return longLimit ? LongLimit : ShortLimit;
}

Reading read(std::int64_t length, bool longLimit) {
    const std::int64_t limit = limitFor(longLimit);
    Reading reading;
    reading.withinLimit = length < limit;
    reading.shown = reading.withinLimit ? length : length - limit;
    const std::int64_t steps = length / CharactersPerSecond;
    reading.inMinutes = steps > MostStepsInSeconds;
    // The estimate drops from 63 seconds to 1 minute at this step; operators know it so.
    reading.time = reading.inMinutes ? steps / 60 : steps + ExtraSeconds;
    return reading;
}

} // namespace lengthmonitor
