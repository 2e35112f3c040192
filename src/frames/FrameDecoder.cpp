#include "frames/FrameDecoder.h"

#include "frames/Frames.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string hexByte(std::uint8_t byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(byte));
    return text;
}

// Bytes after the type byte of the largest frame each builder makes.
constexpr std::size_t TextBodyLimit = MaxTextPayload + EndOfTextCount + TerminatorSize;
constexpr std::size_t FontBodyLimit = 2 * FontPayloadSize + TerminatorSize;

} // namespace

std::vector<DecodedFrame> FrameDecoder::feed(std::span<const std::uint8_t> bytes) {
    std::vector<DecodedFrame> out;
    for (const std::uint8_t byte : bytes)
        step(byte, out);
    return out;
}

std::vector<DecodedFrame> FrameDecoder::finish() {
    std::vector<DecodedFrame> out;
    if (m_state != State::Hunting) {
        failFrame("stream ended inside the frame (truncated)", out);
    } else if (m_skipped + m_run > 0) {
        DecodedFrame stray;
        stray.byteCount = m_skipped + m_run;
        stray.skipped = m_skipped;
        stray.preambleLength = m_run;
        stray.shortPreamble = m_run > 0 && m_run < FramePreamble;
        stray.error = m_run > 0 ? "stream ended after " + std::to_string(m_run) +
                                      " bytes 0xFF with no frame type"
                                : std::to_string(m_skipped) + " stray bytes outside any frame";
        out.push_back(std::move(stray));
    }
    resetHunt();
    return out;
}

bool FrameDecoder::pending() const {
    return m_state != State::Hunting || m_skipped + m_run > 0;
}

void FrameDecoder::step(std::uint8_t byte, std::vector<DecodedFrame>& out) {
    if (m_state == State::Hunting) {
        hunt(byte, out);
        return;
    }
    // A valid frame ends on the byte that reaches the limit, so any further byte is too many.
    if (m_frame.byteCount - m_frame.preambleLength - 1 >= m_bodyLimit) {
        failFrame("frame longer than the largest frame the uploader sends", out);
        hunt(byte, out);
        return;
    }
    switch (m_state) {
    case State::Body:
        ++m_frame.byteCount;
        if (byte == EscapeByte)
            m_state = State::AfterEscape;
        else
            m_frame.payload.push_back(byte);
        break;
    case State::AfterEscape:
        if (byte == EscapedFF) {
            ++m_frame.byteCount;
            m_frame.payload.push_back(0xFF);
            m_state = State::Body;
        } else if (byte == TerminatorMark) {
            ++m_frame.byteCount;
            m_state = State::AfterTerminatorMark;
        } else {
            // The 0xFF may be the first byte of the next frame's preamble: read it again.
            --m_frame.byteCount;
            failFrame(byte == PreambleByte
                          ? "a new preamble began inside the frame (frame cut short)"
                          : "0xFF followed by " + hexByte(byte) + " inside the frame",
                      out);
            m_run = 1;
            hunt(byte, out);
        }
        break;
    case State::AfterTerminatorMark:
        if (byte == PreambleByte) {
            ++m_frame.byteCount;
            completeFrame(out);
        } else {
            failFrame("terminator 0xFF 0xF0 not followed by 0xFF", out);
            hunt(byte, out);
        }
        break;
    case State::Hunting:
        break;
    }
}

void FrameDecoder::hunt(std::uint8_t byte, std::vector<DecodedFrame>& out) {
    if (byte == PreambleByte) {
        ++m_run;
        return;
    }
    if (m_run > 0 && (byte == TextFrameType || byte == FontFrameType)) {
        startFrame(byte);
        return;
    }
    if (m_run >= 2) {
        DecodedFrame unknown;
        unknown.type = byte;
        unknown.byteCount = m_run + 1;
        unknown.preambleLength = m_run;
        unknown.shortPreamble = m_run < FramePreamble;
        unknown.skipped = m_skipped;
        unknown.error = "unknown frame type " + hexByte(byte);
        out.push_back(std::move(unknown));
        resetHunt();
        return;
    }
    m_skipped += m_run + 1;
    m_run = 0;
}

void FrameDecoder::startFrame(std::uint8_t type) {
    m_frame = DecodedFrame{};
    m_frame.type = type;
    m_frame.preambleLength = m_run;
    m_frame.shortPreamble = m_run < FramePreamble;
    m_frame.skipped = m_skipped;
    m_frame.byteCount = m_run + 1;
    m_frame.payload.reserve(type == FontFrameType ? FontPayloadSize : 256);
    m_bodyLimit = type == FontFrameType ? FontBodyLimit : TextBodyLimit;
    resetHunt();
    m_state = State::Body;
}

void FrameDecoder::completeFrame(std::vector<DecodedFrame>& out) {
    auto& payload = m_frame.payload;
    if (m_frame.type == TextFrameType) {
        const bool endMarked = payload.size() >= EndOfTextCount &&
                               std::all_of(payload.end() - EndOfTextCount, payload.end(),
                                           [](std::uint8_t b) { return b == EndOfText; });
        if (!endMarked) {
            failFrame("end of text (five 0x08) missing", out);
            return;
        }
        payload.resize(payload.size() - EndOfTextCount);
        const auto control =
            std::find_if(payload.begin(), payload.end(), [](std::uint8_t b) { return b < 0x20; });
        if (control != payload.end()) {
            const auto offset = static_cast<std::size_t>(control - payload.begin());
            failFrame("control code " + hexByte(*control) + " in the text at offset " +
                          std::to_string(offset),
                      out);
            return;
        }
        m_frame.kind = DecodedFrame::Kind::Text;
    } else {
        if (payload.size() != FontPayloadSize) {
            failFrame("font payload of " + std::to_string(payload.size()) + " bytes, expected " +
                          std::to_string(FontPayloadSize),
                      out);
            return;
        }
        m_frame.kind = DecodedFrame::Kind::Font;
    }
    out.push_back(std::move(m_frame));
    m_frame = DecodedFrame{};
    m_state = State::Hunting;
    resetHunt();
}

void FrameDecoder::failFrame(std::string error, std::vector<DecodedFrame>& out) {
    m_frame.kind = DecodedFrame::Kind::Malformed;
    m_frame.error = std::move(error);
    out.push_back(std::move(m_frame));
    m_frame = DecodedFrame{};
    m_state = State::Hunting;
    resetHunt();
}

void FrameDecoder::resetHunt() {
    m_run = 0;
    m_skipped = 0;
}

std::vector<DecodedFrame> decodeFrames(std::span<const std::uint8_t> bytes) {
    FrameDecoder decoder;
    auto frames = decoder.feed(bytes);
    auto rest = decoder.finish();
    frames.insert(frames.end(), std::make_move_iterator(rest.begin()),
                  std::make_move_iterator(rest.end()));
    return frames;
}
