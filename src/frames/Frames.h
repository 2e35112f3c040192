#pragma once

// The two byte frames the sign takes: a text frame and a font frame. Both start with a run of
// 0xFF, then a type byte, then the payload with each 0xFF sent as 0xFF 0xFE, and end with
// 0xFF 0xF0 0xFF; a text frame puts five 0x08 between its payload and that terminator.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

inline constexpr std::size_t TxBufferSize = 65500;
inline constexpr std::size_t FramePreamble = 200;
inline constexpr std::size_t TextEnvelope = 209; // 65500 - 209 = 65291 largest text payload
inline constexpr std::size_t MaxTextPayload = TxBufferSize - TextEnvelope;
inline constexpr std::uint8_t TextFrameType = 0xF1, FontFrameType = 0xF8;
inline constexpr std::size_t FontTableSize = 2048;

inline constexpr std::uint8_t PreambleByte = 0xFF;
inline constexpr std::uint8_t EscapeByte = 0xFF;     // 0xFF of the payload goes out as FF FE
inline constexpr std::uint8_t EscapedFF = 0xFE;      // second byte of that pair
inline constexpr std::uint8_t TerminatorMark = 0xF0; // FF F0 FF ends every frame
inline constexpr std::uint8_t EndOfText = 0x08;
inline constexpr std::size_t EndOfTextCount = 5;
inline constexpr std::size_t TerminatorSize = 3;
// The font frame carries symbols 32..255 only: table bytes 256..2047.
inline constexpr std::size_t FontFirstSentSymbol = 32;
inline constexpr std::size_t FontFirstSentByte = FontFirstSentSymbol * 8;
inline constexpr std::size_t FontPayloadSize = FontTableSize - FontFirstSentByte; // 1792
inline constexpr std::size_t FontEnvelope = FramePreamble + 1 + TerminatorSize;   // 204

// The transmit buffer: ONE fixed area of 65500 bytes allocated once for the whole run, and the
// length of the frame in it. Never cleared; each build overwrites from byte 0, so the tail of
// an earlier, longer frame stays behind TxCount and is never sent.
class TxFrame {
public:
    TxFrame();
    TxFrame(const TxFrame&) = delete;
    TxFrame& operator=(const TxFrame&) = delete;

    const std::uint8_t* TxBuffer() const { return m_buffer.get(); }
    std::uint32_t TxCount() const { return m_count; }
    std::span<const std::uint8_t> frame() const { return {m_buffer.get(), m_count}; }

    // Text: Windows-1251 bytes of the editor's text (line breaks CR LF). Control codes go out
    // as blanks. Returns false and writes nothing (TxCount unchanged) when the frame would not
    // fit the buffer.
    bool BuildTextFrame(std::span<const std::uint8_t> text);
    // Font: the whole 2048-byte table; only symbols 32..255 are sent.
    void BuildFontFrame(std::span<const std::uint8_t, FontTableSize> font);

private:
    std::unique_ptr<std::uint8_t[]> m_buffer;
    std::uint32_t m_count = 0;
};

// Size of the text frame for this text, computed without building it (209 + N).
std::size_t textFrameSize(std::span<const std::uint8_t> text);
