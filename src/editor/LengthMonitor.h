#pragma once

#include <cstdint>

// The length monitor's arithmetic: how long the message is as the sign receives it, whether it
// fits the chosen maximum and how long the upload takes.
namespace lengthmonitor {

// The two maxima the options menu offers (its captions name other numbers on purpose).
inline constexpr std::int64_t ShortLimit = 6000;
inline constexpr std::int64_t LongLimit = 60002;

// Upload estimate: 120 characters a second, plus 2 seconds; longer than 61 whole
// 120-character steps it is told in minutes.
inline constexpr std::int64_t CharactersPerSecond = 120;
inline constexpr std::int64_t ExtraSeconds = 2;
inline constexpr std::int64_t MostStepsInSeconds = 61;

// The text length the sign gets: `characters` counts every line break once, the file and the
// frame carry it as CR LF.
constexpr std::int64_t textLength(std::int64_t characters, std::int64_t lineBreaks) {
    return characters + lineBreaks;
}

struct Reading {
    bool withinLimit = true; // shorter than the maximum: the upload button is enabled
    std::int64_t shown = 0;  // the length, or by how much it reaches over the maximum
    bool inMinutes = false;  // `time` is whole minutes rather than seconds
    std::int64_t time = 0;
};

std::int64_t limitFor(bool longLimit);
Reading read(std::int64_t length, bool longLimit);

} // namespace lengthmonitor
