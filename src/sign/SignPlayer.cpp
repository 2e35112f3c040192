#include "sign/SignPlayer.h"

#include <algorithm>
#include <cstring>

namespace sign {
namespace {

std::uint8_t fillPattern(int variant) {
    switch (variant) {
    case 2:
        return 0x00;
    case 3:
        return 0x80; // bottom row
    case 4:
        return 0x18; // the two middle rows
    case 5:
        return 0xAA; // every other row, down to the bottom one
    default:
        return 0xFF;
    }
}

} // namespace

std::vector<SignItem> parseSignText(std::span<const std::uint8_t> text,
                                    std::vector<std::size_t>* offsets) {
    std::vector<SignItem> items;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (offsets)
            offsets->push_back(i);
        if (text[i] != '/') {
            items.push_back({SignItem::Kind::Glyph, text[i], 0, 0});
            continue;
        }
        const CodeReading code = readCodeAt(text, i);
        items.push_back({SignItem::Kind::Effect, 0, code.letter, code.value});
        i += code.length - 1;
    }
    return items;
}

std::string effectCode(const SignItem& effect) {
    return {'/', effect.letter, static_cast<char>('0' + effect.value)};
}

SignPlayer::SignPlayer(int width)
    : m_width(std::max(width, MinWidth)), m_columns(static_cast<std::size_t>(m_width), 0) {}

void SignPlayer::setFont(std::span<const std::uint8_t, FontTableSize> font) {
    std::copy(font.begin(), font.end(), m_font.begin());
}

void SignPlayer::setSentSymbols(std::span<const std::uint8_t, FontPayloadSize> symbols) {
    std::copy(symbols.begin(), symbols.end(), m_font.begin() + FontFirstSentByte);
}

void SignPlayer::setText(std::span<const std::uint8_t> text) {
    m_offsets.clear();
    m_items = parseSignText(text, &m_offsets);
    std::fill(m_columns.begin(), m_columns.end(), 0);
    restart();
    m_passes = 0;
    if (m_items.empty())
        m_phase = Phase::Idle;
}

void SignPlayer::showStill(std::span<const std::uint8_t> text) {
    setText(text);
    std::vector<std::uint8_t> columns;
    for (const SignItem& item : m_items)
        if (item.kind == SignItem::Kind::Glyph)
            columns.insert(columns.end(), m_font.begin() + item.code * 8u,
                           m_font.begin() + item.code * 8u + 8);
    m_width = std::max(static_cast<int>(columns.size()), m_width);
    columns.resize(static_cast<std::size_t>(m_width), 0);
    m_columns = std::move(columns);
    m_phase = Phase::Idle;
}

int SignPlayer::columnMs(int speed) {
    static constexpr int Ms[MaxSpeed + 1] = {160, 120, 90, 70, 50, 35, 25, 15};
    return Ms[std::clamp(speed, 0, MaxSpeed)];
}

std::uint8_t SignPlayer::shownColumn(int x) const {
    const std::uint8_t column = m_columns[static_cast<std::size_t>(x)];
    return m_inverted ? static_cast<std::uint8_t>(~column) : column;
}

std::optional<std::size_t> SignPlayer::runningAt() const {
    if (m_phase == Phase::Idle || m_phase == Phase::Tail || m_next == 0)
        return std::nullopt;
    return m_offsets[m_next - 1];
}

bool SignPlayer::tick() {
    if (m_phase == Phase::Idle)
        return false;
    if (--m_countdown > 0)
        return false;
    const auto before = m_columns;
    const bool wasInverted = m_inverted;
    step();
    return before != m_columns || wasInverted != m_inverted;
}

