#include "frames/Frames.h"

#include <algorithm>
#include <cstring>

namespace {

std::uint8_t* writePreamble(std::uint8_t* out, std::uint8_t type) {
    std::memset(out, PreambleByte, FramePreamble);
    out += FramePreamble;
    *out++ = type;
    return out;
}

std::uint8_t* writeTerminator(std::uint8_t* out) {
    *out++ = EscapeByte;
    *out++ = TerminatorMark;
    *out++ = PreambleByte;
    return out;
}

} // namespace

TxFrame::TxFrame() : m_buffer(new std::uint8_t[TxBufferSize]()) {}

std::size_t textFrameSize(std::span<const std::uint8_t> text) {
    const auto escapes = static_cast<std::size_t>(std::count(text.begin(), text.end(), 0xFF));
    return TextEnvelope + text.size() + escapes;
}

bool TxFrame::BuildTextFrame(std::span<const std::uint8_t> text) {
    if (textFrameSize(text) > TxBufferSize)
        return false;
    std::uint8_t* out = writePreamble(m_buffer.get(), TextFrameType);
    for (const std::uint8_t c : text) {
        if (c == 0xFF) {
            *out++ = EscapeByte;
            *out++ = EscapedFF;
        } else {
            *out++ = c < 0x20 ? std::uint8_t{0x20} : c;
        }
    }
    out = std::fill_n(out, EndOfTextCount, EndOfText);
    out = writeTerminator(out);
    m_count = static_cast<std::uint32_t>(out - m_buffer.get());
    return true;
}

void TxFrame::BuildFontFrame(std::span<const std::uint8_t, FontTableSize> font) {
    std::uint8_t* out = writePreamble(m_buffer.get(), FontFrameType);
    for (const std::uint8_t c : font.subspan<FontFirstSentByte>()) {
        *out++ = c;
        if (c == 0xFF)
            *out++ = EscapedFF;
    }
    out = writeTerminator(out);
    m_count = static_cast<std::uint32_t>(out - m_buffer.get());
}
