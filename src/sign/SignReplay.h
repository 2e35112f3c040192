#pragma once

// Where a sign is in its text some time after a text frame reached it. The sign runs the text
// over and over, and each pass is the same as the one before, so only the time into the
// current pass matters: hours after the upload cost no more than a minute after it.

#include "frames/Frames.h"
#include "sign/SignPlayer.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>

namespace sign {

// Brings `player` to where it is `ticks` ticks after setText(text). `passTicks` is one pass of
// this text on a player of this width when known from an earlier call, else 0. Returns one
// pass when the ticks have shown it, `passTicks` as given otherwise (0: not known yet).
std::int64_t playTo(SignPlayer& player, std::span<const std::uint8_t> text, std::int64_t ticks,
                    std::int64_t passTicks = 0);

enum class ReplayFont { LastSent, InMemory };

struct ReplayResult {
    // Empty when the frame read back as one text frame; the player is dark otherwise.
    std::string error;
    ReplayFont font = ReplayFont::InMemory;
    bool fontFrameRejected = false; // a font frame was given and did not read back as one
    std::int64_t passTicks = 0;     // as playTo() returns it
    bool ok() const { return error.empty(); }
};

// Reads the text frame back as the sign reads it and plays it on `player` to `elapsed` after
// it arrived, with symbols 32 to 255 of `fontFrame` when one is given and reads back, else
// with `memoryFont`.
ReplayResult replayFrame(SignPlayer& player, std::span<const std::uint8_t> frame,
                         std::span<const std::uint8_t> fontFrame,
                         std::span<const std::uint8_t, FontTableSize> memoryFont,
                         std::chrono::milliseconds elapsed, std::int64_t passTicks = 0);

} // namespace sign
