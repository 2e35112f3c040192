#pragma once

// Reads the byte stream a sign receives and turns it back into frames, for a simulated sign
// and for tests of the builders. It never guesses: whatever does not follow the frame layout
// is reported as a malformed frame, and decoding starts over at the next preamble.
//
// Contract:
// - feed() takes any chunk of the stream; the frames come out the same whether the stream
//   arrives whole or one byte at a time. feed() returns the frames completed by this chunk.
// - A frame starts at a run of 0xFF followed by 0xF1 (text) or 0xF8 (font). A run shorter
//   than 200 is accepted (bytes lost before the frame) and flagged by shortPreamble. Bytes
//   before the run that belong to no frame are counted in `skipped` of the next frame.
// - A run of at least two 0xFF followed by another byte is reported as an unknown frame type.
// - Inside a frame, 0xFF 0xFE is a payload 0xFF and 0xFF 0xF0 0xFF ends the frame. Any other
//   byte after 0xFF makes the frame malformed; a second 0xFF means a new preamble began inside
//   the frame (the frame was cut short). In both cases that 0xFF is read again as the start
//   of a possible preamble, so the frame that follows is not lost.
// - A text frame's payload must end with five 0x08 and hold no byte below 0x20 before them;
//   a font frame's payload must be exactly 1792 bytes. A frame body longer than the largest
//   frame the builders make is malformed.
// - finish() reports a frame left open at the end of the stream as truncated, and stray bytes
//   as malformed; the decoder is then ready for a new stream.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct DecodedFrame {
    enum class Kind { Text, Font, Malformed };
    Kind kind = Kind::Malformed;
    // Text: the text as the sign received it (after the blank mapping), without the 0x08s.
    // Font: the 1792 bytes of symbols 32..255. Malformed: the payload decoded so far.
    std::vector<std::uint8_t> payload;
    std::uint8_t type = 0;          // the type byte read, 0 when there was none
    std::size_t byteCount = 0;      // bytes of this frame, preamble included (TxCount)
    std::size_t preambleLength = 0; // 0xFF bytes before the type byte
    bool shortPreamble = false;     // fewer than 200 of them
    std::size_t skipped = 0;        // stray bytes dropped before this frame's preamble
    std::string error;              // empty unless malformed
};

class FrameDecoder {
public:
    std::vector<DecodedFrame> feed(std::span<const std::uint8_t> bytes);
    std::vector<DecodedFrame> finish();

    // Whether the decoder is inside a frame or holds stray bytes: what finish() would report.
    bool pending() const;

private:
    enum class State { Hunting, Body, AfterEscape, AfterTerminatorMark };

    void step(std::uint8_t byte, std::vector<DecodedFrame>& out);
    void hunt(std::uint8_t byte, std::vector<DecodedFrame>& out);
    void startFrame(std::uint8_t type);
    void completeFrame(std::vector<DecodedFrame>& out);
    // Reports the open frame as malformed; the decoder goes back to hunting.
    void failFrame(std::string error, std::vector<DecodedFrame>& out);
    void resetHunt();

    State m_state = State::Hunting;
    std::size_t m_run = 0;     // 0xFF bytes in a row while hunting
    std::size_t m_skipped = 0; // stray bytes while hunting
    DecodedFrame m_frame;
    std::size_t m_bodyLimit = 0;
};

// The whole stream at once: feed() and finish().
std::vector<DecodedFrame> decodeFrames(std::span<const std::uint8_t> bytes);
