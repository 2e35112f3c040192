#pragma once

// What the simulated sign does with the last text and font it received, kept free of any
// window so it can be driven tick by tick.
//
// The text runs from right to left, eight columns per character, and starts over once it has
// left the display, at the starting speed and without inversion. An effect code (read as
// sign/Effects.h reads it) takes effect when the text reaching the right edge gets to it.
// Speeds run from 0 slowest to 7 fastest, see columnMs(); a fill holds one second; shifts and
// moving apart step at the current speed.

#include "frames/Frames.h"
#include "sign/Effects.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sign {

struct SignItem {
    enum class Kind { Glyph, Effect };
    Kind kind = Kind::Glyph;
    std::uint8_t code = 0; // glyph: the character
    char letter = 0;       // effect: its letter
    int value = 0;         // effect: its digit
    bool operator==(const SignItem&) const = default;
};

// The text as characters to show and effect codes to carry out; `offsets`, when given, gets
// where each item starts in the text.
std::vector<SignItem> parseSignText(std::span<const std::uint8_t> text,
                                    std::vector<std::size_t>* offsets = nullptr);

// An effect as the operator writes it, e.g. "/S5".
std::string effectCode(const SignItem& effect);

class SignPlayer {
public:
    static constexpr int Rows = 8;
    static constexpr int TickMs = 10;
    static constexpr int DefaultWidth = 96;
    static constexpr int MinWidth = 64;
    static constexpr int StartSpeed = 4;
    static constexpr int MaxSpeed = 7;
    static constexpr int FillHoldMs = 1000;

    enum class Phase { Idle, Scroll, Pause, ShiftUp, ShiftDown, Apart, Tail };

    explicit SignPlayer(int width = DefaultWidth);

    // Symbol n at bytes 8n..8n+7, column 0 first, bit 0 the top row.
    void setFont(std::span<const std::uint8_t, FontTableSize> font);
    // What a font frame carries: the 1792 bytes of symbols 32..255; symbols 0..31 stay.
    void setSentSymbols(std::span<const std::uint8_t, FontPayloadSize> symbols);
    const std::array<std::uint8_t, FontTableSize>& font() const { return m_font; }

    // Starts the text from its beginning on a dark display.
    void setText(std::span<const std::uint8_t> text);
    const std::vector<SignItem>& items() const { return m_items; }

    // Shows the whole text at once from the left edge, as it stands once all of it has run in,
    // without its effect codes, and stands still. A text wider than the display widens it.
    void showStill(std::span<const std::uint8_t> text);

    // Advances time by TickMs; true when what the display shows has changed.
    bool tick();

    // Milliseconds per column at a speed.
    static int columnMs(int speed);

    int width() const { return m_width; }
    // The dots as stored, one byte per column, bit 0 the top row.
    const std::vector<std::uint8_t>& columns() const { return m_columns; }
    // A column as it is shown, inversion applied.
    std::uint8_t shownColumn(int x) const;
    bool lit(int x, int row) const { return (shownColumn(x) >> row) & 1; }
    bool inverted() const { return m_inverted; }
    int speed() const { return m_speed; }
    Phase phase() const { return m_phase; }
    // The effect carried out last in this pass of the text; none before the first one.
    const std::optional<SignItem>& lastEffect() const { return m_lastEffect; }
    // Where in the text the character or code now running starts; none while the display
    // is dark between passes.
    std::optional<std::size_t> runningAt() const;
    // How often the text has started over since setText().
    std::uint64_t passes() const { return m_passes; }

private:
    void step();
    void run();
    // Carries out an effect; true when it takes time (a new phase has started).
    bool apply(const SignItem& effect);
    void restart();
    void feed(std::uint8_t column);
    void fill(std::uint8_t column);
    void setCountdownMs(int ms);

    int m_width;
    std::array<std::uint8_t, FontTableSize> m_font{};
    std::vector<SignItem> m_items;
    std::vector<std::size_t> m_offsets; // of each item in the text
    std::vector<std::uint8_t> m_columns;

    Phase m_phase = Phase::Idle;
    std::size_t m_next = 0; // next item to take
    std::uint8_t m_glyph = 0;
    int m_glyphColumn = 8; // next column of m_glyph to feed; 8 when done
    int m_stepsLeft = 0;
    bool m_shiftFill = false;
    int m_countdown = 0; // ticks until the next step
    int m_speed = StartSpeed;
    bool m_inverted = false;
    std::optional<SignItem> m_lastEffect;
    std::uint64_t m_passes = 0;
};

} // namespace sign
