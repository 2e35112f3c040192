#include "sign/SignReplay.h"

#include "frames/FrameDecoder.h"

#include <algorithm>

namespace sign {
namespace {

void tickFor(SignPlayer& player, std::int64_t ticks) {
    for (std::int64_t i = 0; i < ticks; ++i)
        player.tick();
}

} // namespace

// The first tick after setText() and the tick that starts the text over leave the player in
// the same state (a dark display, the text's first column fed), so from tick 1 on the player
// repeats itself every pass.
std::int64_t playTo(SignPlayer& player, std::span<const std::uint8_t> text, std::int64_t ticks,
                    std::int64_t passTicks) {
    player.setText(text);
    ticks = std::max<std::int64_t>(ticks, 0);
    if (player.phase() == SignPlayer::Phase::Idle || ticks == 0)
        return passTicks;
    if (passTicks > 0) {
        tickFor(player, 1 + (ticks - 1) % passTicks);
        return passTicks;
    }
    std::int64_t done = 0;
    while (done < ticks && player.passes() == 0) {
        player.tick();
        ++done;
    }
    if (player.passes() == 0)
        return 0;
    passTicks = done - 1;
    tickFor(player, (ticks - 1) % passTicks);
    return passTicks;
}

ReplayResult replayFrame(SignPlayer& player, std::span<const std::uint8_t> frame,
                         std::span<const std::uint8_t> fontFrame,
                         std::span<const std::uint8_t, FontTableSize> memoryFont,
                         std::chrono::milliseconds elapsed, std::int64_t passTicks) {
    ReplayResult result;
    player.setFont(memoryFont);
    if (!fontFrame.empty()) {
        const auto fonts = decodeFrames(fontFrame);
        if (fonts.size() == 1 && fonts[0].kind == DecodedFrame::Kind::Font) {
            player.setSentSymbols(std::span<const std::uint8_t, FontPayloadSize>(
                fonts[0].payload.data(), FontPayloadSize));
            result.font = ReplayFont::LastSent;
        } else {
            result.fontFrameRejected = true;
        }
    }
    const auto texts = decodeFrames(frame);
    if (texts.size() != 1 || texts[0].kind != DecodedFrame::Kind::Text) {
        result.error = texts.empty()                               ? "no frame"
                       : texts.size() > 1                          ? "more than one frame"
                       : texts[0].kind == DecodedFrame::Kind::Font ? "a font frame, not a text"
                                                                   : texts[0].error;
        player.setText({});
        return result;
    }
    result.passTicks =
        playTo(player, texts[0].payload, elapsed.count() / SignPlayer::TickMs, passTicks);
    return result;
}

} // namespace sign