void SignPlayer::step() {
    switch (m_phase) {
    case Phase::Idle:
        return;
    case Phase::Scroll:
    case Phase::Pause:
        run();
        return;
    case Phase::ShiftUp:
    case Phase::ShiftDown:
        if (m_stepsLeft == 0) {
            run();
            return;
        }
        for (auto& c : m_columns) {
            c = m_phase == Phase::ShiftUp
                    ? static_cast<std::uint8_t>((c >> 1) | (m_shiftFill ? 0x80 : 0))
                    : static_cast<std::uint8_t>((c << 1) | (m_shiftFill ? 0x01 : 0));
        }
        --m_stepsLeft;
        setCountdownMs(columnMs(m_speed));
        return;
    case Phase::Apart: {
        if (m_stepsLeft == 0) {
            run();
            return;
        }
        const std::size_t half = m_columns.size() / 2;
        std::copy(m_columns.begin() + 1, m_columns.begin() + half, m_columns.begin());
        m_columns[half - 1] = 0;
        std::copy_backward(m_columns.begin() + half, m_columns.end() - 1, m_columns.end());
        m_columns[half] = 0;
        --m_stepsLeft;
        setCountdownMs(columnMs(m_speed));
        return;
    }
    case Phase::Tail:
        if (m_stepsLeft == 0) {
            restart();
            ++m_passes;
            run();
            return;
        }
        feed(0);
        --m_stepsLeft;
        setCountdownMs(columnMs(m_speed));
        return;
    }
}

void SignPlayer::run() {
    m_phase = Phase::Scroll;
    for (;;) {
        if (m_glyphColumn < 8) {
            feed(m_font[m_glyph * 8u + static_cast<unsigned>(m_glyphColumn++)]);
            setCountdownMs(columnMs(m_speed));
            return;
        }
        if (m_next >= m_items.size()) {
            // The text leaves the display before it starts again.
            m_phase = Phase::Tail;
            m_stepsLeft = m_width;
            step();
            return;
        }
        const SignItem& item = m_items[m_next++];
        if (item.kind == SignItem::Kind::Glyph) {
            m_glyph = item.code;
            m_glyphColumn = 0;
        } else if (apply(item)) {
            return;
        }
    }
}

bool SignPlayer::apply(const SignItem& effect) {
    m_lastEffect = effect;
    switch (effect.letter) {
    case 'S':
        m_speed = std::min(effect.value, MaxSpeed);
        return false;
    case 'I':
        m_inverted = true;
        return false;
    case 'N':
        m_inverted = false;
        return false;
    case 'Q':
        fill(0);
        [[fallthrough]];
    case 'W':
        if (effect.value == 0)
            return false;
        m_phase = Phase::Pause;
        setCountdownMs(effect.value * 1000);
        return true;
    case 'F':
        fill(fillPattern(effect.value));
        m_phase = Phase::Pause;
        setCountdownMs(FillHoldMs);
        return true;
    case 'U':
    case 'D':
        m_phase = effect.letter == 'U' ? Phase::ShiftUp : Phase::ShiftDown;
        m_shiftFill = effect.value != 2;
        m_stepsLeft = Rows;
        setCountdownMs(columnMs(m_speed));
        return true;
    case 'J':
        m_phase = Phase::Apart;
        m_stepsLeft = (m_width + 1) / 2;
        setCountdownMs(columnMs(m_speed));
        return true;
    default:
        return false;
    }
}

void SignPlayer::restart() {
    m_next = 0;
    m_glyphColumn = 8;
    m_speed = StartSpeed;
    m_inverted = false;
    m_lastEffect.reset();
    m_phase = Phase::Scroll;
    m_countdown = 1;
}

void SignPlayer::feed(std::uint8_t column) {
    std::copy(m_columns.begin() + 1, m_columns.end(), m_columns.begin());
    m_columns.back() = column;
}

void SignPlayer::fill(std::uint8_t column) {
    std::fill(m_columns.begin(), m_columns.end(), column);
}

void SignPlayer::setCountdownMs(int ms) {
    m_countdown = std::max(1, ms / TickMs);
}

} // namespace sign
